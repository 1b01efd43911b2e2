// SPDX-License-Identifier: GPL-3.0-or-later
#include "framewndex.h"

#include "accessibility.h"
#include "menubar.h"
#include "sizablerebar.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>

CFrameWndEx::CFrameWndEx(QWidget *parent) : QMainWindow(parent)
{
    InstallAccessibleInterfaces();
}

CFrameWndEx::~CFrameWndEx() = default;

void CFrameWndEx::CreateBars(const MenuDef &menu)
{
    m_reBar = new CSizableReBar(this);
    m_menuBar = new CMenuBar(m_reBar);
    m_menuBar->LoadMenu(menu);
    m_menuBar->SetUpdateHandler([this](CCmdUI &ui) { RouteUpdate(ui); });
    connect(m_menuBar, &CMenuBar::commandRequested, this, [this](int id) { RouteCommand(id); });
    m_reBar->AddBand(m_menuBar, MenuBarBandId);
    setMenuWidget(m_reBar);
    // F10, the window-menu key, gives the keyboard to the menu bar.
    auto *menuKey = new QAction(this);
    menuKey->setShortcut(QKeySequence(Qt::Key_F10));
    menuKey->setShortcutContext(Qt::WindowShortcut);
    connect(menuKey, &QAction::triggered, m_menuBar, &CMenuBar::EnterKeyboardMode);
    addAction(menuKey);
    // Shift+F10 is the context-menu key of keyboards without one: whatever
    // has the focus gets the same request the Menu key would give it.
    auto *contextKey = new QAction(this);
    contextKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    contextKey->setShortcutContext(Qt::WindowShortcut);
    connect(contextKey, &QAction::triggered, this, &CFrameWndEx::OpenFocusContextMenu);
    addAction(contextKey);
}

void CFrameWndEx::OpenFocusContextMenu()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus || focus->window() != this)
        return;
    const QPoint inside = focus->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, inside, focus->mapToGlobal(inside));
    QApplication::sendEvent(focus, &request);
}

bool CFrameWndEx::RouteCommand(int id)
{
    if (m_activeView && m_activeView->OnCommand(id))
        return true;
    return OnCommand(id);
}

void CFrameWndEx::RouteUpdate(CCmdUI &ui)
{
    if (m_activeView && m_activeView->OnUpdateCommand(ui))
        return;
    OnUpdateCommand(ui);
}

QAction *CFrameWndEx::AddAccelerator(const QKeySequence &keys, int command)
{
    auto *action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setData(command);
    connect(action, &QAction::triggered, this, [this, command] { RouteCommand(command); });
    addAction(action);
    m_accelerators.append(action);
    return action;
}

int CFrameWndEx::AcceleratorCommand(const QKeySequence &keys) const
{
    for (const QAction *action : m_accelerators)
        if (action->shortcut() == keys)
            return action->data().toInt();
    return 0;
}

bool CFrameWndEx::OnCommand(int)
{
    return false;
}

bool CFrameWndEx::OnUpdateCommand(CCmdUI &)
{
    return false;
}
