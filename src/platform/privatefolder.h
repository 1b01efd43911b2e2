// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <QString>

// What keeps another local user out of a channel between two of this
// user's processes: a folder only the user may enter, and the user at the
// other end of a local socket.
namespace PrivateFolder {

// The user's runtime folder (XDG_RUNTIME_DIR) when it is private
// (CheckPrivate); else why there is none, as a sentence. Nothing is
// created: a folder made in a shared place (the temporary folder) could
// have been made first by someone else. Where the system has no such
// folder (Windows), the user's own local application folder.
Result<QString> RuntimeFolder();

// `folder` is a folder (links followed) that belongs to the user who runs
// the program and that no one else may enter or change (mode 0700). A
// failure says what is wrong, naming the folder.
Result<void> CheckPrivate(const QString &folder);

// The process at the other end of the connected local socket `descriptor`
// runs as the user who runs this program. False when it cannot be told.
// Where the system cannot tell (Windows, whose pipes the user's access
// rights guard), true.
bool PeerIsUser(qintptr descriptor);

} // namespace PrivateFolder
