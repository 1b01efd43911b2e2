// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "languagerecord.h"
#include "sharescheme.h"

#include "platform/result.h"

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

// Why a settings.xml that was there could not be read whole at start.
enum class SettingsLoadProblem {
    // Read whole, or no file at all (a first start).
    None,
    // There, but not a regular file the program may read.
    Unreadable,
    // Its root element is not "settings" (not XML, another program's file).
    NotSettings,
    // Its version attribute is not "1.0".
    OtherVersion,
    // Converted to UTF-8 (or plain text) by an editor.
    Utf8,
    // Saved as UTF-16 big-endian.
    Utf16BigEndian,
    // Cut off, or holding elements this version does not know.
    ReadInPart,
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

    // Reads settings.xml; fails when the file cannot be opened. A file that
    // is there but could not be read whole is recorded as loadProblem(),
    // for the message the window shows once it is up.
    Result<void> Load();
    // Writes settings.xml (through a temporary file; the old one stays on
    // failure). After a load problem the original is first kept as a backup
    // (keptOriginalPath()); when that cannot be made, or the file could not
    // be read at all, nothing is written and the file stays as it was.
    Result<void> Save();
    // False when the file's version is not "1.0" (nothing else is mapped).
    bool MapSettings(CXmlMapper &mapper);

    SettingsLoadProblem loadProblem() const { return m_loadProblem; }
    // Where the original is kept at the first save after a load problem:
    // the name it will get until then, the name it got after.
    const QString &keptOriginalPath() const { return m_keptOriginal; }
    // The message for the user (translated), empty without a load problem.
    // `savesAtExit`: the program writes the settings when it ends (the
    // window) and so keeps the original then; otherwise (lanterra-scan) the
    // file is left as it is.
    QString LoadProblemText(bool savesAtExit) const;

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
    // Hosts that speak only SMB1 are listed with it (off: shown as such).
    bool allowSmb1 = false;
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
    void NoteLoadProblem(const QString &path, QStringView text, bool version10, bool readWhole);

    QString m_filePath;
    SettingsLoadProblem m_loadProblem = SettingsLoadProblem::None;
    // The version text of another version, or why the file could not be read.
    QString m_problemDetail;
    QString m_problemPath;
    QString m_keptOriginal;
    bool m_keepOriginal = false;
};
