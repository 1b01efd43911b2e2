// SPDX-License-Identifier: GPL-3.0-or-later
// Defaults of the rules and how the exclusion filters match.
#include "model/scanrules.h"

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
}

TEST(ScanRules, FiltersAreUpperCasedOneCharacterAtATime)
{
    // ß has no single upper-case letter: it stays ß, and "STRASSE" is
    // another name.
    EXPECT_EQ(FilterCase(QStringLiteral("straße")), QStringLiteral("STRAßE"));
    EXPECT_EQ(FilterCase(QStringLiteral("ﬁle-Ǆ-ä")), QStringLiteral("ﬁLE-Ǆ-Ä"));
    ScanRules rules;
    rules.excNets = {QStringLiteral("straße")};
    rules.excHosts = {QStringLiteral("Fuß")};
    rules.BuildExclusionSets();
    EXPECT_TRUE(rules.excludedNetSet.contains(QStringLiteral("STRAßE")));
    EXPECT_TRUE(rules.IsNetExcluded(QStringLiteral("Straße")));
    EXPECT_FALSE(rules.IsNetExcluded(QStringLiteral("STRASSE")));
    EXPECT_TRUE(rules.IsHostExcluded(QStringLiteral("FUß")));
    EXPECT_FALSE(rules.IsHostExcluded(QStringLiteral("FUSS")));
}

} // namespace
