// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/toolkit/dialogbase.h"

// The program's name, version and revision, the maker's notice and links.
class CAboutDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30975;
    enum ControlId { IdGroup = 1140, IdIcon = 1179, IdProduct = 1003, IdVersion = 1163, IdLegal1 = 1169,
                     IdLegal2 = 1170, IdHomePage = 1166, IdSupport = 1167 };

    // The version line is IdVersion's text; the revision's word has a key
    // of its own.
    enum TextKey { RevisionKey = 1164 };

    explicit CAboutDlg(QWidget *parent = nullptr);
    void InitDialog() override;

protected:
    void OnOk() override { accept(); }

private:
    bool m_initialised = false;
};
