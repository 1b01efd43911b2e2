// Scan entry points of the document. Until the scan driver is in, a scan
// start only tells the views and ends at once.
#include "model/lanterradoc.h"

class CScanDriver
{
};

void ScanDriverDeleter::operator()(CScanDriver *driver) const noexcept
{
    delete driver;
}

void CLanterraDoc::StartScan()
{
    netsTotal = 0;
    netsPending = 0;
    hostsTotal = 0;
    hostsPending = 0;
    UpdateAllViews(HintScanStarted);
}

void CLanterraDoc::HaltScan()
{
    scanning = false;
}
