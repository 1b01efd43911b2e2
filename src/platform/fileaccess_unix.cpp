// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileaccess.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {

namespace {

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)) + u'.';
}

} // namespace

Result<void> OpenRegularFile(QFile &file, const QString &path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that a pipe put where a file was expected cannot hold
    // the program; a regular file reads the same either way.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Failed(ErrnoText(errno));
    struct stat info {};
    QString problem;
    if (::fstat(fd, &info) != 0)
        problem = ErrnoText(errno);
    else if (S_ISDIR(info.st_mode))
        problem = QStringLiteral("It is a folder, not a file.");
    else if (!S_ISREG(info.st_mode))
        problem = QStringLiteral("It is not a regular file (a device, a pipe or a socket).");
    else if (info.st_size > maxBytes)
        problem = QStringLiteral("It is too large (%1; files up to %2 are read).")
                      .arg(SizeText(info.st_size), SizeText(maxBytes));
    if (problem.isEmpty()) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0)
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return {};
        problem = file.errorString() + u'.';
    }
    ::close(fd);
    return Failed(problem);
}

bool OwnedByUser(const QFileDevice &file)
{
    struct stat info = {};
    return file.handle() >= 0 && ::fstat(file.handle(), &info) == 0 && info.st_uid == ::getuid();
}

Result<void> SyncFile(QFileDevice &file)
{
    if (!file.flush() || ::fsync(file.handle()) != 0)
        return Failed(ErrnoText(errno));
    return {};
}

void SyncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace FileAccess
