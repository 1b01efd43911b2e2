// SPDX-License-Identifier: GPL-3.0-or-later
#include "logindlg.h"


#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CLoginDlg::CLoginDlg(QWidget *parent)
    : CDialogBase(TemplateId, QStringLiteral("Login"), QStringLiteral("Login"), parent)
{
    SetTemplate({200, 112}, false);
    Place(IdPrompt, new QLabel(QStringLiteral("%1 lists its shares only after a login."), this), {7, 7, 186, 16});
    Place(IdUserLabel, new QLabel(QStringLiteral("&User name:"), this), {7, 28, 50, 8});
    Place(IdUserEdit, new QLineEdit(this), {60, 26, 133, 12});
    Place(IdPasswordLabel, new QLabel(QStringLiteral("&Password:"), this), {7, 44, 50, 8});
    Place(IdPasswordEdit, new QLineEdit(this), {60, 42, 133, 12});
    Place(IdDomainLabel, new QLabel(QStringLiteral("&Domain:"), this), {7, 60, 50, 8});
    Place(IdDomainEdit, new QLineEdit(this), {60, 58, 133, 12});
    Place(IdRemember, new QCheckBox(QStringLiteral("&Remember this login"), this), {60, 75, 133, 10});
    PlaceButtons({89, 93, 50, 14}, {143, 93, 50, 14});

    auto *password = ControlAs<QLineEdit>(IdPasswordEdit);
    password->setEchoMode(QLineEdit::Password);
    // Nothing of the password may leave the edit except through `login`.
    password->setContextMenuPolicy(Qt::NoContextMenu);
    password->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    ControlAs<QLabel>(IdPrompt)->setWordWrap(true);
    ControlAs<QLabel>(IdPrompt)->setTextFormat(Qt::PlainText);
    ControlAs<QLabel>(IdUserLabel)->setBuddy(Control(IdUserEdit));
    ControlAs<QLabel>(IdPasswordLabel)->setBuddy(password);
    ControlAs<QLabel>(IdDomainLabel)->setBuddy(Control(IdDomainEdit));
    connect(ControlAs<QLineEdit>(IdUserEdit), &QLineEdit::textChanged, this, [this] { UpdateOk(); });
}

void CLoginDlg::InitDialog()
{
    TranslateCaptions({IdPrompt, IdUserLabel, IdPasswordLabel, IdDomainLabel, IdRemember, IdOk, IdCancel});
    auto *prompt = ControlAs<QLabel>(IdPrompt);
    prompt->setText(prompt->text().arg(host));
    ControlAs<QLineEdit>(IdUserEdit)->setText(login.user);
    ControlAs<QLineEdit>(IdDomainEdit)->setText(login.domain);
    ControlAs<QLineEdit>(IdPasswordEdit)->clear();
    ControlAs<QCheckBox>(IdRemember)->setChecked(remember);
    (login.user.isEmpty() ? Control(IdUserEdit) : Control(IdPasswordEdit))->setFocus();
    UpdateOk();
}

void CLoginDlg::UpdateOk()
{
    Control(IdOk)->setEnabled(!ControlAs<QLineEdit>(IdUserEdit)->text().trimmed().isEmpty());
}

void CLoginDlg::OnOk()
{
    login = Login{};
    login.user = ControlAs<QLineEdit>(IdUserEdit)->text().trimmed();
    login.domain = ControlAs<QLineEdit>(IdDomainEdit)->text().trimmed();
    login.password = ControlAs<QLineEdit>(IdPasswordEdit)->text();
    remember = ControlAs<QCheckBox>(IdRemember)->isChecked();
    // The typed password is not kept in the widget after the dialog closed.
    ControlAs<QLineEdit>(IdPasswordEdit)->clear();
    accept();
}
