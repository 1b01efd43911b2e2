// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "languagerecord.h"
#include "sharescheme.h"

#include <QList>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class CXmlMapper;

// A saved window position (the shape of the platform's placement record).
struct WindowPlacement
{
    int length = 44;
    int flags = 0;
    int showCmd = 0;
    int minX = 0, minY = 0;
    int maxX = 0, maxY = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
};

// One band of the main window's bar container, in display order.
struct ToolbarBand
{
    int id = 0;
    int cx = 0;
    int style = 0;
};

// All user preferences. Fields are read and written directly; the file is
// read once at start (Startup) and written once at exit (Shutdown).
class CSettings
{
public:
    CSettings();
    ~CSettings();
    CSettings(const CSettings &) = delete;
    CSettings &operator=(const CSettings &) = delete;

    // The process-wide instance, set by whoever owns it (the program's main).
    static CSettings *instance();
    static void setInstance(CSettings *settings);

    // Start-up: Load, then the language list, then default schemes if needed.
    void Startup();
    // Shut-down: Save.
    void Shutdown();

    // Reads settings.xml; false when the file cannot be opened.
    bool Load();
    // Writes settings.xml (through a temporary file; the old one stays on failure).
    void Save();
    void MapSettings(CXmlMapper &mapper);

    // First-run defaults: language from the locale, browsing program, icon library.
    void DetectDefaults();

    // Scheme list
    int AddScheme(const QString &name);
    ShareScheme *GetScheme(int index) const;
    int GetSchemeCount() const { return int(schemes.size()); }
    ShareScheme *DuplicateScheme(int index, const QString &newName);
    std::unique_ptr<ShareScheme> RemoveScheme(int index);
    bool SchemeExists(const QString &name) const;
    void BuildDefaultSchemes();

    // settings.xml path (folders Brevant/Lanterra under the user's config
    // folder); overridable for tests.
    QString filePath() const;
    void setFilePath(const QString &path) { m_filePath = path; }

    int selectedScheme = 0;
    bool autoLoad = true;
    bool autoSave = true;
    bool autoScan = false;
    bool markBeforeScan = true;
    bool markAfterLoad = true;
    QString documentPath;
    bool browseByDefault = false;
    QString programName;
    QString programPath;
    QString programParameters;
    bool showOnTaskBar = true;
    bool showInTray = false;
    int languageIndex = -1;
    QString iconLibrary;
    QString language;
    QString helpPath;
    QString checkValue;
    QList<LanguageRecord> languages;
    std::map<QString, WindowPlacement> placements;
    QList<ToolbarBand> toolbarBands;
    std::vector<std::unique_ptr<ShareScheme>> schemes;
    LanguageRecord currentLanguage;

private:
    QString m_filePath;
};
