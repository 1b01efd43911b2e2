// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogbase.h"

#include "accessibility.h"
#include "hyperlink.h"

#include "settings/languagetable.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace {

QString ControlText(const QWidget *control)
{
    if (auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    if (auto *group = qobject_cast<const QGroupBox *>(control))
        return group->title();
    return {};
}

void SetControlText(QWidget *control, const QString &text)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(control)) {
        // Texts come from language files: shown as written, never as markup.
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
    } else if (auto *group = qobject_cast<QGroupBox *>(control))
        group->setTitle(text);
}

} // namespace

CDialogBase::CDialogBase(int templateId, const QString &section, const QString &defaultTitle, QWidget *parent)
    : QDialog(parent), m_templateId(templateId), m_section(section), m_defaultTitle(defaultTitle),
      m_titleKey(templateId)
{
    setWindowTitle(defaultTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/lanterra.svg")));
    InstallAccessibleInterfaces();
}

QWidget *CDialogBase::Control(int id) const
{
    auto it = m_controls.find(id);
    return it != m_controls.end() ? it->second : nullptr;
}

int CDialogBase::exec()
{
    InitDialog();
    return QDialog::exec();
}

void CDialogBase::RegisterControl(int id, QWidget *control)
{
    m_controls[id] = control;
    control->setProperty("controlId", id);
    control->setObjectName(QStringLiteral("control%1").arg(id));
}

void CDialogBase::SetTemplate(QSize size, bool resizable)
{
    m_resizable = resizable;
    m_layout = new CAnchorLayout(this, size);
    setSizeGripEnabled(resizable);
    // A title and a close box; dialogs that want more add it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    if (!resizable)
        m_layout->setSizeConstraint(QLayout::SetFixedSize);
}

QGroupBox *CDialogBase::PlaceGroup(int id, const QString &title, QRect rect)
{
    auto *group = new QGroupBox(title, this);
    // Controls "inside" are siblings drawn over it, as in a template.
    group->lower();
    return Place(id, group, rect);
}

void CDialogBase::PlaceButtons(QRect ok, QRect cancel, QRect apply)
{
    auto *okButton = Place(IdOk, new QPushButton(QStringLiteral("Ok"), this), ok);
    okButton->setDefault(true);
    okButton->setAutoDefault(true);
    connect(okButton, &QPushButton::clicked, this, [this] { OnOk(); });
    if (!cancel.isEmpty()) {
        auto *cancelButton = Place(IdCancel, new QPushButton(QStringLiteral("Cancel"), this), cancel);
        connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    }
    if (!apply.isEmpty()) {
        auto *applyButton = Place(IdApply, new QPushButton(QStringLiteral("Apply"), this), apply);
        applyButton->setEnabled(false);
        connect(applyButton, &QPushButton::clicked, this, [this] { ApplyPending(); });
    }
}

void CDialogBase::SetAnchor(int id, Anchor topLeft, Anchor bottomRight)
{
    if (QWidget *control = Control(id); control && m_layout)
        m_layout->SetAnchor(control, topLeft, bottomRight);
}

CHyperLink *CDialogBase::MakeLink(int id, unsigned addStyle, const QString &toolTip)
{
    auto *link = ControlAs<CHyperLink>(id);
    if (!link)
        return nullptr;
    link->ModifyLinkStyle(0, addStyle, false);
    link->Attach();
    if (!toolTip.isEmpty())
        link->SetLinkTarget(toolTip);
    if ((link->LinkStyle() & CHyperLink::AutoSize) && m_layout)
        m_layout->SetInitialRect(link, link->FitToText(m_layout->InitialRect(link)));
    return link;
}

void CDialogBase::TranslateCaptions(const QList<int> &ids)
{
    m_templateTexts.clear();
    for (int id : ids)
        if (QWidget *control = Control(id))
            m_templateTexts.append({id, ControlText(control)});
    RetranslateCaptions();
}

void CDialogBase::RetranslateCaptions()
{
    for (const auto &[id, text] : std::as_const(m_templateTexts))
        if (QWidget *control = Control(id))
            SetControlText(control, LookupText(m_section, id, text));
    setWindowTitle(LookupText(m_section, m_titleKey, m_defaultTitle));
}

void CDialogBase::SetTitleKey(int key, const QString &defaultTitle)
{
    m_titleKey = key;
    m_defaultTitle = defaultTitle;
    setWindowTitle(defaultTitle);
}

void CDialogBase::SetBoldFont(const QList<int> &ids)
{
    for (int id : ids) {
        if (QWidget *control = Control(id)) {
            QFont font = control->font();
            font.setBold(true);
            control->setFont(font);
            // Only the caption is bold, not what the box holds.
            for (QWidget *child : control->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                QFont childFont = child->font();
                childFont.setBold(false);
                child->setFont(childFont);
            }
        }
    }
}

void CDialogBase::BindLabels(const QList<std::pair<int, int>> &labelAndField)
{
    for (const auto &[labelId, fieldId] : labelAndField) {
        QWidget *heading = Control(labelId);
        QWidget *field = Control(fieldId);
        if (!heading || !field)
            continue;
        // Group captions carry spaces that only keep the frame's line off the text.
        field->setAccessibleName(AccessibleCaption(ControlText(heading)).trimmed());
        if (auto *label = qobject_cast<QLabel *>(heading))
            label->setBuddy(field);
    }
}

void CDialogBase::NameControls(const QList<ControlName> &names)
{
    for (const ControlName &name : names)
        if (QWidget *control = Control(name.id))
            NameControl(control,
                        LookupText(QStringLiteral("Accessible Names"), name.key, QString::fromLatin1(name.text)));
}

QWidget *CDialogBase::CreateButtonRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    auto *ok = new QPushButton(QStringLiteral("Ok"), row);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), row);
    auto *apply = new QPushButton(QStringLiteral("Apply"), row);
    ok->setDefault(true);
    apply->setEnabled(false);
    layout->addWidget(ok);
    layout->addWidget(cancel);
    layout->addWidget(apply);
    RegisterControl(IdOk, ok);
    RegisterControl(IdCancel, cancel);
    RegisterControl(IdApply, apply);
    connect(ok, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply, &QPushButton::clicked, this, [this] { ApplyPending(); });
    return row;
}

void CDialogBase::ApplyPending()
{
    m_keepPending = false;
    OnApply();
    if (!m_keepPending)
        SetModified(false);
}

bool CDialogBase::IsModified() const
{
    const QWidget *apply = Control(IdApply);
    return apply && apply->isEnabled();
}

void CDialogBase::SetModified(bool modified)
{
    if (QWidget *apply = Control(IdApply))
        apply->setEnabled(modified);
}

void CDialogBase::OnOk()
{
    if (IsModified()) {
        ApplyPending();
        // Refused values keep the dialog open.
        if (!IsModified())
            accept();
    } else {
        reject();
    }
}

void CDialogBase::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown || !m_layout)
        return;
    m_shown = true;
    // The size it opens with is the smallest it can take; no largest.
    if (m_resizable) {
        resize(m_layout->sizeHint().expandedTo(size()));
        setMinimumSize(size());
    } else {
        setFixedSize(m_layout->sizeHint());
    }
}
