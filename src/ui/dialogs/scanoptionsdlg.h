// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/toolkit/dialogbase.h"

#include <functional>

struct ScanRules;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// The search rules of a document: which workgroups are searched, which
// hosts and address ranges are added, which hosts and workgroups are left
// out.
class CScanOptionsDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30980;
    enum ControlId {
        IdAllVisible = 1056,
        IdCurrent = 1057,
        IdNetsByList = 1058,
        IdAnnounced = 1134,
        IdNetsEdit = 1003,
        IdHostsByList = 1125,
        IdHostsEdit = 1004,
        IdExcHostsEdit = 1009,
        IdExcNetsEdit = 1007,
        IdHostsGroup = 1104,
        IdAdvancedGroup = 1101,
        IdFiltersGroup = 1108,
        IdExcHostsLabel = 1132,
        IdExcNetsLabel = 1131,
        IdNetsMore = 1133,
        IdHostsMore = 1070,
        IdExcHostsMore = 1086,
        IdExcNetsMore = 1084,
        IdNetsExamples = 1150,
        IdHostsExamples = 1151,
    };

    explicit CScanOptionsDlg(QWidget *parent = nullptr);

    // Load (store = false) or store the members from or into `rules`.
    void Exchange(ScanRules &rules, bool store);

    // Called by Apply after the rules were stored: saves the document; false
    // when that failed (the dialog then says so).
    std::function<bool()> saveDocument;
    // Opens the Advanced Editor on a text; tests replace it. Returns false
    // when it was cancelled.
    std::function<bool(QString &)> runEditor;
    // Opens the help pop-up of a topic; tests replace it.
    std::function<void(int)> showHelpPopup;

    bool allVisible = true;
    bool current = false;
    bool announced = true;
    bool netsByList = false;
    bool hostsByList = false;
    QString netsText;
    QString hostsText;
    QString excHostsText;
    QString excNetsText;

    void InitDialog() override;

protected:
    void OnApply() override;
    void OnOk() override;

private:
    void UpdateData(bool save);
    bool SearchesSomething() const;
    void OnSwitch(int id);
    void UpdateAnnounced();
    void EditMultiLine(QPlainTextEdit *edit);
    void EditList(QLineEdit *edit);
    // A range wider than a scan takes is cut, not refused: on Ok and Apply
    // the user is told which entries lose how many addresses.
    void NoteCutRanges();
    // An entry written like an address that is none is refused on Ok and
    // Apply, naming it, while the host list is on: it would otherwise be
    // looked up as a host name. True when there is none.
    bool AcceptHostEntries();
    // The notes' keys in the dialog's language section.
    enum TextKey { RangeCutKey = 90, RefusedEntryKey = 91 };
    bool eventFilter(QObject *watched, QEvent *event) override;

    ScanRules *m_rules = nullptr;
    bool m_initialised = false;
    // A list switch toggled from the keyboard keeps the focus, so that Tab
    // walks on into the list it enabled; a click puts the focus there.
    bool m_toggledByKey = false;
};

// A large plain-text editor for one list, one element per line.
class CAdvancedEditorDlg : public CDialogBase
{
    Q_OBJECT
public:
    static constexpr int TemplateId = 30983;
    enum ControlId { IdGroup = 1140, IdEdit = 1136, IdHint = 1165 };

    explicit CAdvancedEditorDlg(QWidget *parent = nullptr);

    QString text;

    void InitDialog() override;

protected:
    void OnOk() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};
