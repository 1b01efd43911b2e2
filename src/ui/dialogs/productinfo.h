// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the program says about itself: its version as a version resource
// writes it ("0, 1, 0, 0"), its revision stamp, and the maker's addresses
// (build configuration values; empty when the build names none, and then
// nothing links to them).
namespace ProductInfo {
QString FileVersion();
QString RevisionStamp();
QString HomePage();
QString SupportAddress();
// The support link: a mail to the support address whose subject names the
// product, its version and revision; empty without an address.
QString SupportMailUrl();
QString FeedbackMailUrl(const QString &address);

// "5, 1, 0, 0" -> "5.1.0".
QString ShortVersion(const QString &fileVersion);
// "$Revision: 229 $" -> "229"; empty when the stamp has no number.
QString RevisionNumber(const QString &stamp);
// "Version: 5.1.0  (Revision: 229)" with the two words translated under
// the About section.
QString VersionLine(const QString &fileVersion, const QString &stamp);
} // namespace ProductInfo
