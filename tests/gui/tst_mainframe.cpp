// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: commands and accelerators, start/stop, scheme box,
// placement and band layout across restarts, language change.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "net/memorynetwork.h"
#include "settings/languagetable.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"
#include "ui/frame/taskbarhint.h"
#include "ui/toolkit/menubar.h"
#include "ui/toolkit/sizablerebar.h"
#include "ui/toolkit/toolbarex.h"
#include "ui/view/filterfield.h"
#include "ui/view/lanterraview.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QToolButton>

using namespace gui;

class MainFrameTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        TestSettings settings;
        CLanterraApp app{&settings.settings};
        std::shared_ptr<CMemoryNetwork> network = std::make_shared<CMemoryNetwork>();

        Fixture()
        {
            app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
            app.OnFileNew();
            // A scan that takes its time: the workgroup list is slow to come.
            network->SetWorkgroupLatency(3000);
            network->AddWorkgroup(QStringLiteral("HOME"), {});
            app.document().SetNetwork(network);
        }
        ~Fixture() { app.document().HaltScan(); }

        std::unique_ptr<CMainFrame> Frame()
        {
            auto frame = std::make_unique<CMainFrame>(&app, &settings.settings);
            frame->SetLauncher(std::make_shared<RecordingLauncher>());
            return frame;
        }
    };

    static void Activate(QWidget *window)
    {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    static QStringList MenuTexts(QMenu *menu)
    {
        QStringList texts;
        for (QAction *action : menu->actions())
            texts.append(ShownMenuText(action));
        return texts;
    }

private slots:
    void cleanup() { LanguageTable().Clear(); }

    void menuAndAccelerators()
    {
        Fixture f;
        auto frame = f.Frame();
        CMenuBar *menu = frame->MenuBar();
        menu->PrepareMenu(menu->PopupAt(0));
        QCOMPARE(MenuTexts(menu->PopupAt(0)),
                 (QStringList{"&New Network\tCtrl+N", "&Open Network...\tCtrl+O", "&Save Network\tCtrl+S",
                              "Save Network &As...", "-", "Scan &Options...\tAlt+O", "S&hare Properties\tAlt+Enter",
                              "-", "E&xit\tAlt+F4"}));
        QCOMPARE(menu->CommandAction(Cmd::ShowOffline)->text(), QStringLiteral("S&how Offline Resources"));
        QCOMPARE(menu->actions()[4]->text(), QStringLiteral("&Help"));
        // Ctrl+S saves, as the menu says; Esc stops, Ctrl+R and F5 both start or stop.
        QCOMPARE(frame->AcceleratorCommand(QKeySequence(Qt::CTRL | Qt::Key_S)), int(Cmd::FileSave));
        QCOMPARE(frame->AcceleratorCommand(QKeySequence(Qt::Key_Escape)), int(Cmd::StopScan));
        QCOMPARE(frame->AcceleratorCommand(QKeySequence(Qt::CTRL | Qt::Key_R)), int(Cmd::Refresh));
        QCOMPARE(frame->AcceleratorCommand(QKeySequence(Qt::Key_F5)), int(Cmd::Refresh));
        QCOMPARE(frame->AcceleratorCommand(QKeySequence(Qt::Key_F9)), int(Cmd::EditScheme));

        // Check marks follow the state they show.
        QMenu *view = menu->PopupAt(2);
        menu->PrepareMenu(view);
        QVERIFY(menu->CommandAction(Cmd::ViewAddressBar)->isChecked());
        QVERIFY(!menu->CommandAction(Cmd::LockToolbars)->isChecked());
        frame->RouteCommand(Cmd::LockToolbars);
        frame->RouteCommand(Cmd::ViewToolBar);
        menu->PrepareMenu(view);
        QVERIFY(menu->CommandAction(Cmd::LockToolbars)->isChecked());
        QVERIFY(!menu->CommandAction(Cmd::ViewToolBar)->isChecked());
        QVERIFY(frame->ReBar()->IsLocked());
        QVERIFY(!frame->ReBar()->IsBandVisible(Ctl::ToolBar));
        menu->PrepareMenu(menu->PopupAt(1));
        QVERIFY(menu->CommandAction(Cmd::ShowOffline)->isChecked());
    }

    void refreshStartsAndStops()
    {
        Fixture f;
        auto frame = f.Frame();
        Activate(frame.get());
        CLanterraDoc &doc = f.app.document();
        QCOMPARE(frame->RefreshButton()->text(), QStringLiteral("&Refresh:"));
        // The button keeps its width, so the filter beside it stays put, and
        // shows its text whole in either state.
        const auto filterAt = [&frame] {
            QCoreApplication::processEvents();
            return frame->FilterField()->mapTo(frame.get(), QPoint(0, 0));
        };
        const QPoint filterBefore = filterAt();
        const int buttonWidth = frame->RefreshButton()->width();
        QVERIFY(buttonWidth >= frame->RefreshButton()->sizeHint().width());

        QTest::keyClick(frame.get(), Qt::Key_F5);
        QVERIFY(doc.IsScanning());
        QCOMPARE(frame->RefreshButton()->text(), QStringLiteral("&Stop"));
        QCOMPARE(filterAt(), filterBefore);
        QCOMPARE(frame->RefreshButton()->width(), buttonWidth);
        QCOMPARE(frame->View()->TimerInterval(), CLanterraView::ScanInterval);

        QTest::keyClick(frame.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(!doc.IsScanning());
        QCOMPARE(frame->RefreshButton()->text(), QStringLiteral("&Stop")); // until the next idle moment
        frame->OnIdle();
        QCOMPARE(frame->RefreshButton()->text(), QStringLiteral("&Refresh:"));

        // The button itself, and Esc to stop.
        QTest::mouseClick(frame->RefreshButton(), Qt::LeftButton);
        QVERIFY(doc.IsScanning());
        QTest::keyClick(frame.get(), Qt::Key_Escape);
        QVERIFY(!doc.IsScanning());
        frame->OnIdle();
        QCOMPARE(frame->RefreshButton()->text(), QStringLiteral("&Refresh:"));

        // Edit > Refresh, whose menu text shows Ctrl+R, does what Ctrl+R does.
        QAction *editRefresh = frame->MenuBar()->CommandAction(Cmd::EditRefresh);
        frame->MenuBar()->PrepareMenu(frame->MenuBar()->PopupAt(1));
        QCOMPARE(editRefresh->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        editRefresh->trigger();
        QVERIFY(doc.IsScanning());
        editRefresh->trigger();
        QVERIFY(!doc.IsScanning());
    }

    void autoScanStartsOnceTheLoopRuns()
    {
        Fixture f;
        f.settings.settings.autoScan = true;
        auto frame = f.Frame();
        QVERIFY(!f.app.document().IsScanning());
        QTRY_VERIFY(f.app.document().IsScanning());
        QCOMPARE(frame->RefreshButton()->text(), QStringLiteral("&Stop"));
    }

    // Ctrl+S writes the document to its file without asking; only a
    // document that has no file yet is given a name first.
    void ctrlSSaves_data()
    {
        QTest::addColumn<bool>("hasFile");
        QTest::newRow("document with a file") << true;
        QTest::newRow("document without a file") << false;
    }

    void ctrlSSaves()
    {
        QFETCH(bool, hasFile);
        Fixture f;
        auto frame = f.Frame();
        Activate(frame.get());
        CLanterraDoc &doc = f.app.document();
        const QString path = doc.GetPathName();
        QVERIFY(QFile::remove(path));
        if (!hasFile)
            doc.SetPathName(QString());
        QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier);
        auto *dialog = frame->findChild<QFileDialog *>(QStringLiteral("saveAsDialog"));
        QCOMPARE(QFileInfo::exists(path), hasFile);
        QCOMPARE(dialog != nullptr, !hasFile);
        if (dialog) {
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            dialog->reject();
        }
        // Save As keeps its menu item, and asks even when there is a file.
        frame->MenuBar()->CommandAction(Cmd::FileSaveAs)->trigger();
        QFileDialog *asked = nullptr;
        for (QFileDialog *shown : frame->findChildren<QFileDialog *>(QStringLiteral("saveAsDialog")))
            if (shown->isVisible())
                asked = shown;
        QVERIFY(asked);
        asked->reject();
    }

    void schemeBox()
    {
        Fixture f;
        auto frame = f.Frame();
        QComboBox *box = frame->SchemeBox();
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->currentText(), QStringLiteral("Media"));
        CLanterraView *view = frame->View();
        QCOMPARE(view->Updater().Scheme(), f.settings.Media());

        // No shares: the choice is stored, the list keeps its scheme.
        box->setCurrentIndex(1);
        QCOMPARE(f.settings.settings.selectedScheme, 1);
        QCOMPARE(view->Updater().Scheme(), f.settings.Media());

        // The next scan builds its list with the scheme the box shows.
        view->OnDocumentUpdate(HintScanStarted);
        QCOMPARE(view->Updater().Scheme(), f.settings.Hosts());

        DocBuilder(f.app.document()).Share(DocBuilder(f.app.document()).Host(QStringLiteral("nas")), QStringLiteral("music"));
        box->setCurrentIndex(0);
        QCOMPARE(view->Updater().Scheme(), f.settings.Media());
        box->setCurrentIndex(1);
        QCOMPARE(view->Updater().Scheme(), f.settings.Hosts());

        // Refilling keeps the choice by name.
        f.settings.settings.schemes.insert(f.settings.settings.schemes.begin(), std::make_unique<ShareScheme>());
        f.settings.settings.schemes.front()->name = QStringLiteral("New");
        frame->FillSchemeBox();
        QCOMPARE(box->currentText(), QStringLiteral("Hosts"));
        QCOMPARE(f.settings.settings.selectedScheme, 2);
    }

    void defaultPlacement()
    {
        Fixture f;
        auto frame = f.Frame();
        // At least the default width, wider where a row of bars needs it to
        // show every button (the address bar holds the filter field).
        const int width = std::max(int(CMainFrame::DefaultWidth), frame->ReBar()->IdealRowWidth());
        QCOMPARE(frame->size(), QSize(width, CMainFrame::DefaultHeight));
        const QRect area = frame->screen()->availableGeometry();
        QCOMPARE(frame->pos().x(), area.left() + (area.width() - width) / 2);
        QVERIFY(frame->pos().y() >= area.top());
        QCOMPARE(frame->ReBar()->BandWidth(Ctl::AddressBar), CMainFrame::DefaultAddressBandWidth);
        QCOMPARE(frame->ReBar()->BandWidth(Ctl::ToolBar), CMainFrame::DefaultToolBandWidth);
    }

    void maximisedPlacementComesBackNormal()
    {
        Fixture f;
        WindowPlacement placement;
        placement.showCmd = 3; // maximised
        placement.left = 40;
        placement.top = 30;
        placement.right = 540;
        placement.bottom = 480;
        f.settings.settings.placements[CMainFrame::PlacementName] = placement;
        auto frame = f.Frame();
        frame->show();
        QVERIFY(!frame->isMaximized());
        QCOMPARE(frame->geometry(), QRect(40, 30, 500, 450));
        frame->close();
        const WindowPlacement &stored = f.settings.settings.placements[CMainFrame::PlacementName];
        QCOMPARE(stored.showCmd, 1);
        QCOMPARE(QRect(stored.left, stored.top, stored.right - stored.left, stored.bottom - stored.top),
                 QRect(40, 30, 500, 450));
    }

    // A placement saved on a screen that is gone (a monitor unplugged) is
    // pulled into the nearest work area; one that is partly on a screen
    // stays where the user left it.
    void placementOffEveryScreenIsPulledBack_data()
    {
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<bool>("kept");
        QTest::newRow("right of every screen") << QRect(4000, 100, 500, 450) << false;
        QTest::newRow("above and left") << QRect(-3000, -2000, 500, 450) << false;
        QTest::newRow("below, larger than the screen") << QRect(100, 5000, 4000, 3000) << false;
        QTest::newRow("partly on the screen") << QRect(-200, 40, 500, 450) << true;
    }
    void placementOffEveryScreenIsPulledBack()
    {
        QFETCH(QRect, saved);
        QFETCH(bool, kept);
        Fixture f;
        WindowPlacement placement;
        placement.showCmd = 1;
        placement.left = saved.left();
        placement.top = saved.top();
        placement.right = saved.left() + saved.width();
        placement.bottom = saved.top() + saved.height();
        f.settings.settings.placements[CMainFrame::PlacementName] = placement;
        auto frame = f.Frame();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        if (kept) {
            QCOMPARE(frame->geometry(), saved);
            return;
        }
        QVERIFY2(area.contains(frame->geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                  .arg(frame->x())
                                                                  .arg(frame->y())
                                                                  .arg(frame->width())
                                                                  .arg(frame->height())));
        QCOMPARE(frame->width(), std::min(saved.width(), area.width()));
        QCOMPARE(frame->height(), std::min(saved.height(), area.height()));
    }

    // A selected scheme that the list no longer has falls back to the first.
    void selectedSchemeBeyondTheListFallsBack_data()
    {
        QTest::addColumn<int>("selected");
        QTest::newRow("one past the end") << 2;
        QTest::newRow("far beyond") << 40;
        QTest::newRow("none") << -1;
    }
    void selectedSchemeBeyondTheListFallsBack()
    {
        QFETCH(int, selected);
        Fixture f;
        f.settings.settings.selectedScheme = selected;
        auto frame = f.Frame();
        QCOMPARE(frame->SchemeBox()->currentText(), QStringLiteral("Media"));
        QCOMPARE(f.settings.settings.selectedScheme, 0);
        QCOMPARE(frame->View()->Updater().Scheme(), f.settings.Media());
        frame->close();
        QCOMPARE(f.settings.settings.selectedScheme, 0);
    }

    // Under a real window manager (scripts/under-wm.sh): the saved rectangle
    // is the one the window comes back with, start after start, with and
    // without a taskbar button.
    void placementHoldsAcrossStartsUnderAWindowManager_data()
    {
        QTest::addColumn<bool>("onTaskbar");
        QTest::newRow("taskbar button") << true;
        QTest::newRow("no taskbar button") << false;
    }
    void placementHoldsAcrossStartsUnderAWindowManager()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs a window manager: run under scripts/under-wm.sh");
        QFETCH(bool, onTaskbar);
        Fixture f;
        f.settings.settings.showOnTaskBar = onTaskbar;
        const QRect saved(100, 167, 500, 450);
        WindowPlacement placement;
        placement.showCmd = 1;
        placement.left = saved.left();
        placement.top = saved.top();
        placement.right = saved.right() + 1;
        placement.bottom = saved.bottom() + 1;
        f.settings.settings.placements[CMainFrame::PlacementName] = placement;
        for (int start = 0; start < 3; ++start) {
            auto frame = f.Frame();
            frame->show();
            QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
            // The window manager places the frame around the window.
            QTRY_VERIFY(frame->frameGeometry() != frame->geometry());
            QTRY_COMPARE(frame->geometry(), saved);
            frame->close();
            const WindowPlacement &stored = f.settings.settings.placements[CMainFrame::PlacementName];
            QCOMPARE(QRect(stored.left, stored.top, stored.right - stored.left, stored.bottom - stored.top), saved);
        }
    }

    // Under a real window manager: without a taskbar button the window
    // says so to the window manager, shown at the start or switched later.
    void skipTaskbarHintUnderAWindowManager()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs a window manager: run under scripts/under-wm.sh");
        Fixture f;
        f.settings.settings.showOnTaskBar = false;
        auto frame = f.Frame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QTRY_VERIFY(HasSkipTaskbarHint(frame.get()));
        frame->RouteCommand(Cmd::ShowOnTaskbar);
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QTRY_VERIFY(!HasSkipTaskbarHint(frame.get()));
        frame->RouteCommand(Cmd::ShowOnTaskbar);
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QTRY_VERIFY(HasSkipTaskbarHint(frame.get()));
    }

    void bandLayoutSurvivesARestart()
    {
        Fixture f;
        QList<ToolbarBand> before;
        {
            auto frame = f.Frame();
            CSizableReBar *rebar = frame->ReBar();
            rebar->SetBandWidth(Ctl::ToolBar, 250);
            // Hidden from the band context menu.
            std::unique_ptr<QMenu> menu(rebar->CreateContextMenu(nullptr));
            QCOMPARE(MenuTexts(menu.get()), (QStringList{"Address Bar", "Tool Bar"}));
            menu->actions()[0]->trigger();
            QVERIFY(!rebar->IsBandVisible(Ctl::AddressBar));
            frame->close();
            before = f.settings.settings.toolbarBands;
        }
        QCOMPARE(before.size(), 3);
        QCOMPARE(before[1].id, int(Ctl::AddressBar));
        QVERIFY(before[1].style & CSizableReBar::StyleHidden);
        QVERIFY(before[1].style & CSizableReBar::StyleBreak);

        auto frame = f.Frame();
        CSizableReBar *rebar = frame->ReBar();
        QVERIFY(!rebar->IsBandVisible(Ctl::AddressBar));
        QVERIFY(rebar->IsBandVisible(Ctl::ToolBar));
        QCOMPARE(rebar->BandWidth(Ctl::AddressBar), CMainFrame::DefaultAddressBandWidth);
        QCOMPARE(rebar->BandWidth(Ctl::ToolBar), 250);
        QCOMPARE(rebar->BandPosition(Ctl::AddressBar), 1);
        const QList<ToolbarBand> after = rebar->GetBandLayout();
        QCOMPARE(after.size(), before.size());
        for (int i = 0; i < after.size(); ++i) {
            QCOMPARE(after[i].id, before[i].id);
            QCOMPARE(after[i].cx, before[i].cx);
            QCOMPARE(after[i].style, before[i].style);
        }
    }

    void viewModeDropDown()
    {
        Fixture f;
        auto frame = f.Frame();
        QToolButton *button = frame->ToolBar()->CommandButton(Cmd::ListViewButton);
        QVERIFY(button && button->menu());
        QMenu *menu = button->menu();
        emit menu->aboutToShow();
        QCOMPARE(MenuTexts(menu), (QStringList{"Tiles", "List", "Details"}));
        QVERIFY(menu->actions()[0]->isChecked());
        menu->actions()[2]->trigger();
        QCOMPARE(frame->View()->GetViewMode(), int(CLanterraView::ModeDetails));
        QCOMPARE(f.app.document().lastView(), int(CLanterraView::ModeDetails));
        emit menu->aboutToShow();
        QVERIFY(menu->actions()[2]->isChecked());
        QVERIFY(!menu->actions()[0]->isChecked());
    }

    // Every view mode and sort order is reachable from the keyboard: the
    // View menu with Ctrl+1/2/3, and its Sort By pop-up.
    void viewModesFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mode");
        QTest::newRow("Ctrl+3 details") << int(Qt::Key_3) << int(CLanterraView::ModeDetails);
        QTest::newRow("Ctrl+2 list") << int(Qt::Key_2) << int(CLanterraView::ModeList);
        QTest::newRow("Ctrl+1 tiles") << int(Qt::Key_1) << int(CLanterraView::ModeTiles);
    }

    void viewModesFromTheKeyboard()
    {
        QFETCH(int, key);
        QFETCH(int, mode);
        Fixture f;
        auto frame = f.Frame();
        // Start from another mode than the one the key gives.
        frame->View()->SetViewMode(mode == CLanterraView::ModeList ? CLanterraView::ModeTiles
                                                                   : CLanterraView::ModeList);
        Activate(frame.get());
        QTest::keyClick(frame.get(), Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(frame->View()->GetViewMode(), mode);
        QCOMPARE(f.app.document().lastView(), mode);

        CMenuBar *menu = frame->MenuBar();
        menu->PrepareMenu(menu->PopupAt(2));
        const int commands[] = {Cmd::ViewTiles, Cmd::ViewList, Cmd::ViewDetails};
        for (int command : commands) {
            QAction *item = menu->CommandAction(command);
            QVERIFY(item);
            QVERIFY(item->actionGroup());
            QCOMPARE(item->isChecked(), (command == Cmd::ViewTiles && mode == CLanterraView::ModeTiles)
                                            || (command == Cmd::ViewList && mode == CLanterraView::ModeList)
                                            || (command == Cmd::ViewDetails && mode == CLanterraView::ModeDetails));
        }
        QCOMPARE(menu->CommandAction(Cmd::ViewList)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_2));
    }

    void sortByMenu_data()
    {
        QTest::addColumn<QList<int>>("commands");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        QTest::newRow("host name") << QList<int>{Cmd::SortByHost} << int(ColumnHost) << false;
        QTest::newRow("workgroup, descending")
            << QList<int>{Cmd::SortByWorkgroup, Cmd::SortDescending} << int(ColumnWorkgroup) << true;
        QTest::newRow("the direction stays with another column")
            << QList<int>{Cmd::SortDescending, Cmd::SortByHost} << int(ColumnHost) << true;
        QTest::newRow("back to ascending")
            << QList<int>{Cmd::SortDescending, Cmd::SortByShare, Cmd::SortAscending} << int(ColumnShare) << false;
    }

    void sortByMenu()
    {
        QFETCH(QList<int>, commands);
        QFETCH(int, column);
        QFETCH(bool, descending);
        Fixture f;
        DocBuilder build(f.app.document());
        build.Share(build.Host(QStringLiteral("zeta"), QStringLiteral("ALPHA")), QStringLiteral("music"));
        build.Share(build.Host(QStringLiteral("alpha"), QStringLiteral("BETA")), QStringLiteral("films"));
        auto frame = f.Frame();
        frame->View()->RebuildList(f.settings.Hosts());
        while (frame->View()->IsTimerActive())
            frame->View()->UpdateTick();
        frame->View()->SetViewMode(CLanterraView::ModeDetails);

        CMenuBar *menu = frame->MenuBar();
        QMenu *sortBy = nullptr;
        for (QAction *action : menu->PopupAt(2)->actions())
            if (action->menu())
                sortBy = action->menu();
        QVERIFY(sortBy);
        menu->PrepareMenu(menu->PopupAt(2));
        QCOMPARE(sortBy->menuAction()->text(), QStringLiteral("Sort &By"));
        for (int command : std::as_const(commands)) {
            emit sortBy->aboutToShow();
            QAction *item = nullptr;
            for (QAction *action : sortBy->actions())
                if (action->data().toInt() == command)
                    item = action;
            QVERIFY(item && item->isEnabled());
            item->trigger();
        }
        const CLanterraDoc &doc = f.app.document();
        QCOMPARE(doc.lastSortCol(), column);
        QCOMPARE(bool(doc.lastSortRev()), descending);
        QCOMPARE(frame->View()->Header()->sortIndicatorOrder(), descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        // The marks show the order in force.
        emit sortBy->aboutToShow();
        const int columns[][2] = {
            {Cmd::SortByShare, ColumnShare}, {Cmd::SortByHost, ColumnHost}, {Cmd::SortByWorkgroup, ColumnWorkgroup}};
        for (const auto &[command, id] : columns)
            QCOMPARE(menu->CommandAction(command)->isChecked(), id == column);
        QCOMPARE(menu->CommandAction(Cmd::SortDescending)->isChecked(), descending);
        QCOMPARE(menu->CommandAction(Cmd::SortAscending)->isChecked(), !descending);
    }

    // With the window too narrow for the toolbar, the chevron's entries do
    // what their buttons do: "List View" offers the view modes.
    void toolbarOverflowActsAsTheButtons()
    {
        Fixture f;
        auto frame = f.Frame();
        frame->resize(200, 400);
        Activate(frame.get());
        CToolBarEx *toolBar = frame->ToolBar();
        QTRY_VERIFY(!toolBar->HiddenActions().isEmpty());
        QVERIFY(toolBar->HiddenActions().contains(toolBar->CommandAction(Cmd::ListViewButton)));
        auto *chevron = toolBar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
        QVERIFY(chevron && chevron->isVisible());
        chevron->click();
        auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(popup);
        QAction *listView = nullptr;
        for (QAction *entry : popup->actions())
            if (entry->text() == QStringLiteral("List View"))
                listView = entry;
        QVERIFY(listView);
        QVERIFY(listView->menu());
        emit listView->menu()->aboutToShow();
        QCOMPARE(MenuTexts(listView->menu()), (QStringList{"Tiles", "List", "Details"}));
        listView->menu()->actions()[2]->trigger();
        QCOMPARE(frame->View()->GetViewMode(), int(CLanterraView::ModeDetails));
        popup->close();
    }

    // Shift+F10 opens the focused share's menu at the share, as the Menu
    // key does.
    void shiftF10OpensTheContextMenu()
    {
        Fixture f;
        DocBuilder build(f.app.document());
        const int share =
            build.Share(build.Host(QStringLiteral("nas"), QStringLiteral("HOME")), QStringLiteral("music"));
        auto frame = f.Frame();
        frame->View()->RebuildList(f.settings.Media());
        while (frame->View()->IsTimerActive())
            frame->View()->UpdateTick();
        Activate(frame.get());
        frame->View()->SetFocusedShare(share);
        QAbstractItemView *items = frame->View()->ItemView();
        items->setFocus();
        QTRY_VERIFY(items->hasFocus());
        const QRect item(items->viewport()->mapToGlobal(items->visualRect(items->currentIndex()).topLeft()),
                         items->visualRect(items->currentIndex()).size());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10, Qt::ShiftModifier);
        auto *shown = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(shown);
        QCOMPARE(shown->actions().value(0)->text(), QStringLiteral("&Open"));
        QVERIFY2(item.contains(shown->pos()),
                 qPrintable(QStringLiteral("menu at %1,%2").arg(shown->x()).arg(shown->y())));
        shown->close();
    }

    void toolbarShowsIconsWithTranslatedTips()
    {
        Fixture f;
        LookupText(QStringLiteral("ToolBar Hints"), Cmd::FileOpen, QStringLiteral("Netz öffnen"));
        auto frame = f.Frame();
        CToolBarEx *toolBar = frame->ToolBar();
        QCOMPARE(toolBar->GetTextOption(), int(CToolBarEx::NoTextLabels));
        QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(toolBar->CommandAction(Cmd::FileOpen)->toolTip(), QStringLiteral("Netz öffnen"));
        QCOMPARE(toolBar->CommandAction(Cmd::HelpContents)->toolTip(), QStringLiteral("Contents"));
        QCOMPARE(toolBar->Buttons().size(), 10);
        QCOMPARE(frame->RefreshButton()->toolTip(), QStringLiteral("Start or stop updating"));
    }

    void languageChangeRetranslates()
    {
        Fixture f;
        auto frame = f.Frame();
        LanguageTable().Clear();
        LookupText(QStringLiteral("Top Menu"), 0, QStringLiteral("&Datei"));
        LookupText(QStringLiteral("Main Menu"), Cmd::FileNew, QStringLiteral("&Neues Netz\tStrg+N"));
        LookupText(QStringLiteral("Address ToolBar"), 0, QStringLiteral("&Schema:"));
        LookupText(QStringLiteral("Address ToolBar"), 1, QStringLiteral("&Aktualisieren:"));
        LookupText(QStringLiteral("Rebar Menu"), 0, QStringLiteral("Adressleiste"));
        emit CLanguageNotifier::instance().languageChanged();
        QCOMPARE(frame->MenuBar()->actions()[0]->text(), QStringLiteral("&Datei"));
        QMenu *file = frame->MenuBar()->PopupAt(0);
        frame->MenuBar()->PrepareMenu(file);
        QCOMPARE(ShownMenuText(file->actions()[0]), QStringLiteral("&Neues Netz\tStrg+N"));
        QCOMPARE(frame->SchemeButton()->text(), QStringLiteral("&Schema:"));
        QCOMPARE(frame->RefreshButton()->text(), QStringLiteral("&Aktualisieren:"));
        std::unique_ptr<QMenu> bands(frame->ReBar()->CreateContextMenu(nullptr));
        QCOMPARE(bands->actions()[0]->text(), QStringLiteral("Adressleiste"));
        // The scheme box still sits inside the address bar, whole.
        const QRect box(frame->SchemeBox()->mapTo(frame->AddressBar(), QPoint(0, 0)), frame->SchemeBox()->size());
        QVERIFY(frame->AddressBar()->rect().contains(box));
    }

    void statusBarShowsTheList()
    {
        Fixture f;
        auto frame = f.Frame();
        frame->View()->UpdateTick();
        QCOMPARE(frame->StatusPane()->text(), QStringLiteral("Hit F5 for list refreshing"));

        // A first scan that finds nothing says so, and where to ask for more,
        // in the status line and over the empty list.
        f.network->SetWorkgroupLatency(0);
        frame->RouteCommand(Cmd::Refresh);
        QVERIFY(
            QTest::qWaitFor([&] { return !f.app.document().IsScanning() && !frame->View()->IsTimerActive(); }, 10000));
        QCOMPARE(frame->StatusPane()->text(),
                 QStringLiteral("Ready. No shares found: set hosts, ranges and discovery in Scan Options (Alt+O)."));
        const QString hint = frame->View()->EmptyMessage();
        QVERIFY2(hint.startsWith(QStringLiteral("The scan found no shares.")) && hint.contains(u"Scan Options (Alt+O)"),
                 qPrintable(hint));
        // A new document has seen no scan yet.
        frame->RouteCommand(Cmd::FileNew);
        frame->View()->UpdateTick();
        QCOMPARE(frame->StatusPane()->text(), QStringLiteral("Hit F5 for list refreshing"));
        QCOMPARE(frame->View()->EmptyMessage(), QStringLiteral("Hit F5 for list refreshing"));
    }

    void exitClosesAndStoresTheWindow()
    {
        Fixture f;
        auto frame = f.Frame();
        frame->show();
        frame->RouteCommand(Cmd::AppExit);
        QVERIFY(!frame->isVisible());
        QVERIFY(f.settings.settings.placements.count(CMainFrame::PlacementName));
        QCOMPARE(f.settings.settings.toolbarBands.size(), 3);
    }
};

QTEST_MAIN(MainFrameTest)
#include "tst_mainframe.moc"
