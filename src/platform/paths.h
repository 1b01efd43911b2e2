// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Where the program finds its own files and keeps the user's.
namespace Paths {

// Folders that may hold Locales/ and Icons/: the executable's folder first,
// then share/lanterra of the install tree the executable sits in, then that
// of the configured install prefix. LANTERRA_DATA_DIR, when set, replaces
// them all (tests and portable installs).
QStringList dataFolders();
// The first of dataFolders() that has `name` (e.g. "Locales"), with a
// trailing slash; the executable's folder + name when none has it.
QString dataFolder(const QString &name);
QString localesFolder();
QString iconsFolder();

// ~/.config/Brevant/Lanterra (created on demand by the callers).
QString settingsFolder();
// The user's Documents folder + "My Networks".
QString networksFolder();
// The user's cache folder + "Brevant/Lanterra/Saves": where a complete copy
// of a file is kept while the file is written in place (created on demand
// by the callers).
QString saveCopiesFolder();

} // namespace Paths
