// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon's clicks driven through its controller (the test machine
// has no tray), and the main window's tray and taskbar settings without one.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"
#include "ui/frame/trayicon.h"

#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

using namespace gui;

class TrayIconTest : public QObject
{
    Q_OBJECT

private:
    static void Activate(QWidget *window)
    {
        window->show();
        window->raise();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    static QAction *Item(QMenu *menu, int command)
    {
        for (QAction *action : menu->actions())
            if (action->data().toInt() == command)
                return action;
        return nullptr;
    }

private slots:
    void leftClickToggles()
    {
        QWidget window;
        window.resize(200, 100);
        CTrayIcon tray;
        Activate(&window);
        // Active: minimised.
        tray.OnTrayMouse(&window, CTrayIcon::LeftButtonUp);
        QTRY_VERIFY(window.isMinimized());
        // Minimised: restored and in front.
        tray.OnTrayMouse(&window, CTrayIcon::LeftButtonUp);
        QTRY_VERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
        QTRY_VERIFY(window.isActiveWindow());

        // Behind another program's window: raised, not minimised.
        QWidget other;
        other.resize(100, 100);
        Activate(&other);
        tray.OnFrameActivate(false, false);
        tray.OnTrayMouse(&window, CTrayIcon::LeftButtonUp);
        QTRY_VERIFY(window.isActiveWindow());
        QVERIFY(!window.isMinimized());

        // Lost to the tray a moment ago: the click minimises.
        Activate(&other);
        tray.OnFrameActivate(false, true);
        QVERIFY(tray.lostToTaskbar());
        tray.OnTrayMouse(&window, CTrayIcon::LeftButtonUp);
        QTRY_VERIFY(window.isMinimized());
        tray.OnFrameActivate(true, false);
        QVERIFY(!tray.lostToTaskbar());

        // Other mouse messages do nothing.
        tray.OnTrayMouse(&window, CTrayIcon::LeftDoubleClick);
        QVERIFY(window.isMinimized());
    }

    void hiddenAndMaximisedWindowsComeBackAsTheyWere()
    {
        QWidget window;
        CTrayIcon tray;
        window.showMaximized();
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());
        tray.OnTrayMouse(&window, CTrayIcon::LeftButtonUp);
        QTRY_VERIFY(window.isMaximized());
        QVERIFY(!window.isMinimized());

        window.showNormal();
        window.hide();
        tray.OnTrayMouse(&window, CTrayIcon::LeftButtonUp);
        QTRY_VERIFY(window.isVisible());
        QVERIFY(!window.isMaximized());
    }

    // Under a real window manager (scripts/under-wm.sh, with a tray): a
    // maximised main window that a tray click minimised comes back
    // maximised, with and without a taskbar button.
    void maximisedFrameComesBackMaximisedUnderAWindowManager_data()
    {
        QTest::addColumn<bool>("onTaskbar");
        QTest::newRow("taskbar button") << true;
        QTest::newRow("no taskbar button") << false;
    }
    void maximisedFrameComesBackMaximisedUnderAWindowManager()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs a window manager: run under scripts/under-wm.sh");
        QFETCH(bool, onTaskbar);
        TestSettings settings;
        settings.settings.showInTray = true;
        settings.settings.showOnTaskBar = onTaskbar;
        CLanterraApp app(&settings.settings);
        app.OnFileNew();
        auto frame = std::make_unique<CMainFrame>(&app, &settings.settings);
        CTrayIcon *tray = frame->TrayIcon();
        frame->showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QTRY_VERIFY(frame->isMaximized());
        const QSize maximised = frame->size();

        // The click into the tray takes the activation from the window.
        tray->OnFrameActivate(false, true);
        tray->OnTrayMouse(frame.get(), CTrayIcon::LeftButtonUp);
        QTRY_VERIFY(frame->isMinimized() || !frame->isVisible());
        QTest::qWait(200); // let the window manager finish unmapping
        tray->OnTrayMouse(frame.get(), CTrayIcon::LeftButtonUp);
        QTRY_VERIFY(frame->isVisible() && !frame->isMinimized());
        QTRY_VERIFY(frame->isMaximized());
        QTRY_COMPARE(frame->size(), maximised);
        // It stays so once the window manager has had its say.
        QTest::qWait(300);
        QVERIFY(frame->isMaximized());
        QCOMPARE(frame->size(), maximised);
    }

    void rightClickMenuFollowsTheWindowState()
    {
        QWidget window;
        CTrayIcon tray;
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());
        QMenu *menu = tray.PrepareWindowMenu(&window);
        QCOMPARE(menu->defaultAction(), Item(menu, CTrayIcon::ScRestore));
        QVERIFY(Item(menu, CTrayIcon::ScRestore)->isEnabled());
        for (int greyed : {CTrayIcon::ScMove, CTrayIcon::ScMinimize, CTrayIcon::ScSize})
            QVERIFY(!Item(menu, greyed)->isEnabled());

        window.showNormal();
        QTRY_VERIFY(!window.isMinimized());
        menu = tray.PrepareWindowMenu(&window);
        QCOMPARE(menu->defaultAction(), Item(menu, CTrayIcon::ScClose));
        QVERIFY(!Item(menu, CTrayIcon::ScRestore)->isEnabled());
        for (int enabled : {CTrayIcon::ScMove, CTrayIcon::ScMinimize, CTrayIcon::ScSize, CTrayIcon::ScClose})
            QVERIFY(Item(menu, enabled)->isEnabled());
        // A chosen item is carried out on the window.
        Item(menu, CTrayIcon::ScMinimize)->trigger();
        QTRY_VERIFY(window.isMinimized());
        // The right click itself shows the menu.
        tray.OnTrayMouse(&window, CTrayIcon::RightButtonUp);
        QTRY_VERIFY(tray.WindowMenu() && tray.WindowMenu()->isVisible());
        tray.WindowMenu()->close();
    }

    void frameKeepsTheSettingWithoutATray()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        TestSettings settings;
        settings.settings.showInTray = true;
        CLanterraApp app(&settings.settings);
        app.OnFileNew();
        auto frame = std::make_unique<CMainFrame>(&app, &settings.settings);
        CTrayIcon *tray = frame->TrayIcon();
        QVERIFY(tray->requested());
        QVERIFY(tray->shown());
        QVERIFY(!tray->SystemIcon());

        frame->RouteCommand(Cmd::ShowInTray);
        QVERIFY(!settings.settings.showInTray);
        QVERIFY(!tray->requested());
        frame->RouteCommand(Cmd::ShowInTray);
        QVERIFY(settings.settings.showInTray);
        QVERIFY(tray->shown());

        // No taskbar button and no tray: minimising must not hide the
        // window where nothing could bring it back.
        settings.settings.showOnTaskBar = false;
        Activate(frame.get());
        frame->showMinimized();
        QTRY_VERIFY(frame->isMinimized());
        QTest::qWait(50);
        QVERIFY(frame->isVisible());
        tray->OnTrayMouse(frame.get(), CTrayIcon::LeftButtonUp);
        QTRY_VERIFY(!frame->isMinimized());
        frame.reset();
        QVERIFY(settings.settings.showInTray);
    }
};

QTEST_MAIN(TrayIconTest)
#include "tst_trayicon.moc"
