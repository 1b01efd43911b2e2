// SPDX-License-Identifier: GPL-3.0-or-later
#include "menubar.h"

#include "accessibility.h"
#include "qttranslations.h"

#include "settings/languagetable.h"
#include "ui/textkeys.h"

#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QProxyStyle>
#include <QToolButton>

#include <map>

namespace {

const QString TopMenuSection = QStringLiteral("Top Menu");
const QString MainMenuSection = QStringLiteral("Main Menu");
const QString WindowMenuSection = QStringLiteral("Window Menu");
const QString AccessibleSection = QStringLiteral("Accessible Names");
// Where a menu item keeps its built-in text, the default of its lookups.
constexpr auto BuiltInTextProperty = "lanterraBuiltInText";

// Alt on its own puts the bar into keyboard mode whatever the desktop's
// style says about it.
class AltNavigationStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

QString WindowMenuText(int command)
{
    static const std::map<int, QString> builtIn = {
        {WindowMenuRestore, QStringLiteral("&Restore")},   {WindowMenuMove, QStringLiteral("&Move")},
        {WindowMenuSize, QStringLiteral("&Size")},         {WindowMenuMinimize, QStringLiteral("Mi&nimize")},
        {WindowMenuMaximize, QStringLiteral("Ma&ximize")}, {WindowMenuClose, QStringLiteral("&Close\tAlt+F4")},
    };
    const auto found = builtIn.find(command);
    if (found == builtIn.end())
        return {};
    return NativeShortcutText(LookupText(WindowMenuSection, command, found->second));
}

CMenuBar::CMenuBar(QWidget *parent) : QMenuBar(parent)
{
    // Always a bar inside the window, never a desktop-wide global menu.
    setNativeMenuBar(false);
    auto *navigation = new AltNavigationStyle;
    navigation->setParent(this);
    setStyle(navigation);

    // The first button shows the window's icon and opens the window menu.
    m_windowMenu = new QMenu(this);
    m_windowButton = new QToolButton(this);
    m_windowButton->setAutoRaise(true);
    m_windowButton->setPopupMode(QToolButton::InstantPopup);
    m_windowButton->setMenu(m_windowMenu);
    m_windowButton->setIconSize(QSize(16, 16));
    m_windowButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    setCornerWidget(m_windowButton, Qt::TopLeftCorner);
    connect(m_windowMenu, &QMenu::aboutToShow, this, &CMenuBar::UpdateWindowMenu);
}

void CMenuBar::LoadMenu(const MenuDef &menu)
{
    setUpdatesEnabled(false);
    clear();
    m_popups.clear();
    if (QWidget *frame = window())
        m_windowButton->setIcon(frame->windowIcon());
    NameControl(m_windowButton,
                LookupText(AccessibleSection, AccessibleText::WindowMenu, QStringLiteral("Window menu")));
    for (int position = 0; position < menu.size(); ++position) {
        const MenuItemDef &item = menu[position];
        const QString text = LookupText(TopMenuSection, position, item.text);
        if (item.command == MenuItemDef::Separator) {
            addSeparator();
        } else if (item.command == MenuItemDef::Popup) {
            QMenu *popup = addMenu(text);
            FillMenu(popup, item.items);
            m_popups.append(popup);
        } else {
            QAction *action = addAction(text);
            action->setData(item.command);
            const int command = item.command;
            connect(action, &QAction::triggered, this, [this, command] { emit commandRequested(command); });
        }
    }
    setUpdatesEnabled(true);
}

QAction *CMenuBar::CommandAction(int command) const
{
    for (QMenu *popup : m_popups) {
        const QList<QAction *> actions = popup->findChildren<QAction *>();
        for (QAction *action : actions)
            if (!action->isSeparator() && !action->menu() && action->data().toInt() == command)
                return action;
    }
    return nullptr;
}

QMenu *CMenuBar::PopupAt(int position) const
{
    return position >= 0 && position < m_popups.size() ? m_popups[position] : nullptr;
}

void CMenuBar::PrepareMenu(QMenu *menu)
{
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->isSeparator())
            continue;
        const int command = action->data().toInt();
        // The built-in text is the item's own, kept aside: the text shown
        // names its shortcut keys in the language of the moment.
        const QString builtIn = action->property(BuiltInTextProperty).toString();
        if (action->menu()) {
            if (command)
                action->setText(LookupText(MainMenuSection, command, builtIn));
            continue;
        }
        SetMenuItemText(action, LookupText(MainMenuSection, command, builtIn));
        CCmdUI ui;
        ui.id = command;
        if (m_update)
            m_update(ui);
        action->setEnabled(ui.enabled);
        action->setCheckable(ui.checkable);
        if (ui.checkable)
            action->setChecked(ui.checked);
        if (ui.radio && !action->actionGroup()) {
            // Menus draw a radio mark for actions of an exclusive group.
            auto *group = new QActionGroup(action);
            group->addAction(action);
        }
        if (!ui.radio && action->actionGroup())
            action->actionGroup()->removeAction(action);
    }
}

void CMenuBar::FillMenu(QMenu *menu, const QList<MenuItemDef> &items)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { PrepareMenu(menu); });
    // A closed menu's items take no keys: the window's own accelerators do.
    connect(menu, &QMenu::aboutToHide, this, [menu] {
        for (QAction *action : menu->actions())
            action->setShortcut({});
    });
    for (const MenuItemDef &item : items) {
        if (item.command == MenuItemDef::Separator) {
            menu->addSeparator();
        } else if (item.command == MenuItemDef::Popup) {
            QMenu *popup = menu->addMenu(item.text);
            popup->menuAction()->setProperty(BuiltInTextProperty, item.text);
            popup->menuAction()->setData(item.textKey);
            FillMenu(popup, item.items);
        } else {
            QAction *action = menu->addAction(QString());
            SetMenuItemText(action, item.text, false);
            action->setProperty(BuiltInTextProperty, item.text);
            action->setData(item.command);
            const int command = item.command;
            connect(action, &QAction::triggered, this, [this, command] { emit commandRequested(command); });
        }
    }
}

void CMenuBar::UpdateWindowMenu()
{
    m_windowMenu->clear();
    QWidget *frame = window();
    if (!frame)
        return;
    const auto add = [this](int command, auto &&act) {
        QAction *action = m_windowMenu->addAction(QString());
        SetMenuItemText(action, WindowMenuText(command));
        connect(action, &QAction::triggered, m_windowMenu, act);
        return action;
    };
    QAction *restore = add(WindowMenuRestore, [frame] { frame->showNormal(); });
    restore->setEnabled(frame->isMaximized() || frame->isMinimized());
    add(WindowMenuMinimize, [frame] { frame->showMinimized(); });
    QAction *maximize = add(WindowMenuMaximize, [frame] { frame->showMaximized(); });
    maximize->setEnabled(!frame->isMaximized());
    m_windowMenu->addSeparator();
    add(WindowMenuClose, [frame] { frame->close(); });
}

void CMenuBar::EnterKeyboardMode()
{
    if (actions().isEmpty())
        return;
    // The bar's own keyboard mode starts on a lone Alt press and release.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window();
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}
