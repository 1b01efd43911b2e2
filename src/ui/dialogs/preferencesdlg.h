// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/toolkit/dialogbase.h"

#include <functional>

class CSettings;

// The program-wide settings: automation, SMB1, marking, taskbar and tray,
// the browsing program, the language and the icon library.
class CPreferencesDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 206;
    enum ControlId {
        IdGeneral = 1147,
        IdAutoLoad = 1153,
        IdAutoScan = 1154,
        IdAutoSave = 1155,
        IdMarkAfter = 1059,
        IdMarkBefore = 1060,
        IdDisplay = 1102,
        IdTaskbar = 1126,
        IdTray = 1127,
        IdBrowsing = 1103,
        IdProgramLabel = 1159,
        IdProgramRow = 1164,
        IdProgramButton = 1158,
        IdInterface = 1149,
        IdLanguageLabel = 1132,
        IdIconLabel = 1131,
        IdLanguage = 1138,
        IdIconLibrary = 1139,
        IdAllowSmb1 = 1156,
    };
    // The icon box entry for the built-in pictures.
    enum TextKey { BuiltInIconsKey = 65000 };

    // `settings` nullptr: CSettings::instance().
    explicit CPreferencesDlg(CSettings *settings, QWidget *parent = nullptr);

    // The *.icl files of the icons folder, by title, in the order found
    // (folders named *.icl skipped).
    static QStringList IconLibraries(const QString &folder);

    // Replaceable for tests: the Program For Browsing dialog.
    std::function<void()> runProgramDialog;
    QString iconsFolder;

    void InitDialog() override;
    void OnLanguageChange(int index);
    void OnIconLibraryChange(int index);

signals:
    // A command for the main window, posted (taskbar, tray).
    void postCommand(int command);
    // The icon library setting changed: the main window reloads its pictures.
    void iconLibraryChanged();

protected:
    void OnApply() override;

private:
    void FillProgramRow();

    CSettings *m_settings = nullptr;
    bool m_initialised = false;
};

// The program that browses a share: its name, path, parameters, and
// whether browsing is the default action.
class CProgramDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30985;
    enum ControlId { IdGroup = 1140, IdNameLabel = 1164, IdPathLabel = 1174, IdParmLabel = 1175, IdHint = 1165,
                     IdName = 1003, IdPath = 1004, IdParm = 1162, IdDefault = 1182, IdBrowse = 1158 };

    explicit CProgramDlg(CSettings *settings, QWidget *parent = nullptr);

    QString name;
    QString path;
    QString parameters;
    bool browseByDefault = false;

    // Replaceable for tests: the file chooser (empty: cancelled).
    std::function<QString()> chooseProgram;
    // The display name of a program file (its version information's product
    // or internal name); empty when it has none.
    static QString ProgramDisplayName(const QString &path);

    void InitDialog() override;
    void OnBrowse();

protected:
    void OnOk() override;

private:
    void UpdateData(bool save);
    CSettings *m_settings = nullptr;
};
