// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/credentials.h"
#include "ui/toolkit/dialogbase.h"

class QCheckBox;
class QLineEdit;

// Asks for the login of a host that refused to list its shares. The password
// stays in its edit (never shown) and in `login`; the caller decides where
// the login goes.
class CLoginDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30986;
    enum ControlId {
        IdPrompt = 1170,
        IdUserLabel = 1171,
        IdUserEdit = 1172,
        IdPasswordLabel = 1173,
        IdPasswordEdit = 1174,
        IdDomainLabel = 1175,
        IdDomainEdit = 1176,
        IdRemember = 1177,
    };

    explicit CLoginDlg(QWidget *parent = nullptr);

    // In: the host asked for and a login to start from (its password is not
    // shown back). Out, after Ok: what was typed.
    QString host;
    Login login;
    bool remember = false;

    void InitDialog() override;

protected:
    void OnOk() override;

private:
    void UpdateOk();
};
