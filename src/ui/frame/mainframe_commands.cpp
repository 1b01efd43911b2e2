// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's command handlers and command states.
#include "mainframe.h"

#include "app/lanterraapp.h"
#include "platform/logging.h"
#include "settings/languagetable.h"
#include "settings/messageformat.h"
#include "settings/settings.h"
#include "ui/commandids.h"
#include "ui/dialogs/aboutdlg.h"
#include "ui/dialogs/helpwindow.h"
#include "ui/dialogs/preferencesdlg.h"
#include "ui/dialogs/productinfo.h"
#include "ui/dialogs/scanoptionsdlg.h"
#include "ui/dialogs/schemeseditordlg.h"
#include "ui/frame/loginkeeper.h"
#include "ui/frame/taskbarhint.h"
#include "ui/frame/trayicon.h"
#include "ui/textkeys.h"
#include "ui/toolkit/menubar.h"
#include "ui/toolkit/sizablerebar.h"
#include "ui/toolkit/toolbarex.h"
#include "ui/view/filterfield.h"
#include "ui/view/lanterraview.h"
#include "ui/view/shareactions.h"
#include "ui/toolkit/plaintext.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QFileDialog>
#include <QMessageBox>
#include <QFileInfo>
#include <QApplication>
#include <QMessageBox>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QToolButton>
#include <QWindow>

#include <optional>

namespace {

// The file dialogs' filter of documents, in the program's language.
QString NetworkFilter()
{
    return LookupText(QStringLiteral("File Dialogs"), FileDialogText::Networks, QStringLiteral("Networks (*.net)"));
}

// The column a Sort By item sorts by; none for the direction items.
std::optional<int> SortColumnOf(int command)
{
    switch (command) {
    case Cmd::SortByShare:
        return ColumnShare;
    case Cmd::SortByHost:
        return ColumnHost;
    case Cmd::SortByWorkgroup:
        return ColumnWorkgroup;
    default:
        return std::nullopt;
    }
}

// How long a scan start waits for the secret store's logins.
constexpr int LoginStoreWaitMs = 500;

} // namespace

bool CMainFrame::OnCommand(int id)
{
    switch (id) {
    case Cmd::FileNew:
        if (m_app && m_app->OnFileNew())
            AfterDocumentChange();
        return true;
    case Cmd::FileOpen:
        OnFileOpen();
        return true;
    case Cmd::FileSave:
        // A document that has never had a file gets its name first.
        if (m_app && m_app->document().GetPathName().isEmpty())
            OnFileSaveAs();
        else if (m_app)
            m_app->OnFileSave();
        return true;
    case Cmd::FileSaveAs:
        OnFileSaveAs();
        return true;
    case Cmd::AppExit:
        close();
        return true;
    case Cmd::Refresh:
    case Cmd::EditRefresh:
        OnStartStop();
        return true;
    case Cmd::StopScan:
        OnStopScan();
        return true;
    case Cmd::FocusSchemes:
        OnFocusSchemes();
        return true;
    case Cmd::EditFind:
        OnFocusFilter();
        return true;
    case Cmd::ApplyScheme:
        OnSchemeChange();
        return true;
    case Cmd::ViewTiles:
    case Cmd::ViewList:
    case Cmd::ViewDetails: {
        const int mode = id == Cmd::ViewTiles  ? CLanterraView::ModeTiles
                         : id == Cmd::ViewList ? CLanterraView::ModeList
                                               : CLanterraView::ModeDetails;
        m_view->SetViewMode(mode);
        if (CLanterraDoc *doc = Document())
            doc->SetLastView(mode);
        return true;
    }
    case Cmd::SortByShare:
    case Cmd::SortByHost:
    case Cmd::SortByWorkgroup:
    case Cmd::SortAscending:
    case Cmd::SortDescending:
        if (const CLanterraDoc *doc = Document()) {
            const auto column = SortColumnOf(id);
            const bool descending = id == Cmd::SortDescending || (id != Cmd::SortAscending && doc->lastSortRev());
            m_view->SortBy(column ? *column : doc->lastSortCol(), descending);
        }
        return true;
    case Cmd::ViewToolBar:
        ReBar()->ShowBand(Ctl::ToolBar, !ReBar()->IsBandVisible(Ctl::ToolBar));
        return true;
    case Cmd::ViewAddressBar:
        ReBar()->ShowBand(Ctl::AddressBar, !ReBar()->IsBandVisible(Ctl::AddressBar));
        return true;
    case Cmd::ViewStatusBar:
        statusBar()->setVisible(statusBar()->isHidden());
        return true;
    case Cmd::LockToolbars:
        ReBar()->SetLocked(!ReBar()->IsLocked());
        return true;
    case Cmd::ShowOnTaskbar:
        ToggleTaskbar();
        return true;
    case Cmd::ShowInTray:
        ToggleTray();
        return true;
    case Cmd::HelpContents:
        OnHelpContents();
        return true;
    case Cmd::HomePage:
        OpenLink(ProductInfo::HomePage());
        return true;
    case Cmd::SendFeedback:
        OpenLink(ProductInfo::SupportMailUrl());
        return true;
    case Cmd::ScanOptions:
        OnScanOptions();
        return true;
    case Cmd::EditScheme:
    case Cmd::SchemeButton:
        OnEditScheme();
        return true;
    case Cmd::Preferences:
        OnPreferences();
        return true;
    case Cmd::About:
        OnAbout();
        return true;
    default:
        // Among the unanswered: the "List View" button has no action of
        // its own (its drop-down does the work); they
        // stays enabled, as every command without a state handler does.
        return false;
    }
}

bool CMainFrame::OnUpdateCommand(CCmdUI &ui)
{
    const CSettings *s = Settings();
    switch (ui.id) {
    case Cmd::ViewToolBar:
        ui.SetCheck(ReBar()->IsBandVisible(Ctl::ToolBar));
        return true;
    case Cmd::ViewAddressBar:
        ui.SetCheck(ReBar()->IsBandVisible(Ctl::AddressBar));
        return true;
    case Cmd::ViewStatusBar:
        ui.SetCheck(!statusBar()->isHidden());
        return true;
    case Cmd::LockToolbars:
        ui.SetCheck(ReBar()->IsLocked());
        return true;
    case Cmd::ShowOnTaskbar:
        ui.SetCheck(s && s->showOnTaskBar);
        return true;
    case Cmd::ShowInTray:
        ui.SetCheck(s && s->showInTray);
        return true;
    case Cmd::ViewTiles:
        ui.SetRadio(m_view->GetViewMode() == CLanterraView::ModeTiles);
        return true;
    case Cmd::ViewList:
        ui.SetRadio(m_view->GetViewMode() == CLanterraView::ModeList);
        return true;
    case Cmd::ViewDetails:
        ui.SetRadio(m_view->GetViewMode() == CLanterraView::ModeDetails);
        return true;
    case Cmd::SortByShare:
    case Cmd::SortByHost:
    case Cmd::SortByWorkgroup: {
        const CLanterraDoc *doc = Document();
        ui.SetRadio(doc && SortColumnOf(ui.id) == doc->lastSortCol());
        return true;
    }
    case Cmd::SortAscending:
    case Cmd::SortDescending: {
        const CLanterraDoc *doc = Document();
        ui.SetRadio(doc && bool(doc->lastSortRev()) == (ui.id == Cmd::SortDescending));
        return true;
    }
    case Cmd::Refresh:
        OnIdle();
        ui.Enable(true);
        return true;
    default:
        return false;
    }
}

void CMainFrame::OnStartStop()
{
    CLanterraDoc *doc = Document();
    if (!doc)
        return;
    if (doc->IsScanning()) {
        m_app->StopScan();
        return;
    }
    m_scanningShown = true;
    SetAddressTexts();
    SetRefreshPicture();
    m_addressBar->update();
    // Listings try the logins the user had remembered. The secret store is
    // given a moment; a store that takes longer fills them in as it answers.
    if (!LoadRememberedLoginsFor(RememberedLoginHosts(*doc), m_loginKeeper, LoginStoreWaitMs))
        qCDebug(lcUi) << "remembered logins not read before the scan started";
    doc->StartScan();
}

void CMainFrame::OnStopScan()
{
    if (m_app)
        m_app->StopScan();
    // Leave the menu bar's keyboard mode as well.
    MenuBar()->setActiveAction(nullptr);
    m_view->ItemView()->setFocus();
}

void CMainFrame::OnFocusSchemes()
{
    if (m_schemeBox->view()->isVisible()) {
        m_schemeBox->hidePopup();
        m_view->ItemView()->setFocus();
        return;
    }
    m_schemeBox->setFocus();
    m_schemeBox->showPopup();
}

void CMainFrame::OnFocusFilter()
{
    // The field lives in the address bar: a hidden bar comes back for it.
    if (!ReBar()->IsBandVisible(Ctl::AddressBar))
        ReBar()->ShowBand(Ctl::AddressBar, true);
    m_filterField->setFocus(Qt::ShortcutFocusReason);
    m_filterField->selectAll();
}

void CMainFrame::AfterDocumentChange()
{
    m_view->OnInitialUpdate();
}

void CMainFrame::OnFileOpen()
{
    if (!m_app)
        return;
    // Not modal to the application: the list keeps filling while it is open.
    auto *dialog = new QFileDialog(this, QString(), QFileInfo(m_app->document().GetPathName()).path(), NetworkFilter());
    dialog->setObjectName(QStringLiteral("openDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) { AfterOpen(m_app->OnFileOpen(path)); });
    dialog->open();
}

void CMainFrame::OnFileSaveAs()
{
    if (!m_app)
        return;
    auto *dialog = new QFileDialog(this, QString(), m_app->document().GetPathName(), NetworkFilter());
    dialog->setObjectName(QStringLiteral("saveAsDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("net"));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) { m_app->OnFileSaveAs(path); });
    dialog->open();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (m_app && !urls.isEmpty() && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!m_app || urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    AfterOpen(m_app->OnFileOpen(urls.first().toLocalFile()));
}

void CMainFrame::OnHandOver(const QStringList &message)
{
    if (!isVisible() || isMinimized())
        CTrayIcon::SendSysCommand(this, windowState().testFlag(Qt::WindowMaximized) ? CTrayIcon::ScMaximize
                                                                                    : CTrayIcon::ScRestore);
    raise();
    activateWindow();
    if (!m_app || message.isEmpty() || message.first().isEmpty())
        return;
    // A dialog may be editing the open document (Scan Options stores its
    // rules into it on Ok) or waiting for an answer: the file is opened
    // once it has closed.
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        QTimer::singleShot(250, this, [this, message] { OnHandOver(message); });
        return;
    }
    AfterOpen(m_app->OnFileOpen(message.first()));
}

void CMainFrame::AfterOpen(const Result<QString> &opened)
{
    if (opened)
        AfterDocumentChange();
    if (!opened)
        TellFileProblem(opened.reason(), true);
    else if (!opened.value().isEmpty())
        TellFileProblem(opened.value(), false);
}

void CMainFrame::TellFileProblem(const QString &message, bool isError)
{
    if (message.isEmpty())
        return;
    statusBar()->showMessage(message, 15000);
    // Opened, not run: a drop or a failing save must not wait in a loop of its own.
    auto *box = new QMessageBox(isError ? QMessageBox::Critical : QMessageBox::Warning,
                                AppTitle(), message, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("fileProblemBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->open();
}

void CMainFrame::FillViewMenu()
{
    m_viewMenu->clear();
    auto *group = new QActionGroup(m_viewMenu);
    const std::pair<int, const char *> items[] = {
        {Cmd::ViewTiles, "Tiles"}, {Cmd::ViewList, "List"}, {Cmd::ViewDetails, "Details"}};
    for (const auto &[command, text] : items) {
        QAction *action =
            m_viewMenu->addAction(LookupText(QStringLiteral("Drop Down View Menu"), command, QString::fromLatin1(text)));
        action->setData(command);
        CCmdUI ui;
        ui.id = command;
        RouteUpdate(ui);
        action->setCheckable(true);
        action->setChecked(ui.checked);
        group->addAction(action);
        const int id = command;
        connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    }
}

void CMainFrame::ToggleTaskbar()
{
    CSettings *s = Settings();
    if (!s)
        return;
    s->showOnTaskBar = !s->showOnTaskBar;
    ApplyTaskbarPresence();
}

void CMainFrame::ApplyTaskbarPresence()
{
    const CSettings *s = Settings();
    const bool onTaskbar = !s || s->showOnTaskBar;
    // A tool window gets no taskbar button from some window managers; the
    // others are told so in so many words when it is shown.
    if (onTaskbar == !windowFlags().testFlag(Qt::Tool))
        return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::Tool, !onTaskbar);
    if (wasVisible) {
        show();
        SetSkipTaskbarHint(this, !onTaskbar);
    }
}

void CMainFrame::showEvent(QShowEvent *event)
{
    CFrameWndEx::showEvent(event);
    const CSettings *s = Settings();
    SetSkipTaskbarHint(this, s && !s->showOnTaskBar);
    if (QWindow *window = windowHandle()) {
        window->installEventFilter(this);
        m_taskbarHintPending = true;
    }
}

bool CMainFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (m_taskbarHintPending && event->type() == QEvent::Expose && watched == windowHandle()
        && windowHandle()->isExposed()) {
        m_taskbarHintPending = false;
        const CSettings *s = Settings();
        SetSkipTaskbarHint(this, s && !s->showOnTaskBar);
    }
    return CFrameWndEx::eventFilter(watched, event);
}

void CMainFrame::OpenLink(const QString &url)
{
    if (url.isEmpty() || m_launcher->OpenUrl(QUrl(url)))
        return;
    PlainMessageBox(this, QMessageBox::Warning,
                    FormatMessage(LookupText(QStringLiteral("View messages"), ViewMessage::OpenLinkFailed,
                                             QStringLiteral("No program could be started to open %s.")),
                                  {url}));
}

bool CMainFrame::SaveDocumentNow()
{
    if (!m_app)
        return false;
    CLanterraDoc &doc = m_app->document();
    QString path = doc.GetPathName();
    const QFileInfo file(path);
    if (!path.isEmpty() && file.isFile() && file.isWritable())
        return m_app->SaveDocumentTo(path).ok();
    path = QFileDialog::getSaveFileName(this, QString(), path, NetworkFilter());
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QStringLiteral(".net"), Qt::CaseInsensitive))
        path += QStringLiteral(".net");
    if (!m_app->SaveDocumentTo(path))
        return false;
    m_app->OnFileSaveAs(path);
    return true;
}

void CMainFrame::OnScanOptions()
{
    CLanterraDoc *doc = Document();
    if (!doc)
        return;
    CScanOptionsDlg dialog(this);
    dialog.saveDocument = [this] { return SaveDocumentNow(); };
    dialog.Exchange(doc->rules(), false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.Exchange(doc->rules(), true);
    if (!SaveDocumentNow())
        PlainMessageBox(this, QMessageBox::Warning,
                        QStringLiteral("The scan options were stored, but the network document could not be saved."));
}

void CMainFrame::OnEditScheme()
{
    CSettings *s = Settings();
    if (!s)
        return;
    SchemeEditRecord record;
    record.mainSelected = m_schemeBox->currentIndex();
    record.settings = s;
    CSchemesEditorDlg dialog(record, m_schemeBox, this, IconLibrary());
    // Apply on the scheme in use re-applies it to the list (command 108).
    // A removal above it has moved it up the list: the box, refilled by
    // name, finds it again before the list is rebuilt from the box's index.
    connect(&dialog, &CSchemesEditorDlg::reapplyScheme, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                FillSchemeBox();
                RouteCommand(Cmd::ApplyScheme);
            },
            Qt::QueuedConnection);
    });
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (dialog.SchemeListChanged())
        FillSchemeBox();
    if (accepted)
        OnSchemeChange();
}

void CMainFrame::OnPreferences()
{
    CPreferencesDlg dialog(Settings(), this);
    const QPointer<CPreferencesDlg> open(&dialog);
    connect(&dialog, &CPreferencesDlg::postCommand, this, [this, open](int command) {
        QMetaObject::invokeMethod(
            this,
            [this, open, command] {
                RouteCommand(command);
                // A taskbar change makes the window anew, and with it the
                // open dialog's pending paints are lost: its Apply, disabled
                // by the Apply just pressed, would still look enabled.
                if (open)
                    open->update();
            },
            Qt::QueuedConnection);
    });
    connect(&dialog, &CPreferencesDlg::iconLibraryChanged, this, &CMainFrame::OnIconLibraryChanged);
    dialog.exec();
}

void CMainFrame::OnAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::OnHelpContents()
{
    const CSettings *s = Settings();
    if (s)
        ShowHelpContents(s->helpPath, this);
}
