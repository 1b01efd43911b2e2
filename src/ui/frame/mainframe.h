// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/hostlogins.h"
#include "platform/result.h"
#include "ui/toolkit/framewndex.h"

#include <QTimer>

#include <memory>

class CIconLibrary;
class CLanterraApp;
class CLanterraDoc;
class CLanterraView;
class CSettings;
class CToolBarEx;
class CTrayIcon;
class IShareLauncher;
class CFilterField;
class QComboBox;
class QLabel;
class QToolButton;

// The program's one top-level window: the rebar with the menu bar, the
// address bar (scheme box, start/stop button) and the toolbar; the share
// list as its client; the status bar. It owns the commands that are not
// tied to a share and remembers its own placement and band layout.
class CMainFrame : public CFrameWndEx
{
    Q_OBJECT
public:
    // The main window's entry among the settings' window placements.
    static const QString PlacementName;
    static constexpr int DefaultWidth = 600;
    static constexpr int DefaultHeight = 730;
    static constexpr int DefaultAddressBandWidth = 358;
    static constexpr int DefaultToolBandWidth = 290;

    // `settings` nullptr: CSettings::instance().
    explicit CMainFrame(CLanterraApp *app, CSettings *settings = nullptr, QWidget *parent = nullptr);
    ~CMainFrame() override;

    CLanterraView *View() const { return m_view; }
    CLanterraDoc *Document() const;
    CToolBarEx *ToolBar() const { return m_toolBar; }
    CToolBarEx *AddressBar() const { return m_addressBar; }
    QComboBox *SchemeBox() const { return m_schemeBox; }
    QToolButton *RefreshButton() const { return m_refreshButton; }
    QToolButton *SchemeButton() const { return m_schemeButton; }
    CFilterField *FilterField() const { return m_filterField; }
    QLabel *StatusPane() const { return m_statusPane; }
    QLabel *SweepPane() const { return m_sweepPane; }
    bool IsScanningShown() const { return m_scanningShown; }

    // Pane 0 of the status bar.
    void SetStatusText(const QString &text);
    void SetLauncher(std::shared_ptr<IShareLauncher> launcher);
    // Where logins are remembered: read at each scan start, written when the
    // user types one with "remember" (the desktop's secret store by default).
    void SetLoginKeeper(LoginKeeper keeper);

    void FillSchemeBox();
    void OnSchemeChange();
    // What the framework does at idle time: bring the start/stop button
    // back to "&Refresh:" once a scan has ended.
    void OnIdle();
    void UpdateSweepPane();
    void OnLanguageChanged();
    // The settings' icon library changed: load it and take its pictures.
    void OnIconLibraryChanged();
    // The loaded icon library, or nullptr for the built-in pictures.
    const CIconLibrary *IconLibrary() const { return m_iconLibrary.get(); }
    CTrayIcon *TrayIcon() const { return m_trayIcon.get(); }
    // Stores placement and bands in the settings (the close does it too).
    void SaveWindowState();
    // A later start of the program handed over its command line (the full
    // path of a file to open, or nothing): the window comes to the front,
    // restored from the tray or a minimised state, and opens the file as
    // File Open does.
    void OnHandOver(const QStringList &message);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(CCmdUI &ui) override;

    static MenuDef MainMenu();
    static QList<MenuItemDef> HelpMenu();

protected:
    void closeEvent(QCloseEvent *event) override;
    // Each time the window is mapped, the window manager is told again
    // whether it is to have a taskbar button (a hidden window loses it).
    void showEvent(QShowEvent *event) override;
    // The window's first exposure after a show: the window manager has taken
    // it on, and hears the taskbar state now (it forgets what it was told
    // while the window was being withdrawn and mapped again).
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Activation is passed on to the tray icon; a minimised window without
    // a taskbar button is hidden while the tray can bring it back.
    void changeEvent(QEvent *event) override;
    // A .net file dropped on the window is opened.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    CSettings *Settings() const;
    void CreateToolBars();
    void CreateAddressBar();
    void SetAddressTexts();
    void ApplyPlacement();
    void OnStartStop();
    void OnStopScan();
    void OnFocusSchemes();
    void OnFocusFilter();
    void OnFileOpen();
    void OnFileSaveAs();
    void AfterDocumentChange();
    // After File Open or a drop: the document, or why the file was refused.
    void AfterOpen(const Result<QString> &opened);
    // A file problem in the status bar and a message box (plain text).
    void TellFileProblem(const QString &message, bool isError);
    void FillViewMenu();
    void ToggleTaskbar();
    void ApplyTaskbarPresence();
    void ToggleTray();
    void OpenLink(const QString &url);
    void OnScanOptions();
    void OnEditScheme();
    void OnPreferences();
    void OnAbout();
    void OnHelpContents();
    // The framework's save: to the document's file, or to a name the user
    // is asked for when it has none or cannot be written. False when
    // nothing was saved.
    bool SaveDocumentNow();
    void LoadPictures();
    void LoadReBarBackground();
    void SetRefreshPicture();
    static QString RefreshButtonText(bool scanning);
    void FitRefreshButton();

    CLanterraApp *m_app = nullptr;
    CSettings *m_settings = nullptr;
    std::shared_ptr<IShareLauncher> m_launcher;
    LoginKeeper m_loginKeeper;
    CLanterraView *m_view = nullptr;
    CToolBarEx *m_toolBar = nullptr;
    CToolBarEx *m_addressBar = nullptr;
    QToolButton *m_schemeButton = nullptr;
    QToolButton *m_refreshButton = nullptr;
    QComboBox *m_schemeBox = nullptr;
    CFilterField *m_filterField = nullptr;
    QMenu *m_viewMenu = nullptr;
    QLabel *m_statusPane = nullptr;
    QLabel *m_sweepPane = nullptr;
    QTimer m_idleTimer;
    bool m_scanningShown = false;
    bool m_taskbarHintPending = false;
    std::unique_ptr<CIconLibrary> m_iconLibrary;
    std::unique_ptr<CTrayIcon> m_trayIcon;
};
