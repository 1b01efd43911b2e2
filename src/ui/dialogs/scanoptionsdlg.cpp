// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanoptionsdlg.h"

#include "helpwindow.h"

#include "model/scanrules.h"
#include "scan/ipv4.h"
#include "settings/languagetable.h"
#include "settings/settings.h"
#include "ui/textkeys.h"
#include "ui/toolkit/hyperlink.h"
#include "ui/toolkit/plaintext.h"
#include "ui/toolkit/textlists.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QPlainTextEdit *MultiLineEdit(QWidget *parent)
{
    auto *edit = new QPlainTextEdit(parent);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setTabChangesFocus(true);
    return edit;
}

// The edits hold "\n"; the lists' separator is the platform's line break.
QString EditText(const QPlainTextEdit *edit)
{
    return edit->toPlainText().replace(u'\n', LineSeparator);
}

void SetEditText(QPlainTextEdit *edit, const QString &text)
{
    edit->setPlainText(QString(text).replace(LineSeparator, QStringLiteral("\n")));
}

} // namespace

CScanOptionsDlg::CScanOptionsDlg(QWidget *parent)
    : CDialogBase(TemplateId, QStringLiteral("Scan Options"), QStringLiteral("Scan Options"), parent)
{
    SetTemplate({270, 266}, true);
    PlaceGroup(IdHostsGroup, QStringLiteral(" Hosts search rules "), {7, 4, 256, 110});
    Place(IdAllVisible, new QCheckBox(QStringLiteral("Search for hosts in all visible workgroups"), this), {14, 15, 243, 10});
    Place(IdCurrent, new QCheckBox(QStringLiteral("Add current workgroup to search"), this), {14, 26, 243, 10});
    Place(IdAnnounced, new QCheckBox(QString::fromLatin1(AnnouncedRuleText), this), {14, 37, 247, 10});
    Place(IdNetsByList, new QCheckBox(QStringLiteral("Add workgroups to search:"), this), {14, 48, 223, 10});
    Place(IdNetsEdit, MultiLineEdit(this), {14, 59, 223, 39});
    Place(IdNetsMore, new QPushButton(QStringLiteral("..."), this), {240, 59, 16, 14});
    Place(IdNetsExamples, new CHyperLink(QStringLiteral("Show examples of workgroups"), this), {14, 101, 150, 10});

    PlaceGroup(IdAdvancedGroup, QStringLiteral(" Advanced share search rules "), {7, 117, 256, 61});
    Place(IdHostsByList, new QCheckBox(QStringLiteral("Add hosts and ip ranges to search:"), this), {14, 128, 223, 10});
    Place(IdHostsEdit, MultiLineEdit(this), {14, 139, 223, 24});
    Place(IdHostsMore, new QPushButton(QStringLiteral("..."), this), {240, 139, 16, 14});
    Place(IdHostsExamples, new CHyperLink(QStringLiteral("Show examples of host and ip ranges"), this), {14, 165, 150, 10});

    PlaceGroup(IdFiltersGroup, QStringLiteral(" Filters "), {7, 181, 256, 62});
    Place(IdExcHostsLabel, new QLabel(QStringLiteral("Exclude hosts from search:"), this), {14, 192, 223, 8});
    Place(IdExcHostsEdit, new QLineEdit(this), {14, 201, 223, 12});
    Place(IdExcHostsMore, new QPushButton(QStringLiteral("..."), this), {240, 200, 16, 14});
    Place(IdExcNetsLabel, new QLabel(QStringLiteral("Exclude workgroups from search:"), this), {14, 216, 223, 8});
    Place(IdExcNetsEdit, new QLineEdit(this), {14, 225, 223, 12});
    Place(IdExcNetsMore, new QPushButton(QStringLiteral("..."), this), {240, 224, 16, 14});
    PlaceButtons({106, 248, 50, 14}, {159, 248, 50, 14}, {213, 248, 50, 14});

    for (int id : {IdAllVisible, IdCurrent, IdAnnounced, IdNetsByList, IdHostsByList})
        connect(ControlAs<QCheckBox>(id), &QCheckBox::clicked, this, [this, id] { OnSwitch(id); });
    for (int id : {IdNetsByList, IdHostsByList})
        Control(id)->installEventFilter(this);
    for (int id : {IdNetsEdit, IdHostsEdit})
        connect(ControlAs<QPlainTextEdit>(id), &QPlainTextEdit::textChanged, this, [this] {
            if (m_initialised)
                SetModified(SearchesSomething());
        });
    for (int id : {IdExcHostsEdit, IdExcNetsEdit})
        connect(ControlAs<QLineEdit>(id), &QLineEdit::textChanged, this, [this] {
            if (m_initialised)
                SetModified(SearchesSomething());
        });
    connect(ControlAs<QPushButton>(IdNetsMore), &QPushButton::clicked, this,
            [this] { EditMultiLine(ControlAs<QPlainTextEdit>(IdNetsEdit)); });
    connect(ControlAs<QPushButton>(IdHostsMore), &QPushButton::clicked, this,
            [this] { EditMultiLine(ControlAs<QPlainTextEdit>(IdHostsEdit)); });
    connect(ControlAs<QPushButton>(IdExcHostsMore), &QPushButton::clicked, this,
            [this] { EditList(ControlAs<QLineEdit>(IdExcHostsEdit)); });
    connect(ControlAs<QPushButton>(IdExcNetsMore), &QPushButton::clicked, this,
            [this] { EditList(ControlAs<QLineEdit>(IdExcNetsEdit)); });
    connect(ControlAs<CHyperLink>(IdNetsExamples), &CHyperLink::linkClicked, this, [this] { showHelpPopup(20); });
    connect(ControlAs<CHyperLink>(IdHostsExamples), &CHyperLink::linkClicked, this, [this] { showHelpPopup(30); });

    runEditor = [this](QString &text) {
        CAdvancedEditorDlg editor(this);
        editor.text = text;
        if (editor.exec() != QDialog::Accepted)
            return false;
        text = editor.text;
        return true;
    };
    showHelpPopup = [this](int topic) {
        const CSettings *settings = CSettings::instance();
        ShowHelpPopup(settings ? settings->helpPath : QString(), topic, this);
    };
}

void CScanOptionsDlg::Exchange(ScanRules &rules, bool store)
{
    m_rules = &rules;
    if (store) {
        rules.searchNetAll = allVisible;
        rules.searchNetCurrent = current;
        rules.searchAnnounced = announced ? 1 : 0;
        rules.searchNetByList = netsByList;
        rules.searchHostByList = hostsByList;
        rules.nets = SplitText(netsText, LineSeparator);
        ScanRules typed;
        typed.hosts = SplitText(hostsText, LineSeparator);
        typed.DropBlankHosts();
        // What the user typed here is the user's word, unlike a list a
        // document brought along unchanged.
        if (typed.hosts != rules.hosts)
            rules.hostListConfirmed = true;
        rules.hosts = typed.hosts;
        rules.excHosts = SplitText(excHostsText, ListSeparator);
        rules.excNets = SplitText(excNetsText, ListSeparator);
    } else {
        allVisible = rules.searchNetAll;
        current = rules.searchNetCurrent;
        announced = rules.searchAnnounced != 0;
        netsByList = rules.searchNetByList;
        hostsByList = rules.searchHostByList;
        netsText = JoinText(rules.nets, LineSeparator);
        hostsText = JoinText(rules.hosts, LineSeparator);
        excHostsText = JoinText(rules.excHosts, ListSeparator);
        excNetsText = JoinText(rules.excNets, ListSeparator);
    }
}

void CScanOptionsDlg::UpdateData(bool save)
{
    auto *all = ControlAs<QCheckBox>(IdAllVisible);
    auto *cur = ControlAs<QCheckBox>(IdCurrent);
    auto *ann = ControlAs<QCheckBox>(IdAnnounced);
    auto *byList = ControlAs<QCheckBox>(IdNetsByList);
    auto *hostList = ControlAs<QCheckBox>(IdHostsByList);
    auto *nets = ControlAs<QPlainTextEdit>(IdNetsEdit);
    auto *hosts = ControlAs<QPlainTextEdit>(IdHostsEdit);
    auto *excHosts = ControlAs<QLineEdit>(IdExcHostsEdit);
    auto *excNets = ControlAs<QLineEdit>(IdExcNetsEdit);
    if (save) {
        allVisible = all->isChecked();
        current = cur->isChecked();
        announced = ann->isChecked();
        netsByList = byList->isChecked();
        hostsByList = hostList->isChecked();
        netsText = EditText(nets);
        hostsText = EditText(hosts);
        excHostsText = excHosts->text();
        excNetsText = excNets->text();
    } else {
        all->setChecked(allVisible);
        cur->setChecked(current);
        ann->setChecked(announced);
        byList->setChecked(netsByList);
        hostList->setChecked(hostsByList);
        SetEditText(nets, netsText);
        SetEditText(hosts, hostsText);
        excHosts->setText(excHostsText);
        excNets->setText(excNetsText);
    }
}

void CScanOptionsDlg::InitDialog()
{
    if (m_initialised)
        return;
    UpdateData(false);
    TranslateCaptions({IdHostsGroup, IdAllVisible, IdCurrent, IdAnnounced, IdNetsByList, IdNetsExamples, IdAdvancedGroup,
                       IdHostsByList, IdHostsExamples, IdFiltersGroup, IdExcHostsLabel, IdExcNetsLabel, IdOk,
                       IdCancel, IdApply});
    SetBoldFont({IdAdvancedGroup, IdHostsGroup, IdFiltersGroup});
    BindLabels({{IdNetsByList, IdNetsEdit},
                {IdHostsByList, IdHostsEdit},
                {IdExcHostsLabel, IdExcHostsEdit},
                {IdExcNetsLabel, IdExcNetsEdit}});
    NameControls({{IdNetsMore, AccessibleText::ChooseWorkgroups, "Edit the workgroups to search"},
                  {IdHostsMore, AccessibleText::ChooseHosts, "Edit the hosts and ip ranges to search"},
                  {IdExcHostsMore, AccessibleText::ChooseExcludedHosts, "Edit the hosts to exclude"},
                  {IdExcNetsMore, AccessibleText::ChooseExcludedWorkgroups, "Edit the workgroups to exclude"}});
    // The examples only tell the dialog; their target is their caption.
    for (int id : {IdNetsExamples, IdHostsExamples}) {
        ControlAs<CHyperLink>(id)->SetLinkTarget(QString());
        MakeLink(id, CHyperLink::NotifyParent | CHyperLink::AutoSize);
    }
    // Rules that search nothing are not offered.
    if (!allVisible && !current && !netsByList && !hostsByList) {
        allVisible = true;
        ControlAs<QCheckBox>(IdAllVisible)->setChecked(true);
    }
    for (int id : {IdNetsEdit, IdNetsMore})
        Control(id)->setEnabled(netsByList);
    for (int id : {IdHostsEdit, IdHostsMore})
        Control(id)->setEnabled(hostsByList);
    UpdateAnnounced();

    SetAnchor(IdHostsGroup, Anchors::TopLeft, Anchors::MiddleRight);
    SetAnchor(IdNetsEdit, Anchors::TopLeft, Anchors::MiddleRight);
    SetAnchor(IdNetsMore, Anchors::TopRight, Anchors::TopRight);
    for (int id : {IdNetsExamples, IdHostsByList})
        SetAnchor(id, Anchors::MiddleLeft, Anchors::MiddleLeft);
    SetAnchor(IdAdvancedGroup, Anchors::MiddleLeft, Anchors::BottomRight);
    SetAnchor(IdHostsEdit, Anchors::MiddleLeft, Anchors::BottomRight);
    SetAnchor(IdHostsMore, Anchors::MiddleRight, Anchors::MiddleRight);
    for (int id : {IdHostsExamples, IdExcNetsLabel, IdExcHostsLabel})
        SetAnchor(id, Anchors::BottomLeft, Anchors::BottomLeft);
    for (int id : {IdFiltersGroup, IdExcNetsEdit, IdExcHostsEdit})
        SetAnchor(id, Anchors::BottomLeft, Anchors::BottomRight);
    for (int id : {int(IdExcNetsMore), int(IdExcHostsMore), int(IdOk), int(IdCancel), int(IdApply)})
        SetAnchor(id, Anchors::BottomRight, Anchors::BottomRight);
    m_initialised = true;
}

bool CScanOptionsDlg::SearchesSomething() const
{
    for (int id : {IdAllVisible, IdCurrent, IdNetsByList, IdHostsByList})
        if (ControlAs<QCheckBox>(id)->isChecked())
            return true;
    return false;
}

void CScanOptionsDlg::OnSwitch(int id)
{
    UpdateData(true);
    // Rules that search nothing can be neither kept (Ok) nor stored (Apply);
    // the edits stay pending until a switch is ticked again.
    Control(IdOk)->setEnabled(SearchesSomething());
    SetModified(SearchesSomething());
    UpdateAnnounced();
    if (id != IdNetsByList && id != IdHostsByList)
        return;
    const bool on = id == IdNetsByList ? netsByList : hostsByList;
    const int edit = id == IdNetsByList ? IdNetsEdit : IdHostsEdit;
    // The list's "..." goes with it: Tab never stops at a button that edits
    // a list that is off.
    Control(edit)->setEnabled(on);
    Control(id == IdNetsByList ? IdNetsMore : IdHostsMore)->setEnabled(on);
    if (!m_toggledByKey)
        Control(edit)->setFocus();
    m_toggledByKey = false;
}

bool CScanOptionsDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Control(IdNetsByList) || watched == Control(IdHostsByList)) {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            m_toggledByKey = true;
        else if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)
            m_toggledByKey = false;
    }
    return CDialogBase::eventFilter(watched, event);
}

// Announced hosts join the workgroup enumeration, so the switch only means
// something while one of the workgroup switches is on; it keeps its tick.
void CScanOptionsDlg::UpdateAnnounced()
{
    Control(IdAnnounced)->setEnabled(allVisible || current);
}

void CScanOptionsDlg::EditMultiLine(QPlainTextEdit *edit)
{
    QString text = EditText(edit);
    if (runEditor && runEditor(text))
        SetEditText(edit, text);
}

void CScanOptionsDlg::EditList(QLineEdit *edit)
{
    QString text = JoinText(SplitText(edit->text(), ListSeparator), LineSeparator);
    if (runEditor && runEditor(text))
        edit->setText(JoinText(SplitText(text, LineSeparator), ListSeparator));
}

void CScanOptionsDlg::OnApply()
{
    UpdateData(true);
    if (!AcceptHostEntries()) {
        KeepPending();
        return;
    }
    if (!m_rules)
        return;
    Exchange(*m_rules, true);
    if (saveDocument && !saveDocument())
        PlainMessageBox(this, QMessageBox::Warning,
                        QStringLiteral("The scan options were stored, but the network document could not be saved."));
    NoteCutRanges();
}

void CScanOptionsDlg::NoteCutRanges()
{
    if (!hostsByList)
        return;
    const QList<CutRange> cuts = CutRanges(SplitText(hostsText, LineSeparator));
    if (cuts.isEmpty())
        return;
    const QString format = LookupText(Section(), RangeCutKey, RangeCutFormat());
    QStringList notes;
    for (const CutRange &cut : cuts)
        notes.append(FormatRangeCut(format, cut));
    PlainMessageBox(this, QMessageBox::Information, notes.join(u'\n'));
}

bool CScanOptionsDlg::AcceptHostEntries()
{
    if (!hostsByList)
        return true;
    const QStringList refused = RefusedHostEntries(SplitText(hostsText, LineSeparator));
    if (refused.isEmpty())
        return true;
    const QString format = LookupText(Section(), RefusedEntryKey, RefusedEntryFormat());
    QStringList notes;
    for (const QString &entry : refused)
        notes.append(FormatRefusedEntry(format, entry));
    PlainMessageBox(this, QMessageBox::Warning, notes.join(u'\n'));
    Control(IdHostsEdit)->setFocus();
    return false;
}

void CScanOptionsDlg::OnOk()
{
    if (!IsModified()) {
        reject();
        return;
    }
    // The caller stores the rules and saves the document.
    UpdateData(true);
    if (!AcceptHostEntries())
        return;
    SetModified(false);
    NoteCutRanges();
    accept();
}

CAdvancedEditorDlg::CAdvancedEditorDlg(QWidget *parent)
    : CDialogBase(TemplateId, QStringLiteral("Advanced Editor"), QStringLiteral("Advanced Editor"), parent)
{
    SetTemplate({225, 266}, true);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    PlaceGroup(IdGroup, QStringLiteral(" Editor "), {7, 4, 211, 226});
    auto *edit = Place(IdEdit, new QPlainTextEdit(this), {14, 16, 197, 207});
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Return starts the next element, so Tab leaves the list and Ctrl+Enter
    // confirms: Ok stays within reach of the keyboard.
    edit->setTabChangesFocus(true);
    edit->installEventFilter(this);
    Place(IdHint, new QLabel(QStringLiteral("Place each element on new line"), this), {9, 234, 200, 8});
    // The editor's changes go back with Ok: there is nothing to apply.
    PlaceButtons({114, 248, 50, 14}, {168, 248, 50, 14});
}

bool CAdvancedEditorDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && key->modifiers().testFlag(Qt::ControlModifier)) {
            OnOk();
            return true;
        }
    }
    return CDialogBase::eventFilter(watched, event);
}

void CAdvancedEditorDlg::InitDialog()
{
    SetEditText(ControlAs<QPlainTextEdit>(IdEdit), text);
    TranslateCaptions({IdGroup, IdHint, IdOk, IdCancel});
    SetBoldFont({IdGroup});
    BindLabels({{IdGroup, IdEdit}});
    SetAnchor(IdGroup, Anchors::TopLeft, Anchors::BottomRight);
    SetAnchor(IdEdit, Anchors::TopLeft, Anchors::BottomRight);
    SetAnchor(IdHint, Anchors::BottomLeft);
    for (int id : {int(IdOk), int(IdCancel)})
        SetAnchor(id, Anchors::BottomRight);
    Control(IdEdit)->setFocus();
}

void CAdvancedEditorDlg::OnOk()
{
    text = EditText(ControlAs<QPlainTextEdit>(IdEdit));
    accept();
}
