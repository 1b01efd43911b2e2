// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QAction;
class QWidget;

// What assistive technology (screen readers, over AT-SPI on Linux) reads of
// the program's controls.

// A caption as a name: without its '&' mnemonic marks ("&&" stays one '&').
QString AccessibleCaption(const QString &caption);

// Installs, once per process, the program's own accessible interfaces. A
// combo box is then named by its label (its accessible name, else its
// buddy label) and tells its current item as its value: Qt on Linux names
// it by the current item, which says nothing of what is being chosen.
void InstallAccessibleInterfaces();

// Names a control that shows no words of its own ("...", an arrow): its
// accessible name, and the same text as its tool tip for the eye.
void NameControl(QWidget *control, const QString &name);

// Sets a menu item's text from a menu text that may name its shortcut after
// a tab ("&New Network\tCtrl+N"): the item's text is what stands before the
// tab, so a screen reader reads the name alone, and the keys become the
// item's shortcut, which the menu shows where the tab put them. The
// shortcut is a widget shortcut, live only while its menu has the focus, so
// it never competes with the window's own keys; `withShortcut` false leaves
// it off (a menu that is closed). Keys that neither the portable nor the
// desktop's names can read stay in the text as they were.
void SetMenuItemText(QAction *action, const QString &text, bool withShortcut = true);
