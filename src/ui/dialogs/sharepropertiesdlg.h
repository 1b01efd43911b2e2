// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/toolkit/dialogbase.h"

class QLineEdit;

// A read-only card for one share: its name, host, workgroup and address.
class CSharePropertiesDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30982;

    // Filled by the caller before the dialog runs.
    QString shareName;
    QString hostName;
    QString workgroup;
    // Where the share is: \\host\share, and the same as an smb:// URL.
    QString address;
    QString url;

    explicit CSharePropertiesDlg(QWidget *parent = nullptr);

    // Copies the members into the fields and translates the captions.
    void InitDialog() override;

private:
    QLineEdit *m_shareEdit = nullptr;
    QLineEdit *m_hostEdit = nullptr;
    QLineEdit *m_workgroupEdit = nullptr;
    QLineEdit *m_addressEdit = nullptr;
    QLineEdit *m_urlEdit = nullptr;
};
