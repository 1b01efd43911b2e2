// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/toolkit/dialogbase.h"

// The two hidden-share options of a scheme.
class CSchemeAdvancedDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30978;
    enum ControlId { IdGroup = 1140, IdShowHidden = 1058, IdHideDisk = 1057 };
    explicit CSchemeAdvancedDlg(QWidget *parent = nullptr);
    int showHidden = 0;
    int hideDisk = 1;
    void InitDialog() override;

protected:
    void OnOk() override;
};
