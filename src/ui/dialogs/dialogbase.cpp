#include "dialogbase.h"

#include "settings/languagetable.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

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
    else if (auto *label = qobject_cast<QLabel *>(control))
        label->setText(text);
    else if (auto *group = qobject_cast<QGroupBox *>(control))
        group->setTitle(text);
}

} // namespace

CDialogBase::CDialogBase(int templateId, const QString &section, const QString &defaultTitle, QWidget *parent)
    : QDialog(parent), m_templateId(templateId), m_section(section), m_defaultTitle(defaultTitle)
{
    setWindowTitle(defaultTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/lanterra.svg")));
}

QWidget *CDialogBase::Control(int id) const
{
    auto it = m_controls.find(id);
    return it != m_controls.end() ? it->second : nullptr;
}

void CDialogBase::RegisterControl(int id, QWidget *control)
{
    m_controls[id] = control;
    control->setProperty("controlId", id);
}

void CDialogBase::TranslateCaptions(const QList<int> &ids)
{
    for (int id : ids)
        if (QWidget *control = Control(id))
            SetControlText(control, LookupText(m_section, id, ControlText(control)));
    setWindowTitle(LookupText(m_section, m_templateId, m_defaultTitle));
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
    connect(ok, &QPushButton::clicked, this, &CDialogBase::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply, &QPushButton::clicked, this, [this] {
        OnApply();
        SetModified(false);
    });
    return row;
}

void CDialogBase::SetModified(bool modified)
{
    if (QWidget *apply = Control(IdApply))
        apply->setEnabled(modified);
}

void CDialogBase::OnOk()
{
    // Ok with pending changes applies them; without, it closes as Cancel does.
    QWidget *apply = Control(IdApply);
    if (apply && apply->isEnabled()) {
        OnApply();
        accept();
    } else {
        reject();
    }
}
