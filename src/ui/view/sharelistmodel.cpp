// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharelistmodel.h"

#include "displaytext.h"

#include "model/lanterradoc.h"

#include <QFont>

#include <algorithm>
#include <array>

namespace {

// Past this many moved items one sort of everything is cheaper than moving
// them one by one.
constexpr int MaxSingleMoves = 256;

// Sorts `v` by merging the runs it already holds: linear for a list made of
// a few sorted runs, as a list whose items only changed state is.
template<typename Less>
void MergeRuns(std::vector<int> &v, Less less)
{
    if (v.size() < 2)
        return;
    std::vector<size_t> bounds{0};
    for (size_t i = 1; i < v.size(); ++i)
        if (less(v[i], v[i - 1]))
            bounds.push_back(i);
    bounds.push_back(v.size());
    while (bounds.size() > 2) {
        std::vector<size_t> merged{0};
        size_t k = 0;
        for (; k + 2 < bounds.size(); k += 2) {
            std::inplace_merge(v.begin() + std::ptrdiff_t(bounds[k]), v.begin() + std::ptrdiff_t(bounds[k + 1]),
                               v.begin() + std::ptrdiff_t(bounds[k + 2]), less);
            merged.push_back(bounds[k + 2]);
        }
        if (k + 1 < bounds.size() && merged.back() != bounds.back())
            merged.push_back(bounds.back());
        bounds = std::move(merged);
    }
}

} // namespace

CShareListModel::CShareListModel(QObject *parent) : QAbstractTableModel(parent), m_sortColumn(ColumnShare) {}

CShareListModel::~CShareListModel() = default;

void CShareListModel::Clear()
{
    beginResetModel();
    m_items.clear();
    m_entries.clear();
    m_entryToolTips.clear();
    m_groups.clear();
    m_order.clear();
    m_position.clear();
    m_start.clear();
    m_rowCount = 0;
    m_itemCount = 0;
    m_entryCount = 0;
    m_shownCount = 0;
    m_shownEntryCount = 0;
    endResetModel();
}

void CShareListModel::InsertGroup(int id, const QString &header)
{
    if (id < 0 || id < GroupCount())
        return;
    while (GroupCount() < id)
        InsertGroup(GroupCount(), QString());
    m_groups.push_back(Group{header, {}, {}});
    auto place = m_order.end();
    if (m_groupsByHeader) {
        place = std::upper_bound(m_order.begin(), m_order.end(), id, [this](int a, int b) {
            int c = CompareCodeUnits(m_groups[a].header, m_groups[b].header);
            return c != 0 ? c < 0 : a < b;
        });
    }
    const int position = int(place - m_order.begin());
    // The new group is empty: it takes no rows, it only starts where the
    // group now at its place starts.
    const int start = position < int(m_start.size()) ? m_start[position] : m_rowCount;
    m_order.insert(place, id);
    m_start.insert(m_start.begin() + position, start);
    m_position.resize(m_groups.size());
    for (int p = position; p < int(m_order.size()); ++p)
        m_position[m_order[p]] = p;
}

QStringList CShareListModel::ShownGroupHeaders() const
{
    QStringList headers;
    for (int id : m_order)
        if (!Rows(m_groups[id]).empty())
            headers.append(m_groups[id].header);
    return headers;
}

void CShareListModel::SetSortOrder(int columnId, bool reverse, bool onlineFirst)
{
    const bool columnChanged = columnId != m_sortColumn;
    m_sortColumn = columnId;
    m_reverse = reverse;
    m_onlineFirst = onlineFirst;
    if (columnChanged) {
        for (Item &item : m_items)
            if (item.groupId >= 0)
                SetKeyText(item);
        for (Item &item : m_entries)
            if (item.groupId >= 0)
                SetKeyText(item);
    }
}

void CShareListModel::SortAll(const StateReader &stateOf)
{
    Resort([&](Group &group) {
        for (int share : group.shares)
            if (share >= 0)
                m_items[size_t(share)].key.state = stateOf(share);
        std::sort(group.shares.begin(), group.shares.end(), [this](int a, int b) { return Less(ItemOf(a), a, b); });
    });
}

void CShareListModel::SortByNewStates(const std::vector<std::pair<int, int>> &changed)
{
    for (auto [share, state] : changed)
        m_items[share].key.state = state;
    // Each group was in (state, text) order. Taking the items state by state
    // in their present order leaves, for each new state, a few runs already
    // in text order (one per old state), which merge in linear time.
    Resort([this](Group &group) {
        std::array<std::vector<int>, ShareStateCount> byState;
        for (int share : group.shares)
            byState[size_t(std::clamp(ItemOf(share).key.state, 0, ShareStateCount - 1))].push_back(share);
        group.shares.clear();
        const auto less = [this](int a, int b) { return Less(ItemOf(a), a, b); };
        for (int state = ShareStateCount - 1; state >= 0; --state) {
            MergeRuns(byState[size_t(state)], less);
            group.shares.insert(group.shares.end(), byState[size_t(state)].begin(), byState[size_t(state)].end());
        }
    });
}

void CShareListModel::Resort(const std::function<void(Group &)> &sortGroup)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> beforeShares;
    beforeShares.reserve(before.size());
    for (const QModelIndex &index : before)
        beforeShares.append(KeyAt(index));

    for (Group &group : m_groups) {
        sortGroup(group);
        // The filter's rows keep the new order; the same items have rows.
        if (m_filtering) {
            group.shown.clear();
            for (int key : group.shares)
                if (ItemOf(key).matches)
                    group.shown.push_back(key);
        }
    }

    // Headings keep their rows (group sizes did not change); items follow
    // their share.
    QModelIndexList after;
    after.reserve(before.size());
    for (int i = 0; i < before.size(); ++i)
        after.append(beforeShares[i] != -1 ? IndexOfShare(beforeShares[i], before[i].column()) : before[i]);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CShareListModel::RefreshStates(const StateReader &stateOf)
{
    std::vector<std::pair<int, int>> moved; // share, new state
    for (const Group &group : m_groups) {
        for (int share : group.shares) {
            if (share < 0)
                continue; // a host entry's state stays
            const int state = stateOf(share);
            if (state != m_items[share].key.state)
                moved.emplace_back(share, state);
        }
    }
    if (moved.empty())
        return;
    if (!m_onlineFirst) {
        // The state is no sort key: nothing moves.
        for (auto [share, state] : moved)
            m_items[share].key.state = state;
        return;
    }
    if (int(moved.size()) > MaxSingleMoves) {
        SortByNewStates(moved);
        return;
    }
    for (auto [share, state] : moved) {
        Item changed = m_items[share];
        changed.key.state = state;
        Reposition(share, changed);
    }
}

bool CShareListModel::InsertItem(int groupId, const ItemData &data)
{
    if (data.share == -1 || groupId < 0 || groupId >= GroupCount() || HasItem(data.share))
        return false;
    const bool entry = IsEntryKey(data.share);
    std::vector<Item> &items = entry ? m_entries : m_items;
    const int at = entry ? EntrySlot(data.share) : data.share;
    if (int(items.size()) <= at)
        items.resize(size_t(at) + 1);
    Item item;
    item.key.group = data.group;
    item.key.state = data.state;
    item.name = data.name;
    item.host = data.host;
    item.workgroup = data.workgroup;
    item.image = data.image;
    item.groupId = groupId;
    item.matches = Matches(item);
    SetKeyText(item);
    items[size_t(at)] = std::move(item);
    ++m_itemCount;
    if (entry) {
        ++m_entryCount;
        if (int(m_entryToolTips.size()) <= at)
            m_entryToolTips.resize(size_t(at) + 1);
        m_entryToolTips[size_t(at)] = data.toolTip;
    }
    const Item &placed = items[size_t(at)];
    if (m_filtering) {
        // Every item stands in its group's keys; only those that pass the
        // filter get a row.
        Group &group = m_groups[groupId];
        const auto place =
            std::lower_bound(group.shares.begin(), group.shares.end(), data.share,
                             [this, &placed](int a, int key) { return !Less(placed, key, a) && a != key; });
        group.shares.insert(place, data.share);
    }
    if (placed.matches)
        ShowRow(groupId, data.share);
    return true;
}

void CShareListModel::ShowRow(int groupId, int key)
{
    Group &group = m_groups[groupId];
    std::vector<int> &rows = Rows(group);
    const Item &item = ItemOf(key);
    const auto place = std::lower_bound(rows.begin(), rows.end(), key,
                                        [this, &item](int a, int k) { return !Less(item, k, a) && a != k; });
    const int k = int(place - rows.begin());
    const int position = m_position[groupId];
    const bool firstItem = rows.empty();
    const int last = m_start[position] + 1 + k;
    const int first = firstItem ? m_start[position] : last;

    beginInsertRows({}, first, last);
    rows.insert(place, key);
    ShiftStarts(position + 1, last - first + 1);
    m_rowCount += last - first + 1;
    ++m_shownCount;
    if (IsEntryKey(key))
        ++m_shownEntryCount;
    endInsertRows();
}

void CShareListModel::HideRow(int groupId, int key)
{
    Group &group = m_groups[groupId];
    std::vector<int> &rows = Rows(group);
    const size_t k = FindIn(rows, key);
    const int position = m_position[groupId];
    const bool lastItem = rows.size() == 1;
    const int first = m_start[position] + 1 + int(k);
    const int from = lastItem ? m_start[position] : first;

    beginRemoveRows({}, from, first);
    rows.erase(rows.begin() + std::ptrdiff_t(k));
    ShiftStarts(position + 1, -(first - from + 1));
    m_rowCount -= first - from + 1;
    --m_shownCount;
    if (IsEntryKey(key))
        --m_shownEntryCount;
    endRemoveRows();
}

int CShareListModel::ShownEntryCount(ShareImage image) const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(), [image](const Item &entry) {
        return entry.groupId >= 0 && entry.matches && entry.image == image;
    }));
}

bool CShareListModel::HasItem(int share) const
{
    if (IsEntryKey(share))
        return EntrySlot(share) < int(m_entries.size()) && m_entries[size_t(EntrySlot(share))].groupId >= 0;
    return share >= 0 && share < int(m_items.size()) && m_items[share].groupId >= 0;
}

void CShareListModel::SetItemImage(int share, ShareImage image)
{
    if (!HasItem(share) || ItemOf(share).image == image)
        return;
    ItemOf(share).image = image;
    const QModelIndex index = IndexOfShare(share);
    if (index.isValid())
        emit dataChanged(index, index, {Qt::DecorationRole, ImageRole, Qt::AccessibleDescriptionRole});
}

void CShareListModel::SetAllImages(ShareImage image)
{
    for (Item &item : m_items)
        if (item.groupId >= 0)
            item.image = image;
    // One notice for the whole list instead of one per item.
    if (m_rowCount > 0)
        emit dataChanged(index(0, ListColumnShare), index(m_rowCount - 1, ListColumnShare),
                         {Qt::DecorationRole, ImageRole, Qt::AccessibleDescriptionRole});
}

void CShareListModel::SetItemHostText(int share, const QString &host)
{
    if (!HasItem(share))
        return;
    Item changed = ItemOf(share);
    changed.host = host;
    SetKeyText(changed);
    Reposition(share, changed);
}

void CShareListModel::SetItemWorkgroupText(int share, const QString &workgroup)
{
    if (!HasItem(share) || ItemOf(share).workgroup == workgroup)
        return;
    Item changed = ItemOf(share);
    changed.workgroup = workgroup;
    SetKeyText(changed);
    Reposition(share, changed);
}

bool CShareListModel::RemoveItem(int share)
{
    if (!HasItem(share))
        return false;
    const int groupId = ItemOf(share).groupId;
    if (ItemOf(share).matches)
        HideRow(groupId, share);
    if (m_filtering) {
        Group &group = m_groups[groupId];
        group.shares.erase(group.shares.begin() + std::ptrdiff_t(FindIn(group.shares, share)));
    }
    ItemOf(share) = Item();
    --m_itemCount;
    if (IsEntryKey(share))
        --m_entryCount;
    return true;
}

int CShareListModel::ItemImage(int share) const
{
    return HasItem(share) ? ItemOf(share).image : -1;
}

QString CShareListModel::ItemHostText(int share) const
{
    return HasItem(share) ? ItemOf(share).host : QString();
}

int CShareListModel::ShareAt(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this ? ShareAtRow(index.row()) : -1;
}

int CShareListModel::ShareAtRow(int row) const
{
    const int key = KeyAtRow(row);
    return key >= 0 ? key : -1;
}

int CShareListModel::KeyAt(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this ? KeyAtRow(index.row()) : -1;
}

int CShareListModel::KeyAtRow(int row) const
{
    const int position = PositionOfRow(row);
    if (position < 0)
        return -1;
    const int offset = row - m_start[position];
    return offset == 0 ? -1 : Rows(m_groups[m_order[position]])[offset - 1];
}

bool CShareListModel::IsHeadingRow(int row) const
{
    const int position = PositionOfRow(row);
    return position >= 0 && row == m_start[position];
}

QModelIndex CShareListModel::IndexOfShare(int share, int column) const
{
    if (!HasItem(share) || !ItemOf(share).matches)
        return {};
    const int groupId = ItemOf(share).groupId;
    const size_t k = FindIn(Rows(m_groups[groupId]), share);
    return index(m_start[m_position[groupId]] + 1 + int(k), column);
}

QList<int> CShareListModel::SharesInOrder() const
{
    QList<int> shares;
    shares.reserve(m_shownCount);
    for (int id : m_order)
        for (int share : Rows(m_groups[id]))
            if (share >= 0)
                shares.append(share);
    return shares;
}

QList<int> CShareListModel::EntriesInOrder() const
{
    QList<int> entries;
    for (int id : m_order)
        for (int key : Rows(m_groups[id]))
            if (IsEntryKey(key))
                entries.append(EntrySlot(key));
    return entries;
}

void CShareListModel::SetEntryText(const QString &text)
{
    m_entryText = text;
    if (m_entryCount > 0 && m_rowCount > 0)
        emit dataChanged(index(0, ListColumnShare), index(m_rowCount - 1, ListColumnShare),
                         {Qt::DisplayRole, Qt::ToolTipRole, PlainTextRole});
}

void CShareListModel::SetStateIcons(const QList<QIcon> &icons)
{
    m_icons = icons;
    if (m_rowCount > 0)
        emit dataChanged(index(0, ListColumnShare), index(m_rowCount - 1, ListColumnShare), {Qt::DecorationRole});
}

void CShareListModel::SetStateNames(const QStringList &names)
{
    m_stateNames = names;
    if (m_rowCount > 0)
        emit dataChanged(index(0, ListColumnShare), index(m_rowCount - 1, ListColumnShare),
                         {Qt::AccessibleDescriptionRole});
}

void CShareListModel::SetHeaderTexts(const QStringList &texts)
{
    m_headerTexts = texts;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int CShareListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int CShareListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ListColumnCount;
}

QVariant CShareListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount)
        return {};
    const int position = PositionOfRow(index.row());
    const int offset = index.row() - m_start[position];
    if (offset == 0) {
        switch (role) {
        case Qt::DisplayRole:
            return index.column() == ListColumnShare ? DisplayName(m_groups[m_order[position]].header) : QString();
        case PlainTextRole:
            return index.column() == ListColumnShare ? m_groups[m_order[position]].header : QString();
        case Qt::AccessibleTextRole:
            return index.column() == ListColumnShare ? AccessibleName(m_groups[m_order[position]].header) : QString();
        case HeadingRole:
            return true;
        case ShareIndexRole:
        case EntrySlotRole:
            return -1;
        default:
            return {};
        }
    }
    const int share = Rows(m_groups[m_order[position]])[offset - 1];
    const bool entry = IsEntryKey(share);
    const Item &item = ItemOf(share);
    // A host entry has no share name: its share column tells its state, in
    // the entry's own words where it has some. The entry's text is the
    // program's, not a name from the network. A reference: the views ask
    // this for every item and role on each layout, and a copy per call
    // costs a reference count's atomic operations.
    const QString &entryText = entry && item.name.isEmpty() ? m_entryText : item.name;
    const bool ownText = entry && index.column() == ListColumnShare;
    const auto text = [this, ownText, &entryText, &item, &index] {
        return ownText ? entryText : ColumnText(item, ColumnIdForSection(index.column()));
    };
    switch (role) {
    case Qt::DisplayRole:
        return ownText ? entryText : DisplayName(text());
    case Qt::ToolTipRole:
        if (ownText && !m_entryToolTips[size_t(EntrySlot(share))].isEmpty())
            return PlainToolTip(m_entryToolTips[size_t(EntrySlot(share))]);
        return PlainToolTip(ownText ? entryText : DisplayName(text()));
    case PlainTextRole:
        return text();
    case Qt::AccessibleTextRole:
        return ownText ? entryText : AccessibleName(text());
    case Qt::AccessibleDescriptionRole:
        return index.column() == ListColumnShare ? m_stateNames.value(item.image) : QString();
    case Qt::DecorationRole:
        return index.column() == ListColumnShare ? QVariant(m_icons.value(item.image)) : QVariant();
    case ShareIndexRole:
        return entry ? -1 : share;
    case EntrySlotRole:
        return entry ? EntrySlot(share) : -1;
    case HeadingRole:
        return false;
    case ImageRole:
        return int(item.image);
    case HostTextRole:
        return DisplayName(item.host);
    default:
        return {};
    }
}

QVariant CShareListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headerTexts.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CShareListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || IsHeadingRow(index.row()))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QModelIndexList CShareListModel::match(const QModelIndex &start, int role, const QVariant &value, int hits,
                                       Qt::MatchFlags flags) const
{
    return QAbstractTableModel::match(start, role == Qt::DisplayRole ? int(PlainTextRole) : role, value, hits, flags);
}

bool CShareListModel::Less(const Item &a, int aShare, int bShare) const
{
    const Item &b = ItemOf(bShare);
    int c = CompareShareKeys(a.key, b.key, m_onlineFirst, m_reverse);
    for (int column : TieColumnIds(m_sortColumn)) {
        if (c != 0)
            break;
        c = CompareTieTexts(ColumnText(a, column), ColumnText(b, column), m_reverse);
    }
    return c != 0 ? c < 0 : aShare < bShare;
}

const QString &CShareListModel::ColumnText(const Item &item, int columnId)
{
    switch (columnId) {
    case ColumnWorkgroup:
        return item.workgroup;
    case ColumnHost:
        return item.host;
    default:
        return item.name;
    }
}

const QString &CShareListModel::SortText(const Item &item) const
{
    return ColumnText(item, m_sortColumn);
}

void CShareListModel::SetKeyText(Item &item) const
{
    item.key.text = SortText(item);
    item.key.folded = item.key.text.toCaseFolded();
}

size_t CShareListModel::FindIn(const std::vector<int> &keys, int share) const
{
    const Item &item = ItemOf(share);
    auto place = std::lower_bound(keys.begin(), keys.end(), share,
                                  [this, &item](int a, int s) { return !Less(item, s, a) && a != s; });
    // Equal keys sort by share index, so the share is found exactly here.
    return size_t(place - keys.begin());
}

int CShareListModel::PositionOfRow(int row) const
{
    if (row < 0 || row >= m_rowCount)
        return -1;
    // Empty groups share their start with the next group; the last of equal
    // starts is the one that holds the row.
    auto it = std::upper_bound(m_start.begin(), m_start.end(), row);
    return int(it - m_start.begin()) - 1;
}

void CShareListModel::ShiftStarts(int fromPosition, int delta)
{
    for (size_t p = size_t(fromPosition); p < m_start.size(); ++p)
        m_start[p] += delta;
}

std::ptrdiff_t CShareListModel::TargetOf(const std::vector<int> &keys, std::ptrdiff_t k, int key,
                                         const Item &moved) const
{
    const auto before = [this, &moved, key](int a, int) { return !Less(moved, key, a); };
    const auto begin = keys.begin();
    std::ptrdiff_t target = std::lower_bound(begin, begin + k, key, before) - begin;
    if (target == k)
        target = k + (std::lower_bound(begin + k + 1, keys.end(), key, before) - (begin + k + 1));
    return target;
}

void CShareListModel::Reposition(int share, Item moved)
{
    const int groupId = ItemOf(share).groupId;
    Group &group = m_groups[groupId];
    moved.groupId = groupId;
    moved.matches = Matches(moved);
    const bool wasShown = ItemOf(share).matches;
    if (m_filtering) {
        // The group's full list, which has no rows of its own.
        const auto k = std::ptrdiff_t(FindIn(group.shares, share));
        const std::ptrdiff_t target = TargetOf(group.shares, k, share, moved);
        if (target != k) {
            group.shares.erase(group.shares.begin() + k);
            group.shares.insert(group.shares.begin() + target, share);
        }
    }
    // A new host text may take the item into the filter or out of it.
    if (!wasShown || !moved.matches) {
        if (wasShown)
            HideRow(groupId, share);
        ItemOf(share) = std::move(moved);
        if (ItemOf(share).matches)
            ShowRow(groupId, share);
        return;
    }
    std::vector<int> &rows = Rows(group);
    const auto k = std::ptrdiff_t(FindIn(rows, share));
    const std::ptrdiff_t target = TargetOf(rows, k, share, moved);
    const int base = m_start[m_position[groupId]] + 1;
    if (target == k) {
        ItemOf(share) = std::move(moved);
        const QModelIndex first = index(base + int(k), ListColumnShare);
        emit dataChanged(first, first.siblingAtColumn(columnCount() - 1));
        return;
    }
    // The destination row counts rows as they are before the move.
    beginMoveRows({}, base + int(k), base + int(k), {}, base + int(target > k ? target + 1 : target));
    ItemOf(share) = std::move(moved);
    rows.erase(rows.begin() + k);
    rows.insert(rows.begin() + target, share);
    endMoveRows();
}

bool CShareListModel::Matches(const Item &item) const
{
    return m_filter.isEmpty() || item.name.contains(m_filter, Qt::CaseInsensitive)
           || item.host.contains(m_filter, Qt::CaseInsensitive);
}

void CShareListModel::SetFilter(const QString &text)
{
    if (text == m_filter)
        return;
    // A longer text only takes rows away: the rows shown are the only
    // candidates, which keeps typing quick in a large list.
    const bool narrowing = m_filtering && text.contains(m_filter, Qt::CaseInsensitive);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> beforeKeys;
    QList<int> beforeGroups; // the group of a heading row, else -1
    beforeKeys.reserve(before.size());
    beforeGroups.reserve(before.size());
    for (const QModelIndex &index : before) {
        beforeKeys.append(KeyAt(index));
        const int position = PositionOfRow(index.row());
        beforeGroups.append(position >= 0 && IsHeadingRow(index.row()) ? m_order[position] : -1);
    }

    m_filter = text;
    m_filtering = !text.isEmpty();
    for (Group &group : m_groups) {
        if (!m_filtering) {
            for (int key : group.shares)
                ItemOf(key).matches = true;
            group.shown = std::vector<int>();
            continue;
        }
        std::vector<int> shown;
        for (int key : narrowing ? group.shown : group.shares) {
            Item &item = ItemOf(key);
            item.matches = Matches(item);
            if (item.matches)
                shown.push_back(key);
        }
        group.shown = std::move(shown);
    }
    CountRows();

    QModelIndexList after;
    after.reserve(before.size());
    for (int i = 0; i < before.size(); ++i) {
        if (beforeKeys[i] != -1) {
            after.append(IndexOfShare(beforeKeys[i], before[i].column()));
        } else if (beforeGroups[i] >= 0 && !Rows(m_groups[beforeGroups[i]]).empty()) {
            after.append(index(m_start[m_position[beforeGroups[i]]], before[i].column()));
        } else {
            after.append(QModelIndex());
        }
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
}

void CShareListModel::CountRows()
{
    int row = 0;
    m_shownCount = 0;
    m_shownEntryCount = 0;
    for (size_t position = 0; position < m_order.size(); ++position) {
        m_start[position] = row;
        const std::vector<int> &rows = Rows(m_groups[m_order[position]]);
        if (rows.empty())
            continue;
        row += 1 + int(rows.size());
        m_shownCount += int(rows.size());
        for (int key : rows)
            if (IsEntryKey(key))
                ++m_shownEntryCount;
    }
    m_rowCount = row;
}
