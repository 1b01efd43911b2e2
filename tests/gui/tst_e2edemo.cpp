// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against the demo network of real Samba servers. Runs only
// inside the demo's network namespace, on an X display, as
// scripts/e2e-window.sh starts it; elsewhere it skips.
//
//   LANTERRA_E2E_HOSTS      the demo hosts, separated by ";", commas or blanks
//   LANTERRA_E2E_OPENLOG    where the stand-in desktop handler writes its arguments
//   LANTERRA_E2E_ANNOUNCED  a host in no list that announces itself (optional)
//   LANTERRA_E2E_LOGIN      a listed host that wants a login (optional)
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "model/hostlogin.h"
#include "model/lanterradoc.h"
#include "settings/settings.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"
#include "ui/frame/trayicon.h"
#include "ui/toolkit/menubar.h"
#include "ui/toolkit/toolbarex.h"
#include "ui/view/filterfield.h"
#include "ui/view/lanterraview.h"
#include "ui/view/shareactions.h"
#include "ui/view/sharelistmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

// ---- quick filter and share address -------------------------------------
// Ctrl+F, "mus", Down, Ctrl+C in the scanned window: only Music shares are
// left in the list, and the clipboard holds the first one's \\host\Music.
static void CheckQuickFilter(CMainFrame &frame, const CLanterraDoc &doc)
{
    CLanterraView *view = frame.View();
    CShareListModel *model = view->Model();
    QAbstractItemView *list = view->ItemView();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(frame.FilterField()->hasFocus());
    QTest::keyClicks(frame.FilterField(), QStringLiteral("mus"));
    QVERIFY(model->ShownItemCount() > 0);
    QCOMPARE(model->ShownEntryCount(), 0);
    for (int share : model->SharesInOrder())
        QCOMPARE(doc.shareText(share, ColumnShare), QStringLiteral("Music"));
    QVERIFY2(frame.StatusPane()->text().contains(QStringLiteral(" of ")), qPrintable(frame.StatusPane()->text()));
    QTest::keyClick(frame.FilterField(), Qt::Key_Down);
    QTRY_VERIFY(list->hasFocus());
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    qInfo("copied: %s", qPrintable(copied));
    // As a URL the desktop's file managers and terminals take: the share's
    // UNC path written as smb://host/share.
    QVERIFY2(QRegularExpression(QStringLiteral("^smb://[^/]+/Music$")).match(copied).hasMatch(), qPrintable(copied));
    QString unc = doc.shareText(view->FocusedShare(), ColumnPath);
    QCOMPARE(copied, QStringLiteral("smb://") + unc.mid(2).replace(u'\\', u'/'));
    // Esc takes the filter away again.
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(frame.FilterField()->hasFocus());
    QTest::keyClick(frame.FilterField(), Qt::Key_Escape);
    QCOMPARE(model->ShownItemCount(), model->ItemCount());
}
// ---- end of quick filter and share address ------------------------------

// ---- the bars at a first start ---------------------------------------------
// At the first start's width, with the desktop's fonts under a window
// manager, every toolbar button and every menu has its place: nothing waits
// behind a chevron.
static void CheckBarsShowEverything(CMainFrame &frame)
{
    QApplication::processEvents();
    const QList<QAction *> hidden = frame.ToolBar()->HiddenActions();
    QStringList names;
    for (const QAction *action : hidden) {
        if (!action->isSeparator())
            names.append(action->toolTip());
    }
    QVERIFY2(
        hidden.isEmpty(),
        qPrintable(
            QStringLiteral("behind the toolbar's chevron at %1 pixels: %2").arg(frame.width()).arg(names.join(u", "))));
    for (QAction *action : frame.MenuBar()->actions())
        QVERIFY2(!frame.MenuBar()->actionGeometry(action).isEmpty(), qPrintable(action->text()));
}
// ---- end of the bars at a first start ---------------------------------------

// ---- German window --------------------------------------------------------
// Texts Qt shows in English when its own catalogue is not loaded: none of
// them may be seen in a German window.
static const QStringList QtEnglishTexts = {
    QStringLiteral("&Yes"),
    QStringLiteral("&No"),
    QStringLiteral("Yes"),
    QStringLiteral("No"),
    QStringLiteral("Cancel"),
    QStringLiteral("&Cancel"),
    QStringLiteral("Open"),
    QStringLiteral("&Open"),
    QStringLiteral("Look in:"),
    QStringLiteral("File &name:"),
    QStringLiteral("Files of type:"),
    QStringLiteral("Back"),
    QStringLiteral("Forward"),
    QStringLiteral("Parent Directory"),
    QStringLiteral("Create New Folder"),
    QStringLiteral("List View"),
    QStringLiteral("Detail View"),
    QStringLiteral("Size"),
    QStringLiteral("Type"),
    QStringLiteral("Date Modified"),
};

// With LANTERRA_E2E_SHOTS set, the screen as `shown` shows it goes into
// that folder, named `name`.png, for a look by eye.
static void Snapshot(QWidget *shown, const QString &name)
{
    const QString folder = qEnvironmentVariable("LANTERRA_E2E_SHOTS");
    if (folder.isEmpty())
        return;
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    // The first paint follows the exposure.
    QTest::qWait(300);
    const QString path = folder + u'/' + name + QStringLiteral(".png");
    QVERIFY2(QGuiApplication::primaryScreen()->grabWindow(0).save(path), qPrintable(path));
    qInfo("screenshot: %s", qPrintable(path));
}

static QStringList EnglishAmong(const QStringList &texts)
{
    QStringList english;
    for (const QString &text : texts) {
        if (QtEnglishTexts.contains(text))
            english.append(text);
    }
    return english;
}

// A right click on the program's icon in the real tray opens the window
// menu, every entry in German.
static void CheckGermanTrayMenu(CMainFrame &frame)
{
    frame.RouteCommand(Cmd::ShowInTray);
    QVERIFY2(QSystemTrayIcon::isSystemTrayAvailable(), "no tray on this display");
    QSystemTrayIcon *icon = frame.TrayIcon()->SystemIcon();
    QVERIFY(icon);
    QTRY_VERIFY_WITH_TIMEOUT(!icon->geometry().isEmpty(), 10000);
    // trayer sits in the screen's bottom right corner, 24 pixels high, our
    // icon last (the icon's own geometry is relative to the tray here).
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().bottomRight() - QPoint(11, 11);
    // The click comes from the X server, through the tray, as a user's would.
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                               {QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y()),
                                QStringLiteral("click"), QStringLiteral("3")}),
             0);
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu *>(QApplication::activePopupWidget()), 10000);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QCOMPARE(menu->objectName(), QStringLiteral("trayWindowMenu"));
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            texts.append(gui::ShownMenuText(action));
    }
    qInfo("tray menu: %s", qPrintable(texts.join(u" | ")));
    Snapshot(menu, QStringLiteral("e2e-german-tray-menu"));
    QCOMPARE(texts, QStringList({QStringLiteral("&Wiederherstellen"), QStringLiteral("&Verschieben"),
                                 QStringLiteral("&Größe ändern"), QStringLiteral("Mi&nimieren"),
                                 QStringLiteral("Ma&ximieren"), QStringLiteral("&Schließen\tAlt+F4")}));
    menu->close();
    frame.RouteCommand(Cmd::ShowInTray);
}

// Open with every share selected asks first: the question and its buttons
// are German.
static void CheckGermanMessageBox(CMainFrame &frame)
{
    QAbstractItemView *list = frame.View()->ItemView();
    list->setFocus();
    list->selectAll();
    QString question;
    QStringList buttons;
    QTimer answer;
    answer.setInterval(50);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer.stop();
        Snapshot(box, QStringLiteral("e2e-german-message-box"));
        question = box->text();
        for (const QAbstractButton *button : box->buttons())
            buttons.append(button->text());
        box->done(QMessageBox::No);
    });
    answer.start();
    frame.RouteCommand(Cmd::ShareOpen);
    answer.stop();
    qInfo("message box: %s [%s]", qPrintable(question), qPrintable(buttons.join(u" | ")));
    QVERIFY2(question.endsWith(QStringLiteral(" Freigaben öffnen?")), qPrintable(question));
    QCOMPARE(buttons.size(), 2);
    QVERIFY2(buttons.contains(QStringLiteral("&Ja")) && buttons.contains(QStringLiteral("&Nein")),
             qPrintable(buttons.join(u" | ")));
}

// File > Open shows Qt's own dialog (a desktop's dialog would speak for
// itself): its title, buttons, labels, tool tips and column heads are German.
static void CheckGermanFileDialog(CMainFrame &frame)
{
    frame.RouteCommand(Cmd::FileOpen);
    QFileDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = frame.findChild<QFileDialog *>(QStringLiteral("openDialog"))) && dialog->isVisible());
    const QList<QPushButton *> pushButtons = dialog->findChildren<QPushButton *>();
    QVERIFY2(!pushButtons.isEmpty(), "File > Open did not show Qt's own dialog");
    const QStringList filters = dialog->nameFilters();
    QStringList texts{dialog->windowTitle()};
    QStringList buttons;
    for (const QPushButton *button : pushButtons)
        buttons.append(button->text());
    texts += buttons;
    for (const QLabel *label : dialog->findChildren<QLabel *>()) {
        if (!label->text().isEmpty())
            texts.append(label->text());
    }
    for (const QToolButton *button : dialog->findChildren<QToolButton *>()) {
        if (!button->toolTip().isEmpty())
            texts.append(button->toolTip());
    }
    for (const QTreeView *tree : dialog->findChildren<QTreeView *>()) {
        const QAbstractItemModel *model = tree->header()->model();
        for (int column = 0; model && column < model->columnCount(); ++column)
            texts.append(model->headerData(column, Qt::Horizontal).toString());
    }
    qInfo("file dialog: %s", qPrintable(texts.join(u" | ")));
    Snapshot(dialog, QStringLiteral("e2e-german-file-dialog"));
    dialog->reject();
    QVERIFY2(EnglishAmong(texts).isEmpty(), qPrintable(EnglishAmong(texts).join(u" | ")));
    QVERIFY2(buttons.contains(QStringLiteral("Abbrechen")), qPrintable(buttons.join(u" | ")));
    QCOMPARE(texts.first(), QStringLiteral("Öffnen"));
    // The program's own text in it too.
    QCOMPARE(filters, QStringList{QStringLiteral("Netzwerke (*.net)")});
}
// ---- end of German window -------------------------------------------------

class DemoNetworkTest : public QObject
{
    Q_OBJECT

private slots:
    void scanOpenAndExit()
    {
        const QStringList hosts = qEnvironmentVariable("LANTERRA_E2E_HOSTS")
                                      .split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);
        const QString openLog = qEnvironmentVariable("LANTERRA_E2E_OPENLOG");
        if (hosts.isEmpty() || openLog.isEmpty())
            QSKIP("runs on the demo network only (scripts/e2e-window.sh)");

        QTemporaryDir dir;
        CSettings settings;
        settings.setFilePath(dir.filePath(QStringLiteral("settings.xml")));
        CSettings::setInstance(&settings);
        settings.Startup();
        settings.autoSave = true;
        {
            CLanterraApp app(&settings);
            app.setNetworksFolder(dir.filePath(QStringLiteral("networks")));
            QVERIFY(app.OnFileNew());
            CLanterraDoc &doc = app.document();
            // All workgroups with the hosts that announce themselves, and
            // the listed hosts.
            doc.rules().searchNetAll = 1;
            doc.rules().searchAnnounced = 1;
            doc.rules().searchHostByList = 1;
            doc.rules().hosts = hosts;
            const QString path = doc.GetPathName();

            CMainFrame frame(&app, &settings);
            frame.show();
            frame.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&frame));
            QTRY_COMPARE(frame.StatusPane()->text(), QStringLiteral("Hit F5 for list refreshing"));
            CheckBarsShowEverything(frame);
            if (QTest::currentTestFailed())
                return;

            QTest::keyClick(&frame, Qt::Key_F5);
            QVERIFY(doc.IsScanning());
            QCOMPARE(frame.RefreshButton()->text(), QStringLiteral("&Stop"));
            QTRY_VERIFY_WITH_TIMEOUT(frame.StatusPane()->text().startsWith(QStringLiteral("Searching... ")), 5000);
            QTRY_VERIFY_WITH_TIMEOUT(frame.StatusPane()->text().startsWith(QStringLiteral("Ready. ")), 180000);
            const int shares = doc.GetShareCount();
            QVERIFY(shares > 0);
            // The count is what the list holds (no hidden shares), and vault,
            // which wants a login, is named apart.
            const CShareListModel *listModel = frame.View()->Model();
            QCOMPARE(frame.StatusPane()->text(), QStringLiteral("Ready. %1 shares. 1 host needs a login.")
                                                     .arg(listModel->ItemCount() - listModel->EntryCount()));
            QTRY_COMPARE(frame.RefreshButton()->text(), QStringLiteral("&Refresh:"));

            // The shares stand in their groups, those of answering hosts as online.
            CLanterraView *view = frame.View();
            CShareListModel *model = view->Model();
            QVERIFY(model->ItemCount() > 0);
            QVERIFY(!model->ShownGroupHeaders().isEmpty());
            const QList<int> order = model->SharesInOrder();
            for (int share : order)
                QCOMPARE(model->ItemImage(share), int(ShareOnline));
            qInfo("%d shares, %d listed in %lld groups: %s", shares, model->ItemCount(),
                  qlonglong(model->ShownGroupHeaders().size()), qPrintable(model->ShownGroupHeaders().join(u", ")));

            // The host in no list came by its announcement, with its shares.
            const auto sharesOf = [&](const QString &name) {
                int count = 0;
                for (int share : order) {
                    if (doc.shareText(share, ColumnHost).compare(name, Qt::CaseInsensitive) == 0)
                        ++count;
                }
                return count;
            };
            const auto recordsOf = [&](const QString &name) {
                std::vector<const HostRecord *> found;
                for (const auto &host : doc.cacheHosts()) {
                    if (host->GetDisplayName().compare(name, Qt::CaseInsensitive) == 0)
                        found.push_back(host.get());
                }
                return found;
            };
            const QString announced = qEnvironmentVariable("LANTERRA_E2E_ANNOUNCED");
            if (!announced.isEmpty()) {
                QVERIFY2(!hosts.contains(announced, Qt::CaseInsensitive), qPrintable(announced));
                QVERIFY2(sharesOf(announced) > 0, qPrintable(announced));
                QCOMPARE(recordsOf(announced).size(), size_t(1));
            }
            // The host that wants a login is one record, refused, with no
            // share in the list.
            const QString refusing = qEnvironmentVariable("LANTERRA_E2E_LOGIN");
            if (!refusing.isEmpty()) {
                const auto records = recordsOf(refusing);
                QCOMPARE(records.size(), size_t(1));
                QVERIFY2(IsLoginNeeded(*records.front()), qPrintable(refusing));
                QCOMPARE(sharesOf(refusing), 0);
                // In the list it is one entry that says so.
                QStringList entries;
                for (int row = 0; row < model->rowCount(); ++row) {
                    if (model->index(row, 0).data(CShareListModel::EntrySlotRole).toInt() >= 0)
                        entries.append(model->index(row, 1).data(CShareListModel::PlainTextRole).toString());
                }
                QCOMPARE(entries.filter(refusing, Qt::CaseInsensitive).size(), 1);
            }

            // A double-click (here on an empty part of the list) opens the focused share.
            const int first = order.first();
            view->SetFocusedShare(first);
            QWidget *viewport = view->ItemView()->viewport();
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(viewport->width() - 4, viewport->height() - 4));
            const QString host = doc.shareText(first, ColumnHost);
            const QString shareName = doc.shareText(first, ColumnShare);
            const QUrl url = ShareUrlFromUnc(doc.shareText(first, ColumnPath));
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(openLog), 10000);
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    QFile log(openLog);
                    return log.open(QIODevice::ReadOnly) && QUrl(QString::fromUtf8(log.readAll()).trimmed()) == url;
                }(),
                10000);

            CheckQuickFilter(frame, doc);
            if (QTest::currentTestFailed())
                return;

            // File > Exit: the window goes, then the program closes its document.
            frame.RouteCommand(57665);
            QVERIFY(!frame.isVisible());
            app.OnMainWindowClosing();
            // Autosave wrote the shares (UTF-16) into the document.
            QFile saved(path);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            const QByteArray utf16(reinterpret_cast<const char *>(shareName.utf16()), shareName.size() * 2);
            QVERIFY2(saved.readAll().contains(utf16), qPrintable(path));
        }
        settings.Shutdown();
        QVERIFY(QFile::exists(settings.filePath()));
        CSettings::setInstance(nullptr);
    }

    // The window in German, as a first start under a German locale picks it
    // (scripts/e2e-window.sh runs this with LANG=de_DE.UTF-8): the tray's
    // window menu, a message box and the file dialog, Qt's texts included.
    void germanWindow()
    {
        const QStringList hosts = qEnvironmentVariable("LANTERRA_E2E_HOSTS")
                                      .split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);
        if (hosts.isEmpty() || qEnvironmentVariable("LANTERRA_E2E_OPENLOG").isEmpty())
            QSKIP("runs on the demo network only (scripts/e2e-window.sh)");

        QTemporaryDir dir;
        CSettings settings;
        settings.setFilePath(dir.filePath(QStringLiteral("settings.xml")));
        CSettings::setInstance(&settings);
        settings.Startup();
        QCOMPARE(settings.language, QStringLiteral("German"));
        {
            CLanterraApp app(&settings);
            app.setNetworksFolder(dir.filePath(QStringLiteral("networks")));
            QVERIFY(app.OnFileNew());
            CLanterraDoc &doc = app.document();
            doc.rules().searchNetAll = 0;
            doc.rules().searchHostByList = 1;
            doc.rules().hosts = hosts;

            CMainFrame frame(&app, &settings);
            frame.show();
            frame.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&frame));
            CheckBarsShowEverything(frame);
            if (QTest::currentTestFailed())
                return;
            QTest::keyClick(&frame, Qt::Key_F5);
            QTRY_VERIFY_WITH_TIMEOUT(frame.StatusPane()->text().startsWith(QStringLiteral("Bereit. ")), 180000);
            QVERIFY(doc.GetShareCount() > 10);

            CheckGermanTrayMenu(frame);
            if (QTest::currentTestFailed())
                return;
            CheckGermanMessageBox(frame);
            if (QTest::currentTestFailed())
                return;
            CheckGermanFileDialog(frame);
            if (QTest::currentTestFailed())
                return;
            frame.RouteCommand(Cmd::AppExit);
            app.OnMainWindowClosing();
        }
        CSettings::setInstance(nullptr);
    }
};

QTEST_MAIN(DemoNetworkTest)
#include "tst_e2edemo.moc"
