// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// One installed language file (or, with only the first three fields filled,
// the header of the language in use).
struct LanguageRecord
{
    QString format;
    QString title;
    QString author;
    QString filePath;
    QString iconPath;
    QString folder;
    QString fileTitle;
};
