// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/logging.h"
#include "platform/result.h"

#include <QByteArray>
#include <QString>

class QFile;
class QFileDevice;

// File checks the readers and the safe save need below Qt's own file API.
namespace FileAccess {

// Opens `path` for reading only if it is a regular file of at most
// `maxBytes`. A folder, a device or a pipe is refused before anything is read
// from it, and opening never waits (a pipe without a writer would block a
// plain open forever). A failure says what is wrong, as a sentence without
// the file's name.
Result<void> OpenRegularFile(QFile &file, const QString &path, qint64 maxBytes);

// The bytes of a regular file of at most `maxBytes`, opened as
// OpenRegularFile does. Reading stops at `maxBytes` whatever the file's size
// said, so a file that grows while it is read cannot fill the memory. Every
// reader of a file the user picked or that was found in a folder goes
// through this. A failure says why (a sentence, no file name).
//
// With FileOwner::User the file must also belong to the user who runs the
// program: a file another local user planted where the program looks (a
// shared /tmp) is refused. Links are followed; what counts is the file
// reached.
enum class FileOwner { Anyone, User };
Result<QByteArray> ReadRegularFile(const QString &path, qint64 maxBytes, FileOwner owner = FileOwner::Anyone);

// The open file belongs to the user who runs the program (on systems
// without such owners: always).
bool OwnedByUser(const QFileDevice &file);

// "NAME.bak", or "NAME.2.bak" and up when that name is taken: where the
// original of a file the program could read only in part is kept before
// the program first writes over it.
QString BackupPathFor(const QString &path);

// Copies the regular file `path` to a new file at BackupPathFor(path) (the
// next free number when another program took that name meanwhile; an
// existing backup is never written over) and puts the copy on the disk. The
// copy's path; on failure nothing is left behind.
Result<QString> KeepBackupCopy(const QString &path);

// Asks the system to put what was written to `file` on the disk.
Result<void> SyncFile(QFileDevice &file);

// Makes a rename in the folder of `path` survive a power cut. Best effort:
// some file systems cannot sync a folder, and nothing is lost by that.
void SyncFolderOf(const QString &path);

// "12.5 MB" style size for messages.
QString SizeText(qint64 bytes);

} // namespace FileAccess
