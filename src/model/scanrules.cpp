// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanrules.h"

QString FilterCase(const QString &text)
{
    // One character at a time, each to its own upper case: a letter whose
    // upper case is two letters (ß) stays as it is, so filters compare the
    // way the names were typed, never grown or shrunk.
    QString upper = text;
    for (QChar &c : upper)
        c = c.toUpper();
    return upper;
}

void ScanRules::Reset()
{
    searchNetAll = 1;
    searchNetCurrent = 0;
    searchNetByList = 0;
    searchHostByList = 0;
    searchAnnounced = 1;
    nets.clear();
    hosts.clear();
    excNets.clear();
    excHosts.clear();
    hostListConfirmed = true;
}

void ScanRules::DropBlankHosts()
{
    hosts.removeIf([](const QString &entry) { return entry.trimmed().isEmpty(); });
}

void ScanRules::BuildExclusionSets()
{
    excludedNetSet.clear();
    excludedHostSet.clear();
    for (const QString &filter : std::as_const(excNets))
        excludedNetSet.insert(FilterCase(filter));
    for (const QString &filter : std::as_const(excHosts))
        excludedHostSet.insert(FilterCase(filter));
}

bool ScanRules::IsNetExcluded(const QString &name) const
{
    return excludedNetSet.contains(FilterCase(name)) || excNets.contains(name);
}

bool ScanRules::IsHostExcluded(const QString &name) const
{
    return excludedHostSet.contains(FilterCase(name));
}
