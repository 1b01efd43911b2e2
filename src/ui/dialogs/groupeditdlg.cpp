// SPDX-License-Identifier: GPL-3.0-or-later
#include "groupeditdlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

CGroupEditDlg::CGroupEditDlg(bool add, QWidget *parent)
    : CDialogBase(TemplateId, QStringLiteral("Schemes Editor - Add/Edit Scheme"),
                  QStringLiteral("Schemes Editor - Add Scheme"), parent)
{
    if (!add)
        SetTitleKey(EditTitleKey, QStringLiteral("Schemes Editor - Edit Scheme"));
    SetTemplate({243, 146}, false);
    PlaceGroup(IdGroup, QStringLiteral(" Scheme details "), {7, 4, 229, 112});
    Place(IdNameLabel, new QLabel(QStringLiteral("Name:"), this), {14, 20, 48, 8});
    Place(IdName, new QLineEdit(this), {64, 18, 164, 12});
    Place(IdIncludeLabel, new QLabel(QStringLiteral("Include:"), this), {14, 40, 48, 8});
    Place(IdInclude, new QLineEdit(this), {64, 38, 164, 12});
    Place(IdExcludeLabel, new QLabel(QStringLiteral("Exclude:"), this), {14, 60, 48, 8});
    Place(IdExclude, new QLineEdit(this), {64, 58, 164, 12});
    Place(IdShown, new QCheckBox(QStringLiteral("Show group in List"), this), {64, 80, 164, 10});
    PlaceButtons({132, 125, 50, 14}, {186, 125, 50, 14});
    for (int id : {IdName, IdInclude, IdExclude})
        connect(ControlAs<QLineEdit>(id), &QLineEdit::textChanged, this, [this] {
            if (m_initialised)
                m_changed = true;
        });
    connect(ControlAs<QCheckBox>(IdShown), &QCheckBox::clicked, this, [this] { m_changed = true; });
}

void CGroupEditDlg::InitDialog()
{
    ControlAs<QLineEdit>(IdName)->setText(row.name);
    ControlAs<QLineEdit>(IdInclude)->setText(row.include);
    ControlAs<QLineEdit>(IdExclude)->setText(row.exclude);
    ControlAs<QCheckBox>(IdShown)->setChecked(row.shown);
    TranslateCaptions({IdGroup, IdNameLabel, IdIncludeLabel, IdExcludeLabel, IdShown, IdOk, IdCancel});
    SetBoldFont({IdGroup});
    BindLabels({{IdNameLabel, IdName}, {IdIncludeLabel, IdInclude}, {IdExcludeLabel, IdExclude}});
    // Typing replaces the proposed name.
    auto *name = ControlAs<QLineEdit>(IdName);
    name->setFocus();
    name->selectAll();
    m_initialised = true;
}

void CGroupEditDlg::OnOk()
{
    if (!m_changed) {
        reject();
        return;
    }
    row = {ControlAs<QLineEdit>(IdName)->text(), ControlAs<QLineEdit>(IdInclude)->text(),
           ControlAs<QLineEdit>(IdExclude)->text(), ControlAs<QCheckBox>(IdShown)->isChecked()};
    accept();
}
