// SPDX-License-Identifier: GPL-3.0-or-later
// Middle-button scrolling: the step arithmetic, when the marker starts, and
// how far it scrolls the share list's own views.
#include "guisupport.h"

#include "ui/view/lanterraview.h"
#include "ui/view/middlescroll.h"
#include "ui/view/sharelistmodel.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QTest>

using namespace MiddleScroll;
using namespace gui;

class MiddleScrollTest : public QObject
{
    Q_OBJECT

private:
    // The share list with `shares` shares on one host, in `mode`, on screen.
    struct Fixture
    {
        TestSettings settings;
        CLanterraDoc doc{&settings.settings};
        DocBuilder build{doc};
        CLanterraView view;

        Fixture(int shares, int mode, QSize size = QSize(400, 300))
        {
            view.SetDocument(&doc);
            HostRecord *host = build.Host(QStringLiteral("nas"));
            for (int i = 0; i < shares; ++i)
                build.Share(host, QStringLiteral("share%1").arg(i, 3, 10, QLatin1Char('0')));
            view.SetViewMode(mode);
            view.resize(size);
            view.RebuildList(settings.Media());
            while (view.IsTimerActive())
                view.UpdateTick();
            view.show();
        }
        QAbstractItemView *Items() const { return view.ItemView(); }
        // Where the first share is drawn: how far the list has scrolled.
        int FirstTop()
        {
            return Items()->visualRect(view.Model()->IndexOfShare(view.Model()->SharesInOrder().first())).top();
        }
    };

    // One tick of the marker's timer, with the mouse where it is.
    static void Tick(CMiddleScrollMarker *marker)
    {
        QTimerEvent event(marker->TimerId());
        QCoreApplication::sendEvent(marker, &event);
    }

private slots:
    void stepArithmetic()
    {
        // 7 pixels: a direction, no scrolling yet.
        Step s = StepFor({0, 7});
        QCOMPARE(s.direction, Down);
        QCOMPARE(s.speed, 0);
        // 4 and 4 pixels: at rest.
        QCOMPARE(StepFor({4, 4}).direction, Rest);
        QCOMPARE(StepFor({-4, -4}).direction, Rest);
        QCOMPARE(StepFor({0, 5}).direction, Down);
        // 16 pixels down: 2 units, 34 pixels a step.
        s = StepFor({0, 16});
        QCOMPARE(s.direction, Down);
        QCOMPARE(s.speed, 2);
        QCOMPARE(ScrollPixels(s.speed, s.direction, false, false, {0, 10}, {0, 100}), QPoint(0, 34));
        // Exactly diagonal: vertical.
        QCOMPARE(StepFor({12, 12}).direction, Down);
        QCOMPARE(StepFor({-12, -12}).direction, Up);
        QCOMPARE(StepFor({-13, 12}).direction, Left);
        QCOMPARE(StepFor({13, 0}).direction, Right);
        QCOMPARE(StepFor({0, 0}).direction, Rest);
        QCOMPARE(StepFor({0, -24}).speed, 3);
    }

    void scrollingStopsAtTheEndsAndBlockedDirections()
    {
        // Positions and limits are pixels.
        QCOMPARE(ScrollPixels(3, Up, false, false, {0, 20}, {0, 100}), QPoint(0, -20));
        QCOMPARE(ScrollPixels(3, Down, false, false, {0, 90}, {0, 100}), QPoint(0, 10));
        QCOMPARE(ScrollPixels(3, Down, false, false, {0, 100}, {0, 100}), QPoint());
        QCOMPARE(ScrollPixels(2, Left, false, true, {5, 5}, {100, 100}), QPoint());
        QCOMPARE(ScrollPixels(2, Down, true, false, {5, 5}, {100, 100}), QPoint());
        QCOMPARE(ScrollPixels(2, Right, false, false, {5, 5}, {100, 100}), QPoint(34, 0));
        QCOMPARE(ScrollPixels(2, Rest, false, false, {5, 5}, {100, 100}), QPoint());
        QCOMPARE(PictureOffset(false, false), 0);
        QCOMPARE(PictureOffset(true, false), 26);
        QCOMPARE(PictureOffset(false, true), 52);
    }

    // The mouse held `dy` pixels below (above, when negative) the marker for
    // `ticks` steps scrolls the real list by speed × 17 pixels a step, speed
    // = |dy| / 8, up to its ends, in every view mode.
    void marksScrollTheListByPixels_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("dy");
        QTest::addColumn<int>("start"); // pixels scrolled before; negative: from the bottom
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("distance"); // pixels scrolled, down positive
        const std::pair<const char *, int> modes[] = {{"details", CLanterraView::ModeDetails},
                                                      {"tiles", CLanterraView::ModeTiles},
                                                      {"list", CLanterraView::ModeList}};
        for (const auto &[name, mode] : modes) {
            QTest::addRow("%s, 8 px below", name) << mode << 8 << 0 << 3 << 3 * 17;
            QTest::addRow("%s, 16 px below", name) << mode << 16 << 0 << 3 << 3 * 34;
            QTest::addRow("%s, 7 px below", name) << mode << 7 << 0 << 5 << 0;
            QTest::addRow("%s, 35 px above, near the top", name) << mode << -35 << 40 << 1 << -40;
            QTest::addRow("%s, 35 px above", name) << mode << -35 << 200 << 2 << -2 * 68;
            QTest::addRow("%s, 24 px below, near the bottom", name) << mode << 24 << -10 << 2 << 10;
        }
    }

    void marksScrollTheListByPixels()
    {
        QFETCH(int, mode);
        QFETCH(int, dy);
        QFETCH(int, start);
        QFETCH(int, ticks);
        QFETCH(int, distance);
        Fixture f(400, mode);
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QScrollBar *bar = f.Items()->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        const int top = f.FirstTop();
        bar->setValue(start >= 0 ? start : bar->maximum() + start);
        const int before = f.FirstTop();
        QCOMPARE(top - before, start >= 0 ? start : bar->maximum() + start);

        QWidget *viewport = f.Items()->viewport();
        QCursor::setPos(viewport->mapToGlobal(QPoint(100, 100)));
        CMiddleScrollMarker *marker = CMiddleScrollMarker::Start(f.Items());
        QVERIFY(marker);
        QCOMPARE(marker->Origin(), QPoint(85, 85));
        QCursor::setPos(viewport->mapToGlobal(marker->Origin() + QPoint(0, dy)));
        for (int i = 0; i < ticks; ++i)
            Tick(marker);
        QCOMPARE(before - f.FirstTop(), distance);
        QCOMPARE(marker->CursorDirection(), dy > 0 ? Down : Up);
        marker->End();
        QTRY_VERIFY(!CMiddleScrollMarker::Active());
    }

    void sidewaysOnlyWhereTheListScrollsSideways()
    {
        // Tiles flow into the width: nothing to scroll sideways.
        Fixture f(400, CLanterraView::ModeTiles);
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QTRY_VERIFY(f.Items()->verticalScrollBar()->maximum() > 0);
        QWidget *viewport = f.Items()->viewport();
        QCursor::setPos(viewport->mapToGlobal(QPoint(100, 100)));
        CMiddleScrollMarker *marker = CMiddleScrollMarker::Start(f.Items());
        QVERIFY(marker);
        QCOMPARE(marker->PictureOffsetInUse(), 52); // vertical only
        QCOMPARE(marker->size(), QSize(30, 30));
        const int before = f.FirstTop();
        QCursor::setPos(viewport->mapToGlobal(marker->Origin() + QPoint(40, 0)));
        Tick(marker);
        QCOMPARE(marker->CursorDirection(), Right);
        QCOMPARE(f.FirstTop(), before);
        QCOMPARE(f.Items()->horizontalScrollBar()->value(), 0);
        QCursor::setPos(viewport->mapToGlobal(marker->Origin() + QPoint(4, 4)));
        Tick(marker);
        QCOMPARE(marker->CursorDirection(), Rest);

        // A second middle press ends it.
        QPointer<CMiddleScrollMarker> watched = marker;
        QTest::mouseClick(marker, Qt::MiddleButton);
        QTRY_VERIFY(!watched);
        QVERIFY(!CMiddleScrollMarker::Active());
    }

    void whatDoesNotStart()
    {
        // Nothing to scroll: no marker.
        {
            Fixture few(2, CLanterraView::ModeDetails, QSize(700, 300));
            QVERIFY(QTest::qWaitForWindowExposed(&few.view));
            QVERIFY(!CMiddleScrollMarker::Start(few.Items()));
        }

        Fixture f(400, CLanterraView::ModeDetails);
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QTRY_VERIFY(f.Items()->verticalScrollBar()->maximum() > 0);
        QWidget *viewport = f.Items()->viewport();
        const QPoint inside(50, 50);
        // Ctrl+middle and Shift+middle are the list's own.
        QTest::mousePress(viewport, Qt::MiddleButton, Qt::ControlModifier, inside);
        QVERIFY(!CMiddleScrollMarker::Active());
        QTest::mouseRelease(viewport, Qt::MiddleButton, Qt::ControlModifier, inside);
        QTest::mousePress(viewport, Qt::MiddleButton, Qt::ShiftModifier, inside);
        QVERIFY(!CMiddleScrollMarker::Active());
        QTest::mouseRelease(viewport, Qt::MiddleButton, Qt::ShiftModifier, inside);
        // The middle button alone starts it.
        QTest::mousePress(viewport, Qt::MiddleButton, Qt::NoModifier, inside);
        QVERIFY(CMiddleScrollMarker::Active());
        CMiddleScrollMarker::Active()->End();
        QTRY_VERIFY(!CMiddleScrollMarker::Active());
    }
};

QTEST_MAIN(MiddleScrollTest)
#include "tst_middlescroll.moc"
