#pragma once

#include <QObject>
#include <QString>
#include <QStringView>

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

    // Mapping routine of a language file's root element ("<language>").
    void MapLanguageFile(CXmlMapper &mapper, struct LanguageRecord &header);

private:
    std::map<QString, Section> m_sections;
};

// The one table of the process; used on the user-interface thread.
CLanguageTable &LanguageTable();
QString LookupText(const QString &section, int number, const QString &defaultText);

// Lists the .lng files below the locales folder into settings.languages and
// loads the configured language (falls back to "English" and the built-in texts).
void ScanLanguages(CSettings &settings);
// Loads the language at `index` of settings.languages and announces the change.
void SelectLanguage(CSettings &settings, int index);

// Announces language changes (the main window listens to re-translate).
class CLanguageNotifier : public QObject
{
    Q_OBJECT
public:
    static CLanguageNotifier &instance();
signals:
    void languageChanged();
};
