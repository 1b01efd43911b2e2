// SPDX-License-Identifier: GPL-3.0-or-later
// The window toolkit: rebar layout records, toolbar text options, chevron.
#include "ui/toolkit/sizablerebar.h"
#include "ui/toolkit/toolbarex.h"
#include "ui/toolkit/toolbarpopup.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

class ToolkitTest : public QObject
{
    Q_OBJECT

private:
    // A rebar with bands 1, 2, 3 of fixed height.
    struct Bands
    {
        CSizableReBar rebar;
        Bands()
        {
            for (int id : {1, 2, 3}) {
                auto *child = new QLabel(QStringLiteral("band %1").arg(id));
                child->setFixedHeight(20);
                rebar.AddBand(child, id, QStringLiteral("Band %1").arg(id), id == 3);
            }
            rebar.resize(600, rebar.sizeHint().height());
        }
        QList<int> Order() const
        {
            QList<int> ids;
            for (int i = 0; i < rebar.BandCount(); ++i)
                ids.append(rebar.BandId(i));
            return ids;
        }
    };

    class NoTextForOpen : public CToolBarEx
    {
    public:
        bool HasButtonTextOnRight(int command) const override { return command != 2; }
    };

private slots:
    void applyLayoutReordersAndRestyles()
    {
        Bands b;
        b.rebar.ShowBand(1, false);
        QCOMPARE(b.rebar.GetBandLayout()[0].style, CSizableReBar::StyleHidden);
        // Entry 0 names band 3, entry 1 a band that does not exist, entry 2 band 1.
        b.rebar.SetBandLayout({{3, 150, CSizableReBar::StyleBreak}, {99, 10, 0}, {1, 200, 0x4}});
        QCOMPARE(b.Order(), (QList<int>{3, 2, 1}));
        QVERIFY(b.rebar.IsBandNewRow(3));
        QVERIFY(b.rebar.IsBandVisible(1)); // the hidden bit was cleared first
        const QList<ToolbarBand> layout = b.rebar.GetBandLayout();
        QCOMPARE(layout[0].cx, 150);
        QCOMPARE(layout[2].cx, 200);
        QCOMPARE(layout[2].style, 0x4); // other style bits ride along
    }

    void rowsAndWidths()
    {
        Bands b;
        b.rebar.SetBandLayout({{1, 100, 0}, {2, 180, 0}, {3, 50, CSizableReBar::StyleBreak}});
        b.rebar.resize(600, b.rebar.sizeHint().height());
        const QRect one = b.rebar.BandRect(1), two = b.rebar.BandRect(2), three = b.rebar.BandRect(3);
        QCOMPARE(one.top(), two.top());
        QVERIFY(three.top() > one.bottom()); // a row of its own
        QVERIFY(two.left() > one.right());
        QCOMPARE(two.right(), 599); // the last band of a row takes the rest
        QCOMPARE(three.right(), 599);
        QCOMPARE(b.rebar.sizeHint().height(), 2 * (20 + 2) + CSizableReBar::SizingEdge);

        // Hiding band 3 takes its row away; locking takes the grippers away.
        b.rebar.ShowBand(3, false);
        QCOMPARE(b.rebar.sizeHint().height(), 20 + 2 + CSizableReBar::SizingEdge);
        const int before = b.rebar.BandRect(1).left();
        b.rebar.SetLocked(true);
        QVERIFY(b.rebar.BandRect(1).left() < before);
    }

    void contextMenuShowsAndHides()
    {
        Bands b;
        QSignalSpy spy(&b.rebar, &CSizableReBar::bandVisibilityChanged);
        std::unique_ptr<QMenu> menu(b.rebar.CreateContextMenu(nullptr));
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 3);
        QVERIFY(actions[0]->isChecked());
        QVERIFY(!actions[2]->isEnabled()); // band 3 asked for a disabled entry
        actions[1]->trigger();
        QVERIFY(!b.rebar.IsBandVisible(2));
        QCOMPARE(spy.count(), 1);
        std::unique_ptr<QMenu> again(b.rebar.CreateContextMenu(nullptr));
        QVERIFY(!again->actions()[1]->isChecked());
    }

    void textOptions()
    {
        NoTextForOpen bar;
        bar.SetPrompts({{1, QStringLiteral("New")}, {2, QStringLiteral("Open")}});
        bar.SetButtons({{1, 0}, {0, -1}, {2, 1}}, CToolBarEx::ShowTextLabels);
        QCOMPARE(bar.actions().size(), 3);
        QCOMPARE(bar.CommandButton(1)->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        bar.SetTextOption(CToolBarEx::SelectiveTextOnRight);
        QCOMPARE(bar.CommandButton(1)->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        QCOMPARE(bar.CommandButton(2)->toolButtonStyle(), Qt::ToolButtonIconOnly);
        bar.SetTextOption(CToolBarEx::NoTextLabels);
        QCOMPARE(bar.CommandButton(1)->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(bar.CommandAction(2)->toolTip(), QStringLiteral("Open"));
    }

    void chevronOffersWhatDoesNotFit()
    {
        CToolBarEx bar;
        std::map<int, QString> prompts;
        QList<ToolBarButton> buttons;
        for (int command = 1; command <= 8; ++command) {
            prompts[command] = QStringLiteral("Button %1").arg(command);
            buttons.append({command, -1});
        }
        bar.SetPrompts(prompts);
        bar.SetButtons(buttons, CToolBarEx::ShowTextLabels);
        bar.resize(120, bar.sizeHint().height());
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        const QList<QAction *> hidden = bar.HiddenActions();
        QVERIFY(!hidden.isEmpty());
        QCOMPARE(hidden.last()->data().toInt(), 8);

        QSignalSpy spy(&bar, &CToolBarEx::commandRequested);
        CToolBarPopup popup(&bar);
        popup.setAttribute(Qt::WA_DeleteOnClose, false);
        QCOMPARE(popup.actions().size(), hidden.size());
        popup.actions().last()->trigger();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 8);
    }
};

QTEST_MAIN(ToolkitTest)
#include "tst_toolkit.moc"
