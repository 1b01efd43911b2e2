// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/hostrecord.h"
#include "model/netrecord.h"
#include "model/sharerecord.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

struct ShareScheme;

// The workgroups, hosts and shares a document knows: what a scan fills, a
// file holds and the list view shows, with the lock of the share list and
// the current scheme the shares are classified with. Records live until
// Clear, so a record pointer taken under a lock stays valid while the
// document is open.
//
// Order. The position of a host in hosts() is the probe queue of a running
// scan: the driver starts hosts by position and keeps cursors into the
// list. So the order of hosts changes only through InsertHost,
// RemoveHostsIf and SortHostsByScore, and only under the write lock the
// cache was made with (the scan session's publish lock, which every write
// of a scan is made under); they refuse, and change nothing, without it.
// While a scan runs, its driver is the only one that calls them; a save
// during a scan writes a copy (CopyTo) instead of sorting. Workgroups and
// hosts are otherwise only appended, so positions never move under a
// cursor: the driver walks the workgroups by position too.
//
// Threads. The user-interface thread reads nets() and hosts() without a
// lock (while a scan runs only the driver adds to them); other threads walk
// them under the write lock. The share list and the scheme are guarded by
// the cache's own shares lock, which every operation here takes for itself
// and which is never held together with the document's queue lock or the
// scan's address lock (the write lock may be held around it).
class CHostCache
{
public:
    using NetList = std::vector<std::unique_ptr<NetRecord>>;
    using HostList = std::vector<std::unique_ptr<HostRecord>>;
    // Proof that the caller holds the write lock.
    using WriteLock = std::unique_lock<std::mutex>;

    // `writeLock` is the lock the order of hosts changes under; it outlives
    // the cache.
    explicit CHostCache(std::mutex &writeLock) : m_writeLock(writeLock) {}
    CHostCache(const CHostCache &) = delete;
    CHostCache &operator=(const CHostCache &) = delete;

    const NetList &nets() const { return m_nets; }
    const HostList &hosts() const { return m_hosts; }
    // The lists themselves, for the file mapping to fill (a load into an
    // empty cache) or to walk (a save with no scan running); `use` is called
    // with them, under the shares lock.
    template <typename Use> decltype(auto) WithLists(Use &&use)
    {
        std::scoped_lock shares(m_sharesLock);
        return use(m_nets, m_hosts);
    }

    // --- The share list (any thread; under the shares lock) ---------------
    int ShareCount() const;
    // The share at `i`, or nullptr.
    ShareRecord *ShareAt(int i) const;
    // -1 when `i` is out of range.
    int ShareGroupAt(int i) const;
    // The shares of `host` as they are now (a probe may be appending to them).
    std::vector<ShareRecord *> SharesOf(const HostRecord &host) const;
    // Appends a new share of `host` with `state`, classified with the
    // current scheme, to the host and to the share list, counting it in the
    // host's visibleShares when its group is visible.
    ShareRecord *AppendShare(HostRecord &host, const QString &name, ShareState state);
    // Every share of the list becomes ShareUnknown (a scan starts).
    void MarkSharesUnknown();

    // The current scheme's copy (nullptr: none). For the user-interface
    // thread, the only one that replaces it (ApplyScheme).
    const ShareScheme *scheme() const { return m_scheme.get(); }
    // Makes a copy of `newScheme` current (nullptr: none) and classifies
    // every share with it; each host's visibleShares becomes the number of
    // its shares in a visible group.
    void ApplyScheme(const ShareScheme *newScheme);

    // --- Appending (positions stay) -----------------------------------------
    // Appends a workgroup, or a host of `net`.
    NetRecord *AddNet(const QString &name, NetState state = NetDone);
    HostRecord *AddHost(const QString &name, NetRecord *net, const QString &addr = {});
    HostRecord *AddHost(std::unique_ptr<HostRecord> host);
    // The first workgroup named `name` (exactly) becomes NetPending; when
    // there is none a pending one is appended. Returns that workgroup.
    NetRecord *MarkNetPending(const QString &name);

    // --- Reordering (under the write lock; see the class comment) ---------
    // Inserts `host` at `at` (at the end when `at` is past it). Each of
    // `cursors` that points behind `at` moves on by one, so that it still
    // points at the host it pointed at; one that points at `at` now points
    // at the new host. Null when refused.
    HostRecord *InsertHost(const WriteLock &held, std::size_t at, std::unique_ptr<HostRecord> host,
                           std::span<std::size_t *const> cursors = {});
    // Frees the hosts for which `drop` answers true, asked once per host in
    // order; `drop` forgets the host everywhere else before it answers true.
    // The number freed; 0 when refused.
    std::size_t RemoveHostsIf(const WriteLock &held, const std::function<bool(HostRecord &host)> &drop);
    // Puts the hosts in score order (the score reads visibleShares, so this
    // takes the shares lock too). False when refused.
    bool SortHostsByScore(const WriteLock &held);

    // --- Whole contents ------------------------------------------------------
    // Copies of the workgroups and hosts (with their shares' names) with
    // everything a save writes; `group` is set from the workgroup.
    void CopyTo(NetList &nets, HostList &hosts) const;
    // After a load: workgroup pointers (the first workgroup of a name wins;
    // one a host names but the file lacks is added), the share list, the
    // shares' indexes and states (ShareUnknown when `maskUnknown`, else by
    // their host's lastState) and visibleShares cleared.
    void LinkLoaded(bool maskUnknown);
    // Before LinkLoaded: frees the hosts of neither name nor address nor
    // shares, which older versions made of a blank host-list line. Nothing
    // can be probed for them.
    void DropHostsWithoutTarget();
    // Frees every record. No worker may hold one any more.
    void Clear();

private:
    bool Holds(const WriteLock &held) const;

    std::mutex &m_writeLock;
    NetList m_nets;
    HostList m_hosts;
    std::vector<ShareRecord *> m_shareList; // guarded by m_sharesLock
    mutable std::mutex m_sharesLock;
    // The cache's own copy of the current scheme, so that the settings'
    // schemes can be edited, renamed or removed while a scan runs. Replaced
    // (never changed in place) under the shares lock; probes read it under
    // that lock when they classify.
    std::shared_ptr<const ShareScheme> m_scheme;
};
