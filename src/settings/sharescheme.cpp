// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharescheme.h"

#include "xml/xmlmapping.h"

int ClassifyShare(const ShareScheme &scheme, QStringView shareName)
{
    const QString name = shareName.toString().toLower();
    int fallback = -1;
    for (qsizetype g = 0; g < scheme.groups.size(); ++g) {
        const ShareGroup &group = scheme.groups[g];
        for (const QString &keyword : group.includeKeywords) {
            if (name.contains(keyword.toLower())) {
                bool excluded = false;
                for (const QString &exclude : group.excludeKeywords) {
                    if (name.contains(exclude.toLower())) {
                        excluded = true;
                        break;
                    }
                }
                if (!excluded)
                    return int(g);
            }
            // "*" is the catch-all, not a wildcard: the last group holding it
            // takes whatever no group claimed.
            if (keyword == u"*")
                fallback = int(g);
        }
    }
    return fallback;
}

QStringList SplitKeywords(const QString &text, QStringView separator)
{
    QStringList keywords;
    if (text.isEmpty())
        return keywords;
    if (separator.isEmpty())
        return {text};
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(separator, from);
        if (at < 0) {
            // A trailing separator leaves an empty last keyword on purpose:
            // filters read back exactly as they were typed.
            keywords.append(text.mid(from));
            break;
        }
        keywords.append(text.mid(from, at - from));
        from = at + separator.size();
    }
    return keywords;
}

QString JoinKeywords(const QStringList &keywords, QStringView separator)
{
    return keywords.join(separator);
}

void MapScheme(CXmlMapper &mapper, ShareScheme &scheme)
{
    mapper.Token(u"@name");
    MapString(mapper, scheme.name);
    mapper.Token(u"<!-- options here -->");
    mapper.Token(u"<options>");
    mapper.Token(u"@groupByHost");
    mapper.MapInt(scheme.groupByHost);
    mapper.Token(u"@placeOnlineFirst");
    mapper.MapInt(scheme.placeOnlineFirst);
    mapper.Token(u"@showHiddenShares");
    mapper.MapInt(scheme.showHiddenShares);
    mapper.Token(u"@hideDiskShares");
    mapper.MapInt(scheme.hideDiskShares);
    mapper.Token(u"</options>");
    mapper.Token(u"<groups>");
    mapper.Token(u"<group>");
    MapList(mapper, scheme.groups, MapShareGroup);
    mapper.Token(u"</group>");
    mapper.Token(u"</groups>");
}

void MapShareGroup(CXmlMapper &mapper, ShareGroup &group)
{
    // The keyword arrays are what the program edits; the filters are only
    // their written form.
    if (mapper.IsStoring()) {
        group.includeFilter = JoinKeywords(group.includeKeywords);
        group.excludeFilter = JoinKeywords(group.excludeKeywords);
    }
    mapper.Token(u"@name");
    MapString(mapper, group.name);
    mapper.Token(u"@visible");
    mapper.MapInt(group.visible);
    mapper.Token(u"<include>");
    mapper.Token(u"@filter");
    MapString(mapper, group.includeFilter);
    mapper.Token(u"</include>");
    mapper.Token(u"<exclude>");
    mapper.Token(u"@filter");
    MapString(mapper, group.excludeFilter);
    mapper.Token(u"</exclude>");
    if (!mapper.IsStoring()) {
        group.includeKeywords = SplitKeywords(group.includeFilter);
        group.excludeKeywords = SplitKeywords(group.excludeFilter);
    }
}
