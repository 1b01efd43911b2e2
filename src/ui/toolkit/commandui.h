// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The state a command shows in menus and on buttons, asked for right before
// a menu opens and on the frame's idle updates.
struct CCmdUI
{
    int id = 0;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
    // Shown as a radio mark instead of a check mark.
    bool radio = false;
    // A handler that answers sets `handled`; unanswered commands stay enabled.
    bool handled = false;

    void Enable(bool on = true) { enabled = on; handled = true; }
    void SetCheck(bool on) { checkable = true; checked = on; handled = true; }
    void SetRadio(bool on) { checkable = true; radio = true; checked = on; handled = true; }
};

// Anything commands are routed through: the active view first, then the frame.
class CCommandTarget
{
public:
    virtual ~CCommandTarget() = default;
    // True when the command was handled.
    virtual bool OnCommand(int id) = 0;
    // True when the state was set.
    virtual bool OnUpdateCommand(CCmdUI &ui) = 0;
};
