// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostlogin.h"

#include "model/hostrecord.h"
#include "model/lanterradoc.h"
#include "net/neterrors.h"

HostEntry HostEntryOf(const HostRecord &host)
{
    if (host.duplicate)
        return HostEntry::None;
    switch (std::uint32_t(host.lastState)) {
    case NetError::AccessDenied:
        return HostEntry::LoginNeeded;
    case NetError::Smb1NotAvailable:
        return HostEntry::Smb1Only;
    default:
        return HostEntry::None;
    }
}

bool IsLoginNeeded(const HostRecord &host)
{
    return HostEntryOf(host) == HostEntry::LoginNeeded;
}

std::vector<std::pair<HostRecord *, HostEntry>> EntryHosts(CLanterraDoc &doc, int &queued)
{
    std::vector<std::pair<HostRecord *, HostEntry>> hosts;
    // Probes write their host's state and queue it under the scan's lock.
    const auto scanLock = doc.LockScanWrites();
    for (const auto &host : doc.cacheHosts())
        if (const HostEntry entry = HostEntryOf(*host); entry != HostEntry::None)
            hosts.emplace_back(host.get(), entry);
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
