// SPDX-License-Identifier: GPL-3.0-or-later
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

std::vector<ShareRecord *> SharesOf(const HostRecord &host)
{
    std::vector<ShareRecord *> out;
    out.reserve(host.shares.size());
    for (const auto &share : host.shares)
        out.push_back(share.get());
    return out;
}

// Marks a listed disk share online, creating and classifying it when the
// host did not have it (names match without regard to case). False when
// the host has as many shares as one host may have and this one is new.
bool TakeShare(CLanterraDoc &doc, HostRecord &host, const QString &name)
{
    for (auto it = host.shares.rbegin(); it != host.shares.rend(); ++it) {
        if ((*it)->name.compare(name, Qt::CaseInsensitive) == 0) {
            (*it)->state = ShareOnline;
            return true;
        }
    }
    if (host.shares.size() >= std::size_t(CScanDriver::MaxSharesPerHost))
        return false;
    doc.AppendShare(host, name, ShareOnline);
    return true;
}

} // namespace

void EnumerateAllNets(CScanDriver &driver)
{
    QStringList names = driver.Network().ListWorkgroups(driver.AbandonToken());
    {
        auto lock = driver.Publish();
        if (driver.IsHalted())
            return;
        driver.Job().names = std::move(names);
        driver.Job().state = NetListed;
    }
    driver.Wake();
}

void EnumerateNet(CScanDriver &driver, NetRecord &net)
{
    QString name;
    {
        auto lock = driver.Publish();
        if (driver.IsHalted())
            return;
        net.state = NetPending;
        name = net.name;
    }
    const bool passedOver = driver.Rules().IsNetExcluded(name);
    QStringList hosts;
    if (!name.isEmpty() && !passedOver)
        hosts = driver.Network().ListHosts(name, driver.AbandonToken());
    net.isOpening = false;
    {
        auto lock = driver.Publish();
        if (driver.IsHalted())
            return;
        net.hostNames = std::move(hosts);
        // Listed before the count drops, so that the driver cannot see the
        // last workgroup finished without seeing its hosts.
        net.state.store(NetListed, std::memory_order_release);
        --driver.Session().netsPending;
        driver.Session().netSlots.release();
    }
    driver.Wake();
}

void ProbeHost(CScanDriver &driver, HostRecord &host, SweepReach reach, int sweptMs)
{
    CLanterraDoc &doc = driver.Doc();
    INetProvider &network = driver.Network();

    QString name;
    QString address;
    int knownAnswerMs = 0;
    {
        auto lock = driver.Publish();
        if (driver.IsHalted()) {
            host.isResolving = false;
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

    const bool excluded = driver.Rules().IsHostExcluded(name);
    std::uint32_t result = NetError::Success;
    auto t0 = Clock::now();
    std::optional<QString> resolved;
    if (!name.isEmpty() && !excluded)
        resolved = network.ResolveIPv4(name, driver.HaltToken());
    if (driver.HaltToken().stop_requested()) {
        // Stopped while resolving: abandoned, as if it had never run.
        host.isResolving = false;
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

    {
        auto lock = driver.Publish();
        if (driver.IsHalted()) {
            host.isResolving = false;
            return;
        }
        if (!target.isEmpty()) {
            HostRecord *other = nullptr;
            {
                std::scoped_lock addresses(driver.Session().addressLock);
                const auto [it, inserted] = driver.Session().addressMap.emplace(address, &host);
                if (!inserted && it->second != &host)
                    other = it->second;
            }
            if (other) {
                // The same machine under two records: the one that came first
                // keeps it, under this record's name when this one has a name,
                // unless that name is only what someone announced.
                if (!name.isEmpty() && !driver.IsAnnouncedOnly(host)) {
                    other->SetName(name);
                    doc.QueueShares(doc.SharesOf(*other), ShareHostRenamed);
                }
                host.duplicate = true;
                doc.QueueShares(SharesOf(host), ShareRemoved);
                result = NetError::BadNetPath;
            }
            t0 = Clock::now();
        }
        // From here on a stop lets the probe run to its end and write its
        // host's results; HaltAndWait waits for it.
        host.isResolving = false;
        ++driver.Session().listingProbes;
    }

    ShareListing listing;
    bool online = false;
    if (result == NetError::Success) {
        // An unreachable host gives its answer at once here, instead of
        // holding a slot while the listing waits for it.
        if (reach == SweepReach::Dead
            || (reach == SweepReach::Unknown
                && !network.IsReachableOf(address, knownAnswerMs, driver.AbandonToken()))) {
            result = NetError::BadNetPath;
        } else {
            listing = network.ListSharesOf(target, address, knownAnswerMs, driver.AbandonToken());
            result = listing.code == NetError::MoreData ? NetError::Success : listing.code;
            online = !MeansUnreachable(result);
        }
    }
    if (result != NetError::Success)
        qCDebug(lcScan) << "no share list from" << (target.isEmpty() ? name : target) << "error" << result;

    {
        auto lock = driver.Publish();
        --driver.Session().listingProbes;
        driver.Session().listingEnded.notify_all();
        // A new scan, or other contents, took the document over: what this
        // probe found belongs to what is gone. So does a listing cut short
        // because the driver is going away.
        if (!driver.IsCurrent())
            return;
        std::size_t leftOut = 0;
        for (const ShareEntry &entry : listing.shares) {
            if (IsDiskShare(entry.type) && !entry.name.isEmpty() && !TakeShare(doc, host, entry.name))
                ++leftOut;
        }
        if (leftOut > 0)
            qCWarning(lcScan).noquote() << target << "lists more than" << CScanDriver::MaxSharesPerHost << "shares;"
                                        << leftOut << "were left out";
        if (resolved)
            host.SetAddr(address);
        if (online)
            ++host.onlineCount;
        else
            ++host.offlineCount;
        host.lastAnswerTime = reach == SweepReach::Dead ? sweptMs : MillisecondsSince(t0);
        host.lastState = int(result);
        // An announced host that never answered leaves the cache at the
        // scan's end: nothing of it goes to the views.
        if (online || !driver.IsAnnouncedOnly(host)) {
            doc.QueueShares(SharesOf(host), std::nullopt);
            doc.QueueHost(host);
        }
        driver.HostFinished();
        if (reach != SweepReach::Dead)
            driver.Session().hostSlots.release();
    }
    driver.Wake();
}

} // namespace ScanWorkers
