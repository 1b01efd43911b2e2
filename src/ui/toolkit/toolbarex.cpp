// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolbarex.h"

#include "plaintext.h"
#include "toolbarpopup.h"

#include "settings/languagetable.h"

#include <QToolButton>

namespace {

const QString HintsSection = QStringLiteral("ToolBar Hints");

} // namespace

CToolBarEx::CToolBarEx(QWidget *parent) : QToolBar(parent)
{
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    HookChevron();
}

void CToolBarEx::SetImages(const QList<QIcon> &images)
{
    m_images = images;
    for (const ToolBarButton &button : std::as_const(m_buttons))
        if (QAction *action = CommandAction(button.command))
            action->setIcon(m_images.value(button.image));
}

void CToolBarEx::SetImage(int index, const QIcon &icon)
{
    if (index < 0)
        return;
    while (m_images.size() <= index)
        m_images.append(QIcon());
    m_images[index] = icon;
    for (const ToolBarButton &button : std::as_const(m_buttons))
        if (button.image == index)
            if (QAction *action = CommandAction(button.command))
                action->setIcon(icon);
}

void CToolBarEx::SetButtons(const QList<ToolBarButton> &buttons, int textOption)
{
    m_buttons = buttons;
    m_textOption = textOption;
    Rebuild();
}

void CToolBarEx::SetTextOption(int option)
{
    m_textOption = option;
    Rebuild();
}

void CToolBarEx::SetDropDown(int command, QMenu *menu)
{
    m_dropDowns[command] = menu;
    if (QToolButton *button = CommandButton(command)) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
    }
}

QMenu *CToolBarEx::DropDown(int command) const
{
    const auto found = m_dropDowns.find(command);
    return found != m_dropDowns.end() ? found->second : nullptr;
}

QAction *CToolBarEx::CommandAction(int command) const
{
    if (command == 0)
        return nullptr;
    const QList<QAction *> all = actions();
    for (QAction *action : all)
        if (!action->isSeparator() && action->data().toInt() == command)
            return action;
    return nullptr;
}

QToolButton *CToolBarEx::CommandButton(int command) const
{
    QAction *action = CommandAction(command);
    return action ? qobject_cast<QToolButton *>(widgetForAction(action)) : nullptr;
}

void CToolBarEx::Retranslate()
{
    for (const ToolBarButton &button : std::as_const(m_buttons)) {
        if (QAction *action = CommandAction(button.command)) {
            action->setText(GetButtonText(button.command));
            action->setToolTip(PlainToolTip(GetButtonTip(button.command)));
        }
    }
    ApplyButtonStyles();
}

QString CToolBarEx::GetButtonText(int command) const
{
    auto it = m_prompts.find(command);
    return LookupText(HintsSection, command, it != m_prompts.end() ? it->second : QString());
}

bool CToolBarEx::HasButtonTextOnRight(int) const
{
    return true;
}

QList<QAction *> CToolBarEx::HiddenActions() const
{
    QList<QAction *> hidden;
    const QList<QAction *> all = actions();
    for (QAction *action : all) {
        QWidget *widget = widgetForAction(action);
        if (action->isVisible() && widget && widget->isHidden())
            hidden.append(action);
    }
    // No separator at either end.
    while (!hidden.isEmpty() && hidden.first()->isSeparator())
        hidden.removeFirst();
    while (!hidden.isEmpty() && hidden.last()->isSeparator())
        hidden.removeLast();
    return hidden;
}

void CToolBarEx::Rebuild()
{
    setUpdatesEnabled(false);
    clear();
    for (const ToolBarButton &button : std::as_const(m_buttons)) {
        if (button.command == 0) {
            addSeparator();
            continue;
        }
        QAction *action = addAction(m_images.value(button.image), GetButtonText(button.command));
        action->setData(button.command);
        action->setToolTip(PlainToolTip(GetButtonTip(button.command)));
        const int command = button.command;
        connect(action, &QAction::triggered, this, [this, command] { emit commandRequested(command); });
        auto dropDown = m_dropDowns.find(command);
        if (dropDown != m_dropDowns.end())
            SetDropDown(command, dropDown->second);
    }
    ApplyButtonStyles();
    setUpdatesEnabled(true);
}

void CToolBarEx::ApplyButtonStyles()
{
    switch (m_textOption) {
    case ShowTextLabels:
        setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        break;
    case SelectiveTextOnRight:
        setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        for (const ToolBarButton &button : std::as_const(m_buttons))
            if (QToolButton *widget = CommandButton(button.command))
                widget->setToolButtonStyle(HasButtonTextOnRight(button.command) ? Qt::ToolButtonTextBesideIcon
                                                                                 : Qt::ToolButtonIconOnly);
        break;
    default:
        setToolButtonStyle(Qt::ToolButtonIconOnly);
        break;
    }
    updateGeometry();
}

void CToolBarEx::HookChevron()
{
    // The bar's own extension button would unfold the bar in place, which
    // only works inside a main window's dock area; here it opens our pop-up.
    auto *chevron = findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
    if (!chevron)
        return;
    disconnect(chevron, &QAbstractButton::clicked, nullptr, nullptr);
    chevron->setCheckable(false);
    connect(chevron, &QAbstractButton::clicked, this, &CToolBarEx::ShowChevronPopup);
}

void CToolBarEx::ShowChevronPopup()
{
    auto *chevron = findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
    if (!chevron || HiddenActions().isEmpty())
        return;
    auto *popup = new CToolBarPopup(this, this);
    popup->ShowBelow(chevron);
}
