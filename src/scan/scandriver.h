// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/lanterradoc.h"
#include "model/scanengine.h"
#include "net/netprovider.h"
#include "scan/loginpolicy.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class CHostSweep;
class INetProvider;
namespace ScanWorkers {
enum class SweepReach;
}

// The all-workgroups job: the names the network announced, handed from its
// thread to the driver: pending while it runs, listed when the names are
// ready, done when there are none or they were merged.
struct AllNetsJob
{
    std::atomic<NetState> state{NetDone};
    QStringList names;
};

// Hosts that announced themselves, handed over as they answer. States:
// pending while it runs, listed when it finished (what arrived last may
// still wait), done when nothing runs or all was merged. `arrived` is
// written and taken under the driver's publish lock.
struct DiscoveryJob
{
    std::atomic<NetState> state{NetDone};
    std::vector<DiscoveredHost> arrived;
};

// One scan of a document: the driver thread that decides what to enumerate
// and the worker threads it starts.
//
// Stopping is cooperative. Halt() returns at once; from then on the driver
// starts nothing and its workers write nothing, except the probes already
// past their name look-up: those list their host to the end and write its
// results. Every write happens under the publish lock after a look at the
// halted flag (or, for such a probe, at the document's epoch), and Halt sets
// that flag under the same lock. Other workers still waiting on the network
// run on and drop their results. A new scan, or contents cleared or loaded,
// count the document's epoch up, so leftovers never touch them. Destroying
// the driver cancels the network calls still running and waits for every
// thread; a probe whose listing was cancelled writes nothing.
//
// The document makes a driver through the scan engine factory, which
// InstallAsScanEngine sets, and hands it its scan session there; the
// constructor is private so that no one else can make one. The driver
// changes the document's host cache through the cache's own operations,
// under the publish lock (CHostCache says which may reorder the hosts).
//
// A driver told ProbeHostsOnly before its start probes only the hosts given
// to ProbeAgain: it enumerates nothing, leaves the document's `scanning`
// flag and host total alone, and ends when the last of them is listed.
class CScanDriver final : public IScanEngine
{
public:
    enum class Mode { Scan, HostsOnly };

    // Makes every document's StartScan start a CScanDriver.
    static void InstallAsScanEngine();

    ~CScanDriver() override;
    CScanDriver(const CScanDriver &) = delete;
    CScanDriver &operator=(const CScanDriver &) = delete;

    // False when the driver thread cannot be started.
    bool Start() override;
    void Halt() override;
    bool ProbeHostsOnly() override;
    // A scan whose probe of `host` has not started yet lets that probe do
    // it; one that runs is waited for, so a host never has two probes at
    // once.
    bool ProbeAgain(HostRecord &host) override;

    // --- For the workers -------------------------------------------------
    CLanterraDoc &Doc() { return m_doc; }
    // The document's slots, address map and progress counters.
    ScanSession &Session() { return m_session; }
    INetProvider &Network() { return *m_network; }
    // The rules as they were when the scan started: the user may edit the
    // document's rules while the scan runs; edits count from the next scan.
    const ScanRules &Rules() const { return m_rules; }
    AllNetsJob &Job() { return m_job; }
    // Asked when the scan is halted: pending name look-ups give up.
    std::stop_token HaltToken() const { return m_halt.get_token(); }
    // Asked when the driver is destroyed: every network call gives up.
    std::stop_token AbandonToken() const { return m_abandon.get_token(); }
    // Held for every write to the document; IsHalted() and IsCurrent() are
    // only read under it.
    std::unique_lock<std::mutex> Publish() override;
    bool IsHalted() const { return m_halted; }
    // The document still holds the contents and the scan this driver was
    // made for, and the driver was not destroyed: a probe past its name
    // look-up may write its results.
    bool IsCurrent() const;
    // A worker has published something: the driver may look sooner.
    void Wake();
    // Counts one host of the scan as done; under the publish lock. A count
    // that would go below zero is a fault (logged in debug builds) and
    // stays at zero, so that the scan still ends.
    void HostFinished();
    // A host this scan knows only from an announcement: it stays in the
    // cache only once a probe got an answer from it. Under the publish lock.
    bool IsAnnouncedOnly(const HostRecord &host) const { return m_announcedOnly.contains(&host); }
    // Its address is only what an announcement told in this scan.
    bool HasAnnouncedAddress(const HostRecord &host) const { return m_announcedAddress.contains(&host); }

    // What the login policy goes by for `host`, under the publish lock: how
    // this scan came to it (the host list, a browse list of a workgroup the
    // user named, only an announcement) and whether the user confirmed it.
    // The document keeps no record of where a host came from, so this is
    // decided anew at every scan. The address is the caller's to fill in.
    LoginFacts LoginFactsFor(const HostRecord &host) const;
    // Which login a listing with these facts carries, under the publish lock.
    LoginDecision DecideLogin(const LoginFacts &facts) const { return m_policy.Decide(facts, !m_browseListsIn); }
    // Thread-safe: the policy asks only the (locked) login book.
    const CLoginPolicy &LoginPolicy() const { return m_policy; }
    // A probe of a host whose login was Undecided was refused without one:
    // rather than publishing that, its host waits for the browse lists and
    // is probed again, counted once. False when the policy has decided by
    // now: the probe publishes what it found. Under the publish lock.
    bool DeferProbe(HostRecord &host);
    // True once for a host whose held-back probe now runs again: what the
    // first attempt logged is not logged twice. Under the publish lock.
    bool TakeRetry(const HostRecord &host) { return m_retried.erase(&host) > 0; }

    // One address that announces more hosts than this is naming machines
    // it is not: a multihomed server or a few virtual ones behind one
    // address stay well below it, a rogue answering every name does not.
    static constexpr int MaxAnnouncedPerSource = 16;
    // Far above what real servers list (a few hundred at most), low enough
    // that one answer cannot fill the document with millions of shares.
    static constexpr int MaxSharesPerHost = 4096;

private:
    CScanDriver(CLanterraDoc &doc, ScanSession &session, std::unique_ptr<IScanEngine> previous);

    void Run();
    void RunPasses();
    void RestoreSlots();
    bool Prepare();
    void AddListedHosts(std::map<QString, NetRecord *> &netsByName);
    bool MergeAllNets();
    // Announced hosts (scandiscovery.cpp).
    void StartDiscovery();
    // `held` is the publish lock, which the cache wants to see when the
    // order of hosts changes.
    bool MergeDiscovered(const std::unique_lock<std::mutex> &held);
    void AddDiscoveredHost(const std::unique_lock<std::mutex> &held, const DiscoveredHost &found);
    NetRecord *DiscoveredWorkgroup(const QString &name);
    // Takes the announced hosts that never answered back out of the cache.
    // Under the publish lock, at the end of the scan.
    void DropSilentAnnounced(const std::unique_lock<std::mutex> &held);
    // A host that joins while the scan runs: to the head of the waiting
    // queue, counted as pending. Under the publish lock.
    void QueueNextHost(const std::unique_lock<std::mutex> &held, std::unique_ptr<HostRecord> host);
    bool MergeWorkgroups(const std::unique_lock<std::mutex> &held);
    bool AreBrowseListsIn() const;
    bool IsNamedByRules(const HostRecord &host) const;
    // The hosts whose probes DeferProbe held back, once decided.
    void StartDeferred();
    // Under a slot taken for it.
    void RelaunchDeferred(HostRecord *host);
    void StartWorkgroups();
    bool StartHosts();
    HostRecord *NextReadyHost(ScanWorkers::SweepReach &reach, int &sweptMs);
    void MarkStarted(HostRecord *host);
    // The hosts asked for again through ProbeAgain.
    void StartAgain();
    bool HasStarted(const HostRecord *host) const;
    bool LaunchProbe(HostRecord *host, ScanWorkers::SweepReach reach);
    bool Launch(std::function<void()> work);
    void Reap(bool all);
    void JoinDriverThread();
    void Sleep(int ms);

    CLanterraDoc &m_doc;
    ScanSession &m_session;
    CHostCache &m_cache;
    Mode m_mode = Mode::Scan; // set before the start
    std::shared_ptr<INetProvider> m_network;
    std::unique_ptr<IScanEngine> m_previous;
    ThreadStarter m_startThread;
    ScanRules m_rules;

    // The document's epoch when this driver was made.
    std::uint64_t m_epoch = 0;
    bool m_halted = false;
    // Under the publish lock: the hosts asked for again, the hosts whose
    // probe runs on a worker, and whether the last pass is over.
    std::vector<HostRecord *> m_again;
    std::unordered_set<const HostRecord *> m_probing;
    bool m_finished = false;
    std::stop_source m_halt;
    std::stop_source m_abandon;

    std::mutex m_wakeLock;
    std::condition_variable_any m_wakeUp;
    bool m_woken = false;

    AllNetsJob m_job;
    DiscoveryJob m_discovery;
    std::map<QString, NetRecord *> m_netsByName;
    std::map<QString, HostRecord *> m_hostsByName;
    std::size_t m_nextNet = 0;
    std::size_t m_nextHost = 0;
    std::size_t m_firstOpen = 0;
    // Hosts added from announcements in this scan, and how many each
    // announcing address added (a cut is logged once per address).
    std::unordered_set<const HostRecord *> m_announcedOnly;
    std::unordered_set<const HostRecord *> m_announcedAddress;
    std::map<QString, int> m_announcedBySource;
    // What LoginFactsFor goes by: the host list's names (lower case) and
    // ranges, the workgroups whose browse lists named each host, whether
    // all of those lists are in, and the hosts waiting for them.
    QStringList m_namedHosts;
    std::vector<std::pair<quint32, quint32>> m_namedRanges;
    QStringList m_namedIPv6; // canonical

    std::unordered_map<const HostRecord *, QStringList> m_listedMembers;
    CLoginPolicy m_policy;
    bool m_browseListsIn = false;
    std::vector<HostRecord *> m_deferred;
    std::unordered_set<const HostRecord *> m_retried;

    // The connect sweep ahead of the probes. Swept hosts start as their
    // verdicts come in: the head of the queue may wait for its verdict
    // while decided hosts behind it start. Those are remembered in
    // `m_startedAhead`; `m_awaiting` holds the swept hosts passed over while
    // still in flight, and `m_sweepCursor` is where the look-ahead goes on.
    std::unique_ptr<CHostSweep> m_sweep;
    std::unordered_set<const HostRecord *> m_startedAhead;
    std::vector<HostRecord *> m_awaiting;
    std::size_t m_sweepCursor = 0;

    struct Worker
    {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Worker> m_workers; // touched by the driver thread, then by the destructor
    std::jthread m_thread;
};
