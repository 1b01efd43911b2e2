// SPDX-License-Identifier: GPL-3.0-or-later
// The help pop-up of the Scan Options example links, the real one: it holds
// the mouse and the keyboard while it is shown, so everything the user does
// must close it and give the dialog its input back.
#include "guisupport.h"

#include "model/scanrules.h"
#include "ui/dialogs/helpwindow.h"
#include "ui/dialogs/scanoptionsdlg.h"
#include "ui/toolkit/hyperlink.h"

#include <QCheckBox>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

using Dlg = CScanOptionsDlg;

enum class Way { Escape, AltF4, ClickOutside, ClickOnIt, OtherWindowActive };

} // namespace

Q_DECLARE_METATYPE(Way)

class TestHelpPopup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QFile page(m_settings.dir.filePath(QStringLiteral("English.html")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><body><div class=\"popup\" id=\"topic-20\"><p>OFFICE<br>HOME</p></div>"
                   "<div class=\"popup\" id=\"topic-30\"><p>10.0.0.1-10.0.0.9</p></div></body></html>");
        m_settings.settings.helpPath = m_settings.dir.filePath(QStringLiteral("English.hlp"));
    }

    // A pop-up left open by a failing row must not hold the next row's input.
    void cleanup()
    {
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->hide();
    }

    void closesOnAnythingTheUserDoes_data()
    {
        QTest::addColumn<int>("link");
        QTest::addColumn<Way>("way");
        QTest::newRow("workgroups, Escape") << int(Dlg::IdNetsExamples) << Way::Escape;
        QTest::newRow("hosts, Escape") << int(Dlg::IdHostsExamples) << Way::Escape;
        QTest::newRow("Alt+F4") << int(Dlg::IdHostsExamples) << Way::AltF4;
        QTest::newRow("click outside") << int(Dlg::IdNetsExamples) << Way::ClickOutside;
        QTest::newRow("click on it") << int(Dlg::IdHostsExamples) << Way::ClickOnIt;
        QTest::newRow("another window takes the focus") << int(Dlg::IdNetsExamples) << Way::OtherWindowActive;
    }

    void closesOnAnythingTheUserDoes()
    {
        QFETCH(int, link);
        QFETCH(Way, way);
        // Another window, shown and active first, so that only its later
        // activation counts.
        QWidget other;
        other.setGeometry(700, 10, 100, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        ScanRules rules;
        Dlg dialog;
        dialog.Exchange(rules, false);
        dialog.InitDialog();
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QWindow *window = dialog.windowHandle();
        QTRY_COMPARE(QGuiApplication::focusWindow(), window);

        // Clicked as the user clicks: through the window system.
        auto *hyperlink = dialog.findChild<CHyperLink *>(QStringLiteral("control%1").arg(link));
        QVERIFY(hyperlink);
        QTest::mouseClick(window, Qt::LeftButton, {}, hyperlink->mapTo(&dialog, hyperlink->rect().center()));
        QPointer<QWidget> popup = QApplication::activePopupWidget();
        QVERIFY(popup);
        QCOMPARE(popup->objectName(), QStringLiteral("helpPopup"));
        QVERIFY(popup->isVisible());

        switch (way) {
        case Way::Escape:
            QTest::keyClick(window, Qt::Key_Escape);
            break;
        case Way::AltF4:
            QTest::keyClick(window, Qt::Key_F4, Qt::AltModifier);
            break;
        case Way::ClickOutside: {
            // A point of the dialog that the pop-up does not cover.
            QPoint outside(2, 2);
            if (popup->geometry().contains(dialog.mapToGlobal(outside)))
                outside = QPoint(dialog.width() - 3, dialog.height() - 3);
            QTest::mouseClick(window, Qt::LeftButton, {}, outside);
            break;
        }
        case Way::ClickOnIt:
            QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {}, popup->rect().center());
            break;
        case Way::OtherWindowActive:
            other.windowHandle()->requestActivate();
            break;
        }
        QTRY_VERIFY(!popup || !popup->isVisible());
        QVERIFY(!QApplication::activePopupWidget());

        // The dialog has its input back.
        other.close();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto *allVisible = dialog.findChild<QCheckBox *>(QStringLiteral("control%1").arg(int(Dlg::IdAllVisible)));
        QVERIFY(allVisible);
        const bool checked = allVisible->isChecked();
        QTest::mouseClick(window, Qt::LeftButton, {}, allVisible->mapTo(&dialog, QPoint(8, allVisible->height() / 2)));
        QCOMPARE(allVisible->isChecked(), !checked);
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!dialog.isVisible());
    }

    // The contents go beside the main window, where a side has room for a
    // readable page, and never past the screen.
    void contentsOpenBesideTheMainWindow_data()
    {
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QSize>("margins");
        QTest::addColumn<QRect>("help");
        QTest::newRow("right") << QRect(100, 100, 600, 500) << QSize(0, 0) << QRect(700, 100, 640, 560);
        QTest::newRow("right, with frames") << QRect(100, 100, 600, 500) << QSize(10, 30) << QRect(700, 100, 650, 590);
        QTest::newRow("right, narrower") << QRect(0, 0, 1470, 700) << QSize(0, 0) << QRect(1470, 0, 450, 560);
        QTest::newRow("left") << QRect(1200, 50, 700, 600) << QSize(0, 0) << QRect(560, 50, 640, 560);
        QTest::newRow("left, narrower") << QRect(450, 50, 1470, 600) << QSize(0, 0) << QRect(0, 50, 450, 560);
        QTest::newRow("no room: over its right part")
            << QRect(0, 0, 1800, 900) << QSize(0, 0) << QRect(1280, 0, 640, 560);
        QTest::newRow("low window: up to the screen's bottom")
            << QRect(100, 800, 600, 200) << QSize(0, 0) << QRect(700, 520, 640, 560);
    }

    void contentsOpenBesideTheMainWindow()
    {
        QFETCH(QRect, main);
        QFETCH(QSize, margins);
        QFETCH(QRect, help);
        QCOMPARE(HelpPlacement(main, QRect(0, 0, 1920, 1080), margins), help);
    }

    // The real window: beside its main window, closed by Esc and by Ctrl+W.
    void contentsWindowClosesWithEscAndCtrlW_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::newRow("Esc") << QKeyCombination(Qt::Key_Escape);
        QTest::newRow("Ctrl+W") << QKeyCombination(Qt::CTRL | Qt::Key_W);
    }

    void contentsWindowClosesWithEscAndCtrlW()
    {
        QFETCH(QKeyCombination, keys);
        QWidget main;
        main.setGeometry(0, 0, 300, 400);
        main.show();
        QVERIFY(ShowHelpContents(m_settings.settings.helpPath, &main));
        QPointer<QWidget> help;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->objectName() == u"helpWindow" && widget->isVisible())
                help = widget;
        QVERIFY(help);
        QVERIFY(QTest::qWaitForWindowActive(help));
        QVERIFY2(!help->frameGeometry().intersects(main.frameGeometry()), "over the main window");
        QCOMPARE(help->frameGeometry().left(), main.frameGeometry().right() + 1);
        QTest::keyClick(help, keys.key(), keys.keyboardModifiers());
        QTRY_VERIFY(!help);
    }

private:
    gui::TestSettings m_settings;
};

QTEST_MAIN(TestHelpPopup)
#include "tst_helppopup.moc"
