// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings.h"

#include "languagetable.h"
#include "platform/paths.h"
#include "xml/xmldocument.h"
#include "xml/xmlmapping.h"

#include <QDir>
#include <QFileInfo>

namespace {

CSettings *g_instance = nullptr;

// Written into new files and carried through every load and save; nothing
// computes or checks it.
constexpr QStringView StartCheckValue = u"8A3F5C21E09D4B7761C2F0A9E53B4";

constexpr QStringView RootName = u"settings";
constexpr QStringView FileVersion = u"1.0";

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
    const bool loaded = Load();
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

bool CSettings::Load()
{
    const QString path = filePath();
    createFolderOf(path);
    schemes.clear();
    // Bands are a list: a second load must not append to the first one's.
    toolbarBands.clear();

    if (!LoadXmlDocument(path, RootName, [this](CXmlMapper &mapper) { MapSettings(mapper); })) {
        DetectDefaults();
        return false;
    }
    if (schemes.empty()) {
        selectedScheme = 0;
        BuildDefaultSchemes();
    }
    return true;
}

void CSettings::Save()
{
    const QString path = filePath();
    createFolderOf(path);
    SaveXmlDocument(path, RootName, [this](CXmlMapper &mapper) { MapSettings(mapper); });
}

void CSettings::MapSettings(CXmlMapper &mapper)
{
    QString version = FileVersion.toString();
    mapper.Token(u"@version");
    MapString(mapper, version);
    // A file of another version keeps every start value rather than taking
    // fields whose meaning may have changed.
    if (version != FileVersion)
        return;

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
