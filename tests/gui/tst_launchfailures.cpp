// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and browsing a share with programs that cannot be started: the
// user is told why instead of nothing happening.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "ui/frame/mainframe.h"
#include "ui/view/lanterraview.h"
#include "ui/view/shareactions.h"
#include "ui/commandids.h"
#include "ui/toolkit/plaintext.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace gui;

class LaunchFailuresTest : public QObject
{
    Q_OBJECT

private:
    static QMessageBox *ShownMessage()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                return box;
        return nullptr;
    }

private slots:
    void launcherTellsWhyAProgramDidNotStart()
    {
        CDesktopLauncher launcher;
        QVERIFY(!launcher.StartProgram(QString(), {QStringLiteral("smb://nas/music")}).isEmpty());
        QVERIFY(!launcher.StartProgram(QStringLiteral("/nonexistent/files"), {QStringLiteral("smb://nas/music")})
                     .isEmpty());
        QVERIFY(!StartDetached(QStringLiteral("/nonexistent/files"), {}).isEmpty());
        QCOMPARE(launcher.StartProgram(QStringLiteral("true"), {}), QString());
        // An address that is none opens nothing, and says so.
        QVERIFY(!launcher.OpenUrl(QUrl()));
    }

    // However many shares an action takes, what could not be started is
    // told once, naming every share it failed for.
    void failuresAreToldOnceForAllShares_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected");
        QTest::newRow("open one") << int(Cmd::ShareOpen) << 1 << "/usr/bin/files"
                                  << "No program could be started to open these shares:";
        QTest::newRow("open three") << int(Cmd::ShareOpen) << 3 << "/usr/bin/files"
                                    << "No program could be started to open these shares:";
        QTest::newRow("browse three") << int(Cmd::ShareBrowse) << 3 << "/usr/bin/files"
                                      << "The program for browsing could not be started for these shares:";
        QTest::newRow("no program for browsing") << int(Cmd::ShareBrowse) << 3 << ""
                                                 << "No program for browsing is set. Choose one in Preferences.";
    }

    void failuresAreToldOnceForAllShares()
    {
        QFETCH(int, command);
        QFETCH(int, count);
        QFETCH(QString, program);
        QFETCH(QString, expected);
        TestSettings settings;
        settings.settings.programPath = program;
        CLanterraDoc doc(&settings.settings);
        DocBuilder build(doc);
        HostRecord *host = build.Host(QStringLiteral("nas"), QStringLiteral("HOME"));
        QList<int> shares;
        for (int i = 0; i < count; ++i)
            shares.append(build.Share(host, QStringLiteral("music %1").arg(i)));
        CLanterraView view;
        view.SetDocument(&doc);
        auto launcher = std::make_shared<RecordingLauncher>();
        launcher->refusal = QStringLiteral("execvp: No such file or directory");
        view.SetLauncher(launcher);
        view.RebuildList(settings.Media());
        while (view.IsTimerActive())
            view.UpdateTick();
        view.ItemView()->selectionModel()->clearSelection();
        for (int share : std::as_const(shares))
            view.ItemView()->selectionModel()->select(view.Model()->IndexOfShare(share),
                                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(view.OnCommand(command));
        const QList<QMessageBox *> boxes = view.findChildren<QMessageBox *>(QStringLiteral("launchFailureBox"));
        QCOMPARE(boxes.size(), 1);
        const QString text = boxes.first()->text();
        QCOMPARE(boxes.first()->windowTitle(), AppTitle());
        QVERIFY2(text.startsWith(expected), qPrintable(text));
        if (!program.isEmpty()) {
            for (int i = 0; i < count; ++i)
                QVERIFY2(text.contains(QStringLiteral("\\\\nas\\music %1").arg(i)), qPrintable(text));
        }
        if (command == Cmd::ShareBrowse && !program.isEmpty())
            QVERIFY2(text.contains(program + QStringLiteral(": execvp")), qPrintable(text));
        boxes.first()->close();
    }

    void browseInTheWindowShowsTheReason()
    {
        TestSettings settings;
        CLanterraApp app(&settings.settings);
        app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
        app.OnFileNew();
        DocBuilder build(app.document());
        const int share = build.Share(build.Host(QStringLiteral("nas"), QStringLiteral("HOME")), QStringLiteral("music"));
        settings.settings.programPath = QStringLiteral("/nonexistent/files");
        settings.settings.programParameters = QStringLiteral("%s");

        CMainFrame frame(&app, &settings.settings);
        frame.View()->RebuildList(settings.Media());
        while (frame.View()->IsTimerActive())
            frame.View()->UpdateTick();
        frame.View()->SetFocusedShare(share);
        // The message box is modal: read and close it from inside its loop.
        QString title, text;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (QMessageBox *box = ShownMessage()) {
                title = box->windowTitle();
                text = box->text();
                box->close();
            }
        });
        closer.start(20);
        frame.View()->BrowseShare();
        QTRY_VERIFY(!text.isEmpty());
        QCOMPARE(title, QStringLiteral("Brevant Lanterra"));
        QVERIFY(text.contains(QStringLiteral("/nonexistent/files")));
    }
};

QTEST_MAIN(LaunchFailuresTest)
#include "tst_launchfailures.moc"
