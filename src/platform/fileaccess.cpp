// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileaccess.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <limits>

namespace FileAccess {

namespace {

// A dangling link holds its name too: a backup must not be written through it.
bool IsTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

QString SizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

Result<QByteArray> ReadRegularFile(const QString &path, qint64 maxBytes, FileOwner owner)
{
    QFile file;
    if (Result<void> opened = OpenRegularFile(file, path, maxBytes); !opened)
        return Failed(opened.reason());
    if (owner == FileOwner::User && !OwnedByUser(file))
        return Failed(QStringLiteral("It belongs to another user."));
    QByteArray bytes;
    bytes.reserve(qsizetype(qMin(file.size(), maxBytes)));
    constexpr qint64 chunk = 64 * 1024;
    // One byte past the cap tells a file that grew since it was opened.
    while (qint64(bytes.size()) <= maxBytes) {
        const qsizetype at = bytes.size();
        const qint64 wanted = qMin(chunk, maxBytes + 1 - qint64(at));
        bytes.resize(at + qsizetype(wanted));
        const qint64 got = file.read(bytes.data() + at, wanted);
        bytes.resize(at + qsizetype(qMax<qint64>(got, 0)));
        if (got < 0)
            return Failed(file.errorString() + u'.');
        if (got == 0)
            break;
    }
    if (qint64(bytes.size()) > maxBytes)
        return Failed(QStringLiteral("It is too large (files up to %1 are read).").arg(SizeText(maxBytes)));
    return bytes;
}

QString BackupPathFor(const QString &path)
{
    QString backup = path + QStringLiteral(".bak");
    for (int i = 2; IsTaken(backup) && i < 10000; ++i)
        backup = path + u'.' + QString::number(i) + QStringLiteral(".bak");
    return backup;
}

Result<QString> KeepBackupCopy(const QString &path)
{
    QFile original;
    if (Result<void> opened = OpenRegularFile(original, path, std::numeric_limits<qint64>::max()); !opened)
        return Failed(opened.reason());
    QString reason;
    // Another program may take the name between the look and the open; the
    // exclusive open then fails and the next number is tried.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = BackupPathFor(path);
        QFile copy(candidate);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (IsTaken(candidate))
                continue;
            reason = copy.errorString() + u'.';
            break;
        }
        bool copied = true;
        QByteArray buffer(1024 * 1024, Qt::Uninitialized);
        for (;;) {
            const qint64 got = original.read(buffer.data(), buffer.size());
            if (got < 0) {
                reason = original.errorString() + u'.';
                copied = false;
                break;
            }
            if (got == 0)
                break;
            if (copy.write(buffer.constData(), got) != got) {
                reason = copy.errorString() + u'.';
                copied = false;
                break;
            }
        }
        // On the disk before the original is replaced.
        if (copied) {
            Result<void> synced = SyncFile(copy);
            if (synced)
                return candidate;
            reason = synced.reason();
        }
        copy.remove();
        break;
    }
    if (reason.isEmpty())
        reason = QStringLiteral("No free backup name was found.");
    return Failed(reason);
}

} // namespace FileAccess
