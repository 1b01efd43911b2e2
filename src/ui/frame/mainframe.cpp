// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainframe.h"

#include "app/lanterraapp.h"
#include "settings/iconlibrary.h"
#include "settings/languagetable.h"
#include "settings/messageformat.h"
#include "settings/settings.h"
#include "ui/commandids.h"
#include "ui/dialogs/productinfo.h"
#include "ui/frame/loginkeeper.h"
#include "ui/frame/trayicon.h"
#include "ui/textkeys.h"
#include "ui/toolkit/iconlibraryicons.h"
#include "ui/toolkit/menubar.h"
#include "ui/toolkit/accessibility.h"
#include "ui/toolkit/plaintext.h"
#include "ui/toolkit/qttranslations.h"
#include "ui/toolkit/sizablerebar.h"
#include "ui/toolkit/toolbarex.h"
#include "ui/view/displaytext.h"
#include "ui/view/filterfield.h"
#include "ui/view/lanterraview.h"
#include "ui/view/shareactions.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

const QString CMainFrame::PlacementName = QStringLiteral("mainwindow");

namespace {

const QString AddressSection = QStringLiteral("Address ToolBar");
const QString RebarSection = QStringLiteral("Rebar Menu");
const QString StatusBarSection = QStringLiteral("Status Bar");
constexpr int SchemePlaceholderWidth = 180;
constexpr int IdleInterval = 200;

// Icon library numbers of the toolbar's positions (0: separator) and of the
// address bar's pictures.
constexpr int ToolBarIconNumbers[] = {7, 8, 9, 0, 10, 11, 0, 12, 0, 13};
constexpr int SchemeIconNumber = 4;
constexpr int RefreshIconNumber = 5;
constexpr int StopIconNumber = 6;

QIcon Picture(const char *name)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

// The built-in string table entries of the bars' buttons.
std::map<int, QString> Prompts()
{
    return {
        {Cmd::FileNew, QStringLiteral("New network")},
        {Cmd::FileOpen, QStringLiteral("Open network")},
        {Cmd::FileSave, QStringLiteral("Save network")},
        {Cmd::ScanOptions, QStringLiteral("Scan options")},
        {Cmd::Preferences, QStringLiteral("Preferences")},
        {Cmd::ListViewButton, QStringLiteral("List View")},
        {Cmd::HelpContents, QStringLiteral("Contents")},
        {Cmd::SchemeButton, QStringLiteral("Edit scheme options")},
        {Cmd::Refresh, QStringLiteral("Start or stop updating")},
    };
}

// A flat button that shows its text exactly as given, '&' included, and
// takes no Alt shortcut from it (Alt+S is the Schemes Editor's).
QToolButton *TextButton(QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(16, 16));
    return button;
}

// The frame's window class name of old: tools that look for the running
// program's main window find it by this name, so it stays as it was.
constexpr auto MainWindowClassName = "Lantrax";

// A rectangle saved on a screen that is gone (a monitor unplugged, another
// arrangement) is pulled into the work area of the nearest screen, shrunk to
// fit it; one that still shows on some screen stays as the user left it.
QRect OnSomeScreen(const QRect &rect)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QRect nearest;
    qint64 nearestDistance = -1;
    for (const QScreen *screen : screens) {
        const QRect area = screen->availableGeometry();
        if (area.intersects(rect))
            return rect;
        const QPoint offset = area.center() - rect.center();
        const qint64 distance = qint64(offset.x()) * offset.x() + qint64(offset.y()) * offset.y();
        if (nearestDistance < 0 || distance < nearestDistance) {
            nearest = area;
            nearestDistance = distance;
        }
    }
    if (nearest.isEmpty())
        return rect;
    QRect fitted(rect.topLeft(), rect.size().boundedTo(nearest.size()));
    fitted.moveLeft(std::clamp(fitted.left(), nearest.left(), nearest.right() + 1 - fitted.width()));
    fitted.moveTop(std::clamp(fitted.top(), nearest.top(), nearest.bottom() + 1 - fitted.height()));
    return fitted;
}

void SetButtonText(QToolButton *button, const QString &text)
{
    button->setText(text);
    button->setShortcut(QKeySequence());
}

} // namespace

CMainFrame::CMainFrame(CLanterraApp *app, CSettings *settings, QWidget *parent)
    : CFrameWndEx(parent), m_app(app), m_settings(settings), m_launcher(std::make_shared<CDesktopLauncher>())
{
    // Qt's own texts (message boxes, file dialogs) follow the program's language.
    CQtTranslations::Install();
    setObjectName(QLatin1String(MainWindowClassName));
    setWindowIcon(Picture("lanterra"));
    setAcceptDrops(true);
    CreateBars(MainMenu());
    CreateToolBars();

    m_view = new CLanterraView(this);
    m_view->SetSettings(m_settings);
    m_view->SetLauncher(m_launcher);
    m_view->SetDocument(Document());
    setCentralWidget(m_view);
    SetActiveView(m_view);
    connect(m_view, &CLanterraView::statusTextChanged, this, &CMainFrame::SetStatusText);
    connect(m_view, &CLanterraView::noticeChanged, this, [this](const QString &text, int timeoutMs) {
        if (text.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(text, timeoutMs);
    });
    SetLoginKeeper(DesktopLoginKeeper());

    FillSchemeBox();
    if (CSettings *s = Settings())
        s->selectedScheme = m_schemeBox->currentIndex();
    connect(m_schemeBox, &QComboBox::currentIndexChanged, this, &CMainFrame::OnSchemeChange);
    connect(m_filterField, &QLineEdit::textChanged, m_view, &CLanterraView::SetFilterText);
    // What the filter shows is what the user looks for now: a message
    // standing over the status line gives way to its count.
    connect(m_filterField, &QLineEdit::textChanged, statusBar(), &QStatusBar::clearMessage);
    connect(m_filterField, &CFilterField::listRequested, m_view, &CLanterraView::FocusFirstShown);

    m_statusPane = new QLabel(this);
    m_statusPane->setObjectName(QStringLiteral("statusPane"));
    // Status texts carry file names and language file texts: never markup.
    m_statusPane->setTextFormat(Qt::PlainText);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->addWidget(m_statusPane, 1);
    // The connect sweep of a large range gets a part of its own, so the
    // scan's progress text keeps its usual wording.
    m_sweepPane = new QLabel(this);
    m_sweepPane->setObjectName(QStringLiteral("sweepPane"));
    m_sweepPane->hide();
    statusBar()->addPermanentWidget(m_sweepPane);
    statusBar()->setSizeGripEnabled(true);

    // The window kind first: changing it re-creates the window and forgets
    // that its position was given as the inside's, so the window manager's
    // title bar would push the window down by its height at every start.
    ApplyTaskbarPresence();
    ApplyPlacement();
    m_view->OnInitialUpdate();
    m_view->ItemView()->setFocus();

    if (m_app) {
        const auto showTitle = [this](const QString &title) {
            setWindowTitle(title.isEmpty() ? QStringLiteral("Brevant Lanterra")
                                           : title + QStringLiteral(" - Brevant Lanterra"));
        };
        showTitle(m_app->title());
        connect(m_app, &CLanterraApp::titleChanged, this, showTitle);
        // Queued: a save can fail deep inside a command, or on another thread.
        connect(m_app, &CLanterraApp::saveFailed, this,
                [this](const QString &message) { TellFileProblem(message, true); }, Qt::QueuedConnection);
    }
    connect(&CLanguageNotifier::instance(), &CLanguageNotifier::languageChanged, this,
            &CMainFrame::OnLanguageChanged);
    connect(&m_idleTimer, &QTimer::timeout, this, &CMainFrame::OnIdle);
    m_idleTimer.start(IdleInterval);

    m_trayIcon = std::make_unique<CTrayIcon>();
    if (const CSettings *s = Settings(); s && s->showInTray)
        m_trayIcon->ShowTrayIcon(this, true);

    // Posted, not sent: the scan starts once the event loop runs, after the
    // document has been made or opened.
    if (const CSettings *s = Settings(); s && s->autoScan)
        QMetaObject::invokeMethod(this, [this] { RouteCommand(Cmd::Refresh); }, Qt::QueuedConnection);
}

CMainFrame::~CMainFrame()
{
    if (m_trayIcon)
        m_trayIcon->ShowTrayIcon(this, false);
}

void CMainFrame::LoadReBarBackground()
{
    // A soft band of the desktop's own window colour, drawn again when the
    // colours change.
    const QColor base = palette().color(QPalette::Window);
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0, base.lighter(106));
    gradient.setColorAt(1, base.darker(104));
    ReBar()->SetBackground(QBrush(gradient));
}

void CMainFrame::changeEvent(QEvent *event)
{
    CFrameWndEx::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && ReBar())
        LoadReBarBackground();
    if (!m_trayIcon)
        return;
    if (event->type() == QEvent::ActivationChange) {
        // Focus leaving the program altogether is what a click into the
        // tray does; the tray icon only believes it for a moment.
        m_trayIcon->OnFrameActivate(isActiveWindow(), QApplication::activeWindow() == nullptr);
    }
    if (event->type() == QEvent::WindowStateChange)
        CTrayIcon::NoteStateChange(this, static_cast<QWindowStateChangeEvent *>(event)->oldState());
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        const CSettings *s = Settings();
        // Hidden only while the tray icon can bring it back.
        if (s && !s->showOnTaskBar && m_trayIcon->SystemIcon())
            QTimer::singleShot(0, this, [this] {
                // Out of the minimised state before hiding: a window
                // withdrawn while minimised is mapped minimised again.
                if (isMinimized()) {
                    setWindowState(windowState() & ~Qt::WindowMinimized);
                    hide();
                }
            });
    }
}

void CMainFrame::ToggleTray()
{
    CSettings *s = Settings();
    if (!s)
        return;
    s->showInTray = !s->showInTray;
    m_trayIcon->ShowTrayIcon(this, s->showInTray);
}

CLanterraDoc *CMainFrame::Document() const
{
    return m_app ? &m_app->document() : nullptr;
}

CSettings *CMainFrame::Settings() const
{
    return m_settings ? m_settings : CSettings::instance();
}

void CMainFrame::SetLoginKeeper(LoginKeeper keeper)
{
    m_loginKeeper = std::move(keeper);
    m_view->SetLoginKeeper(m_loginKeeper);
}

void CMainFrame::SetStatusText(const QString &text)
{
    m_statusPane->setText(text);
}

void CMainFrame::SetLauncher(std::shared_ptr<IShareLauncher> launcher)
{
    m_launcher = launcher ? launcher : std::make_shared<CDesktopLauncher>();
    m_view->SetLauncher(m_launcher);
}

MenuDef CMainFrame::MainMenu()
{
    using M = MenuItemDef;
    return {
        M::Sub(QStringLiteral("&File"), {M::Item(QStringLiteral("&New Network\tCtrl+N"), Cmd::FileNew),
                                         M::Item(QStringLiteral("&Open Network...\tCtrl+O"), Cmd::FileOpen),
                                         M::Item(QStringLiteral("&Save Network\tCtrl+S"), Cmd::FileSave),
                                         M::Item(QStringLiteral("Save Network &As..."), Cmd::FileSaveAs), M::Sep(),
                                         M::Item(QStringLiteral("Scan &Options...\tAlt+O"), Cmd::ScanOptions),
                                         M::Item(QStringLiteral("S&hare Properties\tAlt+Enter"), Cmd::ShareProperties),
                                         M::Sep(), M::Item(QStringLiteral("E&xit\tAlt+F4"), Cmd::AppExit)}),
        M::Sub(QStringLiteral("&Edit"), {M::Item(QStringLiteral("&Copy Address\tCtrl+C"), Cmd::EditCopy),
                                         M::Item(QStringLiteral("Copy as &Windows Path"), Cmd::CopyWindowsPath),
                                         M::Item(QStringLiteral("&Filter\tCtrl+F"), Cmd::EditFind), M::Sep(),
                                         M::Item(QStringLiteral("&Scheme...\tAlt+S"), Cmd::EditScheme),
                                         M::Item(QStringLiteral("S&how Offline Resources"), Cmd::ShowOffline), M::Sep(),
                                         M::Item(QStringLiteral("&Refresh\tCtrl+R"), Cmd::EditRefresh)}),
        M::Sub(QStringLiteral("&View"), {M::Item(QStringLiteral("&Tool Bar"), Cmd::ViewToolBar),
                                         M::Item(QStringLiteral("&Address Bar"), Cmd::ViewAddressBar),
                                         M::Item(QStringLiteral("&Status Bar"), Cmd::ViewStatusBar), M::Sep(),
                                         M::Item(QStringLiteral("T&iles\tCtrl+1"), Cmd::ViewTiles),
                                         M::Item(QStringLiteral("&List\tCtrl+2"), Cmd::ViewList),
                                         M::Item(QStringLiteral("&Details\tCtrl+3"), Cmd::ViewDetails),
                                         M::Sub(QStringLiteral("Sort &By"), Cmd::ViewSortBy,
                                                {M::Item(QStringLiteral("&Share Name"), Cmd::SortByShare),
                                                 M::Item(QStringLiteral("&Host Name"), Cmd::SortByHost),
                                                 M::Item(QStringLiteral("&Workgroup"), Cmd::SortByWorkgroup), M::Sep(),
                                                 M::Item(QStringLiteral("&Ascending"), Cmd::SortAscending),
                                                 M::Item(QStringLiteral("D&escending"), Cmd::SortDescending)}),
                                         M::Sep(), M::Item(QStringLiteral("L&ock Toolbars"), Cmd::LockToolbars),
                                         M::Sep(), M::Item(QStringLiteral("Show on T&askbar"), Cmd::ShowOnTaskbar),
                                         M::Item(QStringLiteral("Show in T&ray"), Cmd::ShowInTray)}),
        M::Sub(QStringLiteral("&Tools"), {M::Item(QStringLiteral("&Preferences\tAlt+P"), Cmd::Preferences)}),
        M::Sub(QStringLiteral("&Help"), HelpMenu()),
    };
}

QList<MenuItemDef> CMainFrame::HelpMenu()
{
    using M = MenuItemDef;
    QList<MenuItemDef> items = {M::Item(QStringLiteral("&Contents\tF1"), Cmd::HelpContents), M::Sep()};
    // Only addresses the build names: a link that leads nowhere is worse
    // than none.
    if (!ProductInfo::HomePage().isEmpty())
        items.append(M::Item(QStringLiteral("&Home page"), Cmd::HomePage));
    if (!ProductInfo::SupportMailUrl().isEmpty())
        items.append(M::Item(QStringLiteral("&Send feedback"), Cmd::SendFeedback));
    if (items.last().command != MenuItemDef::Separator)
        items.append(M::Sep());
    items.append(M::Item(QStringLiteral("&About ..."), Cmd::About));
    return items;
}

void CMainFrame::CreateToolBars()
{
    m_toolBar = new CToolBarEx(ReBar());
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->SetPrompts(Prompts());
    m_viewMenu = new QMenu(this);
    connect(m_viewMenu, &QMenu::aboutToShow, this, &CMainFrame::FillViewMenu);
    m_toolBar->SetDropDown(Cmd::ListViewButton, m_viewMenu);
    QList<ToolBarButton> buttons;
    const int commands[] = {Cmd::FileNew, Cmd::FileOpen, Cmd::FileSave, 0, Cmd::ScanOptions, Cmd::Preferences,
                            0, Cmd::ListViewButton, 0, Cmd::HelpContents};
    for (int position = 0; position < 10; ++position)
        buttons.append(ToolBarButton{commands[position], position, 0, 0, position});
    m_toolBar->SetButtons(buttons, CToolBarEx::NoTextLabels);
    connect(m_toolBar, &CToolBarEx::commandRequested, this, [this](int id) { RouteCommand(id); });

    CreateAddressBar();
    LoadPictures();

    ReBar()->AddBand(m_addressBar, Ctl::AddressBar,
                     LookupText(RebarSection, RebarText::AddressBar, QStringLiteral("Address Bar")), false,
                     CSizableReBar::StyleBreak);
    ReBar()->AddBand(m_toolBar, Ctl::ToolBar, LookupText(RebarSection, RebarText::ToolBar, QStringLiteral("Tool Bar")));
    LoadReBarBackground();
    connect(ReBar(), &CSizableReBar::sizingEdgeReleased, this, [this] { ReBar()->updateGeometry(); });
    // The address bar always shows its three items whole.
    ReBar()->SetBandMinWidth(Ctl::AddressBar, m_addressBar->sizeHint().width());
    if (const CSettings *s = Settings())
        ReBar()->SetBandLayout(s->toolbarBands);

    const std::pair<QKeySequence, int> accelerators[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), Cmd::FileNew},
        {QKeySequence(Qt::CTRL | Qt::Key_O), Cmd::FileOpen},
        {QKeySequence(Qt::CTRL | Qt::Key_S), Cmd::FileSave},
        {QKeySequence(Qt::CTRL | Qt::Key_R), Cmd::Refresh},
        {QKeySequence(Qt::Key_F5), Cmd::Refresh},
        {QKeySequence(Qt::ALT | Qt::Key_O), Cmd::ScanOptions},
        {QKeySequence(Qt::ALT | Qt::Key_P), Cmd::Preferences},
        {QKeySequence(Qt::ALT | Qt::Key_S), Cmd::EditScheme},
        {QKeySequence(Qt::Key_F9), Cmd::EditScheme},
        {QKeySequence(Qt::Key_Escape), Cmd::StopScan},
        {QKeySequence(Qt::Key_F1), Cmd::HelpContents},
        {QKeySequence(Qt::Key_F4), Cmd::FocusSchemes},
        {QKeySequence(Qt::CTRL | Qt::Key_C), Cmd::EditCopy},
        {QKeySequence(Qt::CTRL | Qt::Key_F), Cmd::EditFind},
        // The view modes on the keys file managers use for them.
        {QKeySequence(Qt::CTRL | Qt::Key_1), Cmd::ViewTiles},
        {QKeySequence(Qt::CTRL | Qt::Key_2), Cmd::ViewList},
        {QKeySequence(Qt::CTRL | Qt::Key_3), Cmd::ViewDetails},
    };
    for (const auto &[keys, command] : accelerators)
        AddAccelerator(keys, command);
}

void CMainFrame::CreateAddressBar()
{
    m_addressBar = new CToolBarEx(ReBar());
    m_addressBar->setObjectName(QStringLiteral("addressBar"));
    m_addressBar->SetPrompts(Prompts());
    m_schemeButton = TextButton(m_addressBar);
    connect(m_schemeButton, &QToolButton::clicked, this, [this] { RouteCommand(Cmd::SchemeButton); });
    m_addressBar->addWidget(m_schemeButton);

    // The scheme box sits in a fixed-width placeholder, 2 pixels in from its edges.
    auto *placeholder = new QWidget(m_addressBar);
    placeholder->setFixedWidth(SchemePlaceholderWidth);
    auto *layout = new QHBoxLayout(placeholder);
    layout->setContentsMargins(2, 0, 2, 0);
    m_schemeBox = new QComboBox(placeholder);
    m_schemeBox->setObjectName(QStringLiteral("schemeBox"));
    m_schemeBox->setMaxVisibleItems(16);
    layout->addWidget(m_schemeBox);
    m_addressBar->addWidget(placeholder);

    m_refreshButton = TextButton(m_addressBar);
    connect(m_refreshButton, &QToolButton::clicked, this, [this] { RouteCommand(Cmd::Refresh); });
    m_addressBar->addWidget(m_refreshButton);
    m_addressBar->addSeparator();
    m_filterField = new CFilterField(m_addressBar);
    m_addressBar->addWidget(m_filterField);
    SetAddressTexts();
}

void CMainFrame::SetAddressTexts()
{
    SetButtonText(m_schemeButton, LookupText(AddressSection, AddressText::SchemeButton, QStringLiteral("&Scheme:")));
    SetButtonText(m_refreshButton, RefreshButtonText(m_scanningShown));
    FitRefreshButton();
    // Button tips come from the language file.
    m_schemeButton->setToolTip(PlainToolTip(m_addressBar->GetButtonTip(Cmd::SchemeButton)));
    m_refreshButton->setToolTip(PlainToolTip(m_addressBar->GetButtonTip(Cmd::Refresh)));
    m_filterField->Retranslate();
    // The button before the box says what the box chooses.
    m_schemeBox->setAccessibleName(AccessibleCaption(m_schemeButton->text()));
}

QString CMainFrame::RefreshButtonText(bool scanning)
{
    return scanning ? LookupText(AddressSection, AddressText::Stop, QStringLiteral("&Stop"))
                    : LookupText(AddressSection, AddressText::Refresh, QStringLiteral("&Refresh:"));
}

void CMainFrame::FitRefreshButton()
{
    // As wide as its wider text in either state, picture included, so that
    // the filter beside it stays where it is when a scan starts.
    m_refreshButton->ensurePolished();
    m_refreshButton->setMinimumWidth(0);
    m_refreshButton->setMaximumWidth(QWIDGETSIZE_MAX);
    int width = 0;
    for (const bool scanning : {false, true}) {
        SetButtonText(m_refreshButton, RefreshButtonText(scanning));
        width = std::max(width, m_refreshButton->sizeHint().width());
    }
    m_refreshButton->setFixedWidth(width);
    SetButtonText(m_refreshButton, RefreshButtonText(m_scanningShown));
}

void CMainFrame::FillSchemeBox()
{
    CSettings *s = Settings();
    const QString remembered = m_schemeBox->currentText();
    const QSignalBlocker blocker(m_schemeBox);
    m_schemeBox->clear();
    if (!s)
        return;
    for (int i = 0; i < s->GetSchemeCount(); ++i) {
        const QString name = s->GetScheme(i)->name;
        m_schemeBox->addItem(name, i);
        if (!remembered.isEmpty() && name == remembered)
            s->selectedScheme = i;
    }
    // A selection the list no longer has (settings edited by hand, schemes
    // removed) falls back to the first scheme rather than to none.
    if (s->selectedScheme < 0 || s->selectedScheme >= m_schemeBox->count())
        s->selectedScheme = m_schemeBox->count() > 0 ? 0 : -1;
    m_schemeBox->setCurrentIndex(s->selectedScheme);
}

void CMainFrame::OnSchemeChange()
{
    CSettings *s = Settings();
    if (!s)
        return;
    s->selectedScheme = m_schemeBox->currentIndex();
    const CLanterraDoc *doc = Document();
    if (!doc || doc->GetShareCount() > 0 || m_view->Model()->ItemCount() > 0)
        m_view->RebuildList(s->GetScheme(s->selectedScheme));
}

void CMainFrame::OnIdle()
{
    const CLanterraDoc *doc = Document();
    UpdateSweepPane();
    if (m_scanningShown && !(doc && doc->IsScanning())) {
        m_scanningShown = false;
        KeepWhereLoginsWorked(m_loginKeeper, CLoginBook::Session());
        SetAddressTexts();
        SetRefreshPicture();
        m_addressBar->update();
    }
}

void CMainFrame::UpdateSweepPane()
{
    const CLanterraDoc *doc = Document();
    const int total = doc && doc->IsScanning() ? doc->GetSweepTotal() : 0;
    if (total <= 0) {
        m_sweepPane->hide();
        return;
    }
    const QLocale locale;
    const QString done = locale.toString(doc->GetSweepDone());
    // A sweep the open-file limit holds to a few addresses at once can take
    // hours: the pane says why it is slow.
    if (const int narrowedTo = doc->GetSweepNarrowedTo(); narrowedTo > 0)
        m_sweepPane->setText(
            FormatMessage(LookupText(StatusBarSection, StatusBarText::SweepNarrowed,
                                     QStringLiteral("%s/%s addresses, only %s at once (open-file limit)")),
                          {done, locale.toString(total), locale.toString(narrowedTo)}));
    else
        m_sweepPane->setText(FormatMessage(
            LookupText(StatusBarSection, StatusBarText::SweepAddresses, QStringLiteral("%s/%s addresses")),
            {done, locale.toString(total)}));
    m_sweepPane->show();
}

void CMainFrame::LoadPictures()
{
    const CSettings *s = Settings();
    m_iconLibrary = s ? LoadIconLibrary(s->iconLibrary) : nullptr;
    // The built-in pictures first at creation, so that a library lacking a
    // number leaves a picture there.
    if (!m_iconLibrary || m_addressBar->Image(0).isNull()) {
        m_toolBar->SetImages({Picture("new"), Picture("open"), Picture("save"), QIcon(), Picture("scan-options"),
                              Picture("preferences"), QIcon(), Picture("view-mode"), QIcon(), Picture("contents")});
        m_addressBar->SetImages({Picture("scheme"), Picture("refresh")});
    }
    if (m_iconLibrary) {
        // A number the library lacks keeps the picture shown before.
        for (int position = 0; position < int(std::size(ToolBarIconNumbers)); ++position) {
            QIcon image = m_toolBar->Image(position);
            if (ToolBarIconNumbers[position] && ReplaceFromLibrary(image, m_iconLibrary.get(), ToolBarIconNumbers[position]))
                m_toolBar->SetImage(position, image);
        }
        QIcon scheme = m_addressBar->Image(0);
        if (ReplaceFromLibrary(scheme, m_iconLibrary.get(), SchemeIconNumber))
            m_addressBar->SetImage(0, scheme);
    }
    SetRefreshPicture();
    m_schemeButton->setIcon(m_addressBar->Image(0));
    m_toolBar->update();
    m_addressBar->update();
}

// The start/stop button shows the library's RefreshIconNumber while idle and
// StopIconNumber while a scan started here runs; the built-in pictures have
// one lightning bolt for both.
void CMainFrame::SetRefreshPicture()
{
    QIcon image = m_addressBar->Image(1);
    if (ReplaceFromLibrary(image, m_iconLibrary.get(), m_scanningShown ? StopIconNumber : RefreshIconNumber))
        m_addressBar->SetImage(1, image);
    m_refreshButton->setIcon(m_addressBar->Image(1));
    FitRefreshButton();
}

void CMainFrame::OnIconLibraryChanged()
{
    // The list view has no pictures of the library: it is not told.
    LoadPictures();
}

void CMainFrame::OnLanguageChanged()
{
    ReBar()->setUpdatesEnabled(false);
    MenuBar()->LoadMenu(MainMenu());
    SetAddressTexts();
    ReBar()->SetBandMinWidth(Ctl::AddressBar, m_addressBar->sizeHint().width());
    ReBar()->SetBandName(Ctl::AddressBar,
                         LookupText(RebarSection, RebarText::AddressBar, QStringLiteral("Address Bar")));
    ReBar()->SetBandName(Ctl::ToolBar, LookupText(RebarSection, RebarText::ToolBar, QStringLiteral("Tool Bar")));
    m_toolBar->Retranslate();
    ReBar()->setUpdatesEnabled(true);
    MenuBar()->update();
    m_addressBar->update();
    m_view->OnLanguageChanged();
}

void CMainFrame::SaveWindowState()
{
    CSettings *s = Settings();
    if (!s)
        return;
    WindowPlacement placement;
    placement.showCmd = isMinimized() ? 2 : isMaximized() ? 3 : 1;
    const QRect normal = (isMaximized() || isMinimized() || isFullScreen()) ? normalGeometry() : geometry();
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    s->placements[PlacementName] = placement;
    s->toolbarBands = ReBar()->GetBandLayout();
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    SaveWindowState();
    CFrameWndEx::closeEvent(event);
    // Closing the main window ends the program whatever kind of window it is
    // at the moment: Qt quits by itself only after its last ordinary window,
    // and a window without a taskbar button is a tool window to it (one that
    // stays so even after it gets its button back). Outside the event loop
    // (tests) this does nothing.
    if (event->isAccepted())
        QCoreApplication::exit(0);
}

void CMainFrame::ApplyPlacement()
{
    const CSettings *s = Settings();
    const auto saved = s ? s->placements.find(PlacementName) : std::map<QString, WindowPlacement>::const_iterator();
    if (s && saved != s->placements.end()) {
        // Only the normal rectangle comes back: the window is shown normally
        // whatever state it was closed in.
        const WindowPlacement &p = saved->second;
        const QRect rect(p.left, p.top, std::max(p.right - p.left, 100), std::max(p.bottom - p.top, 100));
        setGeometry(OnSomeScreen(rect));
        return;
    }
    ReBar()->SetBandWidth(Ctl::AddressBar, DefaultAddressBandWidth);
    ReBar()->SetBandWidth(Ctl::ToolBar, DefaultToolBandWidth);
    // Wider where the language's longer texts or a larger font need it, so
    // that the first start shows every toolbar button (German: the address
    // bar alone takes 400 pixels). A row wider than the screen puts the
    // toolbar on a row of its own.
    const QScreen *screen = this->screen();
    int width = std::max(int(DefaultWidth), ReBar()->IdealRowWidth());
    if (screen && width > screen->availableGeometry().width()) {
        QList<ToolbarBand> bands = ReBar()->GetBandLayout();
        for (ToolbarBand &band : bands)
            if (band.id == Ctl::ToolBar)
                band.style |= CSizableReBar::StyleBreak;
        ReBar()->SetBandLayout(bands);
        width = std::max(int(DefaultWidth), ReBar()->IdealRowWidth());
    }
    if (screen)
        width = std::min(width, screen->availableGeometry().width());
    resize(width, DefaultHeight);
    // Centred on the screen, kept inside its work area where it can be.
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, width, DefaultHeight);
    int x = area.left() + (area.width() - width) / 2;
    int y = area.top() + (area.height() - DefaultHeight) / 2;
    x = std::max(area.left(), std::min(x, area.right() + 1 - width));
    y = std::max(area.top(), std::min(y, area.bottom() + 1 - DefaultHeight));
    move(x, y);
}
