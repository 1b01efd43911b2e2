// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against the demo network of real Samba servers. Runs only
// inside the demo's network namespace, on an X display, as
// scripts/e2e-window.sh starts it; elsewhere it skips.
//
//   LANTERRA_E2E_HOSTS      the demo hosts, separated by ";", commas or blanks
//   LANTERRA_E2E_OPENLOG    where the stand-in desktop handler writes its arguments
//   LANTERRA_E2E_ANNOUNCED  a host in no list that announces itself (optional)
//   LANTERRA_E2E_LOGIN      a listed host that wants a login (optional)
#include "app/lanterraapp.h"
#include "model/hostlogin.h"
#include "model/lanterradoc.h"
#include "settings/settings.h"
#include "ui/frame/mainframe.h"
#include "ui/view/filterfield.h"
#include "ui/view/lanterraview.h"
#include "ui/view/shareactions.h"
#include "ui/view/sharelistmodel.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

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
    QVERIFY2(QRegularExpression(QStringLiteral("^\\\\\\\\[^\\\\]+\\\\Music$")).match(copied).hasMatch(),
             qPrintable(copied));
    QCOMPARE(copied, doc.shareText(view->FocusedShare(), ColumnPath));
    // Esc takes the filter away again.
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(frame.FilterField()->hasFocus());
    QTest::keyClick(frame.FilterField(), Qt::Key_Escape);
    QCOMPARE(model->ShownItemCount(), model->ItemCount());
}
// ---- end of quick filter and share address ------------------------------

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

            QTest::keyClick(&frame, Qt::Key_F5);
            QVERIFY(doc.IsScanning());
            QCOMPARE(frame.RefreshButton()->text(), QStringLiteral("&Stop"));
            QTRY_VERIFY_WITH_TIMEOUT(frame.StatusPane()->text().startsWith(QStringLiteral("Searching... ")), 5000);
            QTRY_VERIFY_WITH_TIMEOUT(frame.StatusPane()->text().startsWith(QStringLiteral("Ready. ")), 180000);
            const int shares = doc.GetShareCount();
            QVERIFY(shares > 0);
            QCOMPARE(frame.StatusPane()->text(), QStringLiteral("Ready. %1 shares.").arg(shares));
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
};

QTEST_MAIN(DemoNetworkTest)
#include "tst_e2edemo.moc"
