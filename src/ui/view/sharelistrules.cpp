// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharelistrules.h"

#include "model/lanterradoc.h"
#include "settings/sharescheme.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr ShareColumn ColumnIdOfListColumn[ListColumnCount] = {ColumnShare, ColumnHost, ColumnWorkgroup};

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

int CompareCodeUnits(QStringView a, QStringView b)
{
    return Sign(a.compare(b, Qt::CaseSensitive));
}

int CompareShareKeys(const ShareSortKey &a, const ShareSortKey &b, bool onlineFirst, bool reverse)
{
    if (a.group != b.group)
        return a.group < b.group ? -1 : 1;
    if (onlineFirst && a.state != b.state)
        return a.state > b.state ? -1 : 1;
    int result = CompareCodeUnits(a.folded, b.folded);
    if (result != 0)
        return reverse ? -result : result;
    // Same text but for case: lower case ("share") before upper ("Share")
    // when ascending, after it when descending.
    result = CompareCodeUnits(a.text, b.text);
    return reverse ? result : -result;
}

std::array<int, 2> TieColumnIds(int sortColumnId)
{
    switch (sortColumnId) {
    case ColumnHost:
        return {ColumnShare, ColumnWorkgroup};
    case ColumnWorkgroup:
        return {ColumnShare, ColumnHost};
    default:
        return {ColumnHost, ColumnWorkgroup};
    }
}

int CompareTieTexts(QStringView a, QStringView b, bool reverse)
{
    // Folded a code unit at a time: ties are compared often when a whole
    // list shares one workgroup, and this allocates nothing.
    const qsizetype n = std::min(a.size(), b.size());
    int result = 0;
    for (qsizetype i = 0; i < n && result == 0; ++i) {
        const char16_t x = QChar::toCaseFolded(a[i].unicode());
        const char16_t y = QChar::toCaseFolded(b[i].unicode());
        result = x == y ? 0 : x < y ? -1 : 1;
    }
    if (result == 0)
        result = a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
    if (result != 0)
        return reverse ? -result : result;
    result = CompareCodeUnits(a, b);
    return reverse ? result : -result;
}

bool IsShareNameShown(const ShareScheme &scheme, QStringView name)
{
    if (!scheme.showHiddenShares)
        return !name.endsWith(u'$');
    if (scheme.hideDiskShares)
        return name.size() != 2 && name != u"ADMIN$" && name != u"print$";
    return true;
}

int ColumnIdForSection(int section)
{
    return section >= 0 && section < ListColumnCount ? ColumnIdOfListColumn[section] : ColumnShare;
}

int SectionForColumnId(int columnId)
{
    const auto *found = std::find(std::begin(ColumnIdOfListColumn), std::end(ColumnIdOfListColumn), columnId);
    return found != std::end(ColumnIdOfListColumn) ? int(found - std::begin(ColumnIdOfListColumn)) : ListColumnShare;
}
