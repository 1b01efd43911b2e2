// SPDX-License-Identifier: GPL-3.0-or-later
#include "scandriver.h"

#include "scan/hostsweep.h"
#include "scan/ipv4.h"
#include "scan/scanworkers.h"

#include "model/lanterradoc.h"
#include "net/netprovider.h"
#include "net/resolver.h"
#include "platform/logging.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace {

// Waiting for a host slot ends after this long, so that workgroups found in
// the meantime are merged without delay.
constexpr auto HostSlotWait = std::chrono::milliseconds(200);
// The pause of a pass once every known host has been started.
constexpr int IdlePassMs = 500;

} // namespace

void CScanDriver::InstallAsScanEngine()
{
    SetScanEngineFactory([](CLanterraDoc &doc, ScanSession &session,
                            std::unique_ptr<IScanEngine> previous) -> std::unique_ptr<IScanEngine> {
        return std::unique_ptr<CScanDriver>(new CScanDriver(doc, session, std::move(previous)));
    });
}

CScanDriver::CScanDriver(CLanterraDoc &doc, ScanSession &session, std::unique_ptr<IScanEngine> previous)
    : m_doc(doc), m_session(session), m_cache(doc.hostCache()), m_network(session.network),
      m_previous(std::move(previous)), m_startThread(session.startThread), m_rules(doc.rules()),
      m_policy(CLoginBook::Session(),
               LoginScope{m_rules.hostListConfirmed, m_rules.searchNetByList ? m_rules.nets : QStringList()})
{
    // Taken on the caller's (user-interface) thread, before any worker runs.
    m_rules.BuildExclusionSets();
    if (m_rules.searchHostByList) {
        for (const QString &entry : std::as_const(m_rules.hosts)) {
            quint32 first = 0;
            quint32 last = 0;
            const HostEntryKind kind = ClassifyHostEntry(entry);
            if (kind == HostEntryKind::Range && ParseIPRange(entry, first, last))
                m_namedRanges.emplace_back(first, last);
            else if (kind == HostEntryKind::Name)
                m_namedHosts.append(entry.toLower());
            else if (kind == HostEntryKind::IPv6)
                m_namedIPv6.append(HostEntryIPv6(entry));
        }
    }
    auto lock = Publish();
    m_epoch = Session().epoch;
}

CScanDriver::~CScanDriver()
{
    Halt();
    m_abandon.request_stop();
    JoinDriverThread();
    m_sweep.reset();
    Reap(true);
    m_previous.reset();
}

bool CScanDriver::Start()
{
    try {
        m_thread = std::jthread([this] { Run(); });
    } catch (const std::system_error &error) {
        qCWarning(lcScan) << "cannot start the scan thread:" << error.what();
        return false;
    }
    return true;
}

void CScanDriver::Halt()
{
    {
        auto lock = Publish();
        m_halted = true;
    }
    m_halt.request_stop();
}

bool CScanDriver::ProbeHostsOnly()
{
    m_mode = Mode::HostsOnly;
    // No browse lists come: the hosts the last scan of these contents found
    // in them stay members.
    auto lock = Publish();
    m_browseListsIn = true;
    if (const auto *previous = dynamic_cast<const CScanDriver *>(m_previous.get());
        previous && previous->m_epoch == m_epoch)
        m_listedMembers = previous->m_listedMembers;
    return true;
}

bool CScanDriver::ProbeAgain(HostRecord &host)
{
    {
        auto lock = Publish();
        if (m_halted || m_finished)
            return false;
        if (std::find(m_again.begin(), m_again.end(), &host) == m_again.end())
            m_again.push_back(&host);
    }
    Wake();
    return true;
}

std::unique_lock<std::mutex> CScanDriver::Publish()
{
    return std::unique_lock(Session().publishLock);
}

bool CScanDriver::IsCurrent() const
{
    return m_session.epoch == m_epoch && !m_abandon.stop_requested();
}

void CScanDriver::Wake()
{
    {
        std::scoped_lock guard(m_wakeLock);
        m_woken = true;
    }
    m_wakeUp.notify_all();
}

void CScanDriver::Sleep(int ms)
{
    std::unique_lock guard(m_wakeLock);
    m_wakeUp.wait_for(guard, m_halt.get_token(), std::chrono::milliseconds(ms), [this] { return m_woken; });
    m_woken = false;
}

void CScanDriver::JoinDriverThread()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool CScanDriver::Launch(std::function<void()> work)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
        auto body = [work = std::move(work), done] {
            work();
            done->store(true);
        };
        std::jthread thread = m_startThread ? m_startThread(std::move(body)) : std::jthread(std::move(body));
        m_workers.push_back({std::move(thread), std::move(done)});
    } catch (const std::system_error &error) {
        // The caller tries again later with fewer threads running.
        qCDebug(lcScan) << "cannot start a scan worker:" << error.what();
        return false;
    }
    return true;
}

void CScanDriver::Reap(bool all)
{
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (all || it->done->load()) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

void CScanDriver::RestoreSlots()
{
    // Slots of workers halted in an earlier scan were never given back.
    while (Session().netSlots.try_acquire()) {
    }
    Session().netSlots.release(ScanSession::NetSlotCount);
    while (Session().hostSlots.try_acquire()) {
    }
    Session().hostSlots.release(ScanSession::HostSlotCount);
}

void CScanDriver::Run()
{
    // The scan before this one: its driver thread must be gone before the
    // slots are refilled, and its leftover workers (which write nothing any
    // more) are cancelled and collected.
    m_previous.reset();
    RestoreSlots();

    const bool prepared = m_mode == Mode::HostsOnly || Prepare();
    if (prepared && m_sweep && !m_sweep->Start([this] { Wake(); }, m_halt.get_token())) {
        auto lock = Publish();
        m_sweep.reset(); // every host checks itself in its probe
        Session().sweepTotal = 0;
        Session().sweepNarrowedTo = 0;
    }
    for (;;) {
        if (prepared)
            RunPasses();
        Reap(!m_halt.stop_requested());
        auto lock = Publish();
        // A host asked for after the last pass looked: one more round.
        if (!m_halted && !m_again.empty())
            continue;
        if (m_mode == Mode::Scan)
            DropSilentAnnounced(lock);
        m_finished = true;
        if (!m_halted && m_mode == Mode::Scan)
            Session().scanning.store(false, std::memory_order_release);
        break;
    }
}

void CScanDriver::RunPasses()
{
    const bool scan = m_mode == Mode::Scan;
    for (;;) {
        if (m_halt.stop_requested())
            break;
        // Read before merging: a workgroup that finishes after this read
        // is merged in this pass or keeps the loop going. A driver for a
        // few hosts goes by its own probes: the progress counters may hold
        // what a halted scan left.
        bool active = m_job.state.load() != NetDone || m_discovery.state.load() != NetDone;
        if (scan)
            active = active || Session().hostsPending.load() != 0 || Session().netsPending.load() != 0;
        bool merged = false;
        {
            auto lock = Publish();
            if (m_halted)
                break;
            if (scan) {
                if (m_sweep)
                    Session().sweepDone = m_sweep->Decided();
                merged = MergeAllNets();
                merged = MergeDiscovered(lock) || merged;
                merged = MergeWorkgroups(lock) || merged;
                StartWorkgroups();
                m_browseListsIn = m_browseListsIn || AreBrowseListsIn();
                StartDeferred();
            }
            StartAgain();
            active = active || !m_again.empty() || !m_probing.empty() || !m_deferred.empty();
        }
        if (!active) {
            // Nothing was running: what was just merged (if anything)
            // decides at once whether there is more to do.
            if (!merged)
                break;
            continue;
        }
        Reap(false);
        if (!scan) {
            Sleep(IdlePassMs); // a probe's end wakes the driver
            continue;
        }
        bool allStarted = false;
        {
            auto lock = Publish();
            allStarted = m_nextHost >= m_cache.hosts().size();
        }
        if (allStarted)
            Sleep(IdlePassMs);
        if (!StartHosts())
            Sleep(IdlePassMs); // the sweep wakes the driver with news
    }
}

bool CScanDriver::Prepare()
{
    auto lock = Publish();
    if (m_halted)
        return false;
    CLanterraDoc &doc = m_doc;
    CHostCache &cache = m_cache;
    const ScanRules &rules = m_rules;

    cache.MarkSharesUnknown();
    if (rules.searchNetAll) {
        m_job.state = NetPending;
        if (!Launch([this] { ScanWorkers::EnumerateAllNets(*this); }))
            m_job.state = NetDone;
    }

    StartDiscovery();

    for (const auto &net : cache.nets()) {
        m_netsByName.emplace(net->name, net.get());
        net->state = NetDone;
    }
    for (const auto &host : cache.hosts())
        m_hostsByName.emplace(host->GetName(), host.get());

    // The first workgroup of a name is the one the by-name map holds.
    auto markNet = [this, &cache](const QString &name) { m_netsByName.try_emplace(name, cache.MarkNetPending(name)); };
    // Without a known workgroup of its own, the machine has none to scan.
    if ((rules.searchNetCurrent || rules.searchNetAll) && !doc.currentWorkgroup().isEmpty())
        markNet(doc.currentWorkgroup());
    if (rules.searchNetByList) {
        for (const QString &name : std::as_const(rules.nets))
            markNet(name);
    }
    if (rules.searchHostByList)
        AddListedHosts(m_netsByName);

    Session().hostsTotal = int(cache.hosts().size());
    Session().hostsPending = int(cache.hosts().size());
    cache.SortHostsByScore(lock);
    // Every record passes the start loop once and finishes once, so the
    // count is of records: two cached workgroups of one name count twice.
    Session().netsTotal = int(cache.nets().size());
    Session().netsPending = int(cache.nets().size());
    m_sweep = CHostSweep::ForQueue(cache, rules, m_network->CreateSweepTransport());
    if (m_sweep) {
        Session().sweepTotal = m_sweep->Total();
        Session().sweepNarrowedTo = m_sweep->NarrowedTo();
    }
    return true;
}

void CScanDriver::AddListedHosts(std::map<QString, NetRecord *> &netsByName)
{
    CHostCache &cache = m_cache;
    for (const QString &entry : std::as_const(m_rules.hosts)) {
        // A blank line names no host, and a mistyped address is no name to
        // look up.
        const HostEntryKind kind = ClassifyHostEntry(entry);
        if (kind == HostEntryKind::Blank || kind == HostEntryKind::Refused || m_hostsByName.contains(entry))
            continue;
        NetRecord *manual = nullptr;
        if (const auto found = netsByName.find(QString()); found != netsByName.end()) {
            manual = found->second;
        } else {
            manual = cache.AddNet(QString(), NetDone);
            netsByName.emplace(QString(), manual);
        }

        quint32 first = 0;
        quint32 last = 0;
        if (kind == HostEntryKind::Range && ParseIPRange(entry, first, last)) {
            std::map<QString, HostRecord *> byAddress;
            for (const auto &host : cache.hosts()) {
                const QString address = host->GetAddr();
                if (!address.isEmpty())
                    byAddress.emplace(address, host.get());
            }
            // Scan Options and lanterra-scan tell the user what is left out
            // (AddressesLeftOut).
            if (first <= last && quint64(last) - first >= MaxRangeHosts)
                last = quint32(first + MaxRangeHosts - 1);
            for (quint64 value = first; value <= last; ++value) {
                const QString address = DottedIPv4(std::uint32_t(value));
                if (byAddress.contains(address))
                    continue;
                byAddress.emplace(address, cache.AddHost(QString(), manual, address));
            }
        } else if (kind == HostEntryKind::IPv6) {
            // Known by its address alone, as a range's hosts are.
            const QString address = HostEntryIPv6(entry);
            const auto &hosts = cache.hosts();
            if (std::none_of(hosts.begin(), hosts.end(), [&](const auto &host) { return host->GetAddr() == address; }))
                cache.AddHost(QString(), manual, address);
        } else {
            m_hostsByName.emplace(entry, cache.AddHost(entry, manual));
        }
    }
}

bool CScanDriver::MergeAllNets()
{
    if (m_job.state.load() != NetListed)
        return false;
    m_job.state = NetDone;
    for (const QString &name : std::as_const(m_job.names)) {
        if (m_netsByName.contains(name))
            continue;
        m_netsByName.emplace(name, m_cache.AddNet(name, NetPending));
        ++Session().netsPending;
        ++Session().netsTotal;
    }
    return true;
}

void CScanDriver::QueueNextHost(const std::unique_lock<std::mutex> &held, std::unique_ptr<HostRecord> host)
{
    // The look-ahead cursor points at the host it visits next; the start
    // cursor stays and so points at the new host.
    std::size_t *const cursors[] = {&m_sweepCursor};
    m_cache.InsertHost(held, m_nextHost, std::move(host), cursors);
    ++Session().hostsPending;
    ++Session().hostsTotal;
}

void CScanDriver::HostFinished()
{
    // More hosts finishing than were started would leave the scan waiting
    // for a count that never comes back to zero.
    if (Session().hostsPending.fetch_sub(1) > 0)
        return;
#ifndef NDEBUG
    qCCritical(lcScan) << "scan driver: a host finished twice, pending count below zero";
#endif
    Session().hostsPending = 0;
}

bool CScanDriver::MergeWorkgroups(const std::unique_lock<std::mutex> &held)
{
    const auto &nets = m_cache.nets();
    bool merged = false;
    while (m_firstOpen < nets.size() && nets[m_firstOpen]->state.load() == NetDone)
        ++m_firstOpen;
    for (std::size_t i = m_firstOpen; i < nets.size(); ++i) {
        NetRecord *net = nets[i].get();
        if (net->state.load(std::memory_order_acquire) != NetListed)
            continue;
        net->state = NetDone;
        merged = true;
        for (const QString &name : std::as_const(net->hostNames)) {
            if (name.isEmpty())
                continue;
            if (const auto known = m_hostsByName.find(name); known != m_hostsByName.end()) {
                m_listedMembers[known->second].append(net->name);
                continue;
            }
            auto host = std::make_unique<HostRecord>(name, net);
            m_hostsByName.emplace(name, host.get());
            m_listedMembers[host.get()].append(net->name);
            QueueNextHost(held, std::move(host));
        }
    }
    return merged;
}

bool CScanDriver::AreBrowseListsIn() const
{
    // Only the chosen workgroups are ever listed (the others stay done from
    // the start), and the all-workgroups job may still add some.
    if (m_job.state.load() != NetDone)
        return false;
    const auto &nets = m_cache.nets();
    return std::all_of(nets.begin() + std::ptrdiff_t(std::min(m_firstOpen, nets.size())), nets.end(),
                       [](const auto &net) { return net->state.load() == NetDone; });
}

bool CScanDriver::IsNamedByRules(const HostRecord &host) const
{
    if (!m_namedHosts.isEmpty() && !host.GetName().isEmpty() && m_namedHosts.contains(host.GetName().toLower()))
        return true;
    if (!m_namedIPv6.isEmpty() && m_namedIPv6.contains(host.GetAddr()))
        return true;
    if (m_namedRanges.empty())
        return false;
    const quint32 address = ParseIPv4(host.GetAddr());
    return address != 0 && std::any_of(m_namedRanges.begin(), m_namedRanges.end(), [address](const auto &range) {
               return range.first <= address && address <= range.second;
           });
}

LoginFacts CScanDriver::LoginFactsFor(const HostRecord &host) const
{
    LoginFacts facts;
    facts.name = host.GetName();
    facts.announcedOnly = m_announcedOnly.contains(&host);
    facts.namedByHostList = IsNamedByRules(host);
    if (const auto listed = m_listedMembers.find(&host); listed != m_listedMembers.end())
        facts.listedBy = listed->second;
    facts.confirmed = host.loginConfirmed;
    return facts;
}

bool CScanDriver::DeferProbe(HostRecord &host)
{
    LoginFacts facts = LoginFactsFor(host);
    if (!m_policy.AwaitsBrowseLists(facts, !m_browseListsIn)) {
        // The browse lists may have come in while the refused listing ran:
        // a host they made eligible is listed again, as one that waited.
        facts.address = host.GetAddr();
        if (!m_policy.Decide(facts, false).login)
            return false;
    }
    m_deferred.push_back(&host);
    return true;
}

void CScanDriver::StartDeferred()
{
    for (auto it = m_deferred.begin(); it != m_deferred.end();) {
        HostRecord *host = *it;
        // The probe that deferred it may not have left yet.
        if (m_probing.contains(host) || m_policy.AwaitsBrowseLists(LoginFactsFor(*host), !m_browseListsIn)) {
            ++it;
            continue;
        }
        if (!Session().hostSlots.try_acquire())
            return;
        it = m_deferred.erase(it);
        RelaunchDeferred(host);
    }
}

void CScanDriver::RelaunchDeferred(HostRecord *host)
{
    m_retried.insert(host);
    // Still counted as pending from its first probe: no new count.
    if (!LaunchProbe(host, ScanWorkers::SweepReach::Unknown)) {
        m_retried.erase(host);
        HostFinished();
        Session().hostSlots.release();
    }
}

void CScanDriver::StartWorkgroups()
{
    const auto &nets = m_cache.nets();
    while (m_nextNet < nets.size()) {
        if (!Session().netSlots.try_acquire())
            return;
        NetRecord *net = nets[m_nextNet++].get();
        if (net->state.load() == NetPending) {
            net->owner = &m_doc;
            net->isOpening = true;
            if (Launch([this, net] { ScanWorkers::EnumerateNet(*this, *net); }))
                continue;
            // No thread: the workgroup ends listed with no hosts.
            net->isOpening = false;
            net->state.store(NetListed, std::memory_order_release);
        }
        Session().netSlots.release();
        --Session().netsPending;
    }
}

HostRecord *CScanDriver::NextReadyHost(ScanWorkers::SweepReach &reach, int &sweptMs)
{
    using ScanWorkers::SweepReach;
    const auto &hosts = m_cache.hosts();
    while (m_nextHost < hosts.size() && m_startedAhead.erase(hosts[m_nextHost].get()))
        ++m_nextHost;
    // A host is ready when it is not swept or its verdict is in.
    auto ready = [this, &reach, &sweptMs](HostRecord *host) {
        const int index = m_sweep ? m_sweep->IndexOf(host) : -1;
        if (index < 0) {
            reach = SweepReach::Unknown;
            return true;
        }
        switch (m_sweep->Verdict(index)) {
        case SweepVerdict::Pending:
            return false;
        case SweepVerdict::Open:
            reach = SweepReach::Open;
            return true;
        default:
            reach = SweepReach::Dead;
            sweptMs = m_sweep->ElapsedMs(index);
            return true;
        }
    };
    if (m_nextHost >= hosts.size())
        return nullptr;
    if (HostRecord *head = hosts[m_nextHost].get(); ready(head))
        return head;
    for (HostRecord *host : m_awaiting) {
        if (!m_startedAhead.contains(host) && host != hosts[m_nextHost].get() && ready(host))
            return host;
    }
    // Look further ahead, but not past the addresses in flight: beyond
    // them the sweep has decided nothing yet.
    m_sweepCursor = std::max(m_sweepCursor, m_nextHost + 1);
    while (m_sweepCursor < hosts.size() && m_awaiting.size() <= std::size_t(m_sweep->MaxInFlight())) {
        HostRecord *host = hosts[m_sweepCursor++].get();
        if (m_startedAhead.contains(host))
            continue;
        if (ready(host))
            return host;
        m_awaiting.push_back(host);
    }
    return nullptr;
}

void CScanDriver::MarkStarted(HostRecord *host)
{
    if (m_nextHost < m_cache.hosts().size() && m_cache.hosts()[m_nextHost].get() == host)
        ++m_nextHost;
    else
        m_startedAhead.insert(host);
    std::erase(m_awaiting, host);
}

bool CScanDriver::StartHosts()
{
    using ScanWorkers::SweepReach;
    CLanterraDoc &doc = m_doc;
    for (;;) {
        if (m_halt.stop_requested())
            return true;
        HostRecord *host = nullptr;
        SweepReach reach = SweepReach::Unknown;
        int sweptMs = 0;
        {
            auto lock = Publish();
            if (m_halted || m_nextHost >= m_cache.hosts().size())
                return true;
            host = NextReadyHost(reach, sweptMs);
            if (!host)
                return false;
            if (reach == SweepReach::Dead) {
                // Nothing answered there: the probe ends offline at once,
                // on this thread and without a slot.
                MarkStarted(host);
                host->owner = &doc;
            }
        }
        if (reach == SweepReach::Dead) {
            ScanWorkers::ProbeHost(*this, *host, reach, sweptMs);
            continue;
        }
        if (!Session().hostSlots.try_acquire_for(HostSlotWait))
            return true;
        auto lock = Publish();
        if (m_halted)
            return true; // the next scan refills the slots
        MarkStarted(host);
        if (!LaunchProbe(host, reach)) {
            // No thread: the host stays as it was and counts as done.
            HostFinished();
            Session().hostSlots.release();
        }
    }
}

bool CScanDriver::LaunchProbe(HostRecord *host, ScanWorkers::SweepReach reach)
{
    host->owner = &m_doc;
    host->isResolving = true;
    m_probing.insert(host);
    const bool started = Launch([this, host, reach] {
        ScanWorkers::ProbeHost(*this, *host, reach);
        {
            auto lock = Publish();
            m_probing.erase(host);
        }
        Wake();
    });
    if (!started) {
        host->isResolving = false;
        m_probing.erase(host);
    }
    return started;
}

bool CScanDriver::HasStarted(const HostRecord *host) const
{
    if (m_startedAhead.contains(host))
        return true;
    const auto &hosts = m_cache.hosts();
    const auto end = hosts.begin() + std::ptrdiff_t(std::min(m_nextHost, hosts.size()));
    return std::find_if(hosts.begin(), end, [host](const auto &h) { return h.get() == host; }) != end;
}

void CScanDriver::StartAgain()
{
    const bool scan = m_mode == Mode::Scan;
    for (auto it = m_again.begin(); it != m_again.end();) {
        HostRecord *host = *it;
        if (m_probing.contains(host)) {
            ++it; // after the probe that runs, which may have used the old login
            continue;
        }
        if (scan && !HasStarted(host)) {
            it = m_again.erase(it); // its probe is still to come, with the new login
            continue;
        }
        // Held back for the browse lists: the user need not wait for them
        // (a login typed for it goes at once), and it still counts once.
        if (const auto deferred = std::find(m_deferred.begin(), m_deferred.end(), host); deferred != m_deferred.end()) {
            if (!Session().hostSlots.try_acquire())
                return;
            m_deferred.erase(deferred);
            it = m_again.erase(it);
            RelaunchDeferred(host);
            continue;
        }
        if (!Session().hostSlots.try_acquire())
            return;
        it = m_again.erase(it);
        // The scan counts the extra probe as work of its own; a driver for a
        // few hosts leaves the total of the last scan as it was.
        ++Session().hostsPending;
        if (scan)
            ++Session().hostsTotal;
        if (!LaunchProbe(host, ScanWorkers::SweepReach::Unknown)) {
            HostFinished();
            if (scan)
                --Session().hostsTotal;
            Session().hostSlots.release();
        }
    }
}
