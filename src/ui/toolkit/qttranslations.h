// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QObject>
#include <QString>

#include <memory>

class QTranslator;

// Qt's own texts (message-box buttons, the file dialogs, "Ctrl" in shortcut
// names) in the program's language: the toolkit's translation catalogue of
// that language, from the folder Qt's translations are installed in, follows
// every language change. English, or a language Qt has no catalogue for,
// leaves Qt's built-in English.
class CQtTranslations : public QObject
{
    Q_OBJECT
public:
    // Installs the one instance of the process and loads the language in use
    // now; later calls do nothing.
    static void Install();
    static CQtTranslations *instance();

    // The locale a language folder name ("German") stands for; C for none.
    static QLocale LocaleOfLanguage(const QString &folder);
    // Loads the catalogue for `folder`; false when there is none (English
    // included), which leaves Qt's built-in texts.
    bool Load(const QString &folder);
    // The folder name loaded last, empty for none.
    QString loaded() const { return m_loaded; }

private:
    CQtTranslations();
    ~CQtTranslations() override;

    std::unique_ptr<QTranslator> m_translator;
    QString m_loaded;
};

// `text` with the shortcut after its tab written as the desktop names the
// keys in the program's language ("Ctrl+N" becomes "Strg+N" in German).
// Texts without a tab, or with a shortcut Qt cannot read, stay as they are.
QString NativeShortcutText(const QString &text);
