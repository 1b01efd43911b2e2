// SPDX-License-Identifier: GPL-3.0-or-later
// Texts filled from translations, and the scan's progress line.
#include "settings/messageformat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Filled
{
    const char *format;
    QList<QVariant> args;
    const char *text;
};

class MessageFormat : public testing::TestWithParam<Filled>
{};

TEST_P(MessageFormat, FillsWhatItKnowsAndLeavesTheRest)
{
    const Filled &c = GetParam();
    EXPECT_EQ(FormatMessage(QString::fromUtf8(c.format), c.args).toStdString(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Conversions, MessageFormat,
                         testing::Values(Filled{"%d shares", {12}, "12 shares"},
                                         Filled{"%s and %s", {QStringLiteral("a"), QStringLiteral("b")}, "a and b"},
                                         Filled{"100%%", {}, "100%"},
                                         // A translation asking for more than it is given cannot read past the end.
                                         Filled{"%d/%d hosts", {3}, "3/%d hosts"}, Filled{"%q stays", {1}, "%q stays"}),
                         [](const testing::TestParamInfo<Filled> &info) {
                             return "case" + std::to_string(info.index);
                         });

TEST(SearchingText, IsTheSameLineForTheWindowAndTheCommand)
{
    EXPECT_EQ(FormatSearchingText(SearchingFormat(), 350, 7, 2, 40),
              QStringLiteral("Searching... 350 shares. Time: 7 sec. 2/40 hosts"));
}

} // namespace
