// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

class CXmlMapper;

// One group of a scheme: shares whose names contain an include keyword (and
// no exclude keyword of the same group) belong to it.
struct ShareGroup
{
    QString name;
    int visible = 0;
    // Written form of the keyword arrays, rebuilt on every save and load.
    QString includeFilter;
    QString excludeFilter;
    QStringList includeKeywords;
    QStringList excludeKeywords;
};

// A named, ordered set of groups with four display options.
struct ShareScheme
{
    QString name;
    int groupByHost = 0;
    int placeOnlineFirst = 1;
    int showHiddenShares = 0;
    int hideDiskShares = 1;
    QList<ShareGroup> groups;
};

inline constexpr QStringView KeywordSeparator = u"; ";

// Index of the first group of `scheme` that takes `shareName`, else the last
// group with the keyword "*", else -1.
int ClassifyShare(const ShareScheme &scheme, QStringView shareName);

QStringList SplitKeywords(const QString &text, QStringView separator = KeywordSeparator);
QString JoinKeywords(const QStringList &keywords, QStringView separator = KeywordSeparator);

// Mapping routines for settings.xml; the caller has opened the element.
void MapScheme(CXmlMapper &mapper, ShareScheme &scheme);
void MapShareGroup(CXmlMapper &mapper, ShareGroup &group);
