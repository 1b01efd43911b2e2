// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class DesktopEntry;

// Helpers of the first-run detection (CSettings::DetectDefaults).

// The language setting for a C library locale name: "de_DE.UTF-8" gives
// "German", "German_Germany.1252" gives "German", "C" and "POSIX" give "English".
QString LanguageFromLocaleName(QStringView localeName);

// The name of the user's default C library locale, which this also makes the
// program's locale. Falls back to the environment when that locale is not
// installed, so the user's language is still recognised.
QString SystemLocaleName();

// Install folder of the default file manager for browsing; empty when it is
// not installed or the platform has no record of it.
QString BrowsingProgramFolder();

// A program for browsing as the settings hold it: display name, program
// file and parameters with "%s" where the share's address goes.
struct BrowsingProgram
{
    QString name;
    QString path;
    QString parameters;
};

// The desktop's default file manager (the handler of folders,
// "inode/directory") as a program for browsing; none when the desktop has
// no such handler or its program is not installed.
std::optional<BrowsingProgram> DesktopFileManager();
// The desktop's opener of addresses (xdg-open, which the package depends
// on) as a program for browsing: it hands an smb:// address to whatever the
// desktop has for it. Its full path when it is on PATH, else its name.
BrowsingProgram DesktopOpener();
// The ids of the desktop entries chosen for a MIME type, best first: the
// defaults of every mimeapps.list, then their added associations, then the
// installed entries' own claims (mimeinfo.cache).
QStringList MimeHandlerIds(const QString &mimeType);
// A desktop entry's Exec line as program and parameters: the first file or
// URL field code (%f %F %u %U) becomes "%s", the others are dropped, %i %c
// %k and %% are expanded; without any, "%s" is appended.
std::optional<BrowsingProgram> BrowsingProgramFromEntry(const DesktopEntry &entry);
// Arguments joined into one parameter text that splitting as a command
// line gives back unchanged.
QString JoinArguments(const QStringList &arguments);

// Title (name without ".icl") of the first icon library in `folder`, or empty.
QString FirstIconLibrary(const QString &folder);
