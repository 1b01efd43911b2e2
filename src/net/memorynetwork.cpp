// SPDX-License-Identifier: GPL-3.0-or-later
#include "memorynetwork.h"

#include "credentials.h"
#include "neterrors.h"

#include "resolver.h"

#include <condition_variable>
#include <map>
#include <thread>

namespace {

// Tracks how many calls of one kind run at once and the highest count seen.
class InFlight
{
public:
    InFlight(std::atomic<int> &now, std::atomic<int> &max) : m_now(now)
    {
        const int value = ++m_now;
        int seen = max.load();
        while (value > seen && !max.compare_exchange_weak(seen, value)) {
        }
    }
    ~InFlight() { --m_now; }
    InFlight(const InFlight &) = delete;
    InFlight &operator=(const InFlight &) = delete;

private:
    std::atomic<int> &m_now;
};

} // namespace

void CMemoryNetwork::Delay(int ms, const std::stop_token &stop)
{
    if (ms <= 0)
        return;
    std::mutex lock;
    std::condition_variable_any wake;
    std::unique_lock guard(lock);
    wake.wait_for(guard, stop, std::chrono::milliseconds(ms), [] { return false; });
}

void CMemoryNetwork::SetLocalWorkgroup(const QString &name)
{
    std::scoped_lock guard(m_lock);
    m_localWorkgroup = name;
}

void CMemoryNetwork::AddWorkgroup(const QString &name, const QStringList &hosts, bool announced)
{
    std::scoped_lock guard(m_lock);
    m_workgroups[name] = hosts;
    if (announced)
        m_announced.append(name);
}

void CMemoryNetwork::AddName(const QString &name, const QString &address)
{
    std::scoped_lock guard(m_lock);
    m_names.insert(name.toUpper(), address);
}

void CMemoryNetwork::SetHostListLatency(const QString &workgroup, int ms)
{
    std::scoped_lock guard(m_lock);
    m_hostListLatency.insert(workgroup, ms);
}

void CMemoryNetwork::SetNameLatency(const QString &name, int ms)
{
    std::scoped_lock guard(m_lock);
    m_nameLatency.insert(name.toUpper(), ms);
}

void CMemoryNetwork::RemoveName(const QString &name)
{
    std::scoped_lock guard(m_lock);
    m_names.remove(name.toUpper());
}

void CMemoryNetwork::SetServer(const QString &address, const Server &server)
{
    std::scoped_lock guard(m_lock);
    m_servers.insert(address, server);
}

void CMemoryNetwork::RemoveServer(const QString &address)
{
    std::scoped_lock guard(m_lock);
    m_servers.remove(address);
}

int CMemoryNetwork::ListingCalls(const QString &address) const
{
    std::scoped_lock guard(m_lock);
    return m_listingCalls.value(address);
}

void CMemoryNetwork::ForgetCalls()
{
    std::scoped_lock guard(m_lock);
    m_listingCalls.clear();
    m_loginsSent.clear();
}

int CMemoryNetwork::TotalListingCalls() const
{
    std::scoped_lock guard(m_lock);
    int total = 0;
    for (int calls : m_listingCalls)
        total += calls;
    return total;
}

int CMemoryNetwork::WorkgroupCalls(const QString &workgroup) const
{
    std::scoped_lock guard(m_lock);
    return m_workgroupCalls.value(workgroup);
}

QStringList CMemoryNetwork::ListWorkgroups(std::stop_token stop)
{
    Delay(m_workgroupLatencyMs, stop);
    std::scoped_lock guard(m_lock);
    return m_announced;
}

QStringList CMemoryNetwork::ListHosts(const QString &workgroup, std::stop_token stop)
{
    InFlight flight(m_hostsNow, m_maxHosts);
    int extraMs = 0;
    {
        std::scoped_lock guard(m_lock);
        ++m_workgroupCalls[workgroup];
        extraMs = m_hostListLatency.value(workgroup);
    }
    Delay(m_workgroupLatencyMs + extraMs, stop);
    std::unique_lock guard(m_lock);
    if (!m_holdChanged.wait(guard, stop, [this, &workgroup] { return !m_heldHostLists.contains(workgroup); }))
        return {};
    const auto it = m_workgroups.find(workgroup);
    return it == m_workgroups.end() ? QStringList() : it->second;
}

QString CMemoryNetwork::LocalWorkgroup()
{
    std::scoped_lock guard(m_lock);
    return m_localWorkgroup;
}

std::optional<QString> CMemoryNetwork::ResolveIPv4(const QString &name, std::stop_token stop)
{
    int latency = m_resolveLatencyMs;
    {
        std::scoped_lock guard(m_lock);
        latency = m_nameLatency.value(name.toUpper(), latency);
    }
    Delay(latency, stop);
    std::scoped_lock guard(m_lock);
    const auto it = m_names.constFind(name.toUpper());
    if (it == m_names.constEnd())
        return std::nullopt;
    return *it;
}

void CMemoryNetwork::AddNameAnswer(const QString &name, const QString &address)
{
    std::scoped_lock guard(m_lock);
    m_moreAnswers[name.toUpper()].append(address);
}

QStringList CMemoryNetwork::ResolveIPv4Answers(const QString &name, std::stop_token stop)
{
    const std::optional<QString> first = ResolveIPv4(name, stop);
    if (!first)
        return {};
    std::scoped_lock guard(m_lock);
    return QStringList{*first} + m_moreAnswers.value(name.toUpper());
}

bool CMemoryNetwork::IsReachable(const QString &address, std::stop_token)
{
    std::scoped_lock guard(m_lock);
    const auto it = m_servers.constFind(address);
    return it != m_servers.constEnd() && it->reachable;
}

QString CMemoryNetwork::HostWorkgroup(const QString &address, std::stop_token)
{
    std::scoped_lock guard(m_lock);
    const auto it = m_servers.constFind(address);
    return it != m_servers.constEnd() && it->reachable ? it->workgroup : QString();
}

void CMemoryNetwork::HoldListings(const QString &address)
{
    std::scoped_lock guard(m_lock);
    m_held.insert(address, 0);
}

void CMemoryNetwork::ReleaseListings(const QString &address)
{
    {
        std::scoped_lock guard(m_lock);
        m_held.remove(address);
    }
    m_holdChanged.notify_all();
}

void CMemoryNetwork::HoldHostList(const QString &workgroup)
{
    std::scoped_lock guard(m_lock);
    m_heldHostLists.insert(workgroup);
}

void CMemoryNetwork::ReleaseHostList(const QString &workgroup)
{
    {
        std::scoped_lock guard(m_lock);
        m_heldHostLists.remove(workgroup);
    }
    m_holdChanged.notify_all();
}

int CMemoryNetwork::HeldListings(const QString &address) const
{
    std::scoped_lock guard(m_lock);
    return m_held.value(address);
}

ShareListing CMemoryNetwork::List(const QString &server, const QString &address, const std::optional<Login> &login,
                                  std::stop_token stop)
{
    InFlight flight(m_sharesNow, m_maxShares);
    const QString where = address.isEmpty() ? server : address;
    Server found;
    bool known = false;
    {
        std::scoped_lock guard(m_lock);
        ++m_listingCalls[where];
        if (login && !login->IsEmpty())
            m_loginsSent[where].append(login->user);
        const auto it = m_servers.constFind(where);
        if (it != m_servers.constEnd()) {
            found = *it;
            known = true;
        }
    }
    if (!known || !found.reachable)
        return {NetError::BadNetPath, {}};
    Delay(found.latencyMs, stop);
    {
        std::unique_lock guard(m_lock);
        if (m_held.contains(where)) {
            ++m_held[where];
            m_holdChanged.notify_all();
            const bool released = m_holdChanged.wait(guard, stop, [this, &where] { return !m_held.contains(where); });
            if (m_held.contains(where))
                --m_held[where];
            if (!released)
                return {NetError::Cancelled, {}};
        }
    }
    if (found.code != 0)
        return {found.code, {}};
    if (found.smb1Only && !m_allowSmb1)
        return {NetError::Smb1NotAvailable, {}};
    if (!found.loginUser.isEmpty()) {
        if (!login || login->user != found.loginUser || login->password != found.loginPassword)
            return {NetError::AccessDenied, {}};
    }
    return {NetError::Success, found.shares};
}

QStringList CMemoryNetwork::SweepOrder() const
{
    std::scoped_lock guard(m_lock);
    return m_sweepOrder;
}

qsizetype CMemoryNetwork::SweepsBegun() const
{
    std::scoped_lock guard(m_lock);
    return m_sweepOrder.size();
}

// Connects that answer after the servers' latencies, in real time, so that
// a sweep over it behaves as over sockets. Each address holds two
// "sockets" (445 and 139) while it is in flight.
class CMemoryNetwork::SweepTransport final : public ISweepTransport
{
public:
    explicit SweepTransport(CMemoryNetwork &network) : m_network(network) {}
    ~SweepTransport() override
    {
        std::scoped_lock guard(m_lock);
        while (!m_flights.empty())
            Drop(m_flights.begin());
    }

    int Capacity() const override { return m_network.SweepCapacity(); }

    SweepVerdict Begin(int slot, std::uint32_t address) override
    {
        const std::optional<Server> server = m_network.BeginSweepOf(DottedIPv4(address));
        if (!server || (!server->reachable && server->refuses))
            return SweepVerdict::Refused;
        if (server->reachable && server->connectLatencyMs <= 0)
            return SweepVerdict::Open;
        std::scoped_lock guard(m_lock);
        Flight flight;
        flight.silent = !server->reachable;
        flight.due = Clock::now() + std::chrono::milliseconds(server->connectLatencyMs);
        m_flights.emplace(slot, flight);
        m_network.CountSweepFlight(+1);
        return SweepVerdict::Pending;
    }

    void Wait(int timeoutMs, std::vector<Event> &decided) override
    {
        std::unique_lock guard(m_lock);
        const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto now = Clock::now();
            auto next = until;
            for (auto it = m_flights.begin(); it != m_flights.end();) {
                if (!it->second.silent && it->second.due <= now) {
                    decided.push_back({it->first, SweepVerdict::Open});
                    it = Drop(it);
                    continue;
                }
                if (!it->second.silent)
                    next = std::min(next, it->second.due);
                ++it;
            }
            if (!decided.empty() || m_interrupted || now >= until)
                break;
            m_wake.wait_until(guard, next);
        }
        m_interrupted = false;
    }

    void Abort(int slot) override
    {
        std::scoped_lock guard(m_lock);
        const auto it = m_flights.find(slot);
        if (it != m_flights.end())
            Drop(it);
    }

    void Interrupt() override
    {
        {
            std::scoped_lock guard(m_lock);
            m_interrupted = true;
        }
        m_wake.notify_all();
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Flight
    {
        bool silent = false;
        Clock::time_point due;
    };

    std::map<int, Flight>::iterator Drop(std::map<int, Flight>::iterator it)
    {
        m_network.CountSweepFlight(-1);
        return m_flights.erase(it);
    }

    CMemoryNetwork &m_network;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::map<int, Flight> m_flights;
    bool m_interrupted = false;
};

std::optional<CMemoryNetwork::Server> CMemoryNetwork::BeginSweepOf(const QString &address)
{
    std::scoped_lock guard(m_lock);
    m_sweepOrder.append(address);
    const auto it = m_servers.constFind(address);
    if (it == m_servers.constEnd())
        return std::nullopt;
    return *it;
}

void CMemoryNetwork::CountSweepFlight(int change)
{
    m_sweepSockets += 2 * change;
    const int now = m_sweepNow += change;
    int seen = m_maxSweep.load();
    while (now > seen && !m_maxSweep.compare_exchange_weak(seen, now)) {
    }
}

std::unique_ptr<ISweepTransport> CMemoryNetwork::CreateSweepTransport()
{
    return std::make_unique<SweepTransport>(*this);
}

ShareListing CMemoryNetwork::ListSharesWith(const QString &server, const QString &address, int knownAnswerMs,
                                            const std::optional<Login> &login, std::stop_token stop)
{
    {
        std::scoped_lock guard(m_lock);
        m_knownAnswers.insert(address.isEmpty() ? server : address, knownAnswerMs);
    }
    return List(server, address, login, stop);
}

void CMemoryNetwork::Announce(const DiscoveredHost &host)
{
    std::scoped_lock guard(m_lock);
    m_announcedHosts.push_back(host);
}

void CMemoryNetwork::DiscoverHosts(const std::function<void(const DiscoveredHost &)> &found, std::stop_token stop)
{
    std::vector<DiscoveredHost> hosts;
    {
        std::scoped_lock guard(m_lock);
        hosts = m_announcedHosts;
    }
    for (const DiscoveredHost &host : hosts) {
        if (stop.stop_requested())
            return;
        found(host);
    }
}

QStringList CMemoryNetwork::LoginsSentTo(const QString &address) const
{
    std::scoped_lock guard(m_lock);
    return m_loginsSent.value(address);
}

int CMemoryNetwork::KnownAnswerGiven(const QString &address) const
{
    std::scoped_lock guard(m_lock);
    return m_knownAnswers.value(address, -1);
}
