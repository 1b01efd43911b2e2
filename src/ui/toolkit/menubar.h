// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commandui.h"
#include "menudef.h"

#include <QMenuBar>

#include <functional>

class QToolButton;

// The window commands of a window menu (the platform's numbers), which are
// also their entries' numbers in the language section "Window Menu".
enum WindowMenuCommand {
    WindowMenuSize = 0xF000,
    WindowMenuMove = 0xF010,
    WindowMenuMinimize = 0xF020,
    WindowMenuMaximize = 0xF030,
    WindowMenuClose = 0xF060,
    WindowMenuRestore = 0xF120,
};
// The text of a window menu item in the language in use.
QString WindowMenuText(int command);

// The window's menu as a row of flat buttons inside the rebar. Top-level
// texts are looked up under "Top Menu" by position, item texts under
// "Main Menu" by command each time a menu opens.
class CMenuBar : public QMenuBar
{
    Q_OBJECT
public:
    using UpdateHandler = std::function<void(CCmdUI &)>;

    explicit CMenuBar(QWidget *parent = nullptr);

    // Rebuilds every button from the menu; run again after a language change.
    void LoadMenu(const MenuDef &menu);
    // Asked for each item's state right before its menu opens.
    void SetUpdateHandler(UpdateHandler handler) { m_update = std::move(handler); }

    // The action of a command in the loaded menu, or null.
    QAction *CommandAction(int command) const;
    // The pop-up of top-level position `position`, or null.
    QMenu *PopupAt(int position) const;
    // Translates and updates the items of `menu` as if it were opening.
    void PrepareMenu(QMenu *menu);
    // Keyboard access without opening a menu (F10, or Alt on its own): the
    // bar takes the focus and highlights its first button.
    void EnterKeyboardMode();

signals:
    void commandRequested(int command);

private:
    void FillMenu(QMenu *menu, const QList<MenuItemDef> &items);
    void UpdateWindowMenu();

    UpdateHandler m_update;
    QList<QMenu *> m_popups;
    QToolButton *m_windowButton = nullptr;
    QMenu *m_windowMenu = nullptr;
};
