// SPDX-License-Identifier: GPL-3.0-or-later
#include "lanterraview.h"

#include "middlescroll.h"
#include "shareactions.h"
#include "shareitemdelegate.h"
#include "shareitemviews.h"

#include "model/lanterradoc.h"
#include "model/visibletext.h"
#include "net/credentials.h"
#include "scan/loginpolicy.h"
#include "settings/languagetable.h"
#include "settings/messageformat.h"
#include "settings/settings.h"
#include "ui/commandids.h"
#include "ui/dialogs/logindlg.h"
#include "ui/dialogs/sharepropertiesdlg.h"
#include "ui/textkeys.h"
#include "ui/toolkit/plaintext.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QStackedLayout>

#include <algorithm>

namespace {

const QString ColumnsSection = QStringLiteral("Columns");
const QString ShareMenuSection = QStringLiteral("Share Context Menu");
const QString MessagesSection = QStringLiteral("View messages");
// How long the answer to a login stays in the status bar.
constexpr int LoginNoticeMs = 8000;
// Ticks while a host is listed again after a login.
constexpr int LoginInterval = 100;

// The header's texts (their keys are the columns' ShareColumn ids) and first
// widths in mean characters of the list's font, so that a larger font
// widens them with it.
struct ColumnDef
{
    const char *text;
    int characters;
};
constexpr ColumnDef Columns[ListColumnCount] = {{"Share Name", 28}, {"Host Name", 16}, {"Workgroup", 24}};

QList<QIcon> StateIcons()
{
    return {QIcon(QStringLiteral(":/icons/share-unknown.svg")), QIcon(QStringLiteral(":/icons/share-offline.svg")),
            QIcon(QStringLiteral(":/icons/share-online.svg")), QIcon(QStringLiteral(":/icons/share-login.svg")),
            QIcon(QStringLiteral(":/icons/share-smb1.svg"))};
}

// The states' words, numbered as the pictures are.
QStringList StateNames()
{
    const QString section = QStringLiteral("Accessible Names");
    return {LookupText(section, AccessibleText::StateUnknown, QStringLiteral("state unknown")),
            LookupText(section, AccessibleText::StateOffline, QStringLiteral("offline")),
            LookupText(section, AccessibleText::StateOnline, QStringLiteral("online")),
            LookupText(section, AccessibleText::StateLoginNeeded, QStringLiteral("login needed"))};
}

} // namespace

CLanterraView::CLanterraView(QWidget *parent)
    : QWidget(parent), m_launcher(std::make_shared<CDesktopLauncher>()), m_updater(m_model)
{
    m_model.SetStateIcons(StateIcons());
    m_model.SetStateNames(StateNames());
    m_model.SetEntryText(LoginNeededText());

    m_iconView = new CShareIconView(this);
    m_iconDelegate = new CShareItemDelegate(m_iconView, ModeTiles);
    m_iconView->setItemDelegate(m_iconDelegate);
    m_detailsView = new CShareDetailsView(this);
    m_detailsDelegate = new CShareItemDelegate(m_detailsView, ModeDetails);
    m_detailsView->setItemDelegate(m_detailsDelegate);
    m_detailsView->setModel(&m_model);
    m_detailsView->setIconSize(QSize(16, 16));

    QHeaderView *header = m_detailsView->header();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setSortIndicatorShown(true);
    connect(header, &QHeaderView::sectionClicked, this, &CLanterraView::OnColumnClick);

    for (CShareViewBehaviour *view : {static_cast<CShareViewBehaviour *>(m_iconView),
                                      static_cast<CShareViewBehaviour *>(m_detailsView)}) {
        view->SetMessageSource([this] { return EmptyMessage(); });
        view->SetActivate([this](Qt::KeyboardModifiers modifiers) { OnActivate(modifiers); });
        view->SetCopy([this] { CopyAddresses(); });
    }

    MiddleScroll::Install(m_iconView);
    MiddleScroll::Install(m_detailsView);

    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_iconView);
    m_stack->addWidget(m_detailsView);
    BuildColumns();
    SetViewMode(ModeTiles);

    connect(&m_updateTimer, &QTimer::timeout, this, &CLanterraView::UpdateTick);
}

CLanterraView::~CLanterraView()
{
    m_updateTimer.stop();
    if (m_doc)
        m_doc->RemoveView(this);
}

void CLanterraView::SetDocument(CLanterraDoc *doc)
{
    if (m_doc == doc)
        return;
    if (m_doc)
        m_doc->RemoveView(this);
    m_doc = doc;
    m_updater.SetDocument(doc);
    if (m_doc)
        m_doc->AddView(this);
}

void CLanterraView::SetLauncher(std::shared_ptr<IShareLauncher> launcher)
{
    m_launcher = launcher ? std::move(launcher) : std::make_shared<CDesktopLauncher>();
}

CSettings *CLanterraView::Settings() const
{
    return m_settings ? m_settings : CSettings::instance();
}

void CLanterraView::OnInitialUpdate()
{
    OnDocumentUpdate(HintNewDocument);
    const CSettings *settings = Settings();
    RebuildList(settings ? settings->GetScheme(settings->selectedScheme) : nullptr);
    if (m_doc)
        SetViewMode(m_doc->lastView());
    MarkSortColumn();
}

void CLanterraView::OnDocumentUpdate(ViewHint hint)
{
    switch (hint) {
    case HintNewDocument:
        m_awaitedLogins.clear();
        m_updater.Clear();
        m_updater.ForgetScan();
        update();
        break;
    case HintDocumentLoad:
    case HintScanStarted: {
        // A scan lists the awaited hosts too; a load forgets them.
        if (hint == HintDocumentLoad)
            m_awaitedLogins.clear();
        const CSettings *settings = Settings();
        if (m_model.ItemCount() == 0) {
            // An empty list takes the scheme chosen meanwhile (the scheme box
            // does not rebuild a list without shares), so the box and the
            // list agree once the shares come.
            const ShareScheme *chosen = settings ? settings->GetScheme(settings->selectedScheme) : nullptr;
            if (chosen || m_updater.Scheme())
                RebuildList(chosen ? chosen : m_updater.Scheme());
            else
                OnInitialUpdate();
        }
        m_updater.RefreshStart(settings && settings->markBeforeScan, hint == HintScanStarted);
        StartTimer(hint == HintDocumentLoad ? BuildInterval : ScanInterval);
        break;
    }
    case HintScanStopped:
        UpdateTick();
        break;
    }
}

void CLanterraView::RebuildList(const ShareScheme *scheme)
{
    if (!scheme)
        return;
    setUpdatesEnabled(false);
    m_updater.RebuildList(scheme);
    BuildColumns();
    MarkSortColumn();
    setUpdatesEnabled(true);
    StartTimer(BuildInterval);
}

void CLanterraView::UpdateTick()
{
    const CShareListUpdater::TickResult result = m_updater.Tick();
    TellLoginResults(result);
    if (result.finished && m_awaitedLogins.empty())
        m_updateTimer.stop();
    else if (result.draining && m_updateTimer.interval() != DrainInterval)
        StartTimer(DrainInterval);
    if (m_model.ItemCount() == 0)
        ItemView()->viewport()->update();
    m_statusText = result.status;
    emit statusTextChanged(m_statusText);
}

void CLanterraView::SetViewMode(int mode)
{
    // Modes the list does not use fall back to the nearest one it does.
    if (mode != ModeDetails && mode != ModeList)
        mode = ModeTiles;
    QAbstractItemView *previous = ItemView();
    m_mode = mode;
    if (mode == ModeDetails) {
        AttachModel(m_detailsView);
        m_stack->setCurrentWidget(m_detailsView);
    } else {
        m_iconDelegate->SetMode(ViewMode(mode));
        AttachModel(m_iconView);
        m_stack->setCurrentWidget(m_iconView);
    }
    if (previous != ItemView() && previous->hasFocus())
        ItemView()->setFocus();
}

void CLanterraView::OnColumnClick(int section)
{
    if (!m_doc) {
        MarkSortColumn();
        return;
    }
    const int column = ColumnIdForSection(section);
    if (column == m_doc->lastSortCol())
        m_doc->SetLastSortRev(m_doc->lastSortRev() ? 0 : 1);
    m_doc->SetLastSortCol(column);
    MarkSortColumn();
    m_updater.SortBySettings();
}

void CLanterraView::SortBy(int column, bool descending)
{
    if (!m_doc)
        return;
    m_doc->SetLastSortCol(column);
    m_doc->SetLastSortRev(descending ? 1 : 0);
    MarkSortColumn();
    m_updater.SortBySettings();
}

void CLanterraView::OnLanguageChanged()
{
    m_model.SetEntryText(LoginNeededText());
    m_model.SetStateNames(StateNames());
    BuildColumns();
    UpdateTick();
    ItemView()->viewport()->update();
}

void CLanterraView::SetFilterText(const QString &text)
{
    const QString filter = text.trimmed();
    if (filter == m_model.Filter())
        return;
    m_model.SetFilter(filter);
    if (m_model.ItemCount() == 0)
        ItemView()->viewport()->update();
    m_statusText = m_updater.StatusText();
    emit statusTextChanged(m_statusText);
}

bool CLanterraView::FocusFirstShown()
{
    QModelIndex first;
    for (int row = 0; row < m_model.rowCount(); ++row) {
        if (m_model.ShareAtRow(row) >= 0) {
            first = m_model.index(row, ListColumnShare);
            break;
        }
        if (!first.isValid() && m_model.KeyAtRow(row) != -1)
            first = m_model.index(row, ListColumnShare);
    }
    if (!first.isValid())
        return false;
    QAbstractItemView *view = ItemView();
    view->setFocus(Qt::OtherFocusReason);
    view->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(first);
    return true;
}

int CLanterraView::FocusedShare() const
{
    return m_model.ShareAt(ItemView()->currentIndex());
}

void CLanterraView::SetFocusedShare(int share)
{
    const QModelIndex index = m_model.IndexOfShare(share);
    if (ItemView()->selectionModel())
        ItemView()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                 QItemSelectionModel::Rows);
}

HostRecord *CLanterraView::FocusedEntryHost() const
{
    const int key = m_model.KeyAt(ItemView()->currentIndex());
    return CShareListModel::IsEntryKey(key) ? m_updater.EntryHost(CShareListModel::EntrySlot(key)) : nullptr;
}

QString CLanterraView::LoginNeededText()
{
    return LookupText(MessagesSection, ViewMessage::LoginNeeded, QStringLiteral("login needed"));
}

bool CLanterraView::OpenEntry()
{
    const int key = m_model.KeyAt(ItemView()->currentIndex());
    if (!CShareListModel::IsEntryKey(key))
        return false;
    return m_updater.EntryKind(CShareListModel::EntrySlot(key)) == HostEntry::Smb1Only ? OfferSmb1() : AskLogin();
}

bool CLanterraView::OfferSmb1()
{
    HostRecord *host = FocusedEntryHost();
    CSettings *settings = Settings();
    if (!host || !m_doc || !settings)
        return false;
    const QString name = host->GetDisplayName();
    // Turned on in Preferences since the host was listed: no question.
    if (!settings->allowSmb1) {
        const QString question = FormatMessage(
            LookupText(MessagesSection, ViewMessage::Smb1Question,
                       QStringLiteral("%s speaks only the old SMB1 protocol. SMB1 is insecure, and current systems "
                                      "leave it off; logins would still use NTLMv2 or Kerberos only. Turn on \"List "
                                      "hosts that speak only SMB1\" in Preferences and list %s now?")),
            {name, name});
        if (PlainMessageBox(this, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return false;
        settings->allowSmb1 = true;
    }
    ListAgainWithLogin(
        *host, name,
        FormatMessage(LookupText(MessagesSection, ViewMessage::Smb1Listing, QStringLiteral("Listing %s with SMB1...")),
                      {name}),
        false);
    return true;
}

bool CLanterraView::AskLogin()
{
    HostRecord *host = FocusedEntryHost();
    if (!host || !m_doc)
        return false;
    const QString name = host->GetDisplayName();
    if (const QString movedTo = host->GetMovedTo(); !movedTo.isEmpty())
        return ConfirmMovedHost(*host, name, movedTo);
    CLoginDlg dialog(this);
    dialog.host = name;
    // The login the host refused is the one to mend (its password is not
    // shown again).
    const std::optional<Login> offered = CLoginPolicy::ToOffer(CLoginBook::Session(), name, host->GetAddr());
    if (offered)
        dialog.login = *offered;
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The user's yes to this host: a login the scan held back from it (not
    // asked for, a conflict, proven elsewhere) now goes there. Ok on the
    // offered login with no password typed is that yes for the login as it is.
    host->loginConfirmed = true;
    Login chosen = dialog.login;
    if (offered && chosen.password.isEmpty() && chosen.user == offered->user && chosen.domain == offered->domain) {
        chosen = *offered;
        chosen.workgroups.clear();
        chosen.provenAt.clear();
        chosen.remembered = false;
    }
    const Result<void> kept = UseHostLogin(name, chosen, dialog.remember, m_loginKeeper, CLoginBook::Session());
    WipeString(chosen.password);
    ListAgainWithLogin(
        *host, name,
        FormatMessage(LookupText(MessagesSection, ViewMessage::LoggingIn, QStringLiteral("Logging in to %s...")),
                      {name}));
    if (dialog.remember && !kept) {
        // Told in a box of its own: the status line's notice gives way to
        // the host's shares as soon as they come, and the user would learn
        // of it only when the host asks again after a restart.
        const QString text =
            kept.reason().isEmpty()
                ? LookupText(MessagesSection, ViewMessage::LoginNotKept,
                             QStringLiteral("The login could not be remembered."))
                : FormatMessage(LookupText(MessagesSection, ViewMessage::LoginNotKeptWhy,
                                           QStringLiteral("The login for %s is used until the program closes, but "
                                                          "it could not be remembered: %s")),
                                {name, kept.reason()});
        PlainMessageBox(this, QMessageBox::Warning, text);
    }
    return true;
}

bool CLanterraView::ConfirmMovedHost(HostRecord &host, const QString &name, const QString &movedTo)
{
    // Anyone on the link can answer for a name: only the user knows whether
    // the host really moved (a new lease) or someone else answers for it.
    const QString question = FormatMessage(
        LookupText(MessagesSection, ViewMessage::ConfirmMove,
                   QStringLiteral("%s no longer answers at %s, and its name now points at %s. Send its login to %s?")),
        {name, host.GetAddr(), movedTo, movedTo});
    if (PlainMessageBox(this, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    if (!host.ConfirmMove())
        return false;
    ListAgainWithLogin(
        host, name,
        FormatMessage(LookupText(MessagesSection, ViewMessage::LoggingIn, QStringLiteral("Logging in to %s...")),
                      {name}));
    return true;
}

void CLanterraView::ListAgainWithLogin(HostRecord &host, const QString &name, const QString &notice, bool withLogin)
{
    // The list may have changed while the dialog was open (a scan ended, a
    // file was opened): only a host that still has its entry is listed again.
    if (m_updater.EntrySlotOf(&host) < 0 || !m_doc->RescanHost(host))
        return;
    m_awaitedLogins[&host] = {name, withLogin};
    emit noticeChanged(notice, 0);
    if (!m_updateTimer.isActive() || m_updateTimer.interval() > LoginInterval)
        StartTimer(LoginInterval);
}

void CLanterraView::TellLoginResults(const CShareListUpdater::TickResult &result)
{
    for (const auto &[host, entry] : result.hosts) {
        const auto found = m_awaitedLogins.find(host);
        if (found == m_awaitedLogins.end())
            continue;
        const AwaitedListing awaited = found->second;
        const QString &name = awaited.name;
        m_awaitedLogins.erase(found);
        // A host first listed with SMB1 that wants a login says so in its
        // entry: no login was refused.
        if (entry == HostEntry::LoginNeeded && awaited.withLogin)
            emit noticeChanged(FormatMessage(LookupText(MessagesSection, ViewMessage::LoginRefused,
                                                        QStringLiteral("%s refused the login.")),
                                             {name}),
                               LoginNoticeMs);
        else
            emit noticeChanged(QString(), 0); // its shares tell the rest
    }
}

QList<int> CLanterraView::ActedShares() const
{
    QList<int> rows;
    if (const QItemSelectionModel *selection = ItemView()->selectionModel()) {
        // Icon views select the first column only, the report whole rows.
        for (const QModelIndex &index : selection->selectedIndexes())
            if (index.column() == ListColumnShare && m_model.ShareAt(index) >= 0)
                rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    QList<int> shares;
    shares.reserve(rows.size());
    for (int row : std::as_const(rows))
        shares.append(m_model.ShareAtRow(row));
    if (shares.isEmpty() && FocusedShare() >= 0)
        shares.append(FocusedShare());
    return shares;
}

bool CLanterraView::ConfirmMany(int count, int textId, const char *question)
{
    if (count <= MaxSharesWithoutAsking)
        return true;
    const QString text = FormatMessage(LookupText(MessagesSection, textId, QString::fromLatin1(question)), {count});
    return PlainMessageBox(this, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void CLanterraView::OpenShare()
{
    const QList<int> shares = ActedShares();
    if (shares.isEmpty() || !m_doc || !ConfirmMany(int(shares.size()), 22, "Open %d shares?"))
        return;
    QStringList failed;
    for (int share : shares)
        if (!OpenOne(share))
            failed.append(VisibleText::EscapeHidden(m_doc->shareText(share, ColumnPath)));
    if (!failed.isEmpty())
        TellLaunchFailure(LookupText(MessagesSection, ViewMessage::OpenFailed,
                                     QStringLiteral("No program could be started to open these shares:"))
                          + u'\n' + failed.join(u'\n'));
}

bool CLanterraView::OpenOne(int share)
{
    QUrl url = ShareUrlFromUnc(m_doc->shareText(share, ColumnPath));
    if (!url.isValid()) {
        // QUrl takes host names only as DNS would: a host whose name it
        // refuses is reached by its address, when the scan found one.
        const ShareRecord *record = m_doc->GetShare(share);
        const QString address = record && record->host ? record->host->GetAddr() : QString();
        if (!address.isEmpty())
            url = ShareUrlFromUnc(QStringLiteral("\\\\") + address + u'\\' + m_doc->shareText(share, ColumnShare));
    }
    return m_launcher->OpenUrl(url);
}

void CLanterraView::BrowseShare()
{
    const QList<int> shares = ActedShares();
    const CSettings *settings = Settings();
    if (shares.isEmpty() || !m_doc || !settings || !ConfirmMany(int(shares.size()), 23, "Browse %d shares?"))
        return;
    if (settings->programPath.isEmpty()) {
        TellLaunchFailure(LookupText(MessagesSection, ViewMessage::NoBrowsingProgram,
                                     QStringLiteral("No program for browsing is set. Choose one in Preferences.")));
        return;
    }
    QStringList failed;
    QString reason;
    for (int share : shares) {
        const QString unc = m_doc->shareText(share, ColumnPath);
        const QString why = m_launcher->StartProgram(
            settings->programPath, BrowseArguments(settings->programParameters, BrowsePathFromUnc(unc)));
        if (!why.isEmpty()) {
            failed.append(VisibleText::EscapeHidden(unc));
            reason = why;
        }
    }
    if (!failed.isEmpty())
        TellLaunchFailure(LookupText(MessagesSection, ViewMessage::BrowseFailed,
                                     QStringLiteral("The program for browsing could not be started for these shares:"))
                          + u'\n' + failed.join(u'\n') + QStringLiteral("\n\n") + settings->programPath
                          + QStringLiteral(": ") + reason);
}

void CLanterraView::TellLaunchFailure(const QString &message)
{
    // One box for all the shares of one action, and no loop of its own:
    // the action may have come from a double-click still being handled.
    auto *box = new QMessageBox(QMessageBox::Warning, AppTitle(), message, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("launchFailureBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->open();
}

QMimeData *CLanterraView::AddressData(const QList<int> &shares, bool windowsPaths) const
{
    QStringList paths;
    QByteArray uris;
    for (int share : shares) {
        // The names exactly as the network has them: no marks of the
        // list's display.
        const QString path = m_doc ? m_doc->shareText(share, ColumnPath) : QString();
        if (path.isEmpty())
            continue;
        paths.append(windowsPaths ? path : BrowsePathFromUnc(path));
        const QString address = ShareAddressFromUnc(path);
        if (!address.isEmpty())
            uris += address.toLatin1() + "\r\n";
    }
    auto *data = new QMimeData;
    data->setText(paths.join(u'\n'));
    if (!uris.isEmpty())
        data->setData(QStringLiteral("text/uri-list"), uris);
    return data;
}

void CLanterraView::CopyAddresses(bool windowsPaths)
{
    const QList<int> shares = ActedShares();
    if (shares.isEmpty() || !m_doc)
        return;
    QGuiApplication::clipboard()->setMimeData(AddressData(shares, windowsPaths));
}

void CLanterraView::ShowProperties()
{
    const int share = FocusedShare();
    if (share < 0 || !m_doc)
        return;
    CSharePropertiesDlg dialog(this);
    dialog.shareName = m_doc->shareText(share, ColumnShare);
    dialog.hostName = m_doc->shareText(share, ColumnHost);
    dialog.workgroup = m_doc->shareText(share, ColumnWorkgroup);
    dialog.address = m_doc->shareText(share, ColumnPath);
    dialog.url = ShareAddressFromUnc(dialog.address);
    dialog.exec();
}

void CLanterraView::OnActivate(Qt::KeyboardModifiers modifiers)
{
    const CSettings *settings = Settings();
    if (modifiers & Qt::AltModifier) {
        // A host that wants a login has no share properties.
        if (!FocusedEntryHost())
            ShowProperties();
        return;
    }
    if (ActedShares().isEmpty()) {
        // Opening or browsing a host entry starts with what stands in the way.
        if (FocusedEntryHost())
            OpenEntry();
        return;
    }
    if ((modifiers & Qt::ControlModifier) || (settings && settings->browseByDefault))
        BrowseShare();
    else
        OpenShare();
}

QMenu *CLanterraView::CreateContextMenu(QWidget *parent)
{
    const bool entry = FocusedEntryHost() != nullptr;
    if (FocusedShare() < 0 && !entry)
        return nullptr;
    auto *menu = new QMenu(parent);
    const auto add = [this, menu](int command, const char *text) {
        QAction *action = menu->addAction(LookupText(ShareMenuSection, command, QString::fromLatin1(text)));
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
        return action;
    };
    QAction *open = add(Cmd::ShareOpen, "&Open");
    menu->addSeparator();
    QAction *browse = add(Cmd::ShareBrowse, "Browse");
    menu->addSeparator();
    add(Cmd::EditCopy, "&Copy Address")->setEnabled(!ActedShares().isEmpty());
    add(Cmd::CopyWindowsPath, "Copy as &Windows Path")->setEnabled(!ActedShares().isEmpty());
    menu->addSeparator();
    add(Cmd::ShareProperties, "&Properties")->setEnabled(!entry);
    const CSettings *settings = Settings();
    menu->setDefaultAction(settings && settings->browseByDefault ? browse : open);
    return menu;
}

void CLanterraView::ShowContextMenu(const QPoint &globalPos)
{
    QMenu *menu = CreateContextMenu(this);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

bool CLanterraView::OnCommand(int id)
{
    switch (id) {
    case Cmd::ShowOffline:
        if (m_doc) {
            m_doc->SetShowOffline(!m_doc->showOffline());
            RebuildList(m_updater.Scheme());
        }
        return true;
    case Cmd::ShareOpen:
    case Cmd::ShareBrowse:
        if (ActedShares().isEmpty()) {
            if (!FocusedEntryHost())
                return false;
            OpenEntry();
            return true;
        }
        if (id == Cmd::ShareOpen)
            OpenShare();
        else
            BrowseShare();
        return true;
    case Cmd::EditCopy:
    case Cmd::CopyWindowsPath:
        if (ActedShares().isEmpty())
            return false;
        CopyAddresses(id == Cmd::CopyWindowsPath);
        return true;
    case Cmd::ShareProperties:
        if (FocusedShare() < 0)
            return false;
        ShowProperties();
        return true;
    default:
        return false;
    }
}

bool CLanterraView::OnUpdateCommand(CCmdUI &ui)
{
    switch (ui.id) {
    case Cmd::ShowOffline:
        ui.SetCheck(m_doc && m_doc->showOffline());
        return true;
    case Cmd::ShareOpen:
    case Cmd::ShareBrowse:
        ui.Enable(FocusedShare() >= 0 || FocusedEntryHost() || !ActedShares().isEmpty());
        return true;
    case Cmd::EditCopy:
    case Cmd::CopyWindowsPath:
        ui.Enable(!ActedShares().isEmpty());
        return true;
    case Cmd::ShareProperties:
        ui.Enable(FocusedShare() >= 0);
        return true;
    default:
        return false;
    }
}

QAbstractItemView *CLanterraView::ItemView() const
{
    if (m_mode == ModeDetails)
        return m_detailsView;
    return m_iconView;
}

QHeaderView *CLanterraView::Header() const
{
    return m_detailsView->header();
}

QString CLanterraView::EmptyMessage() const
{
    return m_updater.EmptyMessage();
}

void CLanterraView::contextMenuEvent(QContextMenuEvent *event)
{
    // From the keyboard (Menu key, Shift+F10) the pointer may be anywhere,
    // even outside the window: the menu opens at the focused share instead.
    QPoint at = QCursor::pos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QAbstractItemView *items = ItemView();
        const QRect shown = items->viewport()->rect();
        const QRect item = items->visualRect(items->currentIndex()).intersected(shown);
        at = items->viewport()->mapToGlobal(item.isEmpty() ? shown.topLeft() : item.center());
    }
    ShowContextMenu(at);
    event->accept();
}

void CLanterraView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_model.ItemCount() == 0)
        ItemView()->viewport()->update();
}

void CLanterraView::BuildColumns()
{
    QStringList texts;
    for (int section = 0; section < ListColumnCount; ++section)
        texts.append(
            LookupText(ColumnsSection, ColumnIdForSection(section), QString::fromLatin1(Columns[section].text)));
    m_model.SetHeaderTexts(texts);
    QHeaderView *header = m_detailsView->header();
    const QFontMetrics metrics(m_detailsView->font());
    for (int section = 0; section < ListColumnCount && section < header->count(); ++section)
        // Never narrower than the header's own text and its sort mark.
        header->resizeSection(section,
                              std::max(metrics.averageCharWidth() * Columns[section].characters,
                                       metrics.horizontalAdvance(texts[section]) + 5 * metrics.averageCharWidth()));
}

void CLanterraView::MarkSortColumn()
{
    const int column = m_doc ? m_doc->lastSortCol() : int(ColumnShare);
    const bool reverse = m_doc && m_doc->lastSortRev();
    m_detailsView->header()->setSortIndicator(SectionForColumnId(column),
                                              reverse ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void CLanterraView::StartTimer(int interval)
{
    m_updateTimer.start(interval);
}

void CLanterraView::AttachModel(QAbstractItemView *view)
{
    // Only the view on screen follows the model: the hidden one would lay
    // out every batch for nothing.
    QAbstractItemView *other = view == m_detailsView ? static_cast<QAbstractItemView *>(m_iconView) : m_detailsView;
    if (view->model() == &m_model)
        return;
    int current = -1;
    QList<int> selected;
    if (other->model() == &m_model) {
        current = m_model.ShareAt(other->currentIndex());
        for (const QModelIndex &index : other->selectionModel()->selectedRows())
            selected.append(m_model.ShareAt(index));
        QItemSelectionModel *old = other->selectionModel();
        other->setModel(nullptr);
        delete old;
    }
    view->setModel(&m_model);
    if (view == m_detailsView)
        BuildColumns();
    MarkSortColumn();
    QItemSelectionModel *selection = view->selectionModel();
    for (int share : std::as_const(selected))
        selection->select(m_model.IndexOfShare(share), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (current >= 0)
        selection->setCurrentIndex(m_model.IndexOfShare(current), QItemSelectionModel::NoUpdate);
}
