// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>

class CToolBarEx;

// The chevron's pop-up: the buttons of a toolbar that do not fit, in a
// column below the chevron. Choosing one closes it and runs the button's
// command; a click elsewhere just closes it.
class CToolBarPopup : public QMenu
{
    Q_OBJECT
public:
    CToolBarPopup(CToolBarEx *toolBar, QWidget *parent = nullptr);

    // Places the pop-up under `anchor` (or wherever it fits on the screen).
    void ShowBelow(const QWidget *anchor);
};
