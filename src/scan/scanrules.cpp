#include "scanrules.h"

QString FilterCase(const QString &text)
{
    return text.toUpper();
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
