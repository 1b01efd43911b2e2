// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/toolkit/dialogbase.h"

// One row of the group list as the sub-dialog edits it.
struct GroupRow
{
    QString name;
    QString include;
    QString exclude;
    bool shown = true;
};

// Add or edit one group of a scheme.
class CGroupEditDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30981;
    enum ControlId {
        IdGroup = 1140,
        IdNameLabel = 1178,
        IdIncludeLabel = 1176,
        IdExcludeLabel = 1177,
        IdName = 1003,
        IdInclude = 1126,
        IdExclude = 1127,
        IdShown = 1056
    };
    // The title's key when a group is edited, not added.
    enum TextKey { EditTitleKey = 31081 };
    CGroupEditDlg(bool add, QWidget *parent = nullptr);
    GroupRow row;
    void InitDialog() override;
    bool IsChanged() const { return m_changed; }

protected:
    void OnOk() override;

private:
    bool m_changed = false;
    bool m_initialised = false;
};
