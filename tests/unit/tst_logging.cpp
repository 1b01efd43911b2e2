// SPDX-License-Identifier: GPL-3.0-or-later
// Where failures are reported, and what --verbose adds.
#include "platform/logging.h"

#include <gtest/gtest.h>

namespace {

TEST(Logging, WarningsShowAndDebugWaitsUntilVerbose)
{
    const QLoggingCategory *categories[] = {&lcScan(), &lcNet(), &lcFile(), &lcUi()};
    for (const QLoggingCategory *category : categories) {
        EXPECT_TRUE(category->isWarningEnabled()) << category->categoryName();
        EXPECT_FALSE(category->isDebugEnabled()) << category->categoryName();
    }
    EXPECT_STREQ(lcScan().categoryName(), "lanterra.scan");
    EXPECT_STREQ(lcNet().categoryName(), "lanterra.net");
    EXPECT_STREQ(lcFile().categoryName(), "lanterra.file");
    EXPECT_STREQ(lcUi().categoryName(), "lanterra.ui");

    Logging::EnableVerbose();
    for (const QLoggingCategory *category : categories)
        EXPECT_TRUE(category->isDebugEnabled()) << category->categoryName();
    // Qt's own categories stay as they were.
    EXPECT_FALSE(QLoggingCategory("qt.lanterra.test").isDebugEnabled());
}

} // namespace
