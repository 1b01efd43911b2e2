// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// How the dialogs turn an edit's text into a list and back. Splitting trims
// the separator ("; " splits on ";") and every element; empty elements are
// kept. Joining puts the untrimmed separator between the elements.
QStringList SplitText(const QString &text, const QString &separator);
QString JoinText(const QStringList &list, const QString &separator);

inline const QString LineSeparator = QStringLiteral("\r\n");
inline const QString ListSeparator = QStringLiteral("; ");
