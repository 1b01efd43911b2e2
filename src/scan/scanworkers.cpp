#include "scanworkers.h"

#include "scan/scandriver.h"

#include "model/lanterradoc.h"
#include "net/neterrors.h"
#include "net/netprovider.h"
#include "platform/logging.h"
#include "settings/sharescheme.h"

#include <algorithm>
#include <chrono>

namespace ScanWorkers {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsSince(Clock::time_point start)
{
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Results that mean the host itself did not answer: it counts as offline.
bool MeansUnreachable(std::uint32_t code)
{
    return code == NetError::BadNetPath || code == NetError::SemTimeout;
}

bool IsDiskShare(std::uint32_t type)
{
    return type == ShareType::DiskTree || type == ShareType::SpecialDisk;
}

// Appends `shares`, last first, to the change queue with a new state.
void QueueShares(CLanterraDoc &doc, const std::vector<ShareRecord *> &shares, std::optional<ShareState> state)
{
    std::scoped_lock queue(doc.queueLock);
    for (auto it = shares.rbegin(); it != shares.rend(); ++it) {
        if (state)
            (*it)->state = *state;
        doc.changeQueue.push_back(*it);
    }
}

std::vector<ShareRecord *> SharesOf(const HostRecord &host)
{
    std::vector<ShareRecord *> out;
    out.reserve(host.shares.size());
    for (const auto &share : host.shares)
        out.push_back(share.get());
    return out;
}

// Marks a listed disk share online, creating and classifying it when the
// host did not have it (names match without regard to case).
void TakeShare(CLanterraDoc &doc, HostRecord &host, const QString &name)
{
    for (auto it = host.shares.rbegin(); it != host.shares.rend(); ++it) {
        if ((*it)->name.compare(name, Qt::CaseInsensitive) == 0) {
            (*it)->state = ShareOnline;
            return;
        }
    }
    auto share = std::make_unique<ShareRecord>(name, &host);
    share->state = ShareOnline;
    std::scoped_lock shares(doc.sharesLock);
    share->index = int(doc.shareList.size());
    share->groupIndex = doc.scheme ? ClassifyShare(*doc.scheme, name) : -1;
    share->groupVisible = 0;
    if (doc.scheme && share->groupIndex >= 0 && share->groupIndex < doc.scheme->groups.size())
        share->groupVisible = doc.scheme->groups[share->groupIndex].visible;
    if (share->groupVisible)
        ++host.visibleShares;
    doc.shareList.push_back(share.get());
    host.shares.push_back(std::move(share));
}

} // namespace

void EnumerateAllNets(CScanDriver &driver)
{
    QStringList names = driver.network().ListWorkgroups(driver.abandonToken());
    {
        auto lock = driver.Publish();
        if (driver.halted())
            return;
        driver.job().names = std::move(names);
        driver.job().state = NetListed;
    }
    driver.Wake();
}

void EnumerateNet(CScanDriver &driver, NetRecord &net)
{
    CLanterraDoc &doc = driver.doc();
    QString name;
    {
        auto lock = driver.Publish();
        if (driver.halted())
            return;
        net.state = NetPending;
        name = net.name;
    }
    const bool passedOver = driver.rules().IsNetExcluded(name);
    QStringList hosts;
    if (!name.isEmpty() && !passedOver)
        hosts = driver.network().ListHosts(name, driver.abandonToken());
    net.thread = false;
    {
        auto lock = driver.Publish();
        if (driver.halted())
            return;
        net.hostNames = std::move(hosts);
        // Listed before the count drops, so that the driver cannot see the
        // last workgroup finished without seeing its hosts.
        net.state.store(NetListed, std::memory_order_release);
        --doc.netsPending;
        doc.netSlots.release();
    }
    driver.Wake();
}

void ProbeHost(CScanDriver &driver, HostRecord &host, SweepReach reach, int sweptMs)
{
    CLanterraDoc &doc = driver.doc();
    INetProvider &network = driver.network();

    QString name;
    QString address;
    int knownAnswerMs = 0;
    {
        auto lock = driver.Publish();
        if (driver.halted()) {
            host.thread = false;
            return;
        }
        // The host's own fields change only when the probe ends: one that
        // a stop abandons leaves its host as it was.
        for (const auto &share : host.shares)
            share->state = ShareOffline;
        knownAnswerMs = host.onlineCount > 0 ? std::max(host.lastAnswerTime, 1) : 0;
        name = host.GetName();
        address = host.GetAddr();
    }

    const bool excluded = driver.rules().IsHostExcluded(name);
    std::uint32_t result = NetError::Success;
    auto t0 = Clock::now();
    std::optional<QString> resolved;
    if (!name.isEmpty() && !excluded)
        resolved = network.ResolveIPv4(name, driver.haltToken());
    if (driver.haltToken().stop_requested()) {
        // Stopped while resolving: abandoned, as if it had never run.
        host.thread = false;
        return;
    }

    // An announcement may have told the address while the name was looked up.
    if (!resolved && address.isEmpty())
        address = host.GetAddr();
    QString target;
    if (resolved) {
        address = *resolved;
        target = name;
    } else if (!address.isEmpty() && !excluded) {
        target = address;
    } else {
        result = NetError::BadNetPath;
    }

    if (!target.isEmpty()) {
        auto lock = driver.Publish();
        if (driver.halted()) {
            host.thread = false;
            return;
        }
        HostRecord *other = nullptr;
        {
            std::scoped_lock addresses(doc.addressLock);
            const auto [it, inserted] = doc.addressMap.emplace(address, &host);
            if (!inserted && it->second != &host)
                other = it->second;
        }
        if (other) {
            // The same machine under two records: the one that came first
            // keeps it, under this record's name when this one has a name.
            if (!name.isEmpty()) {
                other->SetName(name);
                std::vector<ShareRecord *> otherShares;
                {
                    std::scoped_lock shares(doc.sharesLock);
                    otherShares = SharesOf(*other);
                }
                QueueShares(doc, otherShares, ShareHostRenamed);
            }
            host.duplicate = true;
            QueueShares(doc, SharesOf(host), ShareRemoved);
            result = NetError::BadNetPath;
        }
        t0 = Clock::now();
    }
    host.thread = false;

    ShareListing listing;
    bool online = false;
    if (result == NetError::Success) {
        // An unreachable host gives its answer at once here, instead of
        // holding a slot while the listing waits for it.
        if (reach == SweepReach::Dead
            || (reach == SweepReach::Unknown
                && !network.IsReachableOf(address, knownAnswerMs, driver.abandonToken()))) {
            result = NetError::BadNetPath;
        } else {
            listing = network.ListSharesOf(target, address, knownAnswerMs, driver.abandonToken());
            result = listing.code == NetError::MoreData ? NetError::Success : listing.code;
            online = !MeansUnreachable(result);
        }
    }
    if (result != NetError::Success)
        qCDebug(lcScan) << "no share list from" << (target.isEmpty() ? name : target) << "error" << result;

    {
        auto lock = driver.Publish();
        if (driver.halted())
            return;
        for (const ShareEntry &entry : listing.shares) {
            if (IsDiskShare(entry.type) && !entry.name.isEmpty())
                TakeShare(doc, host, entry.name);
        }
        if (resolved)
            host.SetAddr(address);
        if (online)
            ++host.onlineCount;
        else
            ++host.offlineCount;
        host.lastAnswerTime = reach == SweepReach::Dead ? sweptMs : MillisecondsSince(t0);
        host.lastState = int(result);
        QueueShares(doc, SharesOf(host), std::nullopt);
        --doc.hostsPending;
        if (reach != SweepReach::Dead)
            doc.hostSlots.release();
    }
    driver.Wake();
}

} // namespace ScanWorkers
