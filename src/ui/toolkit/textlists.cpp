// SPDX-License-Identifier: GPL-3.0-or-later
#include "textlists.h"

QStringList SplitText(const QString &text, const QString &separator)
{
    QStringList list;
    if (text.isEmpty())
        return list;
    QString sep = separator;
    // Only blanks are trimmed: a line break is its own separator.
    while (sep.startsWith(u' '))
        sep.remove(0, 1);
    while (sep.endsWith(u' '))
        sep.chop(1);
    if (sep.isEmpty())
        return {text.trimmed()};
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(sep, from);
        const QString element = at < 0 ? text.mid(from) : text.mid(from, at - from);
        list.append(element.trimmed());
        if (at < 0)
            break;
        from = at + sep.size();
    }
    return list;
}

QString JoinText(const QStringList &list, const QString &separator)
{
    return list.join(separator);
}
