// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog that asks for the login of a host that refused its listing.
#include "ui/dialogs/logindlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestLoginDlg : public QObject
{
    Q_OBJECT
    template <class T> static T *C(CLoginDlg &dialog, int id)
    {
        return dialog.findChild<T *>(QStringLiteral("control%1").arg(id));
    }

private slots:
    void typedLoginComesBackAndThePasswordIsNeverShown()
    {
        CLoginDlg dialog;
        dialog.host = QStringLiteral("LOCKED");
        dialog.login.user = QStringLiteral("alice");
        dialog.login.password = QStringLiteral("old-secret");
        dialog.InitDialog();
        dialog.show();
        QVERIFY(C<QLabel>(dialog, CLoginDlg::IdPrompt)->text().contains(QStringLiteral("LOCKED")));
        QCOMPARE(C<QLineEdit>(dialog, CLoginDlg::IdUserEdit)->text(), QStringLiteral("alice"));
        auto *password = C<QLineEdit>(dialog, CLoginDlg::IdPasswordEdit);
        // A stored password is not handed back to the screen.
        QVERIFY(password->text().isEmpty());
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QTest::keyClicks(password, QStringLiteral("s3cret"));
        QVERIFY(password->displayText() != QStringLiteral("s3cret"));
        C<QLineEdit>(dialog, CLoginDlg::IdDomainEdit)->setText(QStringLiteral(" LAB "));
        C<QCheckBox>(dialog, CLoginDlg::IdRemember)->setChecked(true);
        C<QPushButton>(dialog, CLoginDlg::IdOk)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.login.user, QStringLiteral("alice"));
        QCOMPARE(dialog.login.password, QStringLiteral("s3cret"));
        QCOMPARE(dialog.login.domain, QStringLiteral("LAB"));
        QVERIFY(dialog.remember);
        QVERIFY(password->text().isEmpty());
    }

    void okWantsAUserAndCancelKeepsTheOldLogin()
    {
        CLoginDlg dialog;
        dialog.host = QStringLiteral("LOCKED");
        dialog.InitDialog();
        dialog.show();
        auto *ok = C<QPushButton>(dialog, CLoginDlg::IdOk);
        QVERIFY(!ok->isEnabled());
        C<QLineEdit>(dialog, CLoginDlg::IdUserEdit)->setText(QStringLiteral("   "));
        QVERIFY(!ok->isEnabled());
        C<QLineEdit>(dialog, CLoginDlg::IdUserEdit)->setText(QStringLiteral("bob"));
        QVERIFY(ok->isEnabled());
        C<QLineEdit>(dialog, CLoginDlg::IdPasswordEdit)->setText(QStringLiteral("pw"));
        C<QPushButton>(dialog, CLoginDlg::IdCancel)->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.login.IsEmpty());
        QVERIFY(dialog.login.password.isEmpty());
        QVERIFY(!dialog.remember);
    }
};

QTEST_MAIN(TestLoginDlg)
#include "tst_logindlg.moc"
