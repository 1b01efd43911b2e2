// Defaults of the rules and how the exclusion filters match.
#include "scan/scanrules.h"

#include <gtest/gtest.h>

namespace {

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

} // namespace
