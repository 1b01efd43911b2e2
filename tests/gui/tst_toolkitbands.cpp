// SPDX-License-Identifier: GPL-3.0-or-later
// The window toolkit's keyboard access and band handling across restarts:
// F10 to the menu bar, bands dragged to a new place, locked toolbars.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"
#include "ui/toolkit/menubar.h"
#include "ui/toolkit/sizablerebar.h"
#include "ui/toolkit/toolbarex.h"
#include "settings/languagetable.h"

#include <QApplication>
#include <QMenu>
#include <QToolButton>
#include <QSignalSpy>
#include <QTest>

using namespace gui;

class ToolkitBandsTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        TestSettings settings;
        CLanterraApp app{&settings.settings};
        Fixture()
        {
            app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
            app.OnFileNew();
        }
        std::unique_ptr<CMainFrame> Frame()
        {
            auto frame = std::make_unique<CMainFrame>(&app, &settings.settings);
            frame->show();
            frame->activateWindow();
            return frame;
        }
    };

private slots:
    void cleanup()
    {
        if (CSettings *settings = CSettings::instance())
            SelectBuiltInLanguage(*settings);
        LanguageTable().Clear();
    }

    void f10GivesTheKeyboardToTheMenuBar()
    {
        Fixture f;
        auto frame = f.Frame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        CMenuBar *menu = frame->MenuBar();
        QVERIFY(!menu->hasFocus());
        QTest::keyClick(frame.get(), Qt::Key_F10);
        QTRY_VERIFY(menu->hasFocus());
        QCOMPARE(menu->activeAction(), menu->actions().first());
        // Highlighted, not opened.
        QVERIFY(!menu->actions().first()->menu()->isVisible());
        // Arrow keys move along the bar.
        QTest::keyClick(menu, Qt::Key_Right);
        QCOMPARE(menu->activeAction(), menu->actions().at(1));
        QTest::keyClick(menu, Qt::Key_Escape);
    }

    // Whatever joins the menu bar's row, the menus all show while the row
    // has room for them; and the toolbar shows every button at the default
    // width of a first start, in English and in German.
    void bandsShowEverythingTheRowHasRoomFor_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("hideAddressBar");
        QTest::newRow("English, address bar hidden") << "English" << true;
        QTest::newRow("German, address bar hidden") << "German" << true;
        QTest::newRow("English, first start") << "English" << false;
        QTest::newRow("German, first start") << "German" << false;
    }
    void bandsShowEverythingTheRowHasRoomFor()
    {
        QFETCH(QString, language);
        QFETCH(bool, hideAddressBar);
        Fixture f;
        f.settings.settings.language = language;
        ScanLanguages(f.settings.settings);
        auto frame = f.Frame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        CSizableReBar *rebar = frame->ReBar();
        if (hideAddressBar) {
            frame->RouteCommand(Cmd::ViewAddressBar);
            QVERIFY(!rebar->IsBandVisible(Ctl::AddressBar));
            QCOMPARE(rebar->BandRect(Ctl::ToolBar).top(), rebar->BandRect(CFrameWndEx::MenuBarBandId).top());
        }
        QApplication::processEvents();
        CMenuBar *menu = frame->MenuBar();
        auto *extension = menu->findChild<QToolButton *>(QStringLiteral("qt_menubar_ext_button"));
        QVERIFY(extension);
        QVERIFY2(!extension->isVisible(), "menus went behind the chevron");
        for (QAction *action : menu->actions())
            QVERIFY2(!menu->actionGeometry(action).isEmpty(), qPrintable(action->text()));
        QVERIFY2(
            frame->ToolBar()->HiddenActions().isEmpty(),
            qPrintable(QStringLiteral("%1 buttons behind the chevron").arg(frame->ToolBar()->HiddenActions().size())));
    }

    void draggedBandKeepsItsPlaceAfterARestart()
    {
        Fixture f;
        {
            auto frame = f.Frame();
            QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
            CSizableReBar *rebar = frame->ReBar();
            QCOMPARE(rebar->BandPosition(Ctl::AddressBar), 1);
            QCOMPARE(rebar->BandPosition(Ctl::ToolBar), 2);
            QVERIFY(!rebar->IsBandNewRow(Ctl::ToolBar));
            // The toolbar's gripper dragged left past the address bar's.
            const QRect tool = rebar->BandRect(Ctl::ToolBar);
            const QRect address = rebar->BandRect(Ctl::AddressBar);
            const QPoint gripper(tool.left() - 4, tool.center().y());
            QTest::mousePress(rebar, Qt::LeftButton, {}, gripper);
            QTest::mouseMove(rebar, QPoint(address.left() - 6, address.center().y()));
            QTest::mouseRelease(rebar, Qt::LeftButton, {}, QPoint(address.left() - 6, address.center().y()));
            QCOMPARE(rebar->BandPosition(Ctl::ToolBar), 1);
            QCOMPARE(rebar->BandPosition(Ctl::AddressBar), 2);
            QVERIFY(rebar->IsBandNewRow(Ctl::ToolBar)); // it starts the row now
            QVERIFY(!rebar->IsBandNewRow(Ctl::AddressBar));
            frame->close();
        }
        auto frame = f.Frame();
        CSizableReBar *rebar = frame->ReBar();
        QCOMPARE(rebar->BandPosition(Ctl::ToolBar), 1);
        QCOMPARE(rebar->BandPosition(Ctl::AddressBar), 2);
        QVERIFY(rebar->BandRect(Ctl::ToolBar).left() < rebar->BandRect(Ctl::AddressBar).left());

        // Dragged below the last row: a row of its own.
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        const QRect address = rebar->BandRect(Ctl::AddressBar);
        QTest::mousePress(rebar, Qt::LeftButton, {}, QPoint(address.left() - 4, address.center().y()));
        const QPoint below(address.left(), address.bottom() + 8);
        QTest::mouseMove(rebar, below);
        QTest::mouseRelease(rebar, Qt::LeftButton, {}, below);
        QVERIFY(rebar->IsBandNewRow(Ctl::AddressBar));
        QVERIFY(rebar->BandRect(Ctl::AddressBar).top() > rebar->BandRect(Ctl::ToolBar).bottom());
    }

    void sizingEdgeAddsAndRemovesRows()
    {
        Fixture f;
        auto frame = f.Frame();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        CSizableReBar *rebar = frame->ReBar();
        const int before = rebar->height();
        QSignalSpy released(rebar, &CSizableReBar::sizingEdgeReleased);
        const QPoint edge(rebar->width() / 2, rebar->height() - 2);
        const int row = rebar->BandRect(Ctl::ToolBar).height() + 2;
        QTest::mousePress(rebar, Qt::LeftButton, {}, edge);
        QTest::mouseMove(rebar, edge + QPoint(0, row + 2));
        QTest::mouseRelease(rebar, Qt::LeftButton, {}, edge + QPoint(0, row + 2));
        QCOMPARE(released.count(), 1);
        QVERIFY(rebar->IsBandNewRow(Ctl::ToolBar));
        QTRY_VERIFY(rebar->height() > before);
        const QPoint lower(rebar->width() / 2, rebar->height() - 2);
        QTest::mousePress(rebar, Qt::LeftButton, {}, lower);
        QTest::mouseMove(rebar, lower - QPoint(0, row + 2));
        QTest::mouseRelease(rebar, Qt::LeftButton, {}, lower - QPoint(0, row + 2));
        QVERIFY(!rebar->IsBandNewRow(Ctl::ToolBar));
    }

    void lockedToolbarsStayLockedAfterARestart()
    {
        Fixture f;
        {
            auto frame = f.Frame();
            frame->RouteCommand(Cmd::LockToolbars);
            QVERIFY(frame->ReBar()->IsLocked());
            frame->close();
        }
        for (const ToolbarBand &band : f.settings.settings.toolbarBands)
            QVERIFY(band.style & CSizableReBar::StyleNoGripper);
        {
            auto frame = f.Frame();
            QVERIFY(frame->ReBar()->IsLocked());
            CMenuBar *menu = frame->MenuBar();
            menu->PrepareMenu(menu->PopupAt(2));
            QVERIFY(menu->CommandAction(Cmd::LockToolbars)->isChecked());
            // Unlocked again, and so after the next start.
            frame->RouteCommand(Cmd::LockToolbars);
            frame->close();
        }
        auto frame = f.Frame();
        QVERIFY(!frame->ReBar()->IsLocked());
        for (const ToolbarBand &band : f.settings.settings.toolbarBands)
            QVERIFY(!(band.style & CSizableReBar::StyleNoGripper));
    }
};

QTEST_MAIN(ToolkitBandsTest)
#include "tst_toolkitbands.moc"
