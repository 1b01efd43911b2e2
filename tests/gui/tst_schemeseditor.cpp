// SPDX-License-Identifier: GPL-3.0-or-later
// The Schemes Editor and its name dialog.
#include "guisupport.h"

#include "ui/dialogs/groupeditdlg.h"
#include "ui/dialogs/schemenamedlg.h"
#include "ui/dialogs/schemeseditordlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

using Dlg = CSchemesEditorDlg;

struct Editor
{
    explicit Editor(int mainSelected = 0)
    {
        for (int i = 0; i < test.settings.GetSchemeCount(); ++i)
            mainBox.addItem(test.settings.GetScheme(i)->name);
        mainBox.setCurrentIndex(mainSelected);
        record.mainSelected = mainSelected;
        record.settings = &test.settings;
        dialog = std::make_unique<Dlg>(record, &mainBox);
        dialog->ask = [this](const QString &text) {
            questions.append(text);
            return answer;
        };
        dialog->refuse = [this](const QString &text) { refusals.append(text); };
        QObject::connect(dialog.get(), &Dlg::reapplyScheme, [this] { ++reapplied; });
        dialog->InitDialog();
        dialog->show();
    }
    template <class T> T *C(int id) { return dialog->findChild<T *>(QStringLiteral("control%1").arg(id)); }
    QTreeWidget *List() { return dialog->List(); }
    QCheckBox *All() { return C<QCheckBox>(Dlg::IdSelectAll); }
    bool Modified() { return C<QPushButton>(Dlg::IdApply)->isEnabled(); }

    gui::TestSettings test;
    QComboBox mainBox;
    SchemeEditRecord record;
    std::unique_ptr<Dlg> dialog;
    Dlg::Answer answer = Dlg::Yes;
    QStringList questions;
    QStringList refusals;
    int reapplied = 0;
};

} // namespace

class TestSchemesEditor : public QObject
{
    Q_OBJECT
private slots:
    void duplicateNamesCountUpFromTwo()
    {
        gui::TestSettings test;
        test.settings.AddScheme(QStringLiteral("Music"));
        QCOMPARE(Dlg::ProposeCopyName(test.settings, QStringLiteral("Music")), QStringLiteral("Music (2)"));
        test.settings.AddScheme(QStringLiteral("Music (2)"));
        QCOMPARE(Dlg::ProposeCopyName(test.settings, QStringLiteral("Music")), QStringLiteral("Music (3)"));
    }

    void nameDialogRefusesNamesInUseButNotACaseChange()
    {
        gui::TestSettings test;
        CSchemeNameDlg dialog(test.settings, true);
        dialog.name = QStringLiteral("Media");
        dialog.InitDialog();
        auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("control1"));
        QVERIFY(!ok->isEnabled());
        auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("control1003"));
        edit->setText(QStringLiteral("media"));
        QVERIFY(ok->isEnabled());
        edit->setText(QStringLiteral("Hosts"));
        QVERIFY(!ok->isEnabled());
        QCOMPARE(edit->maxLength(), 64);
    }

    void duplicateCopiesTheStoredSchemeAndRenameFollowsTheMainBox()
    {
        Editor e;
        QString proposed;
        e.dialog->runNameDialog = [&proposed](QString &name, bool) {
            proposed = name;
            return true;
        };
        e.C<QCheckBox>(Dlg::IdGroupByHost)->click(); // pending, not stored
        e.dialog->OnDuplicate();
        QCOMPARE(proposed, QStringLiteral("Media (2)"));
        QCOMPARE(e.test.settings.GetSchemeCount(), 3);
        QCOMPARE(e.test.settings.GetScheme(2)->name, QStringLiteral("Media (2)"));
        QCOMPARE(e.test.settings.GetScheme(2)->groupByHost, 0);
        QCOMPARE(e.dialog->EditedIndex(), 2);
        QVERIFY(e.dialog->SchemeListChanged());

        // Renaming the main window's scheme renames its entry there.
        Editor r;
        bool renameMode = false;
        r.dialog->runNameDialog = [&renameMode](QString &name, bool rename) {
            renameMode = rename;
            name = QStringLiteral("Media renamed");
            return true;
        };
        r.dialog->OnRename();
        QVERIFY(renameMode);
        QCOMPARE(r.test.settings.GetScheme(0)->name, QStringLiteral("Media renamed"));
        QCOMPARE(r.mainBox.itemText(0), QStringLiteral("Media renamed"));
        QVERIFY(!r.dialog->SchemeListChanged());
    }

    void cancelOnTheApplyQuestionKeepsThePendingChanges()
    {
        Editor e;
        e.C<QCheckBox>(Dlg::IdGroupByHost)->click();
        QVERIFY(e.Modified());
        e.answer = Dlg::Cancel;
        e.C<QComboBox>(Dlg::IdSchemeCombo)->setCurrentIndex(1);
        QCOMPARE(e.questions.size(), 1);
        QCOMPARE(e.C<QComboBox>(Dlg::IdSchemeCombo)->currentIndex(), 0);
        QCOMPARE(e.dialog->EditedIndex(), 0);
        QVERIFY(e.Modified());
        QVERIFY(e.C<QCheckBox>(Dlg::IdGroupByHost)->isChecked());
        QCOMPARE(e.test.settings.GetScheme(0)->groupByHost, 0);

        // Yes stores them and shows the other scheme.
        e.answer = Dlg::Yes;
        e.C<QComboBox>(Dlg::IdSchemeCombo)->setCurrentIndex(1);
        QCOMPARE(e.test.settings.GetScheme(0)->groupByHost, 1);
        QCOMPARE(e.dialog->EditedIndex(), 1);
        QVERIFY(!e.Modified());
        QCOMPARE(e.reapplied, 1);
    }

    void removingSchemes()
    {
        Editor e;
        e.test.settings.AddScheme(QStringLiteral("Third"));
        e.dialog->InitDialog();
        // The main window's scheme is not removed.
        e.dialog->OnRemoveScheme();
        QCOMPARE(e.refusals.size(), 1);
        QCOMPARE(e.test.settings.GetSchemeCount(), 3);

        e.dialog = nullptr;
        Editor last;
        last.test.settings.AddScheme(QStringLiteral("Third"));
        last.C<QComboBox>(Dlg::IdSchemeCombo)->addItem(QStringLiteral("Third"), 2);
        last.C<QComboBox>(Dlg::IdSchemeCombo)->setCurrentIndex(2);
        QCOMPARE(last.dialog->EditedIndex(), 2);
        last.dialog->OnRemoveScheme();
        QCOMPARE(last.questions.last(), QStringLiteral("Do you want to remove scheme 'Third' ?"));
        QCOMPARE(last.test.settings.GetSchemeCount(), 2);
        QCOMPARE(last.dialog->EditedIndex(), 1);
        QCOMPARE(last.C<QComboBox>(Dlg::IdSchemeCombo)->currentText(), QStringLiteral("Hosts"));
        QCOMPARE(last.List()->topLevelItemCount(), 3);
        QVERIFY(last.dialog->SchemeListChanged());
    }

    void theSelectAllBoxFollowsTheRows()
    {
        Editor e;
        QCOMPARE(e.All()->checkState(), Qt::Checked);
        e.List()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        QCOMPARE(e.All()->checkState(), Qt::PartiallyChecked);
        QVERIFY(e.Modified());
        e.All()->click();
        QCOMPARE(e.All()->checkState(), Qt::Unchecked);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(e.List()->topLevelItem(i)->checkState(0), Qt::Unchecked);
        e.All()->click();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(e.List()->topLevelItem(i)->checkState(0), Qt::Checked);
    }

    void upAndDownAreOfferedOnlyWhereARowCanMove()
    {
        Editor e;
        auto *up = e.C<QPushButton>(Dlg::IdUp);
        auto *down = e.C<QPushButton>(Dlg::IdDown);
        QVERIFY(!up->isEnabled());
        QVERIFY(down->isEnabled());
        down->click();
        QCOMPARE(e.List()->topLevelItem(1)->text(0), QStringLiteral("Music"));
        QCOMPARE(e.List()->currentItem(), e.List()->topLevelItem(1));
        down->click();
        QVERIFY(!down->isEnabled());
        QVERIFY(up->isEnabled());
        e.C<QPushButton>(Dlg::IdApply)->click();
        QCOMPARE(e.test.settings.GetScheme(0)->groups[2].name, QStringLiteral("Music"));
        QCOMPARE(e.reapplied, 1);
    }

    void fewerRowsDropGroupsFromTheEnd()
    {
        Editor e;
        e.List()->setCurrentItem(e.List()->topLevelItem(0));
        e.dialog->OnRemoveGroup();
        QCOMPARE(e.questions.last(), QStringLiteral("Do you want to remove group 'Music' ?"));
        e.C<QPushButton>(Dlg::IdApply)->click();
        const ShareScheme *scheme = e.test.settings.GetScheme(0);
        QCOMPARE(scheme->groups.size(), 2);
        QCOMPARE(scheme->groups[0].name, QStringLiteral("Films"));
        QCOMPARE(scheme->groups[1].name, QStringLiteral("Other"));
        QCOMPARE(scheme->groups[1].includeKeywords, QStringList{QStringLiteral("*")});
    }

    void addedGroupsAreSplitOnSemicolons()
    {
        Editor e;
        GroupRow offered;
        bool addMode = false;
        e.dialog->runGroupDialog = [&](GroupRow &row, bool add) {
            offered = row;
            addMode = add;
            row = {QStringLiteral("Books"), QStringLiteral("book ;ebook"), QString(), false};
            return true;
        };
        e.dialog->OnAddGroup();
        QVERIFY(addMode);
        QCOMPARE(offered.name, QStringLiteral("Enter name here"));
        QVERIFY(offered.shown);
        e.C<QPushButton>(Dlg::IdOk)->click();
        QCOMPARE(e.dialog->result(), int(QDialog::Accepted));
        const ShareGroup &group = e.test.settings.GetScheme(0)->groups.last();
        QCOMPARE(group.includeKeywords, (QStringList{"book", "ebook"}));
        QCOMPARE(group.visible, 0);
    }

    void okWithNothingChangedTouchesNothing()
    {
        Editor e;
        const QString before = e.test.settings.GetScheme(0)->groups[0].name;
        e.C<QPushButton>(Dlg::IdOk)->click();
        QCOMPARE(e.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(e.reapplied, 0);
        QCOMPARE(e.test.settings.GetScheme(0)->groups.size(), 3);
        QCOMPARE(e.test.settings.GetScheme(0)->groups[0].name, before);
    }

    void advancedWritesAtOnceOnlyWhenSomethingChanged()
    {
        Editor e;
        e.dialog->runAdvancedDialog = [](int &, int &) { return true; };
        e.dialog->OnAdvanced();
        QVERIFY(!e.Modified());
        e.dialog->runAdvancedDialog = [](int &showHidden, int &) {
            showHidden = 1;
            return true;
        };
        e.dialog->OnAdvanced();
        QCOMPARE(e.test.settings.GetScheme(0)->showHiddenShares, 1);
        QVERIFY(e.Modified());
    }
    void typingReplacesTheProposedGroupName()
    {
        Editor e;
        const int rows = e.List()->topLevelItemCount();
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *add = qobject_cast<CGroupEditDlg *>(QApplication::activeModalWidget());
            if (!add)
                return;
            seen = true;
            auto *name = add->findChild<QLineEdit *>(QStringLiteral("control%1").arg(CGroupEditDlg::IdName));
            QCOMPARE(add->focusWidget(), name);
            QTest::keyClicks(name, QStringLiteral("Books"));
            add->findChild<QPushButton *>(QStringLiteral("control1"))->click();
        });
        e.C<QPushButton>(Dlg::IdAdd)->click();
        QVERIFY(seen);
        QCOMPARE(e.List()->topLevelItemCount(), rows + 1);
        QCOMPARE(e.List()->topLevelItem(rows)->text(0), QStringLiteral("Books"));
    }

    // Enlarged, the editor gives the Include and Exclude columns each a
    // share of the new room, and Advanced... stays at the left edge with
    // the arrows, where it was; the buttons on the right stay on the right.
    void enlargingSharesTheRoomAndKeepsAdvancedLeft_data()
    {
        QTest::addColumn<QSize>("growth");
        QTest::newRow("wider") << QSize(300, 0);
        QTest::newRow("wider and taller") << QSize(450, 200);
    }
    void enlargingSharesTheRoomAndKeepsAdvancedLeft()
    {
        QFETCH(QSize, growth);
        Editor e;
        QVERIFY(QTest::qWaitForWindowExposed(e.dialog.get()));
        QTreeWidget *list = e.List();
        auto *advanced = e.C<QPushButton>(Dlg::IdAdvanced);
        auto *ok = e.C<QPushButton>(Dlg::IdOk);
        const int include = list->columnWidth(1);
        const int exclude = list->columnWidth(2);
        const int advancedLeft = advanced->x();
        const int listWidth = list->width();
        const int okRight = e.dialog->width() - ok->geometry().right();
        QCOMPARE(include, 142);

        e.dialog->resize(e.dialog->size() + growth);
        QTRY_COMPARE(list->width(), listWidth + growth.width());
        QTRY_VERIFY(list->columnWidth(1) > include + growth.width() / 3);
        QVERIFY2(list->columnWidth(2) > exclude + growth.width() / 10,
                 qPrintable(QString::number(list->columnWidth(2))));
        QCOMPARE(advanced->x(), advancedLeft);
        QCOMPARE(e.dialog->width() - ok->geometry().right(), okRight);
        // The columns still fill the list without running past it.
        const int columns = list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2);
        QVERIFY(columns <= list->viewport()->width() + 1);
    }
};

QTEST_MAIN(TestSchemesEditor)
#include "tst_schemeseditor.moc"
