// SPDX-License-Identifier: GPL-3.0-or-later
// Middle-button scrolling: the step arithmetic, and when the marker starts.
#include "ui/view/middlescroll.h"

#include <QListWidget>
#include <QScrollBar>
#include <QTest>

using namespace MiddleScroll;

class MiddleScrollTest : public QObject
{
    Q_OBJECT

private:
    // A list that scrolls only vertically.
    static std::unique_ptr<QListWidget> TallList(int rows = 400)
    {
        auto list = std::make_unique<QListWidget>();
        for (int i = 0; i < rows; ++i)
            list->addItem(QStringLiteral("share %1").arg(i));
        list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        list->resize(200, 200);
        list->show();
        return list;
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
        QCOMPARE(ScrollPixels(3, Up, false, false, {0, 1}, {0, 100}), QPoint(0, -17));
        QCOMPARE(ScrollPixels(3, Down, false, false, {0, 100}, {0, 100}), QPoint());
        QCOMPARE(ScrollPixels(2, Left, false, true, {5, 5}, {10, 10}), QPoint());
        QCOMPARE(ScrollPixels(2, Down, true, false, {5, 5}, {10, 10}), QPoint());
        QCOMPARE(ScrollPixels(2, Right, false, false, {5, 5}, {10, 10}), QPoint(34, 0));
        QCOMPARE(ScrollPixels(2, Rest, false, false, {5, 5}, {10, 10}), QPoint());
        QCOMPARE(PictureOffset(false, false), 0);
        QCOMPARE(PictureOffset(true, false), 26);
        QCOMPARE(PictureOffset(false, true), 52);
    }

    void markerScrollsTheList()
    {
        auto list = TallList();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        QCursor::setPos(list->viewport()->mapToGlobal(QPoint(100, 100)));
        CMiddleScrollMarker *marker = CMiddleScrollMarker::Start(list.get());
        QVERIFY(marker);
        QCOMPARE(CMiddleScrollMarker::Active(), marker);
        QCOMPARE(marker->PictureOffsetInUse(), 52); // vertical only
        QCOMPARE(marker->size(), QSize(30, 30));
        const QPoint origin = marker->Origin();
        QCOMPARE(origin, QPoint(85, 85));

        QScrollBar *bar = list->verticalScrollBar();
        const int before = bar->value();
        marker->StepAt(origin + QPoint(0, 16));
        QCOMPARE(bar->value(), before + 34);
        marker->StepAt(origin + QPoint(0, 7));
        QCOMPARE(bar->value(), before + 34);
        QCOMPARE(marker->CursorDirection(), Down);
        marker->StepAt(origin + QPoint(4, 4));
        QCOMPARE(marker->CursorDirection(), Rest);
        // Sideways does not scroll a list that cannot scroll sideways.
        marker->StepAt(origin + QPoint(40, 0));
        QCOMPARE(bar->value(), before + 34);
        QCOMPARE(list->horizontalScrollBar()->value(), 0);

        QPointer<CMiddleScrollMarker> watched = marker;
        QTest::mouseClick(marker, Qt::MiddleButton);
        QTRY_VERIFY(!watched);
        QVERIFY(!CMiddleScrollMarker::Active());
    }

    void whatDoesNotStart()
    {
        // Nothing to scroll: no marker.
        auto shortList = TallList(2);
        QVERIFY(QTest::qWaitForWindowExposed(shortList.get()));
        QVERIFY(!CMiddleScrollMarker::Start(shortList.get()));

        auto list = TallList();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        Install(list.get());
        const QPoint inside(50, 50);
        // Ctrl+middle and Shift+middle are the list's own.
        QTest::mousePress(list->viewport(), Qt::MiddleButton, Qt::ControlModifier, inside);
        QVERIFY(!CMiddleScrollMarker::Active());
        QTest::mouseRelease(list->viewport(), Qt::MiddleButton, Qt::ControlModifier, inside);
        QTest::mousePress(list->viewport(), Qt::MiddleButton, Qt::ShiftModifier, inside);
        QVERIFY(!CMiddleScrollMarker::Active());
        QTest::mouseRelease(list->viewport(), Qt::MiddleButton, Qt::ShiftModifier, inside);
        // The middle button alone starts it.
        QTest::mousePress(list->viewport(), Qt::MiddleButton, Qt::NoModifier, inside);
        QVERIFY(CMiddleScrollMarker::Active());
        CMiddleScrollMarker::Active()->End();
        QTRY_VERIFY(!CMiddleScrollMarker::Active());
    }
};

QTEST_MAIN(MiddleScrollTest)
#include "tst_middlescroll.moc"
