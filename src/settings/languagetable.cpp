#include "languagetable.h"

#include "settings.h"

QString CLanguageTable::LookupText(const QString &section, int number, const QString &defaultText)
{
    QString &text = m_sections[section][number];
    if (text.isEmpty())
        text = defaultText;
    return text;
}

CLanguageTable &LanguageTable()
{
    static CLanguageTable table;
    return table;
}

QString LookupText(const QString &section, int number, const QString &defaultText)
{
    return LanguageTable().LookupText(section, number, defaultText);
}

CLanguageNotifier &CLanguageNotifier::instance()
{
    static CLanguageNotifier notifier;
    return notifier;
}

// TODO(languages): listing and loading of language files.
void CLanguageTable::MapLanguageFile(CXmlMapper &, LanguageRecord &) {}
void ScanLanguages(CSettings &settings)
{
    settings.languageIndex = -1;
    settings.language = QStringLiteral("English");
}
void SelectLanguage(CSettings &, int) {}
