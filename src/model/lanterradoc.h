// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/documentview.h"
#include "model/hostcache.h"
#include "model/hostlogin.h"
#include "model/hostrecord.h"
#include "model/netrecord.h"
#include "model/sharerecord.h"
#include "model/scanrules.h"
#include "model/scansession.h"
#include "model/viewmode.h"
#include "platform/result.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <span>
#include <vector>

class CSettings;
class CXmlMapper;
class INetProvider;
struct ShareScheme;

// Column numbers of shareText, shared with the list view.
enum ShareColumn : int {
    ColumnWorkgroup = 1,
    ColumnHost = 2,
    ColumnShare = 3,
    ColumnPath = 7,
};

// One network: the scan rules, the cache of workgroups, hosts and shares, the
// list view's saved state, and what a running scan needs to share with the
// user interface.
//
// Threads: the user interface owns the document. The workgroups, hosts and
// shares are its host cache (CHostCache, which says who may change the
// order of hosts and under which lock). While a scan runs, probes write
// their own host record and the states of its shares, append to the share
// list (the cache's shares lock), changeQueue (queueLock) and the scan
// session's addressMap (addressLock). Every write a scan makes to the
// document is also made under the publish lock that all its engines share,
// which a save takes to copy the cache during a scan, or to write the file
// while a stopped scan's last probes finish (LockScanWrites). The shares,
// queue and address locks are never held together. Records are freed only
// by DeleteContents, so a record pointer taken under a lock stays valid
// while the document is open.
//
// The scan session (slots, address map, progress counters, network and
// driver) is private: the document hands it to the scan engine it makes
// (ScanEngineFactory), and everyone else reads the counters through the
// operations below. Callers outside the model write through AppendShare,
// QueueShares, AddNet and AddHost; the scan driver reaches the cache
// through hostCache().
class CLanterraDoc
{
public:
    // `settings` is consulted for autoSave; nullptr means CSettings::instance()
    // at the moment it is needed.
    explicit CLanterraDoc(CSettings *settings = nullptr);
    ~CLanterraDoc();
    CLanterraDoc(const CLanterraDoc &) = delete;
    CLanterraDoc &operator=(const CLanterraDoc &) = delete;

    // --- Views (user-interface thread) -----------------------------------
    void AddView(DocumentView *view);
    void RemoveView(DocumentView *view);
    void UpdateAllViews(ViewHint hint);

    // --- Read operations (any thread) -------------------------------------
    bool IsScanning() const { return m_scan.scanning.load(std::memory_order_acquire); }
    int GetShareCount() const;
    int GetQueueCount() const;
    // -1 when `i` is not below GetQueueCount().
    int GetQueuedShareIndex(int i) const;
    int GetNetsTotal() const { return m_scan.netsTotal.load(std::memory_order_relaxed); }
    int GetNetsPending() const { return m_scan.netsPending.load(std::memory_order_relaxed); }
    int GetHostsTotal() const { return m_scan.hostsTotal.load(std::memory_order_relaxed); }
    int GetHostsPending() const { return m_scan.hostsPending.load(std::memory_order_relaxed); }
    // Addresses the scan's connect sweep has decided, of how many (0 of 0
    // when the scan sweeps none).
    int GetSweepDone() const { return m_scan.sweepDone.load(std::memory_order_relaxed); }
    int GetSweepTotal() const { return m_scan.sweepTotal.load(std::memory_order_relaxed); }
    // How many addresses the sweep checks at once when the open-file limit
    // makes it run narrower than usual; 0 when it does not.
    int GetSweepNarrowedTo() const { return m_scan.sweepNarrowedTo.load(std::memory_order_relaxed); }
    // Probes still listing their hosts; after a stop they go on and write
    // their results, so the view keeps looking until this is 0.
    int GetListingProbes() const { return m_scan.listingProbes.load(std::memory_order_relaxed); }
    // -1 when `i` is out of range.
    int GetShareGroup(int i) const;
    // ShareUnknown when `i` is out of range.
    ShareState GetShareState(int i) const;
    // Text of a ShareColumn for the share at `i`; empty when `i` is out of
    // range or the column is not one of them.
    QString shareText(int i, int column) const;
    // The share at `i`, or nullptr.
    ShareRecord *GetShare(int i) const;
    // The shares of `host` as they are now (under sharesLock: a probe may be
    // appending to them).
    std::vector<ShareRecord *> SharesOf(const HostRecord &host) const;

    // The cache. Only the scan driver adds to it while a scan runs, so the
    // user-interface thread reads it without a lock; other threads take
    // LockScanWrites first.
    const std::vector<std::unique_ptr<NetRecord>> &cacheNets() const { return m_cache.nets(); }
    const std::vector<std::unique_ptr<HostRecord>> &cacheHosts() const { return m_cache.hosts(); }
    // The cache itself, for the scan driver: its operations carry the rules
    // of who may change what, and when.
    CHostCache &hostCache() { return m_cache; }
    const CHostCache &hostCache() const { return m_cache; }
    // The current scheme's copy (nullptr: none). For the user-interface
    // thread, the only one that replaces it (applyScheme).
    const ShareScheme *scheme() const { return m_cache.scheme(); }

    // --- Write operations (a scan's workers, or a test filling a document) --
    // Appends a workgroup, or a host of `net`, to the cache, as a load does.
    // Not while a scan runs: the driver owns the cache's order then.
    NetRecord *AddNet(const QString &name);
    HostRecord *AddHost(const QString &name, NetRecord *net, const QString &addr = {});
    // Appends a new share of `host` with `state`, classified with the
    // current scheme, to the host and to shareList (under sharesLock, as a
    // probe does), counting it in the host's visibleShares when its group is
    // visible. The record lives until DeleteContents.
    ShareRecord *AppendShare(HostRecord &host, const QString &name, ShareState state);
    // Queues `shares` for the view, last first, setting `state` first when
    // given (under queueLock).
    void QueueShares(std::span<ShareRecord *const> shares, std::optional<ShareState> state = std::nullopt);
    // Queues `host` for the view with its entry now (HostEntryOf, read by
    // the caller's thread), under queueLock: a probe does so when it ends, a
    // load for every host that has one. Emptied with the change queue.
    void QueueHost(HostRecord &host);
    int GetHostQueueCount() const;
    // The host at queue position `i` and its entry when it was queued; a
    // null host when `i` is out of range.
    std::pair<HostRecord *, HostEntry> GetQueuedHost(int i) const;

    // Makes a copy of `newScheme` current (nullptr: none) and classifies
    // every share with it. Each host's visibleShares becomes the number of
    // its shares in a visible group of it.
    void applyScheme(const ShareScheme *newScheme);

    // --- Scan --------------------------------------------------------------
    // StartScan resets the counters, sends HintScanStarted and starts a scan engine
    // made by the installed factory (SetScanEngineFactory); it does nothing
    // while a scan runs. From then on no probe of an earlier scan writes.
    // HaltScan ends a running scan at once: it stops the driver, abandons
    // the probes that are still resolving their hosts and clears `scanning`;
    // it sends no hint and saves nothing. Probes already listing shares run
    // to their end and write their host's results (counts, shares, queued
    // states) into these contents, unless a new scan starts or the contents
    // are cleared or loaded first.
    void StartScan();
    void HaltScan();
    // HaltScan, then HintScanStopped, then the save when autoSave is on. Does nothing
    // when no scan runs. Fails only when that save failed.
    Result<void> StopScan();
    // Ends the scan as closing does: HaltScan and HintScanStopped when a scan runs
    // (no save), then waits for the probes the scan left listing to write
    // their hosts' history, and for every other worker to end, so that
    // afterwards nothing writes into the records. Only waits when no scan
    // runs.
    void HaltAndWait();
    // Holds off every write of the running scan (its driver and workers)
    // while it is held; an empty lock when there is no scan.
    std::unique_lock<std::mutex> LockScanWrites();
    // Lists `host` once more with the logins the session holds now (the user
    // typed one): within the running scan when it takes the request, else on
    // a driver of its own that probes only the hosts asked for and leaves
    // `scanning` alone. Either way the probe keeps the scan's stop rules and
    // queues its host when it ends. False when no thread could be started.
    bool RescanHost(HostRecord &host);

    // --- Contents and file ---------------------------------------------------
    // Stops a running scan (as StopScan), resets the rules and frees every
    // record; probes still listing are cancelled and write nothing. The
    // view state and the counters are kept. Fails only when the stopped
    // scan's save failed.
    Result<void> DeleteContents();
    // Sorts the hosts by score and writes the file (a failed write leaves
    // the old file in place).
    Result<void> OnSaveDocument(const QString &path);
    // Sorts the hosts by score and writes the file, without the hosts marked
    // duplicate when `skipDuplicates`. A failure says why nothing was
    // written (empty for an empty path). While a scan runs it writes a copy
    // of the cache taken under the scan's lock and leaves the order of
    // cacheHosts alone. `hostsWritten`, when given, is set to the number of
    // hosts the file holds.
    Result<void> WriteDocumentFile(const QString &path, bool skipDuplicates = false, int *hostsWritten = nullptr);
    // Reads the file into the (already emptied) document and links the model;
    // shares start unknown when `maskUnknown`, else by their host's last
    // state. Fails when the file cannot be read or is not a network document
    // of version 1.0 (the document is left empty). A file read only in part
    // is kept as a backup at its first save (KeepOriginalAtFirstSave).
    Result<void> ReadDocumentFile(const QString &path, bool maskUnknown);
    // The two halves of ReadDocumentFile, so that a file that is no document
    // can be refused before the open document is emptied. LoadDocumentText
    // reads the file and checks its root element and version: the text, or
    // what is wrong with the file.
    static Result<QString> LoadDocumentText(const QString &path);
    // False when the reader stopped before the end of the document (the text
    // ended early, or held elements in places this version does not know).
    bool ReadDocumentText(QStringView text, bool maskUnknown);
    // The document's mapping routine, the same for saving and loading.
    // `skipDuplicates` leaves out the hosts marked duplicate when storing.
    // False when the file's version is not "1.0" (nothing else is mapped).
    bool MapDocument(CXmlMapper &mapper, bool skipDuplicates = false);
    // The same over other lists of workgroups and hosts (a save made while
    // a scan runs writes copies of the cache).
    bool MapDocument(CXmlMapper &mapper, std::vector<std::unique_ptr<NetRecord>> &nets,
                     std::vector<std::unique_ptr<HostRecord>> &hosts, bool skipDuplicates);

    // Names (of workgroups, hosts, shares, and in the rules) longer than
    // this are cut when a file is read: no server gives such a name, and a
    // file that holds a few of millions of characters would stall every
    // list that shows them.
    static constexpr qsizetype MaxNameLength = 4096;
    // How many names the last read cut.
    int namesCutAtLoad() const { return m_namesCut; }

    // The next save to `path` first copies the file there to
    // BackupPathFor(path), so that what the reader could not take is not
    // lost; the save fails when the copy cannot be made. Until
    // DeleteContents.
    void KeepOriginalAtFirstSave(const QString &path) { m_keepOriginalOf = path; }
    // The file at `path` as it is now is the document's own: the open read
    // it (every successful save notes what it wrote). A save to that path
    // that finds the file changed since by another program (lanterra-scan,
    // a second window) first keeps that version as BackupPathFor(path), as
    // above, so that neither side's scan is lost.
    void NoteFileOnDisk(const QString &path);
    const QString &GetPendingBackupOf() const { return m_keepOriginalOf; }
    // "NAME.net.bak", or "NAME.net.2.bak" and up when that exists already.
    static QString BackupPathFor(const QString &path);
    // After a load: workgroup pointers, shareList, indexes, states, counters.
    void LinkLoadedModel(bool maskUnknown);
    // Copies of the workgroups and hosts (with their shares' names) with
    // everything a save writes; `group` is set from the workgroup.
    void CopyCache(std::vector<std::unique_ptr<NetRecord>> &nets,
                   std::vector<std::unique_ptr<HostRecord>> &hosts) const;
    void SortHostsByScore();

    const QString &GetPathName() const { return m_pathName; }
    void SetPathName(const QString &path) { m_pathName = path; }
    const QString &GetTitle() const { return m_title; }
    void SetTitle(const QString &title) { m_title = title; }
    CSettings *settings() const;
    // The network the next scan talks to (tests give an in-memory one); the
    // system's own when none was given.
    void SetNetwork(std::shared_ptr<INetProvider> network) { m_scan.network = std::move(network); }
    // How the next scan starts its worker threads; empty: std::jthread.
    void SetThreadStarter(ThreadStarter starter) { m_scan.startThread = std::move(starter); }

    // --- Rules and workgroup ---------------------------------------------------
    // The scan rules; a running scan works on the copy it took at its start.
    ScanRules &rules() { return m_rules; }
    const ScanRules &rules() const { return m_rules; }
    // The local machine's workgroup; a scan sets it from the network when it
    // is empty.
    const QString &currentWorkgroup() const { return m_currentWorkgroup; }
    void SetCurrentWorkgroup(const QString &name) { m_currentWorkgroup = name; }

    // --- List view state (user-interface thread) -------------------------------
    int lastSortCol() const { return m_lastSortCol; }
    void SetLastSortCol(int column) { m_lastSortCol = column; }
    int lastSortRev() const { return m_lastSortRev; }
    void SetLastSortRev(int reverse) { m_lastSortRev = reverse; }
    int lastView() const { return m_lastView; }
    void SetLastView(int mode) { m_lastView = mode; }
    bool showOffline() const { return m_showOffline; }
    void SetShowOffline(bool show) { m_showOffline = show; }
    // The current scheme's "online first" option as the view last sorted by.
    bool placeOnlineFirstCopy() const { return m_placeOnlineFirstCopy; }
    void SetPlaceOnlineFirstCopy(bool onlineFirst) { m_placeOnlineFirstCopy = onlineFirst; }

private:
    QString m_currentWorkgroup;
    ScanRules m_rules;

    // Slots, address map, progress counters and driver of the scans; made
    // before the cache, whose order changes under the session's publish lock.
    ScanSession m_scan;
    CHostCache m_cache{m_scan.publishLock};
    std::vector<ShareRecord *> m_changeQueue; // guarded by queueLock
    mutable std::mutex m_queueLock;

    int m_lastSortCol = 3;
    int m_lastSortRev = 0;
    // A ViewMode, kept as the number the file holds so that one this
    // program does not know is written back as it was read.
    int m_lastView = ModeTiles;
    bool m_showOffline = true;
    bool m_placeOnlineFirstCopy = false;

    CSettings *m_settings = nullptr;
    Result<void> KeepOriginalBeforeSaving(const QString &path);
    // Workers of the engines so far write nothing from here on.
    void StartNewEpoch();
    // The network of the next listings, told the user's preferences.
    void PrepareNetwork();
    // Sorts the hosts under `scanWrites` (LockScanWrites), or under the
    // cache's write lock when that is not the lock held.
    void SortHostsUnder(std::unique_lock<std::mutex> &scanWrites);

    QString m_pathName;
    QString m_title;
    QString m_keepOriginalOf;
    int m_namesCut = 0;
    // The file as the document last read or wrote it (NoteFileOnDisk).
    QString m_knownFile;
    QDateTime m_knownFileTime;
    qint64 m_knownFileSize = -1;
    std::vector<DocumentView *> m_views;
    std::vector<std::pair<HostRecord *, HostEntry>> m_hostQueue; // guarded by queueLock
    // The current engine was made by RescanHost (it may run with no scan).
    bool m_hostsOnlyEngine = false;
};
