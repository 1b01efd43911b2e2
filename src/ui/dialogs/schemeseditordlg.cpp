// SPDX-License-Identifier: GPL-3.0-or-later
#include "schemeseditordlg.h"

#include "schemeadvanceddlg.h"
#include "schemenamedlg.h"

#include "settings/iconlibrary.h"
#include "settings/languagetable.h"
#include "settings/settings.h"
#include "settings/sharescheme.h"
#include "ui/toolkit/hyperlink.h"
#include "ui/toolkit/iconlibraryicons.h"
#include "ui/toolkit/plaintext.h"
#include "ui/toolkit/textlists.h"
#include "ui/textkeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

namespace {

const QString EditorSection = QStringLiteral("Scheme Editor");
// The group list's columns; the name's check box is the group's Shown.
enum GroupListColumn { NameColumn, IncludeColumn, ExcludeColumn };
constexpr int IncludeWidth = 142;
constexpr int ExcludeWidth = 55;

// The Include and Exclude columns share what the list gains or loses beyond
// its first width in the proportion of their first widths: the last column
// alone would take it all and leave Include at its first width.
class ColumnSharer : public QObject
{
public:
    ColumnSharer(QTreeWidget *list, int firstWidth) : QObject(list), m_list(list), m_firstWidth(firstWidth)
    {
        list->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_list && event->type() == QEvent::Resize && m_firstWidth > 0) {
            const int extra = m_list->width() - m_firstWidth;
            m_list->setColumnWidth(IncludeColumn,
                                   std::max(40, IncludeWidth + extra * IncludeWidth / (IncludeWidth + ExcludeWidth)));
        }
        return false;
    }

private:
    QTreeWidget *m_list;
    int m_firstWidth;
};

} // namespace

CSchemesEditorDlg::CSchemesEditorDlg(SchemeEditRecord &record, QComboBox *mainBox, QWidget *parent,
                                     const CIconLibrary *library)
    : CDialogBase(TemplateId, EditorSection, QStringLiteral("Scheme Editor"), parent), m_record(record), m_mainBox(mainBox)
{
    SetTemplate({243, 265}, true);
    auto *label = Place(IdSchemeLabel, new QLabel(QStringLiteral("Scheme:"), this), {7, 5, 40, 9});
    label->setAutoFillBackground(false);
    Place(IdDuplicate, new CHyperLink(QStringLiteral("duplicate"), this), {56, 5, 40, 9});
    Place(IdRename, new CHyperLink(QStringLiteral("rename"), this), {100, 5, 40, 9});
    Place(IdRemoveScheme, new CHyperLink(QStringLiteral("remove"), this), {144, 5, 40, 9});
    auto *combo = Place(IdSchemeCombo, new QComboBox(this), {7, 16, 190, 14});
    combo->setIconSize(QSize(16, 16));
    auto *picture = Place(IdPicture, new QLabel(this), {205, 4, 32, 28});
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QIcon(QStringLiteral(":/icons/scheme.svg")).pixmap(QSize(32, 32), devicePixelRatioF()));
    auto *line = Place(IdLine, new QFrame(this), {0, 34, 243, 2});
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    PlaceGroup(IdDetails, QStringLiteral(" Scheme details "), {7, 40, 229, 196});
    auto *all = Place(IdSelectAll, new QCheckBox(QStringLiteral("Select / deselect all shares types"), this), {14, 52, 200, 10});
    all->setTristate(true);
    auto *list = Place(IdList, new QTreeWidget(this), {14, 64, 215, 114});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->setColumnCount(3);
    auto *up = Place(IdUp, new CIconButton(this), {14, 182, 18, 14});
    auto *down = Place(IdDown, new CIconButton(this), {34, 182, 18, 14});
    Place(IdAdd, new QPushButton(QStringLiteral("&Add"), this), {105, 182, 40, 14});
    Place(IdEdit, new QPushButton(QStringLiteral("&Edit"), this), {147, 182, 40, 14});
    Place(IdRemove, new QPushButton(QStringLiteral("&Remove"), this), {189, 182, 40, 14});
    Place(IdGroupByHost, new QCheckBox(QStringLiteral("Group shares by host instead of share type"), this), {14, 202, 215, 10});
    Place(IdOnlineFirst, new QCheckBox(QStringLiteral("Place online shares before offline shares"), this), {14, 216, 215, 10});
    Place(IdAdvanced, new QPushButton(QStringLiteral("A&dvanced..."), this), {7, 245, 60, 14});
    PlaceButtons({79, 245, 50, 14}, {132, 245, 50, 14}, {186, 245, 50, 14});

    // Built-in pictures: by host, by share type, up, down.
    QStyle *st = style();
    m_icons[0] = st->standardIcon(QStyle::SP_ComputerIcon);
    m_icons[1] = st->standardIcon(QStyle::SP_DirIcon);
    m_icons[2] = st->standardIcon(QStyle::SP_ArrowUp);
    m_icons[3] = st->standardIcon(QStyle::SP_ArrowDown);
    for (int i = 0; i < 4; ++i)
        ReplaceFromLibrary(m_icons[i], library, 14 + i);

    connect(combo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_initialised && !m_loading)
            OnSelectScheme(index);
    });
    connect(ControlAs<CHyperLink>(IdDuplicate), &CHyperLink::linkClicked, this, &CSchemesEditorDlg::OnDuplicate);
    connect(ControlAs<CHyperLink>(IdRename), &CHyperLink::linkClicked, this, &CSchemesEditorDlg::OnRename);
    connect(ControlAs<CHyperLink>(IdRemoveScheme), &CHyperLink::linkClicked, this, &CSchemesEditorDlg::OnRemoveScheme);
    connect(all, &QCheckBox::clicked, this, &CSchemesEditorDlg::OnSelectAll);
    connect(up, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(down, &QPushButton::clicked, this, [this] { OnMove(1); });
    connect(ControlAs<QPushButton>(IdAdd), &QPushButton::clicked, this, &CSchemesEditorDlg::OnAddGroup);
    connect(ControlAs<QPushButton>(IdEdit), &QPushButton::clicked, this, &CSchemesEditorDlg::OnEditGroup);
    connect(ControlAs<QPushButton>(IdRemove), &QPushButton::clicked, this, &CSchemesEditorDlg::OnRemoveGroup);
    connect(ControlAs<QPushButton>(IdAdvanced), &QPushButton::clicked, this, &CSchemesEditorDlg::OnAdvanced);
    for (int id : {IdGroupByHost, IdOnlineFirst})
        connect(ControlAs<QCheckBox>(id), &QCheckBox::clicked, this, [this] { SetModified(); });
    connect(list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *, int column) {
        if (m_loading || column != NameColumn)
            return;
        SetModified();
        OnRowsChanged();
    });
    connect(list, &QTreeWidget::currentItemChanged, this, [this] { OnRowsChanged(); });
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { OnEditGroup(); });

    auto box = [this](QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons) {
        return PlainMessageBox(this, icon, text, buttons);
    };
    ask = [box](const QString &text) {
        const int answer = box(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        return answer == QMessageBox::Yes ? Yes : answer == QMessageBox::No ? No : Cancel;
    };
    refuse = [box](const QString &text) { box(QMessageBox::Critical, text, QMessageBox::Ok); };
    runNameDialog = [this](QString &name, bool rename) {
        CSchemeNameDlg dialog(*m_record.settings, rename, this);
        dialog.name = name;
        if (dialog.exec() != QDialog::Accepted)
            return false;
        name = dialog.name;
        return true;
    };
    runGroupDialog = [this](GroupRow &row, bool add) {
        CGroupEditDlg dialog(add, this);
        dialog.row = row;
        if (dialog.exec() != QDialog::Accepted)
            return false;
        row = dialog.row;
        return true;
    };
    runAdvancedDialog = [this](int &showHidden, int &hideDisk) {
        CSchemeAdvancedDlg dialog(this);
        dialog.showHidden = showHidden;
        dialog.hideDisk = hideDisk;
        if (dialog.exec() != QDialog::Accepted)
            return false;
        showHidden = dialog.showHidden;
        hideDisk = dialog.hideDisk;
        return true;
    };
}

QTreeWidget *CSchemesEditorDlg::List() const
{
    return ControlAs<QTreeWidget>(IdList);
}

QString CSchemesEditorDlg::Text(TextKey key, const QString &text) const
{
    return LookupText(EditorSection, key, text);
}

ShareScheme *CSchemesEditorDlg::Edited() const
{
    return m_record.settings ? m_record.settings->GetScheme(m_record.edited) : nullptr;
}

QIcon CSchemesEditorDlg::SchemeIcon(const ShareScheme &scheme) const
{
    return m_icons[scheme.groupByHost ? 0 : 1];
}

void CSchemesEditorDlg::InitDialog()
{
    if (m_initialised)
        return;
    TranslateCaptions({IdSchemeLabel, IdDuplicate, IdRename, IdRemoveScheme, IdDetails, IdSelectAll, IdAdd, IdEdit,
                       IdRemove, IdGroupByHost, IdOnlineFirst, IdAdvanced, IdOk, IdCancel, IdApply});
    SetAnchor(IdSchemeCombo, Anchors::TopLeft, Anchors::TopRight);
    SetAnchor(IdLine, Anchors::TopLeft, Anchors::TopRight);
    SetAnchor(IdPicture, Anchors::TopRight, Anchors::TopRight);
    SetAnchor(IdList, Anchors::TopLeft, Anchors::BottomRight);
    SetAnchor(IdDetails, Anchors::TopLeft, Anchors::BottomRight);
    SetAnchor(IdUp, Anchors::BottomLeft, Anchors::BottomLeft);
    SetAnchor(IdDown, Anchors::BottomLeft, Anchors::BottomLeft);
    SetAnchor(IdGroupByHost, Anchors::BottomLeft, Anchors::BottomRight);
    SetAnchor(IdOnlineFirst, Anchors::BottomLeft, Anchors::BottomRight);
    for (int id : {int(IdAdd), int(IdEdit), int(IdRemove), int(IdOk), int(IdCancel), int(IdApply)})
        SetAnchor(id, Anchors::BottomRight, Anchors::BottomRight);
    // Advanced... sits at the left edge: anchored right it drifted to the middle.
    SetAnchor(IdAdvanced, Anchors::BottomLeft, Anchors::BottomLeft);
    SetBoldFont({IdSchemeLabel, IdDetails});
    BindLabels({{IdSchemeLabel, IdSchemeCombo}, {IdDetails, IdList}});
    NameControls({{IdUp, AccessibleText::MoveGroupUp, "Move group up"},
                  {IdDown, AccessibleText::MoveGroupDown, "Move group down"}});
    // The links sit on one line, 8 pixels apart.
    const unsigned style = CHyperLink::NotifyParent | CHyperLink::DownClick | CHyperLink::UseHover;
    CHyperLink *duplicate = MakeLink(IdDuplicate, style, Text(DuplicateTipKey, QStringLiteral("Duplicate Scheme")));
    CHyperLink *rename = MakeLink(IdRename, style, Text(RenameTipKey, QStringLiteral("Rename Scheme")));
    CHyperLink *remove = MakeLink(IdRemoveScheme, style, Text(RemoveSchemeTipKey, QStringLiteral("Remove Scheme")));
    for (CHyperLink *link : {duplicate, rename, remove}) {
        QRect r = Layout()->InitialRect(link);
        r.setSize(link->TextSize());
        Layout()->SetInitialRect(link, r);
    }
    QRect r = Layout()->InitialRect(duplicate);
    for (CHyperLink *link : {rename, remove}) {
        QRect next = Layout()->InitialRect(link);
        next.moveTopLeft(QPoint(r.right() + 1 + 8, r.top()));
        Layout()->SetInitialRect(link, next);
        r = next;
    }

    m_record.edited = m_record.mainSelected;
    FillCombo();
    QTreeWidget *list = List();
    list->setHeaderLabels({Text(NameHeaderKey, QStringLiteral("Name")),
                           Text(IncludeHeaderKey, QStringLiteral("Include")),
                           Text(ExcludeHeaderKey, QStringLiteral("Exclude"))});
    list->setColumnWidth(NameColumn, 100);
    list->setColumnWidth(IncludeColumn, IncludeWidth);
    list->setColumnWidth(ExcludeColumn, ExcludeWidth);
    new ColumnSharer(list, Layout()->InitialRect(list).width());
    if (ShareScheme *scheme = Edited())
        LoadScheme(*scheme);
    ControlAs<CIconButton>(IdUp)->SetIcon(m_icons[2]);
    ControlAs<CIconButton>(IdDown)->SetIcon(m_icons[3]);
    SetModified(false);
    Control(IdUp)->setEnabled(false);
    list->setFocus();
    m_initialised = true;
}

void CSchemesEditorDlg::paintEvent(QPaintEvent *event)
{
    // A white band above the line, the dialog's colour below it.
    QPainter painter(this);
    const QWidget *line = Control(IdLine);
    painter.fillRect(QRect(0, 0, width(), line ? line->y() : 0), Qt::white);
    CDialogBase::paintEvent(event);
}

void CSchemesEditorDlg::FillCombo()
{
    auto *combo = ControlAs<QComboBox>(IdSchemeCombo);
    const bool wasLoading = m_loading;
    m_loading = true;
    combo->clear();
    const CSettings *s = m_record.settings;
    const int count = s ? s->GetSchemeCount() : 0;
    for (int i = 0; i < count; ++i)
        combo->addItem(SchemeIcon(*s->GetScheme(i)), s->GetScheme(i)->name, i);
    if (m_record.edited >= combo->count())
        m_record.edited = combo->count() - 1;
    combo->setCurrentIndex(m_record.edited);
    m_loading = wasLoading;
}

void CSchemesEditorDlg::UpdateComboEntry(int index)
{
    auto *combo = ControlAs<QComboBox>(IdSchemeCombo);
    const ShareScheme *scheme = m_record.settings->GetScheme(index);
    if (!scheme || index >= combo->count())
        return;
    combo->setItemText(index, scheme->name);
    combo->setItemIcon(index, SchemeIcon(*scheme));
}

void CSchemesEditorDlg::AddRow(const GroupRow &row)
{
    auto *item = new QTreeWidgetItem(List());
    SetRow(item, row);
}

GroupRow CSchemesEditorDlg::Row(QTreeWidgetItem *item) const
{
    return {item->text(NameColumn), item->text(IncludeColumn), item->text(ExcludeColumn),
            item->checkState(NameColumn) == Qt::Checked};
}

void CSchemesEditorDlg::SetRow(QTreeWidgetItem *item, const GroupRow &row)
{
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setText(NameColumn, row.name);
    item->setText(IncludeColumn, row.include);
    item->setText(ExcludeColumn, row.exclude);
    item->setCheckState(NameColumn, row.shown ? Qt::Checked : Qt::Unchecked);
}

void CSchemesEditorDlg::LoadScheme(const ShareScheme &scheme)
{
    m_loading = true;
    ControlAs<QCheckBox>(IdGroupByHost)->setChecked(scheme.groupByHost);
    ControlAs<QCheckBox>(IdOnlineFirst)->setChecked(scheme.placeOnlineFirst);
    QTreeWidget *list = List();
    list->clear();
    for (const ShareGroup &group : scheme.groups)
        AddRow({group.name, JoinText(group.includeKeywords, ListSeparator),
                JoinText(group.excludeKeywords, ListSeparator), group.visible != 0});
    m_loading = false;
    if (list->topLevelItemCount() > 0) {
        list->setCurrentItem(list->topLevelItem(0));
        list->setFocus();
    }
    OnRowsChanged();
    SetModified(false);
}

void CSchemesEditorDlg::StoreScheme(ShareScheme &scheme) const
{
    scheme.groupByHost = ControlAs<QCheckBox>(IdGroupByHost)->isChecked();
    scheme.placeOnlineFirst = ControlAs<QCheckBox>(IdOnlineFirst)->isChecked();
    const QTreeWidget *list = List();
    const int rows = list->topLevelItemCount();
    scheme.groups.resize(rows);
    for (int i = 0; i < rows; ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        ShareGroup &group = scheme.groups[i];
        group.name = item->text(NameColumn);
        group.includeKeywords = SplitText(item->text(IncludeColumn), ListSeparator);
        group.excludeKeywords = SplitText(item->text(ExcludeColumn), ListSeparator);
        group.visible = item->checkState(NameColumn) == Qt::Checked ? 1 : 0;
    }
}

void CSchemesEditorDlg::OnApply()
{
    ShareScheme *scheme = Edited();
    if (!scheme)
        return;
    StoreScheme(*scheme);
    UpdateComboEntry(m_record.edited);
    if (m_record.edited == m_record.mainSelected)
        emit reapplyScheme();
    SetModified(false);
    Control(IdOk)->setFocus();
}

void CSchemesEditorDlg::OnSelectScheme(int index)
{
    if (IsModified()) {
        const Answer answer = ask(Text(ApplyChangesKey, QStringLiteral("Do You want to apply changes?")));
        if (answer == Cancel) {
            const QSignalBlocker blocker(Control(IdSchemeCombo));
            ControlAs<QComboBox>(IdSchemeCombo)->setCurrentIndex(m_record.edited);
            return;
        }
        if (answer == Yes)
            OnApply();
    }
    m_record.edited = index;
    if (ShareScheme *scheme = Edited())
        LoadScheme(*scheme);
    SetModified(false);
}

QString CSchemesEditorDlg::ProposeCopyName(const CSettings &settings, const QString &base)
{
    for (int n = 2;; ++n) {
        const QString name = QStringLiteral("%1 (%2)").arg(base).arg(n);
        if (!settings.SchemeExists(name))
            return name;
    }
}

void CSchemesEditorDlg::OnDuplicate()
{
    ShareScheme *scheme = Edited();
    if (!scheme)
        return;
    QString name = ProposeCopyName(*m_record.settings, scheme->name);
    if (!runNameDialog(name, false))
        return;
    const int index = m_record.settings->GetSchemeCount();
    // The copy is of what was stored; the pending edits shown now belong to it.
    m_record.settings->DuplicateScheme(m_record.edited, name);
    m_record.edited = index;
    m_listChanged = true;
    FillCombo();
}

void CSchemesEditorDlg::OnRename()
{
    ShareScheme *scheme = Edited();
    if (!scheme)
        return;
    QString name = scheme->name;
    if (!runNameDialog(name, true))
        return;
    scheme->name = name;
    UpdateComboEntry(m_record.edited);
    if (m_record.edited == m_record.mainSelected) {
        if (m_mainBox && m_mainBox->currentIndex() >= 0)
            m_mainBox->setItemText(m_mainBox->currentIndex(), name);
    } else {
        m_listChanged = true;
    }
}

void CSchemesEditorDlg::OnRemoveScheme()
{
    ShareScheme *scheme = Edited();
    if (!scheme)
        return;
    if (m_record.edited == m_record.mainSelected) {
        refuse(Text(MainSchemeKeptKey, QStringLiteral("You cannot delete scheme selected on main window")));
        return;
    }
    if (ask(Text(RemoveSchemeKey, QStringLiteral("Do you want to remove scheme '%s' ?"))
                .replace(QStringLiteral("%s"), scheme->name))
        != Yes)
        return;
    m_record.settings->RemoveScheme(m_record.edited);
    // The main window's scheme keeps its place in the list.
    if (m_record.mainSelected > m_record.edited)
        --m_record.mainSelected;
    m_listChanged = true;
    FillCombo();
    if (ShareScheme *now = Edited())
        LoadScheme(*now);
    SetModified(false);
}

void CSchemesEditorDlg::OnAddGroup()
{
    GroupRow row{Text(NewGroupNameKey, QStringLiteral("Enter name here")), {}, {}, true};
    if (!runGroupDialog(row, true))
        return;
    AddRow(row);
    SetModified();
    OnRowsChanged();
}

void CSchemesEditorDlg::OnEditGroup()
{
    QTreeWidgetItem *item = List()->currentItem();
    if (!item)
        return;
    GroupRow row = Row(item);
    if (!runGroupDialog(row, false))
        return;
    m_loading = true;
    SetRow(item, row);
    m_loading = false;
    SetModified();
    OnRowsChanged();
}

void CSchemesEditorDlg::OnRemoveGroup()
{
    QTreeWidgetItem *item = List()->currentItem();
    if (!item)
        return;
    if (ask(Text(RemoveGroupKey, QStringLiteral("Do you want to remove group '%s' ?"))
                .replace(QStringLiteral("%s"), item->text(NameColumn)))
        != Yes)
        return;
    delete item;
    SetModified();
    OnRowsChanged();
}

void CSchemesEditorDlg::OnMove(int delta)
{
    QTreeWidget *list = List();
    QTreeWidgetItem *item = list->currentItem();
    if (!item)
        return;
    const int row = list->indexOfTopLevelItem(item);
    const int other = row + delta;
    if (other < 0 || other >= list->topLevelItemCount())
        return;
    QTreeWidgetItem *neighbour = list->topLevelItem(other);
    const GroupRow mine = Row(item), theirs = Row(neighbour);
    m_loading = true;
    SetRow(item, theirs);
    SetRow(neighbour, mine);
    m_loading = false;
    list->setCurrentItem(neighbour);
    list->scrollToItem(neighbour);
    list->setFocus();
    if (delta < 0 && other == 0)
        Control(IdDown)->setFocus();
    if (delta > 0 && other == list->topLevelItemCount() - 1)
        Control(IdUp)->setFocus();
    SetModified();
    OnRowsChanged();
}

void CSchemesEditorDlg::OnRowsChanged()
{
    QTreeWidget *list = List();
    QTreeWidgetItem *item = list->currentItem();
    const int rows = list->topLevelItemCount();
    if (!item)
        return;
    const int row = list->indexOfTopLevelItem(item);
    Control(IdUp)->setEnabled(row > 0);
    Control(IdDown)->setEnabled(row < rows - 1);
    int ticked = 0;
    for (int i = 0; i < rows; ++i)
        ticked += list->topLevelItem(i)->checkState(NameColumn) == Qt::Checked;
    ControlAs<QCheckBox>(IdSelectAll)->setCheckState(ticked == 0 ? Qt::Unchecked
                                                     : ticked == rows ? Qt::Checked
                                                                      : Qt::PartiallyChecked);
}

void CSchemesEditorDlg::OnSelectAll()
{
    auto *all = ControlAs<QCheckBox>(IdSelectAll);
    // A click ticks an unticked box and unticks the others: it never makes
    // the box indeterminate. (The box has already moved one step on in its
    // cycle unticked, indeterminate, ticked.)
    all->setCheckState(all->checkState() == Qt::PartiallyChecked ? Qt::Checked : Qt::Unchecked);
    QTreeWidget *list = List();
    m_loading = true;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        list->topLevelItem(i)->setCheckState(NameColumn,
                                             all->checkState() == Qt::Checked ? Qt::Checked : Qt::Unchecked);
    m_loading = false;
    SetModified();
}

void CSchemesEditorDlg::OnAdvanced()
{
    ShareScheme *scheme = Edited();
    if (!scheme)
        return;
    int showHidden = scheme->showHiddenShares, hideDisk = scheme->hideDiskShares;
    if (!runAdvancedDialog(showHidden, hideDisk))
        return;
    if (showHidden != scheme->showHiddenShares || hideDisk != scheme->hideDiskShares) {
        scheme->showHiddenShares = showHidden;
        scheme->hideDiskShares = hideDisk;
        SetModified();
        // Stored already, so the list shows them even if the editor is cancelled.
        if (m_record.edited == m_record.mainSelected)
            emit reapplyScheme();
    }
}
