// SPDX-License-Identifier: GPL-3.0-or-later
#include "schemenamedlg.h"

#include "settings/settings.h"

#include <QLabel>
#include <QLineEdit>

CSchemeNameDlg::CSchemeNameDlg(const CSettings &settings, bool rename, QWidget *parent)
    : CDialogBase(TemplateId, QStringLiteral("Schemes Editor - Duplicate/Rename Scheme"),
                  QStringLiteral("Schemes Editor - Duplicate Scheme"), parent),
      m_settings(settings)
{
    if (rename)
        SetTitleKey(RenameTitleKey, QStringLiteral("Schemes Editor - Rename Scheme"));
    SetTemplate({243, 90}, false);
    PlaceGroup(IdGroup, QStringLiteral(" Scheme "), {7, 4, 229, 56});
    Place(IdNameLabel, new QLabel(QStringLiteral("Name:"), this), {14, 28, 30, 8});
    auto *edit = Place(IdName, new QLineEdit(this), {46, 26, 182, 12});
    edit->setMaxLength(64);
    PlaceButtons({132, 69, 50, 14}, {186, 69, 50, 14});
    connect(edit, &QLineEdit::textChanged, this, &CSchemeNameDlg::CheckName);
}

void CSchemeNameDlg::InitDialog()
{
    ControlAs<QLineEdit>(IdName)->setText(name);
    TranslateCaptions({IdGroup, IdNameLabel, IdOk, IdCancel});
    SetBoldFont({IdGroup});
    BindLabels({{IdNameLabel, IdName}});
    CheckName();
}

void CSchemeNameDlg::CheckName()
{
    Control(IdOk)->setEnabled(!m_settings.SchemeExists(ControlAs<QLineEdit>(IdName)->text()));
}

void CSchemeNameDlg::OnOk()
{
    name = ControlAs<QLineEdit>(IdName)->text();
    accept();
}
