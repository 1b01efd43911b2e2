// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <array>

struct ShareScheme;

// What the list orders shares by: the scheme group, the state (only when
// online shares go first) and the text of the sort column.
struct ShareSortKey
{
    int group = -1;
    int state = 0;
    QString text;   // the sort column's text
    QString folded; // `text` case-folded, kept to spare the fold on every comparison
};

// <0, 0 or >0 as `a` goes before, with or after `b`: group ascending; then,
// with `onlineFirst`, the higher state first; then the text without regard
// to case (negated by `reverse`); then, for texts equal but for case, code
// units where lower case comes first in ascending order and last in
// descending order.
int CompareShareKeys(const ShareSortKey &a, const ShareSortKey &b, bool onlineFirst, bool reverse);

// Shares whose sort texts are equal go by the other two columns, share name,
// host and workgroup in that order with the sort column left out: the same
// name on three hosts stands in host order, whatever order the scan found
// them in. The column ids to compare, first to last.
std::array<int, 2> TieColumnIds(int sortColumnId);

// One tie-break text against another, by the rule of the sort text: without
// regard to case, then lower case first; `reverse` turns both round, so a
// descending list is the ascending one read backwards.
int CompareTieTexts(QStringView a, QStringView b, bool reverse);

// Ordinal comparison of UTF-16 code units (host group order).
int CompareCodeUnits(QStringView a, QStringView b);

// Whether a share called `name` passes the scheme's hidden-share options:
// without showHiddenShares a trailing '$' hides it; with showHiddenShares
// and hideDiskShares, two-character names and exactly "ADMIN$" and "print$"
// stay hidden.
bool IsShareNameShown(const ShareScheme &scheme, QStringView name);

// The list model's columns, left to right: its header sections and, in the
// icon views, the item's sub-items.
enum ListColumn : int {
    ListColumnShare,
    ListColumnHost,
    ListColumnWorkgroup,
    ListColumnCount,
};

// The one mapping between the model's columns and the ShareColumn ids the
// document and the sort use, both ways. A section out of range is the share
// column, and so is an unknown id.
int ColumnIdForSection(int section);
int SectionForColumnId(int columnId);
