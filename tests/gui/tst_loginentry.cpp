// SPDX-License-Identifier: GPL-3.0-or-later
// A host that wants a login: one entry in the list, the login asked for on
// Open, the host listed again, and the logins remembered between scans.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "model/hostlogin.h"
#include "net/credentials.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "ui/commandids.h"
#include "ui/dialogs/logindlg.h"
#include "ui/frame/loginkeeper.h"
#include "ui/frame/mainframe.h"
#include "ui/toolkit/menubar.h"
#include "ui/view/filterfield.h"
#include "ui/view/lanterraview.h"
#include "ui/view/sharelistmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <thread>

using namespace gui;

namespace {

// Logins remembered in a map instead of the desktop's store.
struct TestKeeper
{
    std::map<QString, Login> stored;
    QStringList asked;
    // Set: every save fails with it as its reason.
    QString refusal;

    LoginKeeper Keeper()
    {
        return {[this](const QString &host) -> std::optional<Login> {
                    asked.append(host);
                    const auto found = stored.find(host);
                    return found != stored.end() ? std::optional<Login>(found->second) : std::nullopt;
                },
                [this](const QString &host, const Login &login) -> Result<void> {
                    if (!refusal.isEmpty())
                        return Failed(refusal);
                    stored[host] = login;
                    return {};
                }};
    }
};

int EntryRow(const CShareListModel &model)
{
    for (int row = 0; row < model.rowCount(); ++row)
        if (model.index(row, 0).data(CShareListModel::EntrySlotRole).toInt() >= 0)
            return row;
    return -1;
}

QStringList ShownShares(const CLanterraView &view, CLanterraDoc &doc)
{
    QStringList names;
    for (int share : const_cast<CLanterraView &>(view).Model()->SharesInOrder())
        names.append(doc.shareText(share, ColumnHost) + u'/' + doc.shareText(share, ColumnShare));
    return names;
}

// Answers the next login dialog with `user` and `password`.
void AnswerLogin(const QString &user, const QString &password, bool remember, QString *prompt = nullptr)
{
    QTimer::singleShot(0, [=] {
        auto *dialog = qobject_cast<CLoginDlg *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (prompt)
            *prompt = dialog->findChild<QLabel *>(QStringLiteral("control%1").arg(CLoginDlg::IdPrompt))->text();
        const auto edit = [dialog](int id) {
            return dialog->findChild<QLineEdit *>(QStringLiteral("control%1").arg(id));
        };
        edit(CLoginDlg::IdUserEdit)->setText(user);
        QTest::keyClicks(edit(CLoginDlg::IdPasswordEdit), password);
        dialog->findChild<QCheckBox *>(QStringLiteral("control%1").arg(CLoginDlg::IdRemember))->setChecked(remember);
        dialog->findChild<QPushButton *>(QStringLiteral("control%1").arg(CLoginDlg::IdOk))->click();
    });
}

} // namespace

class LoginEntryTest : public QObject
{
    Q_OBJECT

private:
    // A workgroup with an open host and one that lists only for alice.
    struct Network
    {
        TestSettings settings;
        CLanterraApp app{&settings.settings};
        std::shared_ptr<CMemoryNetwork> network = std::make_shared<CMemoryNetwork>();
        TestKeeper keeper;

        Network()
        {
            settings.settings.autoSave = false;
            app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
            app.OnFileNew();
            network->SetLocalWorkgroup(QStringLiteral("HOME"));
            network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("OPEN"), QStringLiteral("LOCKED")});
            CMemoryNetwork::Server open;
            open.shares = {{QStringLiteral("music"), ShareType::DiskTree}};
            network->AddName(QStringLiteral("OPEN"), QStringLiteral("10.0.0.1"));
            network->SetServer(QStringLiteral("10.0.0.1"), open);
            CMemoryNetwork::Server locked;
            locked.shares = {{QStringLiteral("docs"), ShareType::DiskTree},
                             {QStringLiteral("films"), ShareType::DiskTree}};
            locked.loginUser = QStringLiteral("alice");
            locked.loginPassword = QStringLiteral("s3cret");
            network->AddName(QStringLiteral("LOCKED"), QStringLiteral("10.0.0.2"));
            network->SetServer(QStringLiteral("10.0.0.2"), locked);
            CLanterraDoc &doc = app.document();
            doc.SetNetwork(network);
            doc.SetCurrentWorkgroup(QStringLiteral("HOME"));
            doc.rules().searchNetCurrent = 1;
        }
        ~Network() { app.document().HaltAndWait(); }

        std::unique_ptr<CMainFrame> Frame()
        {
            auto frame = std::make_unique<CMainFrame>(&app, &settings.settings);
            frame->SetLauncher(std::make_shared<RecordingLauncher>());
            frame->SetLoginKeeper(keeper.Keeper());
            frame->resize(600, 500);
            frame->show();
            return frame;
        }

        // F5, then the list until it is still.
        static bool Scan(CMainFrame &frame)
        {
            frame.RouteCommand(Cmd::Refresh);
            return QTest::qWaitFor(
                [&frame] { return !frame.Document()->IsScanning() && !frame.View()->IsTimerActive(); }, 20000);
        }
    };

    static void Activate(CLanterraView &view, int row)
    {
        QAbstractItemView *list = view.ItemView();
        list->setCurrentIndex(view.Model()->index(row, 0));
    }

private slots:
    void init() { CLoginBook::Session().Clear(); }
    void cleanup() { CLoginBook::Session().Clear(); }

    void lockedHostIsOneEntryUntilItsLoginListsIt()
    {
        Network n;
        CLanterraDoc &doc = n.app.document();
        // It listed a share once; now it refuses.
        DocBuilder build(doc);
        build.Share(build.Host(QStringLiteral("LOCKED"), QStringLiteral("HOME")), QStringLiteral("old"));
        auto frame = n.Frame();
        CLanterraView &view = *frame->View();
        view.SetViewMode(CLanterraView::ModeDetails);
        QVERIFY(Network::Scan(*frame));
        // The remembered logins were asked for: the one for every host too.
        QVERIFY(n.keeper.asked.contains(QString()));
        QVERIFY(n.keeper.asked.contains(QStringLiteral("LOCKED")));

        CShareListModel &model = *view.Model();
        QCOMPARE(model.EntryCount(), 1);
        QCOMPARE(ShownShares(view, doc), QStringList{QStringLiteral("OPEN/music")});
        const int row = EntryRow(model);
        QVERIFY(row >= 0);
        QCOMPARE(model.index(row, 0).data().toString(), QStringLiteral("login needed"));
        QCOMPARE(model.index(row, 1).data(CShareListModel::PlainTextRole).toString(), QStringLiteral("LOCKED"));
        QCOMPARE(model.index(row, 2).data(CShareListModel::PlainTextRole).toString(), QStringLiteral("HOME"));
        QCOMPARE(model.index(row, 0).data(CShareListModel::ImageRole).toInt(), CShareListModel::LoginNeededImage);
        QCOMPARE(model.index(row, 0).data(CShareListModel::ShareIndexRole).toInt(), -1);
        const QIcon icon = qvariant_cast<QIcon>(model.index(row, 0).data(Qt::DecorationRole));
        QVERIFY(!icon.pixmap(16, 16).isNull());
        for (int state = ShareUnknown; state <= ShareOnline; ++state)
            QVERIFY(icon.pixmap(16, 16).toImage() != model.StateIcon(state).pixmap(16, 16).toImage());
        // The status line counts the shares listed, and the entry apart (the
        // share LOCKED once listed waits behind it).
        QCOMPARE(frame->StatusPane()->text(), QStringLiteral("Ready. 1 shares. 1 host needs a login."));

        // Share-only actions are greyed out on the entry and answer nothing.
        Activate(view, row);
        QVERIFY(view.FocusedEntryHost());
        QCOMPARE(view.FocusedShare(), -1);
        CCmdUI properties{Cmd::ShareProperties};
        frame->RouteUpdate(properties);
        QVERIFY(properties.handled && !properties.enabled);
        CCmdUI open{Cmd::ShareOpen};
        frame->RouteUpdate(open);
        QVERIFY(open.enabled);
        QVERIFY(!view.OnCommand(Cmd::ShareProperties));
        std::unique_ptr<QMenu> menu(view.CreateContextMenu(nullptr));
        QVERIFY(menu);
        // An entry has neither properties nor an address to copy.
        for (QAction *action : menu->actions())
            QCOMPARE(action->isEnabled(), action->data().toInt() != Cmd::ShareProperties
                                              && action->data().toInt() != Cmd::EditCopy
                                              && action->data().toInt() != Cmd::CopyWindowsPath);

        // A double-click asks; a wrong password leaves the entry and says so.
        QString prompt;
        AnswerLogin(QStringLiteral("alice"), QStringLiteral("wrong"), false, &prompt);
        QWidget *viewport = view.ItemView()->viewport();
        const QPoint at = view.ItemView()->visualRect(model.index(row, 0)).center();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        QVERIFY(prompt.contains(QStringLiteral("LOCKED")));
        QTRY_COMPARE_WITH_TIMEOUT(frame->statusBar()->currentMessage(), QStringLiteral("LOCKED refused the login."),
                                  10000);
        QCOMPARE(model.EntryCount(), 1);
        QVERIFY(n.keeper.stored.empty());
        QCOMPARE(doc.GetHostsPending(), 0);

        // Enter with the right one, remembered: the shares take its place.
        Activate(view, EntryRow(model));
        AnswerLogin(QStringLiteral("alice"), QStringLiteral("s3cret"), true);
        QTest::keyClick(view.ItemView(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(model.EntryCount(), 0, 10000);
        QTRY_VERIFY(!view.IsTimerActive());
        QCOMPARE(ShownShares(view, doc).size(), 4);
        for (const char *share : {"LOCKED/docs", "LOCKED/films", "LOCKED/old", "OPEN/music"})
            QVERIFY2(ShownShares(view, doc).contains(QLatin1String(share)), share);
        QVERIFY(frame->statusBar()->currentMessage().isEmpty());
        QCOMPARE(frame->StatusPane()->text(), QStringLiteral("Ready. 4 shares."));
        QCOMPARE(n.keeper.stored.size(), size_t(1));
        QCOMPARE(n.keeper.stored[QStringLiteral("LOCKED")].user, QStringLiteral("alice"));
        QCOMPARE(n.keeper.stored[QStringLiteral("LOCKED")].password, QStringLiteral("s3cret"));
        QVERIFY(!doc.IsScanning());
        QCOMPARE(doc.GetHostsPending(), 0);
        QCOMPARE(doc.GetHostsTotal(), 2);
        QCOMPARE(n.network->ListingCalls(QStringLiteral("10.0.0.1")), 1);
    }

    void rememberedLoginListsTheHostAtTheNextScan()
    {
        Network n;
        Login alice;
        alice.user = QStringLiteral("alice");
        alice.password = QStringLiteral("s3cret");
        // Kept where it worked: at LOCKED's address.
        alice.provenAt[QStringLiteral("LOCKED")] = QStringLiteral("10.0.0.2");
        n.keeper.stored[QStringLiteral("LOCKED")] = alice;
        auto frame = n.Frame();
        // The first scan finds the host; the next one knows its name.
        QVERIFY(Network::Scan(*frame));
        QCOMPARE(frame->View()->Model()->EntryCount(), 1);
        QVERIFY(Network::Scan(*frame));
        QCOMPARE(frame->View()->Model()->EntryCount(), 0);
        QVERIFY(ShownShares(*frame->View(), n.app.document()).contains(QStringLiteral("LOCKED/docs")));
    }

    // LOCKED, known at 10.0.0.2, went silent there and its name now points
    // at 10.0.0.7: its entry tells both addresses, Open asks, and only a yes
    // sends the login to the new address.
    void movedHostAsksBeforeItsLoginFollows_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("loginsAtNewAddress");
        QTest::addColumn<QString>("boundAddress");
        QTest::addColumn<int>("entries");
        QTest::newRow("yes") << int(QMessageBox::Yes) << QStringList{QStringLiteral("alice")}
                             << QStringLiteral("10.0.0.7") << 0;
        QTest::newRow("no") << int(QMessageBox::No) << QStringList{} << QStringLiteral("10.0.0.2") << 1;
    }

    void movedHostAsksBeforeItsLoginFollows()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, loginsAtNewAddress);
        QFETCH(QString, boundAddress);
        QFETCH(int, entries);
        Network n;
        CLanterraDoc &doc = n.app.document();
        DocBuilder build(doc);
        HostRecord *locked = build.Host(QStringLiteral("LOCKED"), QStringLiteral("HOME"), QStringLiteral("10.0.0.2"));
        CMemoryNetwork::Server moved;
        moved.shares = {{QStringLiteral("docs"), ShareType::DiskTree}};
        moved.loginUser = QStringLiteral("alice");
        moved.loginPassword = QStringLiteral("s3cret");
        n.network->RemoveServer(QStringLiteral("10.0.0.2"));
        n.network->SetServer(QStringLiteral("10.0.0.7"), moved);
        n.network->AddName(QStringLiteral("LOCKED"), QStringLiteral("10.0.0.7"));
        Login alice;
        alice.user = QStringLiteral("alice");
        alice.password = QStringLiteral("s3cret");
        // Kept where it worked: at LOCKED's address.
        alice.provenAt[QStringLiteral("LOCKED")] = QStringLiteral("10.0.0.2");
        n.keeper.stored[QStringLiteral("LOCKED")] = alice;
        auto frame = n.Frame();
        CLanterraView &view = *frame->View();
        view.SetViewMode(CLanterraView::ModeDetails);
        QVERIFY(Network::Scan(*frame));
        QVERIFY(n.network->LoginsSentTo(QStringLiteral("10.0.0.7")).isEmpty());

        CShareListModel &model = *view.Model();
        QCOMPARE(model.EntryCount(), 1);
        const QString text = model.index(EntryRow(model), 0).data().toString();
        QVERIFY2(text.contains(QStringLiteral("10.0.0.7")) && text.contains(QStringLiteral("10.0.0.2")),
                 qPrintable(text));

        QString question;
        QTimer::singleShot(0, [&question, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            question = box->text();
            box->button(QMessageBox::StandardButton(answer))->click();
        });
        Activate(view, EntryRow(model));
        QVERIFY(view.OnCommand(Cmd::ShareOpen));
        QVERIFY2(question.contains(QStringLiteral("10.0.0.7")) && question.contains(QStringLiteral("10.0.0.2")),
                 qPrintable(question));
        QTRY_COMPARE_WITH_TIMEOUT(model.EntryCount(), entries, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!doc.IsScanning() && !view.IsTimerActive(), 10000);
        QCOMPARE(n.network->LoginsSentTo(QStringLiteral("10.0.0.7")), loginsAtNewAddress);
        QCOMPARE(locked->GetAddr(), boundAddress);
        if (entries == 0)
            QVERIFY(ShownShares(view, doc).contains(QStringLiteral("LOCKED/docs")));
    }

    // A host that speaks only SMB1: one entry that says so and tells what to
    // do; Open offers the preference (asked only while it is off) and lists
    // the host with it.
    void smb1HostIsOneEntryThatOffersTheSetting_data()
    {
        QTest::addColumn<int>("answer"); // 0: no question expected
        QTest::addColumn<bool>("allowedBefore");
        QTest::addColumn<int>("entries");
        QTest::newRow("declined") << int(QMessageBox::No) << false << 1;
        QTest::newRow("allowed") << int(QMessageBox::Yes) << false << 0;
        QTest::newRow("allowed in Preferences") << 0 << true << 0;
    }
    void smb1HostIsOneEntryThatOffersTheSetting()
    {
        QFETCH(int, answer);
        QFETCH(bool, allowedBefore);
        QFETCH(int, entries);
        Network n;
        CLanterraDoc &doc = n.app.document();
        CMemoryNetwork::Server old;
        old.shares = {{QStringLiteral("backup"), ShareType::DiskTree}};
        old.smb1Only = true;
        n.network->SetServer(QStringLiteral("10.0.0.2"), old);
        auto frame = n.Frame();
        CLanterraView &view = *frame->View();
        view.SetViewMode(CLanterraView::ModeDetails);
        QVERIFY(Network::Scan(*frame));

        CShareListModel &model = *view.Model();
        QCOMPARE(model.EntryCount(), 1);
        const int row = EntryRow(model);
        QCOMPARE(model.index(row, 0).data().toString(), QStringLiteral("speaks only the old SMB1 protocol"));
        QCOMPARE(model.index(row, 1).data(CShareListModel::PlainTextRole).toString(), QStringLiteral("LOCKED"));
        QCOMPARE(model.index(row, 0).data(CShareListModel::ImageRole).toInt(), CShareListModel::Smb1OnlyImage);
        const QString tip = model.index(row, 0).data(Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(QStringLiteral("LOCKED")) && tip.contains(QStringLiteral("Preferences")),
                 qPrintable(tip));
        const QIcon icon = qvariant_cast<QIcon>(model.index(row, 0).data(Qt::DecorationRole));
        for (int image = CShareListModel::UnknownImage; image <= CShareListModel::LoginNeededImage; ++image)
            QVERIFY(icon.pixmap(16, 16).toImage() != model.StateIcon(image).pixmap(16, 16).toImage());
        // It answered: counted online, not as switched off.
        Activate(view, row);
        HostRecord *host = view.FocusedEntryHost();
        QVERIFY(host);
        QCOMPARE(host->lastState, int(NetError::Smb1NotAvailable));
        QCOMPARE(host->onlineCount, 1);
        QCOMPARE(host->offlineCount, 0);
        const int listings = n.network->ListingCalls(QStringLiteral("10.0.0.2"));

        n.settings.settings.allowSmb1 = allowedBefore;
        QString question;
        if (answer != 0) {
            QTimer::singleShot(0, [&question, answer] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                question = box->text();
                box->button(QMessageBox::StandardButton(answer))->click();
            });
        }
        QVERIFY(view.OnCommand(Cmd::ShareOpen));
        if (answer != 0)
            QVERIFY2(question.contains(QStringLiteral("LOCKED")) && question.contains(QStringLiteral("SMB1")),
                     qPrintable(question));
        QTRY_COMPARE_WITH_TIMEOUT(model.EntryCount(), entries, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!doc.IsScanning() && !view.IsTimerActive(), 10000);
        QCOMPARE(n.settings.settings.allowSmb1, entries == 0);
        if (entries == 1) {
            QCOMPARE(n.network->ListingCalls(QStringLiteral("10.0.0.2")), listings);
            return;
        }
        QVERIFY(ShownShares(view, doc).contains(QStringLiteral("LOCKED/backup")));
        // The next scan takes the preference too.
        QVERIFY(Network::Scan(*frame));
        QCOMPARE(model.EntryCount(), 0);
        QCOMPARE(host->lastState, 0);
        QCOMPARE(host->onlineCount, 3);
    }

    // An entry already standing when its host moves tells the move at the
    // next scan's end.
    void standingEntryTellsTheMove()
    {
        Network n;
        Login wrong;
        wrong.user = QStringLiteral("alice");
        wrong.password = QStringLiteral("wrong");
        // Kept where it worked: at LOCKED's address.
        wrong.provenAt[QStringLiteral("LOCKED")] = QStringLiteral("10.0.0.2");
        n.keeper.stored[QStringLiteral("LOCKED")] = wrong;
        // Known at its address from an earlier scan: a refusal alone would
        // not tie it there.
        DocBuilder(n.app.document()).Host(QStringLiteral("LOCKED"), QStringLiteral("HOME"), QStringLiteral("10.0.0.2"));
        auto frame = n.Frame();
        CLanterraView &view = *frame->View();
        QVERIFY(Network::Scan(*frame));
        CShareListModel &model = *view.Model();
        QCOMPARE(model.EntryCount(), 1);
        QCOMPARE(model.index(EntryRow(model), 0).data().toString(), QStringLiteral("login needed"));

        CMemoryNetwork::Server moved;
        moved.loginUser = QStringLiteral("alice");
        moved.loginPassword = QStringLiteral("s3cret");
        n.network->RemoveServer(QStringLiteral("10.0.0.2"));
        n.network->SetServer(QStringLiteral("10.0.0.7"), moved);
        n.network->AddName(QStringLiteral("LOCKED"), QStringLiteral("10.0.0.7"));
        QVERIFY(Network::Scan(*frame));
        QCOMPARE(model.EntryCount(), 1);
        const QString text = model.index(EntryRow(model), 0).data().toString();
        QVERIFY2(text.contains(QStringLiteral("10.0.0.7")) && text.contains(QStringLiteral("10.0.0.2")),
                 qPrintable(text));
        QVERIFY(n.network->LoginsSentTo(QStringLiteral("10.0.0.7")).isEmpty());
    }

    void cancelledLoginListsNothing()
    {
        Network n;
        auto frame = n.Frame();
        QVERIFY(Network::Scan(*frame));
        CLanterraView &view = *frame->View();
        Activate(view, EntryRow(*view.Model()));
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<CLoginDlg *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->findChild<QPushButton *>(QStringLiteral("control%1").arg(CLoginDlg::IdCancel))->click();
        });
        QVERIFY(view.OnCommand(Cmd::ShareBrowse));
        QTest::qWait(200);
        QCOMPARE(n.network->ListingCalls(QStringLiteral("10.0.0.2")), 1);
        QVERIFY(!CLoginBook::Session().HasOwn(QStringLiteral("LOCKED")));
        QCOMPARE(view.Model()->EntryCount(), 1);
    }

    void slowSecretStoreDoesNotHoldTheScanStart()
    {
        // A store that answers only when the test lets it, as a bus that
        // does not answer; a start that waits for it anyway is let go late,
        // and then finds the store answered.
        auto calls = std::make_shared<std::atomic<int>>(0);
        auto answered = std::make_shared<std::atomic<int>>(0);
        std::promise<void> letGo;
        LoginKeeper slow;
        slow.load = [calls, answered, gate = letGo.get_future().share()](const QString &host) -> std::optional<Login> {
            ++*calls;
            gate.wait_for(std::chrono::seconds(30));
            ++*answered;
            if (host != QStringLiteral("LOCKED"))
                return std::nullopt;
            Login login;
            login.user = QStringLiteral("alice");
            return login;
        };
        QVERIFY(!LoadRememberedLoginsFor({QStringLiteral("LOCKED")}, slow, 100));
        QCOMPARE(answered->load(), 0);
        // While it reads, a second start asks nothing more.
        QVERIFY(!LoadRememberedLoginsFor({QStringLiteral("LOCKED")}, slow, 0));
        letGo.set_value();
        // What it reads later still serves the listings.
        QTRY_VERIFY_WITH_TIMEOUT(CLoginBook::Session().HasOwn(QStringLiteral("LOCKED")), 5000);
        QCOMPARE(calls->load(), 2); // the login for every host, then LOCKED's
        bool again = false;
        for (int i = 0; i < 100 && !again; ++i) {
            again = LoadRememberedLoginsFor({}, slow, 1000);
            QTest::qWait(10);
        }
        QVERIFY(again);
        QCOMPARE(calls->load(), 3);
    }

    void entrySortsAndGroupsLikeAShare()
    {
        TestSettings settings;
        CLanterraDoc doc(&settings.settings);
        DocBuilder build(doc);
        HostRecord *nas = build.Host(QStringLiteral("NAS"));
        build.Share(nas, QStringLiteral("music"));
        build.Share(nas, QStringLiteral("films"));
        build.Share(nas, QStringLiteral("zeta"), ShareOffline);
        HostRecord *locked = build.Host(QStringLiteral("LOCKED"));
        build.Share(locked, QStringLiteral("music2"));
        locked->lastState = int(NetError::AccessDenied);
        CLanterraView view;
        view.SetDocument(&doc);
        view.resize(500, 400);
        const auto fill = [&view](ShareScheme *scheme) {
            view.RebuildList(scheme);
            for (int i = 0; i < 100 && view.IsTimerActive(); ++i)
                view.UpdateTick();
        };

        // By kind: where unnamed shares go, with the offline ones hidden too.
        doc.SetShowOffline(false);
        fill(settings.Media());
        CShareListModel &model = *view.Model();
        QCOMPARE(model.EntryCount(), 1);
        QCOMPARE(model.ShownGroupHeaders(), (QStringList{"Music", "Films", "Other"}));
        QCOMPARE(model.IsHeadingRow(EntryRow(model) - 1), true);
        QCOMPARE(model.index(EntryRow(model) - 1, 0).data(CShareListModel::PlainTextRole).toString(),
                 QStringLiteral("Other"));
        QCOMPARE(ShownShares(view, doc), (QStringList{"NAS/music", "NAS/films"}));

        // By host: in its host's group.
        doc.SetShowOffline(true);
        fill(settings.Hosts());
        QCOMPARE(model.ShownGroupHeaders(), (QStringList{"LOCKED", "NAS"}));
        QCOMPARE(EntryRow(model), 1);
        QCOMPARE(model.index(1, 1).data(CShareListModel::PlainTextRole).toString(), QStringLiteral("LOCKED"));

        // A hidden catch-all group hides it with the shares it would hold.
        settings.Media()->groups[2].visible = 0;
        fill(settings.Media());
        QCOMPARE(model.EntryCount(), 0);
        QCOMPARE(ShownShares(view, doc), (QStringList{"NAS/music", "NAS/films"}));
        settings.Media()->groups[2].visible = 1;
        fill(settings.Media());
        QCOMPARE(model.EntryCount(), 1);

        // Its probe lists it: the entry goes, its shares come back. And
        // refuses again: one entry again, its share out; as often as it
        // likes, in the slot it had (a new one each time would grow the
        // window at every scan).
        const int slot = view.Updater().EntrySlotOf(locked);
        for (int round = 0; round < 3; ++round) {
            locked->lastState = 0;
            doc.QueueHost(*locked);
            view.UpdateTick();
            QCOMPARE(model.EntryCount(), 0);
            QVERIFY(ShownShares(view, doc).contains(QStringLiteral("LOCKED/music2")));
            locked->lastState = int(NetError::AccessDenied);
            doc.QueueHost(*locked);
            view.UpdateTick();
            QCOMPARE(model.EntryCount(), 1);
            QVERIFY(!ShownShares(view, doc).contains(QStringLiteral("LOCKED/music2")));
            QCOMPARE(view.Updater().EntrySlotOf(locked), slot);
            QCOMPARE(model.index(EntryRow(model), 1).data(CShareListModel::PlainTextRole).toString(),
                     QStringLiteral("LOCKED"));
        }
    }

    void listWithOnlyAnEntryIsNotEmpty_data()
    {
        QTest::addColumn<int>("lastState");
        QTest::addColumn<QString>("status");
        QTest::newRow("login needed") << int(NetError::AccessDenied)
                                      << QStringLiteral("Ready. 0 shares. 1 host needs a login.");
        // Its entry tells what it is; it is no host that needs a login.
        QTest::newRow("smb1 only") << int(NetError::Smb1NotAvailable) << QStringLiteral("Ready. 0 shares.");
    }

    void listWithOnlyAnEntryIsNotEmpty()
    {
        QFETCH(int, lastState);
        QFETCH(QString, status);
        TestSettings settings;
        CLanterraDoc doc(&settings.settings);
        DocBuilder build(doc);
        build.Host(QStringLiteral("LOCKED"))->lastState = lastState;
        CLanterraView view;
        view.SetDocument(&doc);
        view.OnInitialUpdate();
        // It comes with the first tick's shares, so that a list holding only
        // it for a moment does not hand it the focus.
        QCOMPARE(view.Model()->EntryCount(), 0);
        view.UpdateTick();
        QCOMPARE(view.Model()->EntryCount(), 1);
        QVERIFY(view.EmptyMessage().isEmpty());
        view.UpdateTick();
        QCOMPARE(view.StatusText(), status);
    }

    // The count follows what the list holds through rescans: a host that
    // needs a login again takes its shares out of it, and out of the count.
    void countFollowsALoginNeededAgain()
    {
        Network n;
        Login alice;
        alice.user = QStringLiteral("alice");
        alice.password = QStringLiteral("s3cret");
        CLoginBook::Session().Set(QStringLiteral("LOCKED"), alice);
        auto frame = n.Frame();
        QVERIFY(Network::Scan(*frame));
        QCOMPARE(frame->StatusPane()->text(), QStringLiteral("Ready. 3 shares."));
        CLoginBook::Session().Clear();
        QVERIFY(Network::Scan(*frame));
        QCOMPARE(frame->View()->Model()->EntryCount(), 1);
        QCOMPARE(frame->StatusPane()->text(), QStringLiteral("Ready. 1 shares. 1 host needs a login."));
        frame->FilterField()->setText(QStringLiteral("lock"));
        QCOMPARE(frame->StatusPane()->text(), QStringLiteral("Ready. 0 of 1 shares shown. 1 host needs a login."));
        frame->FilterField()->setText(QStringLiteral("mus"));
        QCOMPARE(frame->StatusPane()->text(), QStringLiteral("Ready. 1 of 1 shares shown."));
    }

    // A login that the store does not keep is used all the same, and the
    // user is told why it was not kept.
    void rememberThatFailsIsTold_data()
    {
        QTest::addColumn<bool>("withStore");
        QTest::addColumn<QString>("told");
        QTest::newRow("the store refuses") << true
                                           << "The login for LOCKED is used until the program closes, but it could "
                                              "not be remembered: the default keyring is locked.";
        QTest::newRow("no store at all") << false << "The login could not be remembered.";
    }

    void rememberThatFailsIsTold()
    {
        QFETCH(bool, withStore);
        QFETCH(QString, told);
        Network n;
        n.keeper.refusal = QStringLiteral("the default keyring is locked.");
        auto frame = n.Frame();
        if (!withStore) {
            LoginKeeper keeper = n.keeper.Keeper();
            keeper.save = nullptr;
            frame->SetLoginKeeper(keeper);
        }
        CLanterraView &view = *frame->View();
        QVERIFY(Network::Scan(*frame));
        Activate(view, EntryRow(*view.Model()));
        AnswerLogin(QStringLiteral("alice"), QStringLiteral("s3cret"), true);
        QString message;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            message = box->text();
            box->accept();
            answer.stop();
        });
        answer.start(20);
        QTest::keyClick(view.ItemView(), Qt::Key_Return);
        QTRY_COMPARE(message, told);
        QTRY_COMPARE_WITH_TIMEOUT(view.Model()->EntryCount(), 0, 10000);
        QVERIFY(ShownShares(view, n.app.document()).contains(QStringLiteral("LOCKED/docs")));
        QVERIFY(n.keeper.stored.empty());
    }

    void shareCommandsWithoutAnItemAreNotHandled()
    {
        TestSettings settings;
        CLanterraDoc doc(&settings.settings);
        CLanterraView view;
        view.SetDocument(&doc);
        view.OnInitialUpdate();
        // Nothing has the focus: the commands do nothing, so they say so.
        for (int id : {int(Cmd::ShareOpen), int(Cmd::ShareBrowse), int(Cmd::ShareProperties)}) {
            QVERIFY(!view.OnCommand(id));
            CCmdUI ui{id};
            view.OnUpdateCommand(ui);
            QVERIFY(!ui.enabled);
        }
    }
};

QTEST_MAIN(LoginEntryTest)
#include "tst_loginentry.moc"
