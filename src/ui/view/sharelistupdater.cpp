// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharelistupdater.h"

#include "sharelistmodel.h"
#include "sharelistrules.h"

#include "model/lanterradoc.h"
#include "settings/languagetable.h"
#include "settings/messageformat.h"
#include "settings/sharescheme.h"

#include <QDateTime>
#include <QLocale>

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
    m_startTick.restart();
    return true;
}

void CShareListUpdater::Clear()
{
    m_model.Clear();
    m_hostGroups.clear();
    m_hostGroupNames.clear();
    m_sharesSeen = 0;
    m_changesSeen = 0;
}

void CShareListUpdater::RefreshStart(bool markUnknown)
{
    // The document empties its change queue when a scan starts.
    m_changesSeen = 0;
    if (markUnknown)
        m_model.SetAllImages(ShareUnknown);
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
    if (!ready)
        result.status = SearchingText(shares, seconds, m_doc->GetHostsPending(), m_doc->GetHostsTotal());
    else
        result.status = shares > 0 ? ReadyText(shares, seconds) : EmptyText();

    if (m_scheme && (m_sharesSeen != m_doc->GetShareCount() || m_changesSeen != m_doc->GetQueueCount())) {
        int operations = 0;
        while (operations < MaxOperations && m_sharesSeen < m_doc->GetShareCount()) {
            const int share = m_sharesSeen;
            if (InsertIfVisible(share, m_doc->GetShareState(share)))
                ++operations;
            ++m_sharesSeen;
        }
        while (operations < MaxOperations && m_changesSeen < m_doc->GetQueueCount()) {
            operations += ApplyChange(m_doc->GetQueuedShareIndex(m_changesSeen));
            ++m_changesSeen;
        }
        if (operations > 0)
            SortAfterTick();
        result.operations = operations;
    }
    // The timer goes on until the changes a scan left behind are applied
    // too: a scan ends faster than a tick takes 100 changes, and the list
    // must not keep showing stale states under "Ready.".
    result.finished = ready && (!m_scheme || m_changesSeen >= m_doc->GetQueueCount());
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

QString CShareListUpdater::SearchingText(int shares, qint64 seconds, int pending, int total)
{
    return FormatSearchingText(LookupText(MessagesSection, 0, SearchingFormat()), shares, seconds, pending, total);
}

QString CShareListUpdater::ReadyText(int shares, qint64 seconds)
{
    const QString format = LookupText(MessagesSection, 1, QStringLiteral("Ready. %d shares."));
    const QString now = QLocale::system().toString(QDateTime::currentDateTime(), QStringLiteral("dddd, HH:mm"));
    return FormatMessage(format, {shares, seconds, now});
}

QString CShareListUpdater::EmptyText()
{
    return LookupText(MessagesSection, 2, QStringLiteral("Hit F5 for list refreshing"));
}

bool CShareListUpdater::InsertIfVisible(int share, int state)
{
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
    // Only the first three states have a picture.
    item.image = state <= ShareOnline ? state : ShareUnknown;
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
        m_model.SetItemImage(share, state);
        break;
    case ShareOffline:
        if (m_doc->showOffline())
            m_model.SetItemImage(share, state);
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
    const QString host = m_doc->shareText(share, ColumnHost);
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
