// Defaults of the rules and how the exclusion filters match.
#include "scan/scanrules.h"

#include <gtest/gtest.h>

namespace {

TEST(ScanRules, ResetGivesTheDefaultsOfANewDocument)
{
    ScanRules rules;
    rules.searchNetAll = 0;
    rules.searchNetCurrent = rules.searchNetByList = rules.searchHostByList = 1;
    rules.nets = {QStringLiteral("OFFICE")};
    rules.hosts = {QString()};
    rules.excNets = {QStringLiteral("X")};
    rules.excHosts = {QStringLiteral("Y")};
    rules.BuildExclusionSets();

    rules.Reset();
    EXPECT_EQ(rules.searchNetAll, 1);
    EXPECT_EQ(rules.searchNetCurrent, 0);
    EXPECT_EQ(rules.searchNetByList, 0);
    EXPECT_EQ(rules.searchHostByList, 0);
    EXPECT_TRUE(rules.nets.isEmpty());
    EXPECT_TRUE(rules.hosts.isEmpty());
    EXPECT_TRUE(rules.excNets.isEmpty());
    EXPECT_TRUE(rules.excHosts.isEmpty());
    // The sets belong to the last scan and stay until the next one.
    EXPECT_EQ(rules.excludedHostSet.size(), 1u);
}

TEST(ScanRules, HostFiltersMatchWholeNamesInUpperCase)
{
    ScanRules rules;
    rules.excHosts = {QStringLiteral("server1"), QStringLiteral("a*")};
    rules.BuildExclusionSets();

    EXPECT_TRUE(rules.excludedHostSet.contains(QStringLiteral("SERVER1")));
    EXPECT_TRUE(rules.IsHostExcluded(QStringLiteral("SERVER1")));
    EXPECT_TRUE(rules.IsHostExcluded(QStringLiteral("Server1")));
    EXPECT_FALSE(rules.IsHostExcluded(QStringLiteral("SERVER10")));
    EXPECT_FALSE(rules.IsHostExcluded(QStringLiteral("SERVER")));
    // No wildcards: only a name holding the asterisk matches.
    EXPECT_FALSE(rules.IsHostExcluded(QStringLiteral("ABC")));
    EXPECT_TRUE(rules.IsHostExcluded(QStringLiteral("A*")));
}

TEST(ScanRules, AnEmptyHostFilterExcludesHostsWithoutName)
{
    ScanRules rules;
    rules.excHosts = {QString()};
    rules.BuildExclusionSets();
    EXPECT_TRUE(rules.IsHostExcluded(QString()));
    EXPECT_FALSE(rules.IsHostExcluded(QStringLiteral("PC")));
}

TEST(ScanRules, WorkgroupFiltersMatchUpperCaseOrExactly)
{
    ScanRules rules;
    rules.excNets = {QStringLiteral("Office"), QStringLiteral("straße")};
    rules.BuildExclusionSets();
    EXPECT_TRUE(rules.IsNetExcluded(QStringLiteral("OFFICE")));
    EXPECT_TRUE(rules.IsNetExcluded(QStringLiteral("office")));
    EXPECT_TRUE(rules.IsNetExcluded(QStringLiteral("Office")));
    EXPECT_FALSE(rules.IsNetExcluded(QStringLiteral("OFFICE2")));
    EXPECT_TRUE(rules.IsNetExcluded(QStringLiteral("straße")));
    EXPECT_TRUE(rules.IsNetExcluded(QStringLiteral("STRASSE")));
}

TEST(ScanRules, FiltersTakeEffectOnlyWhenTheSetsAreBuilt)
{
    ScanRules rules;
    rules.excHosts = {QStringLiteral("pc")};
    EXPECT_FALSE(rules.IsHostExcluded(QStringLiteral("PC")));
    rules.BuildExclusionSets();
    EXPECT_TRUE(rules.IsHostExcluded(QStringLiteral("PC")));
}

} // namespace
