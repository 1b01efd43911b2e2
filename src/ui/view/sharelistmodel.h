// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sharelistrules.h"

#include "model/sharestate.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <functional>
#include <vector>

// The list's items and groups, in display order, as a flat Qt model: each
// group that has items contributes a heading row followed by its items.
// Items are kept sorted as they arrive, so a batch of inserts costs a few
// comparisons each instead of a sort of the whole list, and the rows the
// views see change one by one with proper signals (selection and focus
// survive). Its columns are the ListColumns.
//
// Rows are of two kinds, told apart by their item key: a share (its index
// in the document, 0 and up) or a host entry (a host that needs a login,
// EntryKey(slot) for a slot its owner hands out, below -1). Both sort and
// group alike; the share calls (ShareAt, SharesInOrder) see shares only, so
// what acts on a share never takes an entry for one. Names come from the
// network: they are shown isolated and with hidden characters written out
// (DisplayName), and their tool tips are plain text. Screen readers get the
// names without the isolating marks, which they would read out or choke on
// (AccessibleName), and the item's state in words.
class CShareListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        ShareIndexRole = Qt::UserRole + 1, // int, -1 on heading rows
        HeadingRole, // bool
        ImageRole, // int, the item's ShareImage
        HostTextRole, // the host column's text, as shown
        PlainTextRole, // the column's text exactly as the document has it
        EntrySlotRole, // int, the host entry's slot; -1 on shares and headings
    };

    // The pictures of the share column, numbered as SetStateIcons takes them: one per
    // share state up to ShareOnline, then the host entry's. A renamed or
    // removed share shows UnknownImage (ImageOf), so LoginNeededImage shares
    // its number with ShareHostRenamed but never stands for it.
    enum ShareImage : int {
        UnknownImage = ShareUnknown,
        OfflineImage = ShareOffline,
        OnlineImage = ShareOnline,
        LoginNeededImage,
        Smb1OnlyImage,
    };
    static constexpr ShareImage ImageOf(ShareState state)
    {
        switch (state) {
        case ShareOffline:
            return OfflineImage;
        case ShareOnline:
            return OnlineImage;
        default:
            return UnknownImage;
        }
    }

    static constexpr int EntryKey(int slot) { return -2 - slot; }
    static constexpr bool IsEntryKey(int key) { return key <= -2; }
    static constexpr int EntrySlot(int key) { return -2 - key; }

    struct ItemData
    {
        int share = -1; // the item key: a share index or an EntryKey
        int group = -1; // the share's group in the scheme (the first sort key)
        int state = 0;  // the state the sort reads
        ShareImage image = UnknownImage;
        QString name;
        QString host;
        QString workgroup;
        // Host entries only: what the tool-tip tells beyond the entry's text
        // (empty: the text).
        QString toolTip;
    };

    using StateReader = std::function<int(int share)>;

    explicit CShareListModel(QObject *parent = nullptr);
    ~CShareListModel() override;

    // --- groups ---------------------------------------------------------------
    // Removes every item and group.
    void Clear();
    // Host groups are shown in code-unit order of their headers; scheme
    // groups in the order of their ids.
    void SetGroupsByHeader(bool byHeader) { m_groupsByHeader = byHeader; }
    // Group ids are 0, 1, 2, ... in the order the groups are made.
    void InsertGroup(int id, const QString &header);
    int GroupCount() const { return int(m_groups.size()); }
    // Headers of the groups that have items, top to bottom.
    QStringList ShownGroupHeaders() const;

    // --- order --------------------------------------------------------------------
    // Sort column (a ShareColumn) and direction; takes effect
    // for the items already in the list at the next SortAll.
    void SetSortOrder(int columnId, bool reverse, bool onlineFirst);
    int SortColumnId() const { return m_sortColumn; }
    bool SortReverse() const { return m_reverse; }
    bool OnlineFirst() const { return m_onlineFirst; }
    // Every item to its place, with its sort state read again (a host
    // entry keeps the state it was inserted with).
    void SortAll(const StateReader &stateOf);
    // Reads the states again and moves the items whose state moved them.
    void RefreshStates(const StateReader &stateOf);

    // --- quick filter ---------------------------------------------------------------
    // Rows for only the items whose share name or host contains `text`
    // without regard to case (a host entry: its host); empty shows every
    // item. The filter stays through Clear, and items that come later are
    // shown or not by it; the item calls below still see every item.
    void SetFilter(const QString &text);
    const QString &Filter() const { return m_filter; }
    bool IsFiltering() const { return m_filtering; }
    // Items with a row, and how many of them are host entries.
    int ShownItemCount() const { return m_shownCount; }
    int ShownEntryCount() const { return m_shownEntryCount; }
    // The shown host entries that show `image` (a host has one entry at most).
    int ShownEntryCount(ShareImage image) const;

    // --- items ------------------------------------------------------------------------
    // The calls below take item keys: share indexes and EntryKeys.
    bool InsertItem(int groupId, const ItemData &item);
    bool HasItem(int share) const;
    // Items of both kinds; EntryCount() of them are host entries.
    int ItemCount() const { return m_itemCount; }
    int EntryCount() const { return m_entryCount; }
    void SetItemImage(int share, ShareImage image);
    void SetAllImages(ShareImage image);
    void SetItemHostText(int share, const QString &host);
    // A host of no workgroup in the document tells its own when it answers.
    void SetItemWorkgroupText(int share, const QString &workgroup);
    bool RemoveItem(int share);
    // The item's ShareImage, -1 when there is no such item.
    int ItemImage(int share) const;
    QString ItemHostText(int share) const;

    // --- rows ---------------------------------------------------------------------------
    // Rows are the items shown, in groups. An item the filter hides has no
    // row: its index is invalid.
    // The share on a row, -1 on headings and host entries.
    int ShareAt(const QModelIndex &index) const;
    int ShareAtRow(int row) const;
    // The item key on a row, -1 on headings.
    int KeyAt(const QModelIndex &index) const;
    int KeyAtRow(int row) const;
    bool IsHeadingRow(int row) const;
    QModelIndex IndexOfShare(int share, int column = ListColumnShare) const;
    // The shares shown, top to bottom.
    QList<int> SharesInOrder() const;
    // The host entries' slots shown, top to bottom.
    QList<int> EntriesInOrder() const;

    // --- looks ----------------------------------------------------------------------------
    // One picture per ShareImage, in its order.
    void SetStateIcons(const QList<QIcon> &icons);
    // What the share column of a host entry says.
    void SetEntryText(const QString &text);
    QIcon StateIcon(int state) const { return m_icons.value(state); }
    // One name per ShareImage, in its order: what a screen reader says of
    // the state the picture shows, as the share column's description.
    void SetStateNames(const QStringList &names);
    void SetHeaderTexts(const QStringList &texts);

    // QAbstractItemModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Type-ahead finds names by what they are, not by how they are shown.
    QModelIndexList match(const QModelIndex &start, int role, const QVariant &value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

private:
    struct Item
    {
        ShareSortKey key;
        QString name;
        QString host;
        QString workgroup;
        ShareImage image = UnknownImage;
        int groupId = -1; // the list group holding the item; -1: not in the list
        bool matches = true; // passes the filter: has a row
    };
    struct Group
    {
        QString header;
        std::vector<int> shares; // item keys, sorted
        std::vector<int> shown; // the keys with rows, sorted, while filtering
    };

    static constexpr int ShareStateCount = 5;

    bool Less(const Item &a, int aShare, int bShare) const;
    bool Matches(const Item &item) const;
    // The keys that have rows: all of them unless filtering.
    std::vector<int> &Rows(Group &group) { return m_filtering ? group.shown : group.shares; }
    const std::vector<int> &Rows(const Group &group) const { return m_filtering ? group.shown : group.shares; }
    // A row for the item of `key` (already in its group's keys), or away.
    void ShowRow(int groupId, int key);
    void HideRow(int groupId, int key);
    // Where `moved`, the new looks of `key` at `k` in `keys`, goes: an index
    // into `keys` without it.
    std::ptrdiff_t TargetOf(const std::vector<int> &keys, std::ptrdiff_t k, int key, const Item &moved) const;
    // Group starts and row counts anew from the groups' rows.
    void CountRows();
    void SortByNewStates(const std::vector<std::pair<int, int>> &changed);
    // Runs `sortGroup` on every group, keeping persistent indexes on their items.
    void Resort(const std::function<void(Group &)> &sortGroup);
    static const QString &ColumnText(const Item &item, int columnId);
    const QString &SortText(const Item &item) const;
    void SetKeyText(Item &item) const;
    size_t FindIn(const std::vector<int> &keys, int share) const;
    Item &ItemOf(int key) { return key >= 0 ? m_items[size_t(key)] : m_entries[size_t(EntrySlot(key))]; }
    const Item &ItemOf(int key) const { return key >= 0 ? m_items[size_t(key)] : m_entries[size_t(EntrySlot(key))]; }
    int PositionOfRow(int row) const;
    void ShiftStarts(int fromPosition, int delta);
    void Reposition(int share, Item moved);

    std::vector<Item> m_items; // by share index
    std::vector<Item> m_entries; // host entries, by slot
    std::vector<QString> m_entryToolTips; // by slot; kept apart, shares have none
    std::vector<Group> m_groups; // by group id
    std::vector<int> m_order;    // group ids, top to bottom
    std::vector<int> m_position; // group id -> place in m_order
    std::vector<int> m_start;    // place in m_order -> first row (of its heading)
    int m_rowCount = 0;
    int m_itemCount = 0;
    int m_entryCount = 0;
    int m_shownCount = 0;
    int m_shownEntryCount = 0;
    QString m_filter;
    bool m_filtering = false;
    QString m_entryText;
    bool m_groupsByHeader = false;
    int m_sortColumn; // a ShareColumn
    bool m_reverse = false;
    bool m_onlineFirst = false;
    QList<QIcon> m_icons;
    QStringList m_stateNames;
    QStringList m_headerTexts;
};
