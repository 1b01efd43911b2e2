// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Paths {

QStringList dataFolders()
{
    const QString overridden = qEnvironmentVariable("LANTERRA_DATA_DIR");
    if (!overridden.isEmpty())
        return {QDir::cleanPath(overridden)};
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath();
    else if (const QFileInfo self(QStringLiteral("/proc/self/exe")); self.exists())
        folders << self.canonicalPath(); // before the application object exists
    // The install tree's data folder, found from the executable so that
    // any prefix works; then the configured prefix's, for a program copied
    // elsewhere.
    if (!folders.isEmpty())
        folders << QDir::cleanPath(folders.first() + QStringLiteral("/" LANTERRA_DATA_FROM_BIN));
    folders << QStringLiteral(LANTERRA_DATADIR);
    folders.removeDuplicates();
    return folders;
}

QString dataFolder(const QString &name)
{
    const QStringList folders = dataFolders();
    for (const QString &folder : folders) {
        const QString candidate = folder + u'/' + name;
        if (QFileInfo(candidate).isDir())
            return candidate + u'/';
    }
    return folders.value(0) + u'/' + name + u'/';
}

QString localesFolder()
{
    return dataFolder(QStringLiteral("Locales"));
}

QString iconsFolder()
{
    return dataFolder(QStringLiteral("Icons"));
}

QString settingsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Brevant/Lanterra");
}

QString networksFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
           + QStringLiteral("/My Networks");
}

QString saveCopiesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/Brevant/Lanterra/Saves");
}

} // namespace Paths
