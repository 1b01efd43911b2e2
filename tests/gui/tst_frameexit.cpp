// SPDX-License-Identifier: GPL-3.0-or-later
// Closing the main window (File > Exit, the close button, a logout's SIGTERM)
// ends the event loop, with or without a taskbar button, whether the window
// started without one or lost it (and got it back) while running.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

using namespace gui;

class FrameExitTest : public QObject
{
    Q_OBJECT

private slots:
    void closingEndsTheProgram_data()
    {
        QTest::addColumn<bool>("onTaskbarAtStart");
        QTest::addColumn<int>("toggles");
        QTest::addColumn<int>("closeBy");
        enum { ExitCommand, CloseButton };
        QTest::newRow("on taskbar, File > Exit") << true << 0 << int(ExitCommand);
        QTest::newRow("off at start, File > Exit") << false << 0 << int(ExitCommand);
        QTest::newRow("off at start, close button") << false << 0 << int(CloseButton);
        QTest::newRow("turned off, File > Exit") << true << 1 << int(ExitCommand);
        QTest::newRow("turned off and on again, close button") << true << 2 << int(CloseButton);
        QTest::newRow("off at start, turned on, File > Exit") << false << 1 << int(ExitCommand);
    }

    void closingEndsTheProgram()
    {
        QFETCH(bool, onTaskbarAtStart);
        QFETCH(int, toggles);
        QFETCH(int, closeBy);

        TestSettings settings;
        settings.settings.showOnTaskBar = onTaskbarAtStart;
        CLanterraApp app(&settings.settings);
        app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
        app.OnFileNew();
        CMainFrame frame(&app, &settings.settings);
        frame.SetLauncher(std::make_shared<RecordingLauncher>());
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        for (int i = 0; i < toggles; ++i)
            frame.RouteCommand(Cmd::ShowOnTaskbar);
        QCOMPARE(settings.settings.showOnTaskBar, toggles % 2 == 0 ? onTaskbarAtStart : !onTaskbarAtStart);
        QVERIFY(frame.isVisible());

        QTimer::singleShot(0, &frame, [&frame, closeBy] {
            if (closeBy == 0)
                frame.RouteCommand(Cmd::AppExit);
            else
                frame.close();
        });
        // A window that stays open only hides: the loop would run on.
        QTimer fallback;
        fallback.setSingleShot(true);
        connect(&fallback, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        fallback.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!frame.isVisible());
        QVERIFY(settings.settings.placements.count(CMainFrame::PlacementName));
    }
};

QTEST_MAIN(FrameExitTest)
#include "tst_frameexit.moc"
