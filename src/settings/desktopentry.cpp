// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopentry.h"

#include "platform/fileaccess.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString unescapeValue(QStringView raw)
{
    QString value;
    value.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'\\' && i + 1 < raw.size()) {
            const QChar next = raw[++i];
            switch (next.unicode()) {
            case 's': value += u' '; break;
            case 'n': value += u'\n'; break;
            case 't': value += u'\t'; break;
            case 'r': value += u'\r'; break;
            case '\\': value += u'\\'; break;
            default: value += u'\\'; value += next; break; // Exec's own escapes, undone later
            }
        } else {
            value += raw[i];
        }
    }
    return value;
}

QString resolveProgram(const QString &program)
{
    if (program.isEmpty())
        return {};
    const QString found = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        return {};
    const QString canonical = QFileInfo(found).canonicalFilePath();
    return canonical.isEmpty() ? found : canonical;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::Read(const QString &path)
{
    // Entries are found in folders anyone may put files in: a pipe or a
    // device there must not hold the program, nor fill its memory.
    const Result<QByteArray> read = FileAccess::ReadRegularFile(path, 1024 * 1024);
    if (!read)
        return std::nullopt;
    const QByteArray &bytes = read.value();
    DesktopEntry entry;
    entry.m_filePath = path;
    bool inEntryGroup = false;
    bool sawGroup = false;
    const QList<QByteArray> lines = bytes.split('\n');
    for (const QByteArray &rawLine : lines) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inEntryGroup = line == u"[Desktop Entry]";
            sawGroup = sawGroup || inEntryGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inEntryGroup || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!entry.m_values.contains(key))
            entry.m_values.insert(key, unescapeValue(QStringView(line).mid(equals + 1).trimmed()));
    }
    if (!sawGroup)
        return std::nullopt;
    return entry;
}

QString DesktopEntry::localizedValue(const QString &key, const QString &localeName) const
{
    QString locale = localeName.section(u'.', 0, 0).section(u'@', 0, 0);
    for (const QString &candidate : {locale, locale.section(u'_', 0, 0)}) {
        if (candidate.isEmpty() || candidate == u"C" || candidate == u"POSIX")
            continue;
        const QString localized = key + u'[' + candidate + u']';
        if (m_values.contains(localized))
            return m_values.value(localized);
    }
    return m_values.value(key);
}

bool DesktopEntry::isHidden() const
{
    return value(QStringLiteral("Hidden")) == u"true";
}

QStringList DesktopEntry::execArguments() const
{
    return SplitExecLine(value(QStringLiteral("Exec")));
}

QStringList SplitExecLine(const QString &exec)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size()
                && QStringView(u"\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else if (c == u'"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == u'"') {
            quoted = true;
            inArgument = true;
        } else if (c == u' ' || c == u'\t') {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.append(current);
    return arguments;
}

QStringList DesktopEntryFolders()
{
    QStringList folders;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    folders << dataHome + QStringLiteral("/applications");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    const QStringList dirs = dataDirs.split(u':', Qt::SkipEmptyParts);
    for (const QString &dir : dirs)
        folders << dir + QStringLiteral("/applications");
    return folders;
}

QString FindDesktopEntry(const QString &id)
{
    if (id.isEmpty() || id.contains(u'/'))
        return {};
    for (const QString &folder : DesktopEntryFolders()) {
        const QString direct = folder + u'/' + id;
        if (QFileInfo(direct).isFile())
            return direct;
        // Entries in subfolders have ids with '-' for '/'.
        if (id.contains(u'-')) {
            QString nested = id;
            nested.replace(u'-', u'/');
            if (QFileInfo(folder + u'/' + nested).isFile())
                return folder + u'/' + nested;
        }
    }
    return {};
}

std::optional<DesktopEntry> DesktopEntryForProgram(const QString &program)
{
    const QString wanted = resolveProgram(program);
    if (wanted.isEmpty())
        return std::nullopt;
    for (const QString &folder : DesktopEntryFolders()) {
        const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.desktop")}, QDir::Files,
                                                                QDir::Name);
        for (const QFileInfo &file : files) {
            std::optional<DesktopEntry> entry = DesktopEntry::Read(file.filePath());
            if (!entry || entry->isHidden() || entry->value(QStringLiteral("Type")) != u"Application")
                continue;
            const QStringList exec = entry->execArguments();
            if (!exec.isEmpty() && resolveProgram(exec.first()) == wanted)
                return entry;
        }
    }
    return std::nullopt;
}
