// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// A freedesktop.org desktop entry (*.desktop): the keys of its
// "[Desktop Entry]" group, with the file format's escapes undone.
class DesktopEntry
{
public:
    static std::optional<DesktopEntry> Read(const QString &path);

    QString filePath() const { return m_filePath; }
    QString value(const QString &key) const { return m_values.value(key); }
    // Name[de_DE], Name[de], then Name, for a locale name like "de_DE.UTF-8".
    QString localizedValue(const QString &key, const QString &localeName) const;
    bool isHidden() const;
    // The Exec line split into program and arguments, field codes left in.
    QStringList execArguments() const;

private:
    QString m_filePath;
    QMap<QString, QString> m_values;
};

// The Exec quoting rules: arguments separated by spaces, double quotes
// group, and inside them a backslash escapes " ` $ and \.
QStringList SplitExecLine(const QString &exec);

// Folders that hold desktop entries, most important first
// ($XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS/applications).
QStringList DesktopEntryFolders();
// The file of a desktop entry by its id ("org.example.Files.desktop"), or
// empty; an id "a-b.desktop" also matches "a/b.desktop" below a folder.
QString FindDesktopEntry(const QString &id);
// The first visible desktop entry whose Exec program is `program` (both
// resolved through PATH and symbolic links).
std::optional<DesktopEntry> DesktopEntryForProgram(const QString &program);
