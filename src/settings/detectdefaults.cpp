#include "detectdefaults.h"

#include "platform/paths.h"
#include "settings.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>

#include <clocale>
#include <cstring>

namespace {

QStringView cutAt(QStringView text, QChar c)
{
    const qsizetype at = text.indexOf(c);
    return at < 0 ? text : text.left(at);
}

} // namespace

QString LanguageFromLocaleName(QStringView localeName)
{
    QStringView name = cutAt(localeName, u'.');
    name = cutAt(name, u'_');
    name = cutAt(name, u'@'); // "sr@latin"
    if (name.isEmpty() || name == u"C" || name == u"POSIX")
        return QStringLiteral("English");

    // POSIX systems name locales by ISO 639 code; language folders are named
    // by the language's English name, which is what other systems report.
    static const QRegularExpression isoCode(QStringLiteral("^([a-z]{2,3})(-.*)?$"));
    const QRegularExpressionMatch match = isoCode.match(name);
    if (!match.hasMatch())
        return name.toString();
    const QLocale::Language language = QLocale(match.captured(1)).language();
    if (language == QLocale::C || language == QLocale::AnyLanguage)
        return QStringLiteral("English");
    return QLocale::languageToString(language);
}

QString SystemLocaleName()
{
    const char *name = std::setlocale(LC_ALL, "");
    if (!name) {
        for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const QString value = qEnvironmentVariable(variable);
            if (!value.isEmpty())
                return value;
        }
        return {};
    }
#ifdef LC_MESSAGES
    // Mixed categories come back as "LC_CTYPE=...;LC_NUMERIC=...;...": the
    // language of the texts is the one of the messages category.
    if (std::strchr(name, ';'))
        name = std::setlocale(LC_MESSAGES, nullptr);
#endif
    return QString::fromLocal8Bit(name);
}

QString BrowsingProgramFolder()
{
#ifdef Q_OS_WIN
    const QSettings key(QStringLiteral("HKEY_CURRENT_USER\\Software\\Ghisler\\Total Commander"),
                        QSettings::NativeFormat);
    return key.value(QStringLiteral("InstallDir")).toString();
#else
    return {};
#endif
}

QString FirstIconLibrary(const QString &folder)
{
    const QFileInfoList libraries = QDir(folder).entryInfoList({QStringLiteral("*.icl")}, QDir::Files,
                                                                QDir::Name | QDir::IgnoreCase);
    return libraries.isEmpty() ? QString() : libraries.first().completeBaseName();
}

void CSettings::DetectDefaults()
{
    language = LanguageFromLocaleName(SystemLocaleName());

    // The path is written even when the file manager is missing, so the user
    // sees what browsing would run and can correct it in Preferences.
    programPath = BrowsingProgramFolder();
    programName = QStringLiteral("Total Commander");
    programPath += QStringLiteral("\\TotalCmd.exe");
    programParameters = QStringLiteral("/O /L=\"%s\"");

    const QString library = FirstIconLibrary(Paths::iconsFolder());
    if (!library.isEmpty())
        iconLibrary = library;
}
