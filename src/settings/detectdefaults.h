#pragma once

#include <QString>
#include <QStringView>

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

// Title (name without ".icl") of the first icon library in `folder`, or empty.
QString FirstIconLibrary(const QString &folder);
