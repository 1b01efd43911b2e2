// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "languagerecord.h"

#include <QObject>
#include <QString>

#include <map>

class CSettings;
class CXmlMapper;

// Texts of the loaded language: section name -> number -> text. Lookups of
// missing texts store their default, so the first default asked for an entry
// is the one every later lookup gets until the next language load.
class CLanguageTable
{
public:
    using Section = std::map<int, QString>;

    QString LookupText(const QString &section, int number, const QString &defaultText);
    void Clear() { m_sections.clear(); }
    const std::map<QString, Section> &sections() const { return m_sections; }
    std::map<QString, Section> &sections() { return m_sections; }

    // Mapping routine of a language file's root element ("<language>"): the
    // header attributes into `header`, then every section with its strings.
    // Works in both directions; the program itself only reads these files.
    void MapLanguageFile(CXmlMapper &mapper, LanguageRecord &header);

private:
    std::map<QString, Section> m_sections;
};

// Root routine that takes only a language file's header attributes.
void MapLanguageHeader(CXmlMapper &mapper, LanguageRecord &header);

// The one table of the process; used on the user-interface thread.
CLanguageTable &LanguageTable();
QString LookupText(const QString &section, int number, const QString &defaultText);

// Lists the .lng files below the locales folder into settings.languages and
// loads the configured language (falls back to "English" and the built-in texts).
void ScanLanguages(CSettings &settings);
// Loads the language at `index` of settings.languages and announces the change.
void SelectLanguage(CSettings &settings, int index);
// Goes back to the built-in English texts (no file) and announces it.
void SelectBuiltInLanguage(CSettings &settings);

// The help file used when the language in use has none of its own.
QString FallbackHelpPath();
// Help is shown from an HTML page beside the help file's name: the same
// folder and title, extension ".html".
QString HelpHtmlPath(const QString &helpPath);

// Announces language changes (the main window listens to re-translate).
class CLanguageNotifier : public QObject
{
    Q_OBJECT
public:
    static CLanguageNotifier &instance();
signals:
    void languageChanged();
};
