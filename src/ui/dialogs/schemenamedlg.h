// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/toolkit/dialogbase.h"

class CSettings;

// The name of a duplicated or renamed scheme: Ok only for a name that no
// scheme bears exactly.
class CSchemeNameDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30984;
    enum ControlId { IdGroup = 1140, IdNameLabel = 1178, IdName = 1003 };
    // The title's key when a scheme is renamed, not duplicated.
    enum TextKey { RenameTitleKey = 31084 };
    CSchemeNameDlg(const CSettings &settings, bool rename, QWidget *parent = nullptr);
    QString name;
    void InitDialog() override;

protected:
    void OnOk() override;

private:
    void CheckName();
    const CSettings &m_settings;
};
