// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/hostlogin.h"

#include <QElapsedTimer>
#include <QString>

#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

class CLanterraDoc;
class CShareListModel;
struct HostRecord;
struct ShareScheme;

// Keeps the list in step with the document: builds it for a scheme, and on
// each tick takes at most MaxOperations new shares and queued state changes,
// sorts once, and says what the status line reads. Runs on the user-interface
// thread and reads the document only through its read operations.
//
// A host that needs a login, or speaks only SMB1, is one entry of the list
// in place of its shares (which stay out while it has the entry). It goes
// where shares no scheme group takes would go (the catch-all group, by host
// its host's group), whatever the offline switch says: the host answered.
// The document's host queue says when a probe decided a host's entry.
//
// The status line counts what the list holds: the shares with an item (not
// the hidden ones, not those of a host that has an entry) and, apart, the
// hosts that need a login; with the filter, what of it is shown.
class CShareListUpdater
{
public:
    static constexpr int MaxOperations = 100;
    // Once a scan has ended, what it left queued goes in in slices of this
    // much work each (at least MaxOperations), so that the list reaches the
    // scan's final state soon while the window still answers between them.
    static constexpr int DrainSliceMs = 40;

    struct TickResult
    {
        QString status;
        // No scan runs, every share was seen and every queued change applied:
        // the timer can stop.
        bool finished = false;
        int operations = 0;
        // A scan has ended and its changes are still being applied: the
        // next tick may come at once.
        bool draining = false;
        // Hosts whose probe ended, taken in this tick, with the entry they
        // have now.
        std::vector<std::pair<const HostRecord *, HostEntry>> hosts;
    };

    explicit CShareListUpdater(CShareListModel &model);

    void SetDocument(CLanterraDoc *doc) { m_doc = doc; }
    CLanterraDoc *Document() const { return m_doc; }
    const ShareScheme *Scheme() const { return m_scheme; }

    // Classifies the shares with `scheme` and empties the list (with the
    // scheme's groups ready). False, and nothing done, without a scheme.
    bool RebuildList(const ShareScheme *scheme);
    // Every item and group out, counters to 0 (the scheme stays).
    void Clear();
    // Another document: no scan of it has run here yet.
    void ForgetScan() { m_scanRan = false; }
    // A load or scan is starting: read the change queue from its start again,
    // optionally show every item as unknown, restart the clock.
    void RefreshStart(bool markUnknown, bool scan = false);
    TickResult Tick();
    // The list sorted again by the document's sort column and direction.
    void SortBySettings();

    // The host of an entry slot (CShareListModel::EntrySlotRole), or nullptr.
    HostRecord *EntryHost(int slot) const;
    // Why the entry of a slot stands; None for a slot without a host.
    HostEntry EntryKind(int slot) const;
    // The entry slot of a host, or -1 when it has none.
    int EntrySlotOf(const HostRecord *host) const;

    int SharesSeen() const { return m_sharesSeen; }
    int ChangesSeen() const { return m_changesSeen; }
    int SortCount() const { return m_sortCount; }
    QStringList HostGroupNames() const;

    // What the status line says now (after the filter changed).
    QString StatusText() const;
    // What the empty list says over itself, or nothing while it has items or
    // a scan runs.
    QString EmptyMessage() const;
    // A scan of this document ran to its end (or was stopped) in this view.
    bool ScanEnded() const;

    // The texts of the status line.
    static QString SearchingText(int shares, qint64 seconds, int pending, int total);
    // With a filter: how many of the listed shares it shows, alone after a
    // scan, after the searching text during one.
    static QString FilteredReadyText(int shown, int listed);
    static QString FilteredText(int shown, int listed);
    static QString ReadyText(int shares, qint64 seconds);
    // The hosts with a login entry, as a sentence of its own; empty for none.
    static QString LoginEntriesText(int entries);
    // What the scan left out of the hosts' share lists; empty when nothing.
    QString SharesLeftOutText() const;
    static QString EmptyText();
    // The entry of a host that speaks only SMB1, and its tool-tip, which
    // tells what to do.
    static QString Smb1EntryText();
    static QString Smb1HintText(const QString &host);
    // After a scan that found nothing: where to tell it what to search.
    static QString NothingFoundText();
    static QString NothingFoundHint();

private:
    QString Status(bool ready, int shares, qint64 seconds) const;
    bool InsertIfVisible(int share, int state);
    int ApplyChange(int share);
    int GroupFor(int share);
    int GroupForHost(const QString &host);
    // A host's entry applied: its entry in, its shares out, or back.
    // `insert` false: registered (its shares kept out), put in the list later.
    bool ShowEntry(HostRecord *host, HostEntry kind, bool insert = true);
    bool HideEntry(HostRecord *host);
    void InsertEntry(int slot);
    void LoadEntries();
    void SortAfterTick();

    CShareListModel &m_model;
    CLanterraDoc *m_doc = nullptr;
    const ShareScheme *m_scheme = nullptr;
    std::map<QString, int> m_hostGroups; // ordered by code units
    std::vector<QString> m_hostGroupNames;
    std::unordered_map<const HostRecord *, int> m_entrySlots;
    std::vector<HostRecord *> m_entryHosts; // by slot; nullptr once gone
    std::vector<HostEntry> m_entryKinds; // by slot
    // Slots whose entry is gone, for the next host that needs a login: a
    // host that needs one at every other scan would otherwise take a new
    // slot (and the model a new item) each time, for as long as the window
    // stays open.
    std::vector<int> m_freeSlots;
    // The address each shown entry's host had moved to (its text tells it).
    std::unordered_map<int, QString> m_entryMoves;
    std::vector<int> m_entriesToInsert; // slots the next tick puts in the list
    int m_sharesSeen = 0;
    int m_changesSeen = 0;
    int m_hostsSeen = 0;
    int m_sortCount = 0;
    bool m_scanRan = false;
    QElapsedTimer m_startTick;
};
