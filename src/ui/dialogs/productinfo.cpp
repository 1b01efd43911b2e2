// SPDX-License-Identifier: GPL-3.0-or-later
#include "productinfo.h"

#include "aboutdlg.h"

#include "settings/languagetable.h"

#ifndef LANTERRA_REVISION
#define LANTERRA_REVISION "0"
#endif
// Without a build setting the program names no addresses at all: a link
// that leads nowhere is worse than none.
#ifndef LANTERRA_HOMEPAGE
#define LANTERRA_HOMEPAGE ""
#endif
#ifndef LANTERRA_SUPPORT_EMAIL
#define LANTERRA_SUPPORT_EMAIL ""
#endif
#ifndef LANTERRA_VERSION_MAJOR
#define LANTERRA_VERSION_MAJOR 0
#define LANTERRA_VERSION_MINOR 0
#define LANTERRA_VERSION_PATCH 0
#endif

namespace ProductInfo {

QString FileVersion()
{
    return QStringLiteral("%1, %2, %3, 0")
        .arg(LANTERRA_VERSION_MAJOR)
        .arg(LANTERRA_VERSION_MINOR)
        .arg(LANTERRA_VERSION_PATCH);
}

QString RevisionStamp()
{
    return QStringLiteral("$Revision: " LANTERRA_REVISION " $");
}

QString HomePage()
{
    return QStringLiteral(LANTERRA_HOMEPAGE);
}

QString SupportAddress()
{
    return QStringLiteral(LANTERRA_SUPPORT_EMAIL);
}

QString SupportMailUrl()
{
    return FeedbackMailUrl(SupportAddress());
}

QString FeedbackMailUrl(const QString &address)
{
    if (address.isEmpty())
        return {};
    return QStringLiteral("mailto:%1?subject=lantrax%20%2%20(Revision%20%3)")
        .arg(address, ShortVersion(FileVersion()), RevisionNumber(RevisionStamp()));
}

QString ShortVersion(const QString &fileVersion)
{
    QString version = QString(fileVersion).replace(QStringLiteral(", "), QStringLiteral("."));
    const qsizetype dot = version.lastIndexOf(u'.');
    return dot < 0 ? version : version.left(dot);
}

QString RevisionNumber(const QString &stamp)
{
    const QString open = QStringLiteral("$Revision: ");
    const qsizetype from = stamp.indexOf(open);
    if (from < 0)
        return {};
    const qsizetype to = stamp.indexOf(QStringLiteral(" $"), from + open.size());
    return to < 0 ? QString() : stamp.mid(from + open.size(), to - from - open.size());
}

QString VersionLine(const QString &fileVersion, const QString &stamp)
{
    const QString section = QStringLiteral("About");
    return LookupText(section, CAboutDlg::IdVersion, QStringLiteral("Version: ")) + ShortVersion(fileVersion)
           + QStringLiteral("  (") + LookupText(section, CAboutDlg::RevisionKey, QStringLiteral("Revision"))
           + QStringLiteral(": ") + RevisionNumber(stamp) + QStringLiteral(")");
}

} // namespace ProductInfo
