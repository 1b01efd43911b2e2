// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileaccess.h"

#include <QFile>
#include <QFileInfo>

#include <io.h>

namespace FileAccess {

Result<void> OpenRegularFile(QFile &file, const QString &path, qint64 maxBytes)
{
    const QFileInfo info(path);
    QString problem;
    if (info.isDir())
        problem = QStringLiteral("It is a folder, not a file.");
    else if (info.exists() && !info.isFile())
        problem = QStringLiteral("It is not a regular file.");
    else if (info.size() > maxBytes)
        problem = QStringLiteral("It is too large (%1; files up to %2 are read).")
                      .arg(SizeText(info.size()), SizeText(maxBytes));
    else {
        file.setFileName(path);
        if (file.open(QIODevice::ReadOnly))
            return {};
        problem = file.errorString() + u'.';
    }
    return Failed(problem);
}

bool OwnedByUser(const QFileDevice &)
{
    return true; // a user's profile folders are the user's own
}

Result<void> SyncFile(QFileDevice &file)
{
    if (!file.flush() || ::_commit(file.handle()) != 0)
        return Failed(file.errorString());
    return {};
}

void SyncFolderOf(const QString &)
{
    // NTFS makes the rename itself durable; a folder cannot be flushed.
}

} // namespace FileAccess
