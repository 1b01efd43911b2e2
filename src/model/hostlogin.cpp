// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostlogin.h"

#include "model/hostrecord.h"
#include "model/lanterradoc.h"
#include "net/neterrors.h"

bool IsLoginNeeded(const HostRecord &host)
{
    return !host.duplicate && host.lastState == int(NetError::AccessDenied);
}

std::vector<HostRecord *> LoginNeededHosts(CLanterraDoc &doc, int &queued)
{
    std::vector<HostRecord *> hosts;
    // Probes write their host's state and queue it under the scan's lock.
    const auto scanLock = doc.LockScanWrites();
    for (const auto &host : doc.cacheHosts())
        if (IsLoginNeeded(*host))
            hosts.push_back(host.get());
    queued = doc.GetHostQueueCount();
    return hosts;
}

std::vector<int> ShareIndexesOf(const CLanterraDoc &doc, const HostRecord &host)
{
    std::vector<int> indexes;
    for (const ShareRecord *share : doc.SharesOf(host))
        indexes.push_back(share->index);
    return indexes;
}
