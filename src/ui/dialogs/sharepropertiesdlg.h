// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogbase.h"

class QLineEdit;

// A read-only card for one share: its name, host and workgroup.
class CSharePropertiesDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30982;

    // Filled by the caller before the dialog runs.
    QString shareName;
    QString hostName;
    QString workgroup;

    explicit CSharePropertiesDlg(QWidget *parent = nullptr);

    int exec() override;
    // Copies the members into the fields and translates the captions.
    void InitDialog();

private:
    QLineEdit *m_shareEdit = nullptr;
    QLineEdit *m_hostEdit = nullptr;
    QLineEdit *m_workgroupEdit = nullptr;
};
