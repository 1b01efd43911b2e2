// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commandui.h"
#include "menudef.h"

#include <QMainWindow>

class CMenuBar;
class CSizableReBar;

// The frame base: a main window whose top is a rebar with the menu bar as
// its first band. Commands from menus, buttons and accelerators are routed
// to the active view first, then to the frame.
class CFrameWndEx : public QMainWindow, public CCommandTarget
{
    Q_OBJECT
public:
    // Band id of the menu bar (it has no name, so the band menu leaves it out).
    static constexpr int MenuBarBandId = 59419;

    explicit CFrameWndEx(QWidget *parent = nullptr);
    ~CFrameWndEx() override;

    CSizableReBar *ReBar() const { return m_reBar; }
    CMenuBar *MenuBar() const { return m_menuBar; }

    void SetActiveView(CCommandTarget *view) { m_activeView = view; }
    CCommandTarget *ActiveView() const { return m_activeView; }

    // Sends a command on its way; true when someone handled it.
    bool RouteCommand(int id);
    // Fills `ui` from the view or the frame.
    void RouteUpdate(CCmdUI &ui);
    // A window-wide shortcut that sends `command`.
    QAction *AddAccelerator(const QKeySequence &keys, int command);
    // The command of an accelerator key, or 0.
    int AcceleratorCommand(const QKeySequence &keys) const;

    bool OnCommand(int id) override;
    bool OnUpdateCommand(CCmdUI &ui) override;

    // What Shift+F10 does: the focused widget's context menu, as the Menu
    // key opens it.
    void OpenFocusContextMenu();

protected:
    // Builds the rebar and the menu bar band from `menu`.
    void CreateBars(const MenuDef &menu);

private:
    CSizableReBar *m_reBar = nullptr;
    CMenuBar *m_menuBar = nullptr;
    CCommandTarget *m_activeView = nullptr;
    QList<QAction *> m_accelerators;
};
