// SPDX-License-Identifier: GPL-3.0-or-later
#include "privatefolder.h"

#include <QFile>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateFolder {

Result<QString> RuntimeFolder()
{
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        return Failed(QStringLiteral("XDG_RUNTIME_DIR is not set, so there is no folder private to the user."));
    if (Result<void> checked = CheckPrivate(folder); !checked)
        return Failed(checked.reason());
    return folder;
}

Result<void> CheckPrivate(const QString &folder)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return Failed(QStringLiteral("The folder \"%1\" does not exist.").arg(folder));
    if (info.st_uid != ::getuid())
        return Failed(QStringLiteral("The folder \"%1\" belongs to another user.").arg(folder));
    if ((info.st_mode & 0777) != 0700)
        return Failed(QStringLiteral("The folder \"%1\" is open to other users (mode %2, not 0700).")
                          .arg(folder)
                          .arg(info.st_mode & 0777, 4, 8, QLatin1Char('0')));
    return {};
}

bool PeerIsUser(qintptr descriptor)
{
#ifdef SO_PEERCRED
    struct ucred peer = {};
    socklen_t size = sizeof peer;
    if (descriptor < 0 || ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0
        || size != sizeof peer)
        return false;
    return peer.uid == ::getuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    return descriptor >= 0 && ::getpeereid(int(descriptor), &uid, &gid) == 0 && uid == ::getuid();
#endif
}

} // namespace PrivateFolder
