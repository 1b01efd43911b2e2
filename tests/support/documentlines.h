// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The first lines of every new document: default view, default rules and the
// opening of the cache, as the document file writes them.
inline const QStringList &NewDocumentHeadLines()
{
    static const QStringList lines = {
        QStringLiteral("<document version=\"1.0\">"),
        QStringLiteral(" <view lastView=\"4\" lastSortCol=\"3\" lastSortRev=\"0\" />"),
        QStringLiteral(" <rules searchNetAll=\"1\" searchNetCurrent=\"0\" searchNetByList=\"0\" searchHostByList=\"0\">"),
        QStringLiteral("  <nets>"),
        QStringLiteral("  </nets>"),
        QStringLiteral("  <hosts>"),
        QStringLiteral("  </hosts>"),
        QStringLiteral("  <filters>"),
        QStringLiteral("   <nets>"),
        QStringLiteral("   </nets>"),
        QStringLiteral("   <hosts>"),
        QStringLiteral("   </hosts>"),
        QStringLiteral("  </filters>"),
        QStringLiteral(" </rules>"),
        QStringLiteral(" <cache>"),
        QStringLiteral("  <nets>"),
    };
    return lines;
}
