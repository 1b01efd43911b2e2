// SPDX-License-Identifier: GPL-3.0-or-later
#include "qttranslations.h"

#include "settings/languagetable.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

CQtTranslations::CQtTranslations() = default;

CQtTranslations::~CQtTranslations()
{
    // Gone with the application, which has dropped its translators by then.
    if (m_translator && QCoreApplication::instance())
        QCoreApplication::removeTranslator(m_translator.get());
}

CQtTranslations *CQtTranslations::instance()
{
    static QPointer<CQtTranslations> translations;
    if (!translations) {
        // Lives as long as the application: the translator must outlast
        // every widget that asks it.
        translations = new CQtTranslations;
        translations->setParent(QCoreApplication::instance());
        connect(&CLanguageNotifier::instance(), &CLanguageNotifier::languageChanged, translations, [] {
            if (const CSettings *settings = CSettings::instance(); settings && translations)
                translations->Load(settings->language);
        });
    }
    return translations;
}

void CQtTranslations::Install()
{
    static bool installed = false;
    CQtTranslations *translations = instance();
    if (installed)
        return;
    installed = true;
    if (const CSettings *settings = CSettings::instance())
        translations->Load(settings->language);
}

QLocale CQtTranslations::LocaleOfLanguage(const QString &folder)
{
    // Language folders are named by the language's English name, as Qt
    // names its languages.
    for (int language = QLocale::C + 1; language <= QLocale::LastLanguage; ++language) {
        const auto candidate = QLocale::Language(language);
        if (QLocale::languageToString(candidate).compare(folder, Qt::CaseInsensitive) == 0)
            return QLocale(candidate);
    }
    return QLocale::c();
}

bool CQtTranslations::Load(const QString &folder)
{
    if (folder.compare(m_loaded, Qt::CaseInsensitive) == 0 && !folder.isEmpty())
        return bool(m_translator);
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    m_loaded.clear();
    const QLocale locale = LocaleOfLanguage(folder);
    if (locale.language() == QLocale::C || locale.language() == QLocale::English)
        return false;
    auto translator = std::make_unique<QTranslator>();
    // qtbase_<language>.qm, falling back from "de_DE" to "de".
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    m_translator = std::move(translator);
    QCoreApplication::installTranslator(m_translator.get());
    m_loaded = folder;
    return true;
}

QString NativeShortcutText(const QString &text)
{
    const qsizetype tab = text.indexOf(u'\t');
    if (tab < 0)
        return text;
    const QString keys = text.mid(tab + 1);
    const QKeySequence sequence = QKeySequence::fromString(keys, QKeySequence::PortableText);
    if (sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown)
        return text;
    // Only a sequence that reads back the same was understood whole.
    if (sequence.toString(QKeySequence::PortableText).compare(keys, Qt::CaseInsensitive) != 0)
        return text;
    return text.left(tab + 1) + sequence.toString(QKeySequence::NativeText);
}
