// SPDX-License-Identifier: GPL-3.0-or-later
#include "documentnaming.h"

#include <QDir>
#include <QFileInfo>

namespace DocumentNaming {

DefaultName DefaultDocumentName(const QString &folder)
{
    QDir().mkpath(folder);
    const QString baseName = QString::fromUtf16(BaseName);
    const QString extension = QString::fromUtf16(Extension);
    const QString base = folder + u'/' + baseName;
    if (!QFileInfo::exists(base + extension))
        return {base + extension, baseName};
    for (int i = 2; i < 9999; ++i) {
        const QString numbered = baseName + u' ' + QString::number(i);
        if (!QFileInfo::exists(folder + u'/' + numbered + extension))
            return {folder + u'/' + numbered + extension, numbered};
    }
    return {base, baseName};
}

QString DocumentTitle(const QString &title, const QString &folder)
{
    QString result = title == u"-" ? DefaultDocumentName(folder).title : title;
    result.remove(QString::fromUtf16(Extension), Qt::CaseSensitive);
    return result;
}

} // namespace DocumentNaming
