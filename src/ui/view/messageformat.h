#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// Fills a printf-style text from a translation with `args`, in order. Only
// %d, %i, %u, %s and %% (with flags, width and precision) are understood;
// a conversion with no argument left, or one we do not know, stays in the
// text as written, so a translated text can never read past its arguments.
QString FormatMessage(const QString &format, const QList<QVariant> &args);
