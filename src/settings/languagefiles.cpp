// SPDX-License-Identifier: GPL-3.0-or-later
// Listing the installed language files and loading one of them.
#include "languagetable.h"

#include "settings.h"

#include "platform/fileaccess.h"
#include "platform/paths.h"
#include "xml/xmldocument.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Folders and files in a fixed order, whatever order the file system keeps.
constexpr QDir::SortFlags kListingOrder = QDir::Name | QDir::IgnoreCase;

// The German table is 26 KB; a file a hundred times larger is no language
// file, and every file in the folder is read at each start.
constexpr qint64 maxLanguageFileBytes = 4 * 1024 * 1024;

// A file that cannot be read leaves the routine unrun (an empty header, the
// built-in texts).
void ReadLanguageFile(const QString &path, const XmlRootRoutine &routine)
{
    const Result<QByteArray> bytes = FileAccess::ReadRegularFile(path, maxLanguageFileBytes);
    if (!bytes) {
        qCWarning(lcFile) << "cannot read" << path << ":" << bytes.reason();
        return;
    }
    ReadXmlDocument(bytes.value(), u"language", routine);
}

LanguageRecord ListLanguageFile(const QString &locales, const QFileInfo &folder, const QFileInfo &file)
{
    LanguageRecord record;
    record.filePath = file.absoluteFilePath();
    record.folder = folder.completeBaseName();
    record.fileTitle = file.completeBaseName();
    record.iconPath = locales + folder.fileName() + u'/' + record.fileTitle + QStringLiteral(".ico");
    // A file that cannot be opened is listed all the same, with an empty header.
    ReadLanguageFile(record.filePath, [&record](CXmlMapper &mapper) { MapLanguageHeader(mapper, record); });
    return record;
}

} // namespace

QString FallbackHelpPath()
{
    return Paths::localesFolder() + QStringLiteral("English/English.hlp");
}

QString HelpHtmlPath(const QString &helpPath)
{
    if (helpPath.isEmpty())
        return {};
    const QFileInfo info(helpPath);
    return info.path() + u'/' + info.completeBaseName() + QStringLiteral(".html");
}

void ScanLanguages(CSettings &settings)
{
    const QString locales = Paths::localesFolder();
    settings.languageIndex = -1;
    settings.languages.clear();

    const QFileInfoList folders = QDir(locales).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, kListingOrder);
    for (const QFileInfo &folder : folders) {
        const QFileInfoList files = QDir(folder.absoluteFilePath())
                                        .entryInfoList({QStringLiteral("*.lng")}, QDir::Files, kListingOrder);
        for (const QFileInfo &file : files) {
            LanguageRecord record = ListLanguageFile(locales, folder, file);
            // A later match, in the same folder or a later one, wins.
            if (record.folder.compare(settings.language, Qt::CaseInsensitive) == 0)
                settings.languageIndex = int(settings.languages.size());
            settings.languages.append(std::move(record));
        }
    }

    if (settings.languageIndex == -1) {
        settings.language = QStringLiteral("English");
        settings.helpPath = FallbackHelpPath();
        return;
    }
    SelectLanguage(settings, settings.languageIndex);
}

void SelectBuiltInLanguage(CSettings &settings)
{
    LanguageTable().Clear();
    settings.languageIndex = -1;
    settings.language = QStringLiteral("English");
    settings.currentLanguage = LanguageRecord();
    settings.helpPath = FallbackHelpPath();
    emit CLanguageNotifier::instance().languageChanged();
}

void SelectLanguage(CSettings &settings, int index)
{
    if (index < 0 || index >= settings.languages.size())
        return;
    const LanguageRecord &record = settings.languages[index];

    CLanguageTable &table = LanguageTable();
    table.Clear();
    settings.languageIndex = index;
    settings.language = record.folder;
    settings.currentLanguage = LanguageRecord();
    ReadLanguageFile(record.filePath,
                     [&](CXmlMapper &mapper) { table.MapLanguageFile(mapper, settings.currentLanguage); });

    // The help file sits in the language's own folder, named after the folder.
    const QString helpPath = QFileInfo(record.filePath).absolutePath() + u'/' + record.folder + QStringLiteral(".hlp");
    const bool present = QFileInfo(helpPath).isFile() || QFileInfo(HelpHtmlPath(helpPath)).isFile();
    settings.helpPath = present ? helpPath : FallbackHelpPath();

    emit CLanguageNotifier::instance().languageChanged();
}
