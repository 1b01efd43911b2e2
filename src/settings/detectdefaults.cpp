// SPDX-License-Identifier: GPL-3.0-or-later
#include "detectdefaults.h"

#include "desktopentry.h"
#include "iconlibrary.h"
#include "platform/paths.h"
#include "settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
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

namespace {

// The "[Group]" list values of `key` in a mimeapps.list or mimeinfo.cache.
QStringList listValues(const QString &path, const QString &group, const QString &key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 4 * 1024 * 1024)
        return {};
    bool inGroup = false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == u'[' + group + u']';
        } else if (inGroup && line.section(u'=', 0, 0).trimmed() == key) {
            return line.section(u'=', 1).split(u';', Qt::SkipEmptyParts);
        }
    }
    return {};
}

QStringList envList(const char *variable, const QString &fallback)
{
    QString value = qEnvironmentVariable(variable);
    if (value.isEmpty())
        value = fallback;
    return value.split(u':', Qt::SkipEmptyParts);
}

// The mimeapps.list files in the order of precedence, desktop-specific
// ones before the general one in each folder.
QStringList mimeAppsLists()
{
    QStringList folders;
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    folders << configHome << envList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    folders << dataHome + QStringLiteral("/applications");
    for (const QString &dir : envList("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")))
        folders << dir + QStringLiteral("/applications");

    const QStringList desktops = envList("XDG_CURRENT_DESKTOP", QString());
    QStringList files;
    for (const QString &folder : std::as_const(folders)) {
        for (const QString &desktop : desktops)
            files << folder + u'/' + desktop.toLower() + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    }
    return files;
}

} // namespace

QStringList MimeHandlerIds(const QString &mimeType)
{
    QStringList ids;
    QStringList removed;
    const QStringList lists = mimeAppsLists();
    for (const QString &list : lists)
        ids << listValues(list, QStringLiteral("Default Applications"), mimeType);
    for (const QString &list : lists) {
        removed << listValues(list, QStringLiteral("Removed Associations"), mimeType);
        ids << listValues(list, QStringLiteral("Added Associations"), mimeType);
    }
    for (const QString &folder : DesktopEntryFolders())
        ids << listValues(folder + QStringLiteral("/mimeinfo.cache"), QStringLiteral("MIME Cache"), mimeType);
    ids.removeDuplicates();
    for (const QString &id : std::as_const(removed))
        ids.removeAll(id);
    return ids;
}

QString JoinArguments(const QStringList &arguments)
{
    QStringList parts;
    for (const QString &argument : arguments) {
        if (!argument.isEmpty() && !argument.contains(u' ') && !argument.contains(u'\t')
            && !argument.contains(u'"')) {
            parts << argument;
            continue;
        }
        // Inside quotes, three quotes stand for one.
        QString quoted = argument;
        quoted.replace(u'"', QStringLiteral("\"\"\""));
        parts << u'"' + quoted + u'"';
    }
    return parts.join(u' ');
}

std::optional<BrowsingProgram> BrowsingProgramFromEntry(const DesktopEntry &entry)
{
    const QStringList exec = entry.execArguments();
    if (exec.isEmpty())
        return std::nullopt;
    QString program = exec.first();
    if (!program.contains(u'/'))
        program = QStandardPaths::findExecutable(program);
    if (program.isEmpty() || !QFileInfo(program).isExecutable())
        return std::nullopt;

    const QString name = entry.localizedValue(QStringLiteral("Name"), SystemLocaleName());
    QStringList arguments;
    bool placed = false;
    for (const QString &argument : exec.mid(1)) {
        if (argument == u"%i") {
            // The icon code expands to two arguments, or to none.
            if (const QString icon = entry.value(QStringLiteral("Icon")); !icon.isEmpty())
                arguments << QStringLiteral("--icon") << icon;
            continue;
        }
        QString expanded;
        bool dropped = false;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] != u'%' || i + 1 == argument.size()) {
                expanded += argument[i];
                continue;
            }
            const QChar code = argument[++i];
            switch (code.unicode()) {
            case 'f': case 'F': case 'u': case 'U':
                if (!placed) {
                    expanded += QStringLiteral("%s");
                    placed = true;
                } else if (argument.size() == 2) {
                    dropped = true;
                }
                break;
            case 'c': expanded += name; break;
            case 'k': expanded += entry.filePath(); break;
            case '%': expanded += u'%'; break;
            default:
                // Deprecated codes (%d %D %n %N %v %m) expand to nothing.
                if (argument.size() == 2)
                    dropped = true;
                break;
            }
        }
        if (!dropped)
            arguments << expanded;
    }
    if (!placed)
        arguments << QStringLiteral("%s");
    return BrowsingProgram{name, program, JoinArguments(arguments)};
}

std::optional<BrowsingProgram> DesktopFileManager()
{
    QStringList ids = MimeHandlerIds(QStringLiteral("inode/directory"));
    if (ids.isEmpty()) {
        // Desktops that keep their choice elsewhere answer through xdg-mime.
        const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
        if (!xdgMime.isEmpty()) {
            QProcess query;
            query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("inode/directory")});
            if (query.waitForFinished(3000))
                ids = QString::fromUtf8(query.readAllStandardOutput()).split(u';', Qt::SkipEmptyParts);
            else
                query.kill();
            for (QString &id : ids)
                id = id.trimmed();
        }
    }
    for (const QString &id : std::as_const(ids)) {
        const std::optional<DesktopEntry> entry = DesktopEntry::Read(FindDesktopEntry(id));
        if (!entry || entry->isHidden())
            continue;
        if (std::optional<BrowsingProgram> program = BrowsingProgramFromEntry(*entry))
            return program;
    }
    return std::nullopt;
}

BrowsingProgram DesktopOpener()
{
    const QString name = QStringLiteral("xdg-open");
    const QString found = QStandardPaths::findExecutable(name);
    return BrowsingProgram{name, found.isEmpty() ? name : found, QStringLiteral("%s")};
}

QString FirstIconLibrary(const QString &folder)
{
    const QStringList libraries = ListIconLibraries(folder);
    return libraries.isEmpty() ? QString() : libraries.first();
}

void CSettings::DetectDefaults()
{
    language = LanguageFromLocaleName(SystemLocaleName());

#ifdef Q_OS_WIN
    // The path is written even when the file manager is missing, so the user
    // sees what browsing would run and can correct it in Preferences.
    programPath = BrowsingProgramFolder();
    programName = QStringLiteral("Total Commander");
    programPath += QStringLiteral("\\TotalCmd.exe");
    programParameters = QStringLiteral("/O /L=\"%s\"");
#else
    // Here the desktop's own file manager is the natural default; without
    // one, whatever the desktop opens smb:// addresses with.
    const BrowsingProgram program = DesktopFileManager().value_or(DesktopOpener());
    programName = program.name;
    programPath = program.path;
    programParameters = program.parameters;
#endif

    const QString library = FirstIconLibrary(Paths::iconsFolder());
    if (!library.isEmpty())
        iconLibrary = library;
}
