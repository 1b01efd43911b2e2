// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharelistupdater.h"

#include "displaytext.h"
#include "sharelistmodel.h"
#include "sharelistrules.h"

#include "model/hostlogin.h"
#include "model/lanterradoc.h"
#include "settings/languagetable.h"
#include "settings/messageformat.h"
#include "settings/sharescheme.h"
#include "ui/textkeys.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace {

const QString MessagesSection = QStringLiteral("View messages");

} // namespace

CShareListUpdater::CShareListUpdater(CShareListModel &model) : m_model(model)
{
    m_startTick.start();
}

bool CShareListUpdater::RebuildList(const ShareScheme *scheme)
{
    if (!scheme)
        return false;
    m_scheme = scheme;
    if (m_doc)
        m_doc->applyScheme(scheme);
    Clear();
    m_model.SetGroupsByHeader(scheme->groupByHost != 0);
    if (m_doc)
        m_model.SetSortOrder(m_doc->lastSortCol(), m_doc->lastSortRev() != 0, scheme->placeOnlineFirst != 0);
    if (!scheme->groupByHost) {
        // Every group goes in, shown or not: groups without items take no rows.
        for (int i = 0; i < scheme->groups.size(); ++i)
            m_model.InsertGroup(i, scheme->groups[i].name);
    }
    LoadEntries();
    m_startTick.restart();
    return true;
}

void CShareListUpdater::LoadEntries()
{
    if (!m_doc)
        return;
    // The hosts with an entry now; the host queue from here on tells
    // what changes (a scan may be running).
    // Their entries go in with the first tick's shares: a list that held
    // only entries for a moment would give the first of them the focus.
    int queued = 0;
    for (const auto &[host, kind] : EntryHosts(*m_doc, queued))
        if (ShowEntry(host, kind, false))
            m_entriesToInsert.push_back(EntrySlotOf(host));
    m_hostsSeen = queued;
}

void CShareListUpdater::Clear()
{
    m_model.Clear();
    m_hostGroups.clear();
    m_hostGroupNames.clear();
    m_entrySlots.clear();
    m_entryHosts.clear();
    m_entryKinds.clear();
    m_freeSlots.clear();
    m_entryMoves.clear();
    m_entriesToInsert.clear();
    m_sharesSeen = 0;
    m_changesSeen = 0;
    m_hostsSeen = 0;
}

void CShareListUpdater::RefreshStart(bool markUnknown, bool scan)
{
    m_scanRan = scan;
    // The document empties its change and host queues when a scan starts.
    m_changesSeen = 0;
    m_hostsSeen = 0;
    if (markUnknown)
        m_model.SetAllImages(CShareListModel::UnknownImage);
    m_startTick.restart();
}

CShareListUpdater::TickResult CShareListUpdater::Tick()
{
    TickResult result;
    if (!m_doc)
        return result;
    const int shares = m_doc->GetShareCount();
    const bool scanning = m_doc->IsScanning();
    const qint64 seconds = m_startTick.elapsed() / 1000;
    const bool ready = !scanning && m_sharesSeen == shares;
    // During a scan (and a load) a tick takes a bounded batch; once a scan
    // has ended, "Ready." stands in the status line, so what it left queued
    // goes in by time instead of by count.
    const bool drain = m_scanRan && !scanning;
    QElapsedTimer slice;
    slice.start();
    int operations = 0;
    const auto room = [&] { return operations < MaxOperations || (drain && slice.elapsed() < DrainSliceMs); };

    if (m_scheme
        && (m_sharesSeen != m_doc->GetShareCount() || m_changesSeen != m_doc->GetQueueCount()
            || m_hostsSeen != m_doc->GetHostQueueCount() || !m_entriesToInsert.empty())) {
        while (room() && m_sharesSeen < m_doc->GetShareCount()) {
            const int share = m_sharesSeen;
            if (InsertIfVisible(share, m_doc->GetShareState(share)))
                ++operations;
            ++m_sharesSeen;
        }
        for (int slot : m_entriesToInsert) {
            if (m_entryHosts[size_t(slot)])
                InsertEntry(slot);
            ++operations;
        }
        m_entriesToInsert.clear();
        while (room() && m_changesSeen < m_doc->GetQueueCount()) {
            operations += ApplyChange(m_doc->GetQueuedShareIndex(m_changesSeen));
            ++m_changesSeen;
        }
        while (room() && m_hostsSeen < m_doc->GetHostQueueCount()) {
            const auto [host, kind] = m_doc->GetQueuedHost(m_hostsSeen);
            ++m_hostsSeen;
            if (!host)
                continue;
            if (kind != HostEntry::None ? ShowEntry(host, kind) : HideEntry(host))
                ++operations;
            result.hosts.emplace_back(host, kind);
        }
        if (operations > 0)
            SortAfterTick();
        result.operations = operations;
    }
    // Whether the list is ready was decided before this tick's batch; what
    // the filter shows is counted after it.
    result.status = Status(ready, shares, seconds);
    // The timer goes on until the changes a scan left behind are applied
    // too: the list must not keep showing stale states under "Ready.".
    // Probes that were listing at a stop still write their hosts afterwards.
    result.finished =
        ready && m_doc->GetListingProbes() == 0
        && (!m_scheme || (m_changesSeen >= m_doc->GetQueueCount() && m_hostsSeen >= m_doc->GetHostQueueCount()));
    result.draining = drain && !result.finished;
    return result;
}

void CShareListUpdater::SortBySettings()
{
    if (!m_doc)
        return;
    // The online-first switch stays as the last tick left it.
    m_model.SetSortOrder(m_doc->lastSortCol(), m_doc->lastSortRev() != 0, m_doc->placeOnlineFirstCopy());
    m_model.SortAll([this](int share) { return int(m_doc->GetShareState(share)); });
    ++m_sortCount;
}

QStringList CShareListUpdater::HostGroupNames() const
{
    return QStringList(m_hostGroupNames.begin(), m_hostGroupNames.end());
}

QString CShareListUpdater::StatusText() const
{
    if (!m_doc)
        return {};
    const int shares = m_doc->GetShareCount();
    return Status(!m_doc->IsScanning() && m_sharesSeen == shares, shares, m_startTick.elapsed() / 1000);
}

bool CShareListUpdater::ScanEnded() const
{
    return m_scanRan && m_doc && !m_doc->IsScanning();
}

QString CShareListUpdater::EmptyMessage() const
{
    if (!m_doc || m_doc->GetShareCount() > 0 || m_doc->IsScanning() || m_model.ItemCount() > 0)
        return {};
    return ScanEnded() ? NothingFoundHint() : EmptyText();
}

QString CShareListUpdater::Status(bool ready, int shares, qint64 seconds) const
{
    // One count for the plain and the filtered line: the shares the list
    // holds, the login entries apart (a host that speaks only SMB1 needs no
    // login: its entry tells it).
    const int listed = m_model.ItemCount() - m_model.EntryCount();
    const int shown = m_model.ShownItemCount() - m_model.ShownEntryCount();
    const QString entries = LoginEntriesText(m_model.ShownEntryCount(CShareListModel::LoginNeededImage));
    const auto withEntries = [&entries](const QString &text) {
        return entries.isEmpty() ? text : text + u' ' + entries;
    };
    if (!ready) {
        // While searching, the count is what the scan found so far.
        const QString searching = SearchingText(shares, seconds, m_doc->GetHostsPending(), m_doc->GetHostsTotal());
        return withEntries(m_model.IsFiltering() ? searching + u' ' + FilteredText(shown, listed) : searching);
    }
    if (shares == 0 && m_model.ItemCount() == 0)
        return ScanEnded() ? NothingFoundText() : EmptyText();
    const QString readyText =
        withEntries(m_model.IsFiltering() ? FilteredReadyText(shown, listed) : ReadyText(listed, seconds));
    const QString leftOut = SharesLeftOutText();
    return leftOut.isEmpty() ? readyText : readyText + u' ' + leftOut;
}

QString CShareListUpdater::SharesLeftOutText() const
{
    int hosts = 0;
    int leftOut = 0;
    QString name;
    for (const auto &host : m_doc->cacheHosts()) {
        const int count = host->sharesLeftOut.load();
        if (count <= 0 || host->duplicate.load())
            continue;
        ++hosts;
        leftOut = count > std::numeric_limits<int>::max() - leftOut ? std::numeric_limits<int>::max() : leftOut + count;
        name = host->GetDisplayName();
    }
    if (hosts == 0)
        return {};
    if (hosts == 1) {
        return FormatMessage(LookupText(MessagesSection, ViewMessage::SharesLeftOut,
                                        QStringLiteral("%s lists more shares than a host keeps: %d left out.")),
                             {DisplayName(name), leftOut});
    }
    return FormatMessage(LookupText(MessagesSection, ViewMessage::SharesLeftOutHosts,
                                    QStringLiteral("%d hosts list more shares than a host keeps: %d left out.")),
                         {hosts, leftOut});
}

QString CShareListUpdater::FilteredReadyText(int shown, int listed)
{
    return FormatMessage(
        LookupText(MessagesSection, ViewMessage::ReadyFiltered, QStringLiteral("Ready. %d of %d shares shown.")),
        {shown, listed});
}

QString CShareListUpdater::FilteredText(int shown, int listed)
{
    return FormatMessage(LookupText(MessagesSection, ViewMessage::Filtered, QStringLiteral("%d of %d shares shown.")),
                         {shown, listed});
}

QString CShareListUpdater::SearchingText(int shares, qint64 seconds, int pending, int total)
{
    return FormatSearchingText(LookupText(MessagesSection, ViewMessage::Searching, SearchingFormat()), shares, seconds,
                               pending, total);
}

QString CShareListUpdater::ReadyText(int shares, qint64 seconds)
{
    const QString format = LookupText(MessagesSection, ViewMessage::Ready, QStringLiteral("Ready. %d shares."));
    const QString now = QLocale::system().toString(QDateTime::currentDateTime(), QStringLiteral("dddd, HH:mm"));
    return FormatMessage(format, {shares, seconds, now});
}

QString CShareListUpdater::LoginEntriesText(int entries)
{
    if (entries <= 0)
        return {};
    if (entries == 1)
        return LookupText(MessagesSection, ViewMessage::LoginEntry, QStringLiteral("1 host needs a login."));
    return FormatMessage(
        LookupText(MessagesSection, ViewMessage::LoginEntries, QStringLiteral("%d hosts need a login.")), {entries});
}

QString CShareListUpdater::EmptyText()
{
    return LookupText(MessagesSection, ViewMessage::RefreshHint, QStringLiteral("Hit F5 for list refreshing"));
}

QString CShareListUpdater::Smb1EntryText()
{
    return LookupText(MessagesSection, ViewMessage::Smb1Entry, QStringLiteral("speaks only the old SMB1 protocol"));
}

QString CShareListUpdater::Smb1HintText(const QString &host)
{
    return FormatMessage(LookupText(MessagesSection, ViewMessage::Smb1Hint,
                                    QStringLiteral("%s speaks only the old SMB1 protocol, which is insecure and "
                                                   "therefore not used. To list its shares, turn on \"List hosts that "
                                                   "speak only SMB1\" in Preferences, or open this entry.")),
                         {host});
}

QString CShareListUpdater::NothingFoundText()
{
    return LookupText(
        MessagesSection, ViewMessage::NothingFound,
        QStringLiteral("Ready. No shares found: set hosts, ranges and discovery in Scan Options (Alt+O)."));
}

QString CShareListUpdater::NothingFoundHint()
{
    return LookupText(MessagesSection, ViewMessage::NothingFoundHint,
                      QStringLiteral("The scan found no shares. In File > Scan Options (Alt+O), add the hosts and "
                                     "IP ranges to search, or switch on finding hosts that announce themselves and "
                                     "the search in all visible workgroups; then press F5."));
}

bool CShareListUpdater::InsertIfVisible(int share, int state)
{
    // The shares of a host with an entry wait for its login.
    if (!m_entrySlots.empty()) {
        const ShareRecord *record = m_doc->GetShare(share);
        if (record && m_entrySlots.contains(record->host))
            return false;
    }
    if (!m_doc->showOffline() && state == ShareOffline)
        return false;
    // A duplicate host's shares stay out: the record that kept the address
    // lists the same shares.
    if (state == ShareRemoved)
        return false;
    const int schemeGroup = m_doc->GetShareGroup(share);
    if (schemeGroup < 0 || schemeGroup >= m_scheme->groups.size() || !m_scheme->groups[schemeGroup].visible)
        return false;
    const int groupId = m_scheme->groupByHost ? GroupFor(share) : schemeGroup;
    const QString name = m_doc->shareText(share, ColumnShare);
    if (!IsShareNameShown(*m_scheme, name))
        return false;
    CShareListModel::ItemData item;
    item.share = share;
    item.group = schemeGroup;
    item.state = state;
    item.image = CShareListModel::ImageOf(ShareState(state));
    item.name = name;
    item.host = m_doc->shareText(share, ColumnHost);
    item.workgroup = m_doc->shareText(share, ColumnWorkgroup);
    return m_model.InsertItem(groupId, item);
}

int CShareListUpdater::ApplyChange(int share)
{
    const ShareState state = m_doc->GetShareState(share);
    if (!m_model.HasItem(share))
        return state == ShareOnline && InsertIfVisible(share, state) ? 1 : 0;
    switch (state) {
    case ShareOnline:
        m_model.SetItemImage(share, CShareListModel::ImageOf(state));
        m_model.SetItemWorkgroupText(share, m_doc->shareText(share, ColumnWorkgroup));
        break;
    case ShareOffline:
        if (m_doc->showOffline())
            m_model.SetItemImage(share, CShareListModel::ImageOf(state));
        else
            m_model.RemoveItem(share);
        break;
    case ShareHostRenamed:
        m_model.SetItemHostText(share, m_doc->shareText(share, ColumnHost));
        break;
    case ShareRemoved:
        m_model.RemoveItem(share);
        break;
    case ShareUnknown:
        break;
    }
    return 1;
}

int CShareListUpdater::GroupFor(int share)
{
    return GroupForHost(m_doc->shareText(share, ColumnHost));
}

int CShareListUpdater::GroupForHost(const QString &host)
{
    auto found = m_hostGroups.find(host);
    if (found != m_hostGroups.end())
        return found->second;
    const int id = int(m_hostGroupNames.size());
    m_hostGroupNames.push_back(host);
    m_hostGroups.emplace(host, id);
    m_model.InsertGroup(id, host);
    return id;
}

void CShareListUpdater::SortAfterTick()
{
    m_doc->SetPlaceOnlineFirstCopy(m_scheme->placeOnlineFirst != 0);
    const auto stateOf = [this](int share) { return int(m_doc->GetShareState(share)); };
    if (m_model.OnlineFirst() != m_doc->placeOnlineFirstCopy()) {
        m_model.SetSortOrder(m_model.SortColumnId(), m_model.SortReverse(), m_doc->placeOnlineFirstCopy());
        m_model.SortAll(stateOf);
    } else {
        m_model.RefreshStates(stateOf);
    }
    ++m_sortCount;
}

HostRecord *CShareListUpdater::EntryHost(int slot) const
{
    return slot >= 0 && slot < int(m_entryHosts.size()) ? m_entryHosts[size_t(slot)] : nullptr;
}

HostEntry CShareListUpdater::EntryKind(int slot) const
{
    return EntryHost(slot) ? m_entryKinds[size_t(slot)] : HostEntry::None;
}

int CShareListUpdater::EntrySlotOf(const HostRecord *host) const
{
    const auto found = m_entrySlots.find(host);
    return found != m_entrySlots.end() ? found->second : -1;
}

bool CShareListUpdater::ShowEntry(HostRecord *host, HostEntry kind, bool insert)
{
    if (!m_scheme)
        return false;
    if (const auto found = m_entrySlots.find(host); found != m_entrySlots.end()) {
        // A standing entry whose host moved, or that stands for another
        // reason now, is shown afresh, so that its text tells why.
        const int slot = found->second;
        const bool changed = host->GetMovedTo() != m_entryMoves[slot] || kind != m_entryKinds[size_t(slot)];
        m_entryKinds[size_t(slot)] = kind;
        if (insert && changed) {
            m_model.RemoveItem(CShareListModel::EntryKey(slot));
            InsertEntry(slot);
        }
        return false;
    }
    int slot = int(m_entryHosts.size());
    if (m_freeSlots.empty()) {
        m_entryHosts.push_back(host);
        m_entryKinds.push_back(kind);
    } else {
        slot = m_freeSlots.back();
        m_freeSlots.pop_back();
        m_entryHosts[size_t(slot)] = host;
        m_entryKinds[size_t(slot)] = kind;
    }
    m_entrySlots.emplace(host, slot);
    for (int share : ShareIndexesOf(*m_doc, *host))
        m_model.RemoveItem(share);
    if (insert)
        InsertEntry(slot);
    return true;
}

void CShareListUpdater::InsertEntry(int slot)
{
    const HostRecord *host = m_entryHosts[size_t(slot)];
    // Where a share no group names would go; a scheme without a catch-all
    // group gets it in its last group.
    int schemeGroup = ClassifyShare(*m_scheme, QString());
    if (schemeGroup < 0)
        schemeGroup = int(m_scheme->groups.size()) - 1;
    if (schemeGroup < 0 || !m_scheme->groups[schemeGroup].visible)
        return;
    CShareListModel::ItemData item;
    item.share = CShareListModel::EntryKey(slot);
    item.group = schemeGroup;
    // Among the shares that cannot be opened when online ones go first.
    item.state = ShareOffline;
    item.image = CShareListModel::LoginNeededImage;
    item.host = host->GetDisplayName();
    item.workgroup = host->GetWorkgroup();
    if (m_entryKinds[size_t(slot)] == HostEntry::Smb1Only) {
        m_entryMoves[slot] = QString();
        item.image = CShareListModel::Smb1OnlyImage;
        item.name = Smb1EntryText();
        item.toolTip = Smb1HintText(item.host);
        m_model.InsertItem(m_scheme->groupByHost ? GroupForHost(item.host) : schemeGroup, item);
        return;
    }
    // The user decides whether the host's login follows it to where it
    // answers now: the entry tells both addresses.
    const QString movedTo = host->GetMovedTo();
    m_entryMoves[slot] = movedTo;
    if (!movedTo.isEmpty())
        item.name = FormatMessage(LookupText(MessagesSection, ViewMessage::MovedEntry,
                                             QStringLiteral("login needed: now answers at %s, was %s")),
                                  {movedTo, host->GetAddr()});
    const int groupId = m_scheme->groupByHost ? GroupForHost(item.host) : schemeGroup;
    m_model.InsertItem(groupId, item);
}

bool CShareListUpdater::HideEntry(HostRecord *host)
{
    const auto found = m_entrySlots.find(host);
    if (found == m_entrySlots.end())
        return false;
    const int slot = found->second;
    m_entrySlots.erase(found);
    m_entryHosts[size_t(slot)] = nullptr;
    m_entryMoves.erase(slot);
    m_model.RemoveItem(CShareListModel::EntryKey(slot));
    // Not taken again while the next tick may still insert it.
    if (std::find(m_entriesToInsert.begin(), m_entriesToInsert.end(), slot) == m_entriesToInsert.end())
        m_freeSlots.push_back(slot);
    // Shares not seen yet come in with the others.
    for (int share : ShareIndexesOf(*m_doc, *host))
        if (share < m_sharesSeen)
            InsertIfVisible(share, m_doc->GetShareState(share));
    return true;
}
