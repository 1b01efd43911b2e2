// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Whether the window manager leaves a top-level window out of taskbars
// (_NET_WM_STATE_SKIP_TASKBAR on X11). Qt's tool windows get no button from
// some window managers only, so the state is asked for in so many words.
// Both do nothing, or answer false, where the display is not an X server.
void SetSkipTaskbarHint(QWidget *window, bool skip);
bool HasSkipTaskbarHint(QWidget *window);
