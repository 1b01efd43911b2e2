// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sharelistmodel.h"
#include "sharelistupdater.h"
#include "model/viewmode.h"

#include "app/hostlogins.h"
#include "model/documentview.h"
#include "ui/toolkit/commandui.h"

#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

class CLanterraDoc;
class CSettings;
class CShareDetailsView;
class CShareIconView;
class CShareItemDelegate;
class IShareLauncher;
class QAbstractItemView;
class QHeaderView;
class QMenu;
class QMimeData;
class QStackedLayout;
struct HostRecord;
struct ShareScheme;

// The document's one view: every share that passes the scheme's filters,
// in groups, ordered, marked with its state, kept up with a running scan by
// a timer that takes a bounded batch of changes per tick; plus the actions
// on the focused share (open, browse, properties) and the status line.
// Open and Browse on a host that needs a login ask for one and list that
// host again; share-only actions do nothing there and are greyed out.
class CLanterraView : public QWidget, public DocumentView, public CCommandTarget
{
    Q_OBJECT
public:
    // The view modes, also as CLanterraView::ModeDetails and so on.
    using enum ViewMode;
    static constexpr int BuildInterval = 25;
    static constexpr int ScanInterval = 500;
    // After a scan: the next slice of its queued changes as soon as the
    // window has handled what waits (each slice is bounded in time).
    static constexpr int DrainInterval = 0;

    explicit CLanterraView(QWidget *parent = nullptr);
    ~CLanterraView() override;

    void SetDocument(CLanterraDoc *doc);
    CLanterraDoc *GetDocument() const { return m_doc; }
    // nullptr: CSettings::instance().
    void SetSettings(CSettings *settings) { m_settings = settings; }
    void SetLauncher(std::shared_ptr<IShareLauncher> launcher);
    // Where a login typed with "remember" goes (the frame gives the
    // desktop's secret store; empty keeps nothing).
    void SetLoginKeeper(LoginKeeper keeper) { m_loginKeeper = std::move(keeper); }

    // After a document was made or opened: clear, build for the selected
    // scheme, show the document's view mode and sort column.
    void OnInitialUpdate();
    void OnDocumentUpdate(ViewHint hint) override;
    void RebuildList(const ShareScheme *scheme);
    // One update tick (the timer runs them).
    void UpdateTick();
    void SetViewMode(int mode);
    int GetViewMode() const { return m_mode; }
    void OnColumnClick(int section);
    // Sorts by the document's column id `column` (ShareColumn), the way a
    // click on its header would, in the given direction.
    void SortBy(int column, bool descending);
    // The language changed: headers, then a tick.
    void OnLanguageChanged();

    // --- quick filter ---------------------------------------------------------------
    // Shows only the shares whose name or host contains `text` (without
    // regard to case; a host that needs a login by its host), in every view
    // mode and grouping, and says in the status line how many it shows.
    void SetFilterText(const QString &text);
    const QString &FilterText() const { return m_model.Filter(); }
    // The first share shown (else the first item) gets the focus and the
    // selection, and the list the keyboard focus; false when nothing is shown.
    bool FocusFirstShown();

    // --- share actions ---------------------------------------------------------
    // The focused item's share index, or -1.
    int FocusedShare() const;
    void SetFocusedShare(int share);
    // The shares Open, Browse and Copy Address take: the selected ones in
    // list order, else the focused one; never a host entry.
    QList<int> ActedShares() const;
    // The host of the focused item when it is a host entry, else nullptr.
    HostRecord *FocusedEntryHost() const;
    // Open on a host entry: the login for a host that wants one (AskLogin),
    // the SMB1 question for one that speaks only SMB1 (OfferSmb1). False
    // when no entry has the focus or the user cancelled.
    bool OpenEntry();
    // Asks for the login of the focused entry's host and lists that host
    // again with it; for a host that answers at a new address, asks first
    // whether its login may follow it there. False when no entry has the
    // focus or the user cancelled.
    bool AskLogin();
    // Tells why the focused entry's host, which speaks only SMB1, is not
    // listed, offers to allow SMB1 (a preference) and lists it again.
    bool OfferSmb1();
    // Open and Browse take every share ActedShares() names, after asking
    // once when they are more than MaxSharesWithoutAsking.
    static constexpr int MaxSharesWithoutAsking = 10;
    void OpenShare();
    void BrowseShare();
    // The acted-on shares' addresses to the clipboard, one a line: as text
    // the address this platform's file managers and shells take
    // (smb://host/share here, \\host\share on Windows), or with
    // `windowsPaths` always \\host\share; as a URI list smb://host/share.
    void CopyAddresses(bool windowsPaths = false);
    // The clipboard's data for these shares (the caller owns it).
    QMimeData *AddressData(const QList<int> &shares, bool windowsPaths = false) const;
    void ShowProperties();
    // Double-click or Enter with these keys held.
    void OnActivate(Qt::KeyboardModifiers modifiers);
    // The share menu for the focused item, or null when no item has the focus.
    QMenu *CreateContextMenu(QWidget *parent);
    void ShowContextMenu(const QPoint &globalPos);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(CCmdUI &ui) override;

    // --- state, for the frame and for tests ------------------------------------------
    CShareListModel *Model() { return &m_model; }
    const CShareListUpdater &Updater() const { return m_updater; }
    QAbstractItemView *ItemView() const;
    QHeaderView *Header() const;
    bool IsTimerActive() const { return m_updateTimer.isActive(); }
    QTimer *UpdateTimer() { return &m_updateTimer; }
    int TimerInterval() const { return m_updateTimer.interval(); }
    const QString &StatusText() const { return m_statusText; }
    // The empty-list message, or nothing when the list is not empty.
    QString EmptyMessage() const;

    // What a host entry says in place of a share name.
    static QString LoginNeededText();

signals:
    void statusTextChanged(const QString &text);
    // A message to show in place of the status line for `timeoutMs` (0: until
    // the next one); an empty text takes the last one away.
    void noticeChanged(const QString &text, int timeoutMs);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool ConfirmMovedHost(HostRecord &host, const QString &name, const QString &movedTo);
    // Lists `host` again for a login and tells `notice` while it waits.
    void ListAgainWithLogin(HostRecord &host, const QString &name, const QString &notice, bool withLogin = true);
    CSettings *Settings() const;
    void BuildColumns();
    void MarkSortColumn();
    void StartTimer(int interval);
    void AttachModel(QAbstractItemView *view);
    void TellLoginResults(const CShareListUpdater::TickResult &result);
    // False when nothing could be started for it.
    bool OpenOne(int share);
    // What could not be started, in a box that does not wait.
    void TellLaunchFailure(const QString &message);
    // Asks before acting on many shares at once; `question` has one %d.
    bool ConfirmMany(int count, int textId, const char *question);

    CLanterraDoc *m_doc = nullptr;
    CSettings *m_settings = nullptr;
    std::shared_ptr<IShareLauncher> m_launcher;
    LoginKeeper m_loginKeeper;
    // Hosts listed again after a login (or once SMB1 was allowed), with
    // their names, until their probe has told.
    struct AwaitedListing
    {
        QString name;
        bool withLogin = true;
    };
    std::map<const HostRecord *, AwaitedListing> m_awaitedLogins;
    CShareListModel m_model;
    CShareListUpdater m_updater;
    QTimer m_updateTimer;
    QString m_statusText;
    int m_mode = ModeTiles;

    QStackedLayout *m_stack = nullptr;
    CShareIconView *m_iconView = nullptr;
    CShareDetailsView *m_detailsView = nullptr;
    CShareItemDelegate *m_iconDelegate = nullptr;
    CShareItemDelegate *m_detailsDelegate = nullptr;
};
