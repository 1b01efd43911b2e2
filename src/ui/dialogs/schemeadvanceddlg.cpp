// SPDX-License-Identifier: GPL-3.0-or-later
#include "schemeadvanceddlg.h"

#include <QCheckBox>

CSchemeAdvancedDlg::CSchemeAdvancedDlg(QWidget *parent)
    : CDialogBase(TemplateId, QStringLiteral("Schemes Editor - Advanced"), QStringLiteral("Schemes Editor - Advanced"),
                  parent)
{
    SetTemplate({243, 146}, false);
    PlaceGroup(IdGroup, QStringLiteral(" Hidden shares "), {7, 4, 229, 112});
    Place(IdShowHidden, new QCheckBox(QStringLiteral("Show hidden shares in list"), this), {16, 24, 210, 10});
    Place(IdHideDisk, new QCheckBox(QStringLiteral("Do not show disk shares ( C$, D$, etc )"), this),
          {16, 42, 210, 10});
    PlaceButtons({132, 125, 50, 14}, {186, 125, 50, 14});
}

void CSchemeAdvancedDlg::InitDialog()
{
    ControlAs<QCheckBox>(IdShowHidden)->setChecked(showHidden);
    ControlAs<QCheckBox>(IdHideDisk)->setChecked(hideDisk);
    TranslateCaptions({IdGroup, IdShowHidden, IdHideDisk, IdOk, IdCancel});
    SetBoldFont({IdGroup});
}

void CSchemeAdvancedDlg::OnOk()
{
    showHidden = ControlAs<QCheckBox>(IdShowHidden)->isChecked() ? 1 : 0;
    hideDisk = ControlAs<QCheckBox>(IdHideDisk)->isChecked() ? 1 : 0;
    accept();
}
