// SPDX-License-Identifier: GPL-3.0-or-later
// The Scan Options dialog and its Advanced Editor.
#include "guisupport.h"

#include "model/scanrules.h"
#include "ui/dialogs/scanoptionsdlg.h"
#include "ui/toolkit/plaintext.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ui/toolkit/hyperlink.h"

namespace {

using Dlg = CScanOptionsDlg;

struct Opened
{
    explicit Opened(ScanRules &rules)
    {
        dialog.saveDocument = [this] {
            ++saves;
            return saveResult;
        };
        dialog.showHelpPopup = [this](int topic) { topics.append(topic); };
        dialog.Exchange(rules, false);
        dialog.InitDialog();
        dialog.show();
    }
    template <class T> T *C(int id) { return dialog.findChild<T *>(QStringLiteral("control%1").arg(id)); }
    CScanOptionsDlg dialog;
    int saves = 0;
    bool saveResult = true;
    QList<int> topics;
};

} // namespace

class TestScanOptions : public QObject
{
    Q_OBJECT
private slots:
    void switchesAndOk()
    {
        ScanRules rules;
        rules.searchNetAll = rules.searchNetCurrent = rules.searchNetByList = rules.searchHostByList = 0;
        Opened o(rules);
        // Rules that search nothing open with the first switch on.
        QVERIFY(o.C<QCheckBox>(Dlg::IdAllVisible)->isChecked());
        QVERIFY(o.C<QPushButton>(Dlg::IdOk)->isEnabled());
        QVERIFY(!o.C<QPushButton>(Dlg::IdApply)->isEnabled());
        QVERIFY(!o.C<QPlainTextEdit>(Dlg::IdNetsEdit)->isEnabled());
        // Unticking every switch disables Ok; any one enables it again.
        // Apply too: such rules are never stored, not even by an edit
        // made while every switch is off.
        o.C<QCheckBox>(Dlg::IdAllVisible)->click();
        QVERIFY(!o.C<QPushButton>(Dlg::IdOk)->isEnabled());
        QVERIFY(!o.C<QPushButton>(Dlg::IdApply)->isEnabled());
        o.C<QLineEdit>(Dlg::IdExcHostsEdit)->setText(QStringLiteral("printer"));
        o.C<QPlainTextEdit>(Dlg::IdNetsEdit)->setPlainText(QStringLiteral("OFFICE"));
        QVERIFY(!o.C<QPushButton>(Dlg::IdApply)->isEnabled());
        o.C<QPushButton>(Dlg::IdApply)->click();
        QCOMPARE(o.saves, 0);
        QCOMPARE(rules.searchNetAll, 0);
        QVERIFY(rules.excHosts.isEmpty());
        o.C<QCheckBox>(Dlg::IdHostsByList)->click();
        QVERIFY(o.C<QPushButton>(Dlg::IdOk)->isEnabled());
        QVERIFY(o.C<QPushButton>(Dlg::IdApply)->isEnabled());
        QVERIFY(o.C<QPlainTextEdit>(Dlg::IdHostsEdit)->isEnabled());
        o.C<QPushButton>(Dlg::IdApply)->click();
        QCOMPARE(rules.searchHostByList, 1);
        QCOMPARE(rules.excHosts, QStringList{QStringLiteral("printer")});
    }

    void advancedEditorFromTheKeyboard()
    {
        ScanRules rules;
        rules.searchHostByList = 1;
        rules.hosts = {QStringLiteral("nas")};
        Opened o(rules);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *editor = qobject_cast<CAdvancedEditorDlg *>(QApplication::activeModalWidget());
            if (!editor)
                return;
            seen = true;
            // Nothing to apply: no Apply button to reach.
            auto *apply = editor->findChild<QPushButton *>(QStringLiteral("control%1").arg(CDialogBase::IdApply));
            QVERIFY(!apply || !apply->isVisibleTo(editor));
            auto *edit =
                editor->findChild<QPlainTextEdit *>(QStringLiteral("control%1").arg(CAdvancedEditorDlg::IdEdit));
            QCOMPARE(editor->focusWidget(), edit);
            QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(edit, Qt::Key_Return); // one element per line
            QTest::keyClicks(edit, QStringLiteral("10.0.0.9"));
            QTest::keyClick(edit, Qt::Key_Tab);
            QCOMPARE(edit->toPlainText(), QStringLiteral("nas\n10.0.0.9"));
            QVERIFY(editor->focusWidget() != edit);
            QTest::keyClick(edit, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
            QVERIFY(!editor->isVisible());
            QCOMPARE(editor->result(), int(QDialog::Accepted));
        });
        o.C<QPushButton>(Dlg::IdHostsMore)->click();
        QVERIFY(seen);
        QCOMPARE(o.C<QPlainTextEdit>(Dlg::IdHostsEdit)->toPlainText(), QStringLiteral("nas\n10.0.0.9"));

        // Ctrl+Return as well.
        QTimer::singleShot(0, [&] {
            auto *editor = qobject_cast<CAdvancedEditorDlg *>(QApplication::activeModalWidget());
            if (!editor)
                return;
            auto *edit =
                editor->findChild<QPlainTextEdit *>(QStringLiteral("control%1").arg(CAdvancedEditorDlg::IdEdit));
            edit->setPlainText(QStringLiteral("router"));
            QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
        });
        o.C<QPushButton>(Dlg::IdExcHostsMore)->click();
        QCOMPARE(o.C<QLineEdit>(Dlg::IdExcHostsEdit)->text(), QStringLiteral("router"));
    }

    void announcedSwitchFollowsTheWorkgroupSwitches()
    {
        ScanRules rules;
        rules.searchNetAll = 0;
        rules.searchNetCurrent = 1;
        Opened o(rules);
        auto *announced = o.C<QCheckBox>(Dlg::IdAnnounced);
        QCOMPARE(announced->text(), QString::fromLatin1(AnnouncedRuleText));
        QVERIFY(announced->isChecked());
        QVERIFY(announced->isEnabled());
        // Without a workgroup switch it has nothing to add to, but keeps its tick.
        o.C<QCheckBox>(Dlg::IdCurrent)->click();
        o.C<QCheckBox>(Dlg::IdHostsByList)->click();
        QVERIFY(!announced->isEnabled());
        QVERIFY(announced->isChecked());
        o.C<QCheckBox>(Dlg::IdAllVisible)->click();
        QVERIFY(announced->isEnabled());
        announced->click();
        o.C<QPushButton>(Dlg::IdApply)->click();
        QCOMPARE(rules.searchAnnounced, 0);
        QCOMPARE(rules.searchNetAll, 1);
        Opened again(rules);
        QVERIFY(!again.C<QCheckBox>(Dlg::IdAnnounced)->isChecked());
        // A host list alone leaves the switch disabled when the dialog opens.
        rules.searchNetAll = 0;
        Opened hostsOnly(rules);
        QVERIFY(!hostsOnly.C<QCheckBox>(Dlg::IdAnnounced)->isEnabled());
    }

    void exclusionsRoundTripThroughTheRules()
    {
        ScanRules rules;
        {
            Opened o(rules);
            o.C<QLineEdit>(Dlg::IdExcHostsEdit)->setText(QStringLiteral("host1;host2 ; host3"));
            o.C<QPushButton>(Dlg::IdApply)->click();
            QCOMPARE(rules.excHosts, (QStringList{"host1", "host2", "host3"}));
            QCOMPARE(o.saves, 1);
            QVERIFY(!o.C<QPushButton>(Dlg::IdApply)->isEnabled());
        }
        Opened again(rules);
        QCOMPARE(again.C<QLineEdit>(Dlg::IdExcHostsEdit)->text(), QStringLiteral("host1; host2; host3"));
    }

    void listsKeepEmptyLinesAndUntickedListsKeepTheirText()
    {
        ScanRules rules;
        rules.searchNetByList = 1;
        rules.nets = {QStringLiteral("HOME")};
        Opened o(rules);
        o.C<QPlainTextEdit>(Dlg::IdNetsEdit)->setPlainText(QStringLiteral("HOME\n\nLAB\n"));
        o.C<QCheckBox>(Dlg::IdNetsByList)->click();
        QVERIFY(!o.C<QPlainTextEdit>(Dlg::IdNetsEdit)->isEnabled());
        o.C<QPushButton>(Dlg::IdOk)->click();
        QCOMPARE(o.dialog.result(), int(QDialog::Accepted));
        // Ok leaves storing to the caller, as the frame does it.
        QCOMPARE(rules.nets, QStringList{QStringLiteral("HOME")});
        QCOMPARE(o.saves, 0);
        o.dialog.Exchange(rules, true);
        QCOMPARE(rules.searchNetByList, 0);
        QCOMPARE(rules.nets, (QStringList{"HOME", "", "LAB", ""}));
    }

    void okWithoutChangesStoresAndSavesNothing()
    {
        ScanRules rules;
        rules.hosts = {QStringLiteral("nas")};
        Opened o(rules);
        o.C<QPushButton>(Dlg::IdOk)->click();
        QCOMPARE(o.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(o.saves, 0);
    }

    void aFailedSaveOnApplyIsReported()
    {
        ScanRules rules;
        Opened o(rules);
        o.saveResult = false;
        o.C<QLineEdit>(Dlg::IdExcNetsEdit)->setText(QStringLiteral("LAB"));
        QString shown;
        QTimer::singleShot(0, [&shown] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->close();
            }
        });
        o.C<QPushButton>(Dlg::IdApply)->click();
        QCOMPARE(rules.excNets, QStringList{QStringLiteral("LAB")});
        QVERIFY(shown.contains(QStringLiteral("could not be saved")));
    }

    // A range wider than a scan takes is named on Ok and on Apply, with
    // the number of addresses the scan leaves out.
    void aCutRangeIsNamedOnOkAndApply_data()
    {
        QTest::addColumn<bool>("apply");
        QTest::addColumn<QString>("hosts");
        QTest::addColumn<QString>("note");
        const QString wide = QStringLiteral("nas\n10.0.0.0-10.1.255.255\n192.168.1.1-192.168.1.20");
        const QString note = QStringLiteral(
            "Only the first 65536 addresses of \"10.0.0.0-10.1.255.255\" are scanned; 65536 addresses are left out.");
        QTest::newRow("apply, a /15") << true << wide << note;
        QTest::newRow("ok, a /15") << false << wide << note;
        QTest::newRow("apply, two wide ranges")
            << true << QStringLiteral("10.0.0.1-10.255.255.254\n172.16.0.0 - 172.16.255.255\n172.17.0.0-172.18.0.0")
            << QStringLiteral("Only the first 65536 addresses of \"10.0.0.1-10.255.255.254\" are scanned; 16711678 "
                              "addresses are left out.\nOnly the first 65536 addresses of \"172.17.0.0-172.18.0.0\" "
                              "are scanned; 1 addresses are left out.");
        QTest::newRow("ok, a /16 fits") << false << QStringLiteral("10.1.0.0-10.1.255.255") << QString();
    }
    void aCutRangeIsNamedOnOkAndApply()
    {
        QFETCH(bool, apply);
        QFETCH(QString, hosts);
        QFETCH(QString, note);
        ScanRules rules;
        Opened o(rules);
        o.C<QCheckBox>(Dlg::IdHostsByList)->click();
        o.C<QPlainTextEdit>(Dlg::IdHostsEdit)->setPlainText(hosts);
        QString shown;
        QString title;
        QTimer::singleShot(0, [&shown, &title] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->text();
                title = box->windowTitle();
                box->close();
            }
        });
        o.C<QPushButton>(apply ? Dlg::IdApply : Dlg::IdOk)->click();
        QCoreApplication::processEvents();
        QCOMPARE(shown, note);
        if (!note.isEmpty())
            QCOMPARE(title, AppTitle());
        // The range is kept as typed: the scan cuts it.
        if (apply)
            QVERIFY(rules.hosts.contains(hosts.split(u'\n').at(1)));
        else
            QCOMPARE(o.dialog.result(), int(QDialog::Accepted));
    }

    // An entry written like an address that is none is named and refused:
    // nothing is stored and the dialog stays open on its list.
    void anEntryThatIsNoAddressIsRefused_data()
    {
        QTest::addColumn<bool>("apply");
        QTest::addColumn<QString>("hosts");
        QTest::addColumn<QString>("refused");
        QTest::newRow("apply, a part above 255") << true << QStringLiteral("nas\n10.0.0.300") << "10.0.0.300";
        QTest::newRow("ok, a prefix above 32") << false << QStringLiteral("10.0.0.0/33\nnas") << "10.0.0.0/33";
        QTest::newRow("ok, a short range past 255") << false << QStringLiteral("10.0.0.1-300") << "10.0.0.1-300";
    }
    void anEntryThatIsNoAddressIsRefused()
    {
        QFETCH(bool, apply);
        QFETCH(QString, hosts);
        QFETCH(QString, refused);
        ScanRules rules;
        Opened o(rules);
        o.C<QCheckBox>(Dlg::IdHostsByList)->click();
        o.C<QPlainTextEdit>(Dlg::IdHostsEdit)->setPlainText(hosts);
        QString shown;
        QTimer::singleShot(0, [&shown] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->close();
            }
        });
        o.C<QPushButton>(apply ? Dlg::IdApply : Dlg::IdOk)->click();
        QCoreApplication::processEvents();
        QVERIFY2(shown.startsWith(u'"' + refused + QStringLiteral("\" is neither an address nor")), qPrintable(shown));
        QVERIFY(o.dialog.isVisible());
        QCOMPARE(rules.searchHostByList, 0);
        QVERIFY(rules.hosts.isEmpty());
        QCOMPARE(o.saves, 0);
        QVERIFY(o.C<QPushButton>(Dlg::IdApply)->isEnabled());
        // Mended, the list goes through.
        o.C<QPlainTextEdit>(Dlg::IdHostsEdit)->setPlainText(QStringLiteral("nas\n10.0.0.0/24\n10.0.0.1-20"));
        o.C<QPushButton>(Dlg::IdApply)->click();
        QCOMPARE(rules.hosts, (QStringList{"nas", "10.0.0.0/24", "10.0.0.1-20"}));
    }

    void blankHostLinesAreNotStored()
    {
        ScanRules rules;
        rules.searchHostByList = 1;
        Opened o(rules);
        o.C<QPlainTextEdit>(Dlg::IdHostsEdit)->setPlainText(QStringLiteral("nas\n\n  \n10.0.0.7\n"));
        o.C<QPushButton>(Dlg::IdApply)->click();
        QCOMPARE(rules.hosts, (QStringList{"nas", "10.0.0.7"}));
    }

    // Ticking a list switch from the keyboard keeps the focus on it, so Tab
    // walks into the list just enabled; a click puts the focus there. The
    // list's "..." is reached only while the list is on.
    void aListSwitchLeadsTabIntoItsList_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("edit");
        QTest::addColumn<int>("more");
        QTest::newRow("hosts") << int(Dlg::IdHostsByList) << int(Dlg::IdHostsEdit) << int(Dlg::IdHostsMore);
        QTest::newRow("workgroups") << int(Dlg::IdNetsByList) << int(Dlg::IdNetsEdit) << int(Dlg::IdNetsMore);
    }
    void aListSwitchLeadsTabIntoItsList()
    {
        QFETCH(int, box);
        QFETCH(int, edit);
        QFETCH(int, more);
        ScanRules rules;
        Opened o(rules);
        QApplication::setActiveWindow(&o.dialog);
        QVERIFY(QTest::qWaitForWindowActive(&o.dialog));
        auto *check = o.C<QCheckBox>(box);
        auto *list = o.C<QPlainTextEdit>(edit);
        QVERIFY(!o.C<QPushButton>(more)->isEnabled());
        check->setFocus();
        QTest::keyClick(check, Qt::Key_Space);
        QVERIFY(check->isChecked());
        QVERIFY(list->isEnabled());
        QVERIFY(o.C<QPushButton>(more)->isEnabled());
        QCOMPARE(QApplication::focusWidget(), check);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), list);
        QTest::keyClicks(list, QStringLiteral("nas"));
        QCOMPARE(list->toPlainText(), QStringLiteral("nas"));
        QTest::keyClick(list, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), o.C<QPushButton>(more));
        // Off again: Tab from the switch passes list and "..." by.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), check);
        QTest::keyClick(check, Qt::Key_Space);
        QVERIFY(!list->isEnabled());
        QTest::keyClick(check, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != list);
        QVERIFY(QApplication::focusWidget() != o.C<QPushButton>(more));
        // A click on the switch puts the focus into the list.
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
        QVERIFY(check->isChecked());
        QCOMPARE(QApplication::focusWidget(), list);
    }

    void advancedEditorShowsExclusionsOnePerLine()
    {
        ScanRules rules;
        rules.excHosts = {QStringLiteral("a"), QStringLiteral("b")};
        Opened o(rules);
        QString seen;
        o.dialog.runEditor = [&seen](QString &text) {
            seen = text;
            text = QStringLiteral("x\r\n y");
            return true;
        };
        o.C<QPushButton>(Dlg::IdExcHostsMore)->click();
        QCOMPARE(seen, QStringLiteral("a\r\nb"));
        QCOMPARE(o.C<QLineEdit>(Dlg::IdExcHostsEdit)->text(), QStringLiteral("x; y"));
        QVERIFY(o.C<QPushButton>(Dlg::IdApply)->isEnabled());
    }

    void exampleLinksOpenTheirHelpTopics()
    {
        ScanRules rules;
        Opened o(rules);
        QTest::mouseClick(o.C<CHyperLink>(Dlg::IdNetsExamples), Qt::LeftButton);
        QTest::mouseClick(o.C<CHyperLink>(Dlg::IdHostsExamples), Qt::LeftButton);
        QCOMPARE(o.topics, (QList<int>{20, 30}));
    }

    void sizeAndAnchors()
    {
        ScanRules rules;
        Opened o(rules);
        QVERIFY(QTest::qWaitForWindowExposed(&o.dialog));
        const QSize first = o.dialog.size();
        QCOMPARE(o.dialog.minimumSize(), first);
        QVERIFY(o.dialog.isSizeGripEnabled());
        auto *nets = o.C<QPlainTextEdit>(Dlg::IdNetsEdit);
        auto *hosts = o.C<QPlainTextEdit>(Dlg::IdHostsEdit);
        auto *filter = o.C<QLineEdit>(Dlg::IdExcHostsEdit);
        auto *ok = o.C<QPushButton>(Dlg::IdOk);
        const QRect nets0 = nets->geometry(), hosts0 = hosts->geometry(), filter0 = filter->geometry(),
                    ok0 = ok->geometry();
        o.dialog.resize(first + QSize(100, 200));
        QTRY_COMPARE(o.dialog.size(), first + QSize(100, 200));
        // The workgroup list grows in the upper half, the host list in the
        // lower; the filters only widen; the buttons move.
        QCOMPARE(nets->geometry().top(), nets0.top());
        QVERIFY(qAbs(nets->height() - nets0.height() - 100) <= 1);
        QCOMPARE(nets->width(), nets0.width() + 100);
        QVERIFY(qAbs(hosts->geometry().top() - hosts0.top() - 100) <= 1);
        QVERIFY(qAbs(hosts->height() - hosts0.height() - 100) <= 1);
        QCOMPARE(filter->height(), filter0.height());
        QCOMPARE(filter->width(), filter0.width() + 100);
        QCOMPARE(filter->geometry().top(), filter0.top() + 200);
        QCOMPARE(ok->geometry(), ok0.translated(100, 200));
        // Never smaller than at first.
        o.dialog.resize(first - QSize(50, 50));
        QTRY_COMPARE(o.dialog.size(), first);
    }
};

QTEST_MAIN(TestScanOptions)
#include "tst_scanoptions.moc"
