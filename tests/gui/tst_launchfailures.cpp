// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and browsing a share with programs that cannot be started: the
// user is told why instead of nothing happening.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "ui/frame/mainframe.h"
#include "ui/view/lanterraview.h"
#include "ui/view/shareactions.h"

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
        QStringList messages;
        CDesktopLauncher launcher([&](const QString &m) { messages << m; });
        launcher.StartProgram(QString(), {QStringLiteral("smb://nas/music")});
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QStringLiteral("No program for browsing")));

        launcher.StartProgram(QStringLiteral("/nonexistent/files"), {QStringLiteral("smb://nas/music")});
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[1].contains(QStringLiteral("/nonexistent/files")));
        QVERIFY(!StartDetached(QStringLiteral("/nonexistent/files"), {}).isEmpty());

        launcher.StartProgram(QStringLiteral("true"), {});
        QCOMPARE(messages.size(), 2);
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
