// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs' layout: dialog units that follow the font, and anchored
// controls that follow a resized dialog.
#include "guisupport.h"

#include "ui/dialogs/scanoptionsdlg.h"
#include "ui/dialogs/schemeseditordlg.h"

#include <QFontMetricsF>
#include <QTreeWidget>
#include <QtTest>

class TestAnchorLayout : public QObject
{
    Q_OBJECT
private slots:
    void sizesFollowTheDialogFont()
    {
        CScanOptionsDlg small;
        QFont font = small.font();
        font.setPointSize(8);
        small.setFont(font);
        CScanOptionsDlg large;
        font.setPointSize(14);
        large.setFont(font);
        const QSize a = small.Layout()->ToPixels(QSize(225, 266));
        const QSize b = large.Layout()->ToPixels(QSize(225, 266));
        QVERIFY(b.width() > a.width() * 3 / 2);
        QVERIFY(b.height() > a.height() * 3 / 2);
        // Four horizontal units are one mean character; eight vertical ones
        // one line.
        const QFontMetricsF metrics(small.font());
        QVERIFY(qAbs(small.Layout()->ToPixels(QSize(0, 8)).height() - metrics.height()) <= 1);
    }

    void schemesEditorAnchorsKeepTheHeaderAndGrowTheList()
    {
        gui::TestSettings test;
        SchemeEditRecord record;
        record.settings = &test.settings;
        CSchemesEditorDlg dialog(record, nullptr);
        dialog.InitDialog();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QWidget *list = dialog.List();
        QWidget *picture = dialog.Control(CSchemesEditorDlg::IdPicture);
        QWidget *up = dialog.Control(CSchemesEditorDlg::IdUp);
        const QRect list0 = list->geometry(), picture0 = picture->geometry(), up0 = up->geometry();
        dialog.resize(dialog.size() + QSize(80, 60));
        QTRY_COMPARE(list->size(), list0.size() + QSize(80, 60));
        QCOMPARE(picture->geometry(), picture0.translated(80, 0));
        QCOMPARE(up->geometry(), up0.translated(0, 60));
    }
};

QTEST_MAIN(TestAnchorLayout)
#include "tst_anchorlayout.moc"
