// The document's scan entry points; the work is done by CScanDriver.
#include "model/lanterradoc.h"

#include "net/netprovider.h"
#include "net/systemnetwork.h"
#include "scan/scandriver.h"

#include <mutex>

void ScanDriverDeleter::operator()(CScanDriver *driver) const noexcept
{
    delete driver;
}

namespace {

// One system network for the whole process: its helper processes are
// shared by every document.
std::shared_ptr<INetProvider> SystemScanNetwork()
{
    static std::mutex lock;
    static std::shared_ptr<INetProvider> network;
    std::scoped_lock guard(lock);
    if (!network)
        network = CreateSystemNetwork();
    return network;
}

} // namespace

void CLanterraDoc::StartScan()
{
    if (IsScanning())
        return;
    netsTotal = 0;
    netsPending = 0;
    hostsTotal = 0;
    hostsPending = 0;
    sweepTotal = 0;
    sweepDone = 0;
    UpdateAllViews(HintScanStarted);
    {
        std::scoped_lock queue(queueLock);
        changeQueue.clear();
    }
    {
        std::scoped_lock addresses(addressLock);
        addressMap.clear();
    }
    if (!network)
        network = SystemScanNetwork();
    if (currentWorkgroup.isEmpty())
        currentWorkgroup = network->LocalWorkgroup();

    scanning.store(true, std::memory_order_release);
    scanDriver.reset(new CScanDriver(*this, network, std::move(scanDriver)));
    if (!scanDriver->Start())
        scanning.store(false, std::memory_order_release);
}

std::unique_lock<std::mutex> CLanterraDoc::LockScanWrites()
{
    // Drivers of earlier scans were halted and write nothing any more.
    return scanDriver ? scanDriver->Publish() : std::unique_lock<std::mutex>();
}

void CLanterraDoc::HaltScan()
{
    if (scanDriver)
        scanDriver->Halt();
    scanning.store(false, std::memory_order_release);
}
