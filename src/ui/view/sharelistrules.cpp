// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharelistrules.h"

#include "model/lanterradoc.h"
#include "settings/sharescheme.h"

namespace {

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
    switch (section) {
    case 1:
        return ColumnHost;
    case 2:
        return ColumnWorkgroup;
    default:
        return ColumnShare;
    }
}

int SectionForColumnId(int columnId)
{
    switch (columnId) {
    case ColumnHost:
        return 1;
    case ColumnWorkgroup:
        return 2;
    default:
        return 0;
    }
}
