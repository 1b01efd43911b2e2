// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netprovider.h"

#include <QHash>
#include <QSet>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

// A network held in memory, with optional latencies, for tests and demos.
// It also records how many calls ran at once, so tests can check limits.
class CMemoryNetwork : public INetProvider
{
public:
    struct Server
    {
        bool reachable = true;          // answers the reachability check
        std::uint32_t code = 0;         // error of the share listing (0: list `shares`)
        std::vector<ShareEntry> shares;
        int latencyMs = 0;              // time the share listing takes
        // For the connect sweep: an unreachable server refuses instead of
        // staying silent; a reachable one accepts after connectLatencyMs.
        // An address without a server refuses.
        bool refuses = false;
        int connectLatencyMs = 0;
        // When set, the listing needs this user and password from the
        // session's login book, as a server that refuses anonymous listing.
        QString loginUser;
        QString loginPassword;
        // Speaks only SMB1: it lists only while the network allows SMB1.
        bool smb1Only = false;
        // What the server's NetBIOS name table says of its workgroup.
        QString workgroup;
    };

    void SetLocalWorkgroup(const QString &name);
    // Announces a workgroup (in call order) with the hosts it lists.
    void AddWorkgroup(const QString &name, const QStringList &hosts, bool announced = true);
    void SetWorkgroupLatency(int ms) { m_workgroupLatencyMs = ms; }
    // Extra time the host list of one workgroup takes, on top of the common one.
    void SetHostListLatency(const QString &workgroup, int ms);
    void SetResolveLatency(int ms) { m_resolveLatencyMs = ms; }
    // Latency of resolving one name, instead of the common one.
    void SetNameLatency(const QString &name, int ms);
    // Name -> address for the resolver.
    void AddName(const QString &name, const QString &address);
    // Another machine answers for the name too, after the first answer.
    void AddNameAnswer(const QString &name, const QString &address);
    void RemoveName(const QString &name);
    // A server at an address (the address also resolves as a name to itself).
    void SetServer(const QString &address, const Server &server);
    void RemoveServer(const QString &address);

    // Listings of `address` wait, after their latency, until
    // ReleaseListings (or until they are cancelled: then they answer
    // Cancelled), so that a test knows a listing is under way.
    void HoldListings(const QString &address);
    void ReleaseListings(const QString &address);
    // Listings of `address` waiting at the hold now.
    int HeldListings(const QString &address) const;
    // The host list of `workgroup` waits, after its latency, until
    // ReleaseHostList (or until it is cancelled: then it lists nothing).
    void HoldHostList(const QString &workgroup);
    void ReleaseHostList(const QString &workgroup);

    // A host that answers the discovery of announced hosts.
    void Announce(const DiscoveredHost &host);
    // The user names of the logins listings presented to `address`, in
    // order (anonymous listings leave nothing).
    QStringList LoginsSentTo(const QString &address) const;

    int MaxConcurrentListings() const { return m_maxShares.load(); }
    int MaxConcurrentWorkgroups() const { return m_maxHosts.load(); }
    int ListingCalls(const QString &address) const;
    int TotalListingCalls() const;
    // Forgets the listings and logins counted so far (a long loop of scans
    // would otherwise measure this record's growth with its own).
    void ForgetCalls();
    int WorkgroupCalls(const QString &workgroup) const;

    // The connect sweep: how many addresses it may hold at once, the
    // addresses in the order it began them, the most in flight at once and
    // the simulated sockets still open.
    void SetSweepCapacity(int addresses) { m_sweepCapacity = addresses; }
    int SweepCapacity() const { return m_sweepCapacity.load(); }
    QStringList SweepOrder() const;
    // How many addresses the sweep began (no copy of the list to share
    // with the sweep's thread).
    qsizetype SweepsBegun() const;
    int MaxSweepInFlight() const { return m_maxSweep.load(); }
    int OpenSweepSockets() const { return m_sweepSockets.load(); }

    QStringList ListWorkgroups(std::stop_token stop = {}) override;
    QStringList ListHosts(const QString &workgroup, std::stop_token stop = {}) override;
    QString LocalWorkgroup() override;
    std::optional<QString> ResolveIPv4(const QString &name, std::stop_token stop = {}) override;
    QStringList ResolveIPv4Answers(const QString &name, std::stop_token stop = {}) override;
    bool IsReachable(const QString &address, std::stop_token stop = {}) override;
    ShareListing ListSharesWith(const QString &server, const QString &address, int knownAnswerMs,
                                const std::optional<Login> &login, std::stop_token stop = {}) override;
    void DiscoverHosts(const std::function<void(const DiscoveredHost &)> &found, std::stop_token stop = {}) override;
    QString HostWorkgroup(const QString &address, std::stop_token stop = {}) override;
    std::unique_ptr<ISweepTransport> CreateSweepTransport() override;
    void AllowSmb1(bool allowed) override { m_allowSmb1 = allowed; }
    bool IsSmb1Allowed() const { return m_allowSmb1; }
    // The answer time the last listing of an address was given as known.
    int KnownAnswerGiven(const QString &address) const;

private:
    // The connect sweep over this network (memorynetwork.cpp). It is part
    // of the network and reaches it only through its public operations and
    // the two below.
    class SweepTransport;
    // Notes that a sweep began `address`: the server there, if any.
    std::optional<Server> BeginSweepOf(const QString &address);
    // One address went into flight (+1) or out of it (-1); each holds two
    // simulated sockets while it is in flight.
    void CountSweepFlight(int change);

    static void Delay(int ms, const std::stop_token &stop);
    ShareListing List(const QString &server, const QString &address, const std::optional<Login> &login,
                      std::stop_token stop);

    mutable std::mutex m_lock;
    QString m_localWorkgroup;
    QStringList m_announced;
    std::map<QString, QStringList> m_workgroups;
    QHash<QString, QString> m_names;
    QHash<QString, QStringList> m_moreAnswers;
    QHash<QString, int> m_nameLatency;
    QHash<QString, int> m_hostListLatency;
    QHash<QString, Server> m_servers;
    QHash<QString, int> m_listingCalls;
    QHash<QString, int> m_workgroupCalls;
    std::atomic<bool> m_allowSmb1{false};
    std::atomic<int> m_workgroupLatencyMs{0};
    std::atomic<int> m_resolveLatencyMs{0};
    std::atomic<int> m_sharesNow{0}, m_maxShares{0};
    std::atomic<int> m_hostsNow{0}, m_maxHosts{0};
    std::atomic<int> m_sweepCapacity{1 << 20};
    std::atomic<int> m_sweepNow{0}, m_maxSweep{0}, m_sweepSockets{0};
    QStringList m_sweepOrder;
    QHash<QString, int> m_knownAnswers;
    QHash<QString, QStringList> m_loginsSent;
    std::vector<DiscoveredHost> m_announcedHosts;
    QHash<QString, int> m_held; // address -> listings waiting; present while held
    QSet<QString> m_heldHostLists;
    std::condition_variable_any m_holdChanged;
};
