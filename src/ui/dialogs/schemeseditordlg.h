// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "groupeditdlg.h"

#include "ui/toolkit/dialogbase.h"

#include <QIcon>

#include <functional>

class CIconLibrary;
class CSettings;
class QCheckBox;
class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;
struct ShareScheme;

// What the editor works on: the settings' schemes, changed in place, and
// which of them the main window shows.
struct SchemeEditRecord
{
    int mainSelected = 0;
    int edited = 0;
    CSettings *settings = nullptr;
};

// The schemes: their groups, grouping and order options, and the schemes
// themselves (duplicate, rename, remove).
class CSchemesEditorDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30977;
    enum ControlId {
        IdSchemeLabel = 1089,
        IdSchemeCombo = 1096,
        IdDuplicate = 1121,
        IdRename = 1031,
        IdRemoveScheme = 1032,
        IdPicture = 1143,
        IdLine = 1097,
        IdDetails = 1140,
        IdSelectAll = 1057,
        IdList = 1039,
        IdDown = 1142,
        IdUp = 1139,
        IdAdd = 1043,
        IdEdit = 1136,
        IdRemove = 1137,
        IdGroupByHost = 1056,
        IdOnlineFirst = 1156,
        IdAdvanced = 1138,
    };
    // Keys of the editor's other texts in its language section.
    enum TextKey {
        DuplicateTipKey = 50,
        RenameTipKey = 51,
        RemoveSchemeTipKey = 52,
        NameHeaderKey = 80,
        IncludeHeaderKey = 81,
        ExcludeHeaderKey = 82,
        ApplyChangesKey = 90,
        MainSchemeKeptKey = 91,
        RemoveSchemeKey = 92,
        NewGroupNameKey = 95,
        RemoveGroupKey = 97,
    };
    enum Answer { Yes, No, Cancel };

    // `mainBox`: the main window's scheme box, whose selected entry follows
    // a rename of the scheme it shows.
    // `library`: the icon library in use (icons 14 to 17), or none for the
    // built-in pictures.
    CSchemesEditorDlg(SchemeEditRecord &record, QComboBox *mainBox, QWidget *parent = nullptr,
                      const CIconLibrary *library = nullptr);

    bool SchemeListChanged() const { return m_listChanged; }
    int EditedIndex() const { return m_record.edited; }
    QTreeWidget *List() const;

    // The "%s (%d)" name no scheme bears yet.
    static QString ProposeCopyName(const CSettings &settings, const QString &base);
    // Stores the rows and options into `scheme` (rows beyond the scheme's
    // groups are appended, surplus groups dropped from the end).
    void StoreScheme(ShareScheme &scheme) const;
    void LoadScheme(const ShareScheme &scheme);

    // Replaceable for tests: questions (text given) and sub-dialogs.
    std::function<Answer(const QString &text)> ask;
    std::function<void(const QString &text)> refuse;
    std::function<bool(QString &name, bool rename)> runNameDialog;
    std::function<bool(GroupRow &row, bool add)> runGroupDialog;
    std::function<bool(int &showHidden, int &hideDisk)> runAdvancedDialog;

    void InitDialog() override;

    void OnSelectScheme(int index);
    void OnDuplicate();
    void OnRename();
    void OnRemoveScheme();
    void OnAddGroup();
    void OnEditGroup();
    void OnRemoveGroup();
    void OnMove(int delta);
    void OnSelectAll();
    void OnAdvanced();

signals:
    // The scheme shown in the main window was changed by Apply or by the
    // Advanced sub-dialog.
    void reapplyScheme();

protected:
    void OnApply() override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString Text(TextKey key, const QString &text) const;
    ShareScheme *Edited() const;
    void FillCombo();
    void UpdateComboEntry(int index);
    QIcon SchemeIcon(const ShareScheme &scheme) const;
    void AddRow(const GroupRow &row);
    GroupRow Row(QTreeWidgetItem *item) const;
    void SetRow(QTreeWidgetItem *item, const GroupRow &row);
    void OnRowsChanged();

    SchemeEditRecord &m_record;
    QComboBox *m_mainBox = nullptr;
    bool m_listChanged = false;
    bool m_loading = false;
    bool m_initialised = false;
    QIcon m_icons[4];
};
