// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// Fills a printf-style text from a translation with `args`, in order. Only
// %d, %i, %u, %s and %% (with flags, width and precision) are understood;
// a conversion with no argument left, or one we do not know, stays in the
// text as written, so a translated text can never read past its arguments.
QString FormatMessage(const QString &format, const QList<QVariant> &args);

// The built-in text of the scan's progress line.
QString SearchingFormat();
// The progress line from `format` (SearchingFormat() or its translation),
// for the window's status bar and lanterra-scan's standard error alike.
QString FormatSearchingText(const QString &format, int shares, qint64 seconds, int pending, int total);
