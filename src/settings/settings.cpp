// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings.h"

#include "languagetable.h"
#include "messageformat.h"

#include "platform/fileaccess.h"
#include "platform/paths.h"
#include "xml/xmldocument.h"
#include "xml/xmlmapping.h"
#include "xml/xmlreader.h"

#include <QDir>
#include <QFileInfo>

namespace {

CSettings *g_instance = nullptr;

// Written into new files and carried through every load and save; nothing
// computes or checks it.
constexpr QStringView StartCheckValue = u"8A3F5C21E09D4B7761C2F0A9E53B4";

constexpr QStringView RootName = u"settings";
constexpr QStringView FileVersion = u"1.0";

const QString ProblemSection = QStringLiteral("Settings file");

// How the first two bytes of a file that is not UTF-16LE read as one code unit.
SettingsLoadProblem EncodingOf(QStringView text)
{
    const char16_t first = text.isEmpty() ? 0 : text[0].unicode();
    const unsigned char low = first & 0xFF;
    const unsigned char high = first >> 8;
    if (first == 0xFFFE || (low == 0 && high == '<'))
        return SettingsLoadProblem::Utf16BigEndian;
    if (first == 0xBBEF || (low == '<' && high >= 0x20 && high < 0x7F))
        return SettingsLoadProblem::Utf8;
    return SettingsLoadProblem::None;
}

bool HasSettingsRoot(QStringView text)
{
    auto *xmlReader = new CXmlReader;
    CXmlMapperRef reader(xmlReader);
    reader->Text(text);
    reader->Token(u"<settings>");
    QString version;
    reader->Token(u"@version");
    MapString(*reader, version);
    // A root of another name still gives its first attribute before the
    // reader freezes.
    return !xmlReader->isFrozen();
}

void mapBand(CXmlMapper &mapper, ToolbarBand &band)
{
    mapper.Token(u"@id");
    mapper.MapInt(band.id);
    mapper.Token(u"@cx");
    mapper.MapInt(band.cx);
    mapper.Token(u"@style");
    mapper.MapInt(band.style);
}

void mapPlacement(CXmlMapper &mapper, WindowPlacement &placement)
{
    placement.length = 44;
    mapper.Token(u"@flags");
    mapper.MapInt(placement.flags);
    mapper.Token(u"@show");
    mapper.MapInt(placement.showCmd);
    mapper.Token(u"@left");
    mapper.MapInt(placement.left);
    mapper.Token(u"@right");
    mapper.MapInt(placement.right);
    mapper.Token(u"@top");
    mapper.MapInt(placement.top);
    mapper.Token(u"@bottom");
    mapper.MapInt(placement.bottom);
}

void createFolderOf(const QString &filePath)
{
    // Failure is ignored: the load or save that follows reports it.
    QDir().mkpath(QFileInfo(filePath).absolutePath());
}

} // namespace

CSettings::CSettings()
    : checkValue(StartCheckValue.toString())
{
}

CSettings::~CSettings() = default;

CSettings *CSettings::instance()
{
    return g_instance;
}

void CSettings::setInstance(CSettings *settings)
{
    g_instance = settings;
}

void CSettings::Startup()
{
    const bool loaded = Load().ok();
    ScanLanguages(*this);
    // Built after the language is loaded, so a first start gets translated names.
    if (!loaded)
        BuildDefaultSchemes();
}

void CSettings::Shutdown()
{
    Save();
}

QString CSettings::filePath() const
{
    if (!m_filePath.isEmpty())
        return m_filePath;
    return Paths::settingsFolder() + QStringLiteral("/settings.xml");
}

Result<void> CSettings::Load()
{
    const QString path = filePath();
    createFolderOf(path);
    schemes.clear();
    // Bands are a list: a second load must not append to the first one's.
    toolbarBands.clear();
    m_loadProblem = SettingsLoadProblem::None;
    m_problemDetail.clear();
    m_problemPath.clear();
    m_keptOriginal.clear();
    m_keepOriginal = false;

    // Only a settings file in a folder the user cannot write to is saved in
    // place; one cut short there is put back from its copy.
    if (const Result<QString> restored = RestoreCutSave(path); !restored)
        qCWarning(lcFile) << "settings cut short by a save, not restored:" << restored.reason();
    const Result<QString> text = ReadXmlFileText(path);
    if (!text) {
        // A first start has no file: nothing to tell, nothing to keep.
        if (QFileInfo::exists(path)) {
            m_loadProblem = SettingsLoadProblem::Unreadable;
            m_problemDetail = text.reason();
            m_problemPath = path;
        }
        DetectDefaults();
        return Failed(text.reason());
    }
    bool version10 = false;
    const XmlReadEnd end =
        ReadXmlText(text.value(), RootName, [&](CXmlMapper &mapper) { version10 = MapSettings(mapper); });
    NoteLoadProblem(path, text.value(), version10, end == XmlReadEnd::Whole);
    if (schemes.empty()) {
        selectedScheme = 0;
        BuildDefaultSchemes();
    }
    return {};
}

void CSettings::NoteLoadProblem(const QString &path, QStringView text, bool version10, bool readWhole)
{
    // An empty file holds nothing that could be lost.
    if (text.isEmpty() || (version10 && readWhole))
        return;
    if (const SettingsLoadProblem encoding = EncodingOf(text); encoding != SettingsLoadProblem::None)
        m_loadProblem = encoding;
    else if (!HasSettingsRoot(text))
        m_loadProblem = SettingsLoadProblem::NotSettings;
    else if (!version10)
        m_loadProblem = SettingsLoadProblem::OtherVersion;
    else
        m_loadProblem = SettingsLoadProblem::ReadInPart;
    m_problemPath = path;
    // What the reader could not take would be gone with the first save.
    m_keepOriginal = true;
    m_keptOriginal = FileAccess::BackupPathFor(path);
    qCInfo(lcFile) << "settings read only in part:" << path;
}

QString CSettings::LoadProblemText(bool savesAtExit) const
{
    QString reason;
    switch (m_loadProblem) {
    case SettingsLoadProblem::None:
        return {};
    case SettingsLoadProblem::Unreadable:
        reason =
            FormatMessage(LookupText(ProblemSection, 7, QStringLiteral("It cannot be read: %s")), {m_problemDetail});
        break;
    case SettingsLoadProblem::NotSettings:
        reason = LookupText(ProblemSection, 9, QStringLiteral("It is no settings file of this program."));
        break;
    case SettingsLoadProblem::OtherVersion:
        reason = FormatMessage(LookupText(ProblemSection, 3, QStringLiteral("It is of another version (\"%s\").")),
                               {m_problemDetail});
        break;
    case SettingsLoadProblem::Utf8:
        reason = LookupText(ProblemSection, 4,
                            QStringLiteral("It is saved as UTF-8 or plain text; the settings file is UTF-16 "
                                           "little-endian."));
        break;
    case SettingsLoadProblem::Utf16BigEndian:
        reason = LookupText(ProblemSection, 5,
                            QStringLiteral("It is saved as UTF-16 big-endian; the settings file is UTF-16 "
                                           "little-endian."));
        break;
    case SettingsLoadProblem::ReadInPart:
        reason = LookupText(ProblemSection, 6,
                            QStringLiteral("It ends early, or holds elements in places this version does not know."));
        break;
    }
    QString text = FormatMessage(LookupText(ProblemSection, 0,
                                            QStringLiteral("The settings file \"%s\" could not be read fully.")),
                                 {QDir::toNativeSeparators(m_problemPath)})
                   + u' ' + reason + QStringLiteral("\n\n");
    if (!savesAtExit)
        return text
               + LookupText(ProblemSection, 2,
                            QStringLiteral("Default settings are used for what could not be read; the file is "
                                           "left as it is."));
    if (m_loadProblem == SettingsLoadProblem::Unreadable)
        return text
               + LookupText(ProblemSection, 8,
                            QStringLiteral("The program has started with default settings. Settings changed "
                                           "now are not saved, so that the file stays as it is."));
    return text
           + FormatMessage(LookupText(ProblemSection, 1,
                                      QStringLiteral("The program has started with default settings for what "
                                                     "could not be read. When it ends, it keeps the original "
                                                     "as \"%s\".")),
                           {QDir::toNativeSeparators(m_keptOriginal)});
}

Result<void> CSettings::Save()
{
    const QString path = filePath();
    createFolderOf(path);
    if (m_loadProblem == SettingsLoadProblem::Unreadable && path == m_problemPath) {
        qCWarning(lcFile) << "settings not written: the file there could not be read:" << path;
        return Failed(QStringLiteral("The file there could not be read; it is left as it is."));
    }
    if (m_keepOriginal && QFileInfo::exists(path)) {
        const Result<QString> backup = FileAccess::KeepBackupCopy(path);
        if (!backup) {
            qCWarning(lcFile) << "settings not written: the original could not be kept:" << path << backup.reason();
            return Failed(backup.reason());
        }
        m_keptOriginal = backup.value();
        qCInfo(lcFile) << "kept the original of" << path << "as" << m_keptOriginal;
    }
    m_keepOriginal = false;
    return SaveXmlDocument(path, RootName, [this](CXmlMapper &mapper) { MapSettings(mapper); });
}

bool CSettings::MapSettings(CXmlMapper &mapper)
{
    QString version = FileVersion.toString();
    mapper.Token(u"@version");
    MapString(mapper, version);
    // A file of another version keeps every start value rather than taking
    // fields whose meaning may have changed.
    if (version != FileVersion) {
        m_problemDetail = version;
        return false;
    }

    mapper.Token(u"@crc");
    MapString(mapper, checkValue);

    mapper.Token(u"<document>");
    mapper.Token(u"@name");
    MapString(mapper, documentPath);
    mapper.Token(u"</document>");

    mapper.Token(u"<language>");
    mapper.Token(u"@name");
    MapString(mapper, language);
    mapper.Token(u"</language>");

    mapper.Token(u"<iconlib>");
    mapper.Token(u"@name");
    MapString(mapper, iconLibrary);
    mapper.Token(u"</iconlib>");

    mapper.Token(u"<automation>");
    mapper.Token(u"@autoScan");
    MapBool(mapper, autoScan);
    mapper.Token(u"@autoSave");
    MapBool(mapper, autoSave);
    mapper.Token(u"@autoLoad");
    MapBool(mapper, autoLoad);
    mapper.Token(u"</automation>");

    mapper.Token(u"<marking>");
    mapper.Token(u"@before");
    MapBool(mapper, markBeforeScan);
    mapper.Token(u"@after");
    MapBool(mapper, markAfterLoad);
    mapper.Token(u"</marking>");

    mapper.Token(u"<application>");
    mapper.Token(u"@name");
    MapString(mapper, programName);
    mapper.Token(u"@default");
    MapBool(mapper, browseByDefault);
    mapper.Token(u"<path>");
    MapString(mapper, programPath);
    mapper.Token(u"</path>");
    mapper.Token(u"<parm>");
    MapString(mapper, programParameters);
    mapper.Token(u"</parm>");
    mapper.Token(u"</application>");

    mapper.Token(u"<toolbars>");
    mapper.Token(u"<toolbar>");
    MapList(mapper, toolbarBands, mapBand);
    mapper.Token(u"</toolbar>");
    mapper.Token(u"</toolbars>");

    mapper.Token(u"<window>");
    mapper.Token(u"@showOnTaskBar");
    MapBool(mapper, showOnTaskBar);
    mapper.Token(u"@showInTray");
    MapBool(mapper, showInTray);
    mapper.Token(u"</window>");

    mapper.Token(u"<positions>");
    mapper.Token(u"<position>");
    mapper.Token(u"@name");
    MapList(mapper, placements, mapPlacement);
    mapper.Token(u"</position>");
    mapper.Token(u"</positions>");

    mapper.Token(u"<schemes>");
    mapper.Token(u"@selected");
    mapper.MapInt(selectedScheme);
    mapper.Token(u"<scheme>");
    MapList(mapper, schemes, MapScheme);
    mapper.Token(u"</scheme>");
    mapper.Token(u"</schemes>");

    // Newer than the rest: a file without it is still read whole, and the
    // switch stays off. Last, so that builds that know nothing of it find
    // everything else where they look for it.
    if (mapper.IsStoring() || mapper.HasNext(u"<network>", 0)) {
        mapper.Token(u"<network>");
        mapper.Token(u"@allowSmb1");
        MapBool(mapper, allowSmb1);
        mapper.Token(u"</network>");
    }
    return true;
}

int CSettings::AddScheme(const QString &name)
{
    auto scheme = std::make_unique<ShareScheme>();
    scheme->name = name;
    schemes.push_back(std::move(scheme));
    return int(schemes.size()) - 1;
}

ShareScheme *CSettings::GetScheme(int index) const
{
    if (index < 0 || index >= int(schemes.size()))
        return nullptr;
    return schemes[index].get();
}

ShareScheme *CSettings::DuplicateScheme(int index, const QString &newName)
{
    const ShareScheme *source = GetScheme(index);
    if (!source)
        return nullptr;
    ShareScheme *copy = schemes[AddScheme(QString())].get();
    *copy = *source;
    copy->name = newName;
    return copy;
}

std::unique_ptr<ShareScheme> CSettings::RemoveScheme(int index)
{
    if (index < 0 || index >= int(schemes.size()))
        return nullptr;
    std::unique_ptr<ShareScheme> removed = std::move(schemes[index]);
    schemes.erase(schemes.begin() + index);
    return removed;
}

bool CSettings::SchemeExists(const QString &name) const
{
    for (const auto &scheme : schemes) {
        if (scheme->name == name)
            return true;
    }
    return false;
}
