// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolbarpopup.h"

#include "toolbarex.h"

#include <QScreen>

CToolBarPopup::CToolBarPopup(CToolBarEx *toolBar, QWidget *parent) : QMenu(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    const QList<QAction *> hidden = toolBar->HiddenActions();
    for (QAction *source : hidden) {
        if (source->isSeparator()) {
            addSeparator();
            continue;
        }
        // Drop-down buttons bring their menu along: the menu is what their
        // button does, the action alone does nothing.
        QMenu *dropDown = source->menu() ? source->menu() : toolBar->DropDown(source->data().toInt());
        QAction *entry = dropDown ? addMenu(dropDown) : addAction(source->icon(), source->text());
        entry->setText(source->text());
        entry->setIcon(source->icon());
        entry->setEnabled(source->isEnabled());
        entry->setToolTip(source->toolTip());
        if (!dropDown)
            connect(entry, &QAction::triggered, source, &QAction::trigger);
    }
}

void CToolBarPopup::ShowBelow(const QWidget *anchor)
{
    const QRect button(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    const QSize size = sizeHint();
    QRect screen = anchor->screen() ? anchor->screen()->availableGeometry() : QRect(QPoint(0, 0), size);
    // Below the chevron if it fits, else above it; never over it.
    QPoint pos(button.left(), button.bottom() + 1);
    if (pos.y() + size.height() > screen.bottom())
        pos.setY(button.top() - size.height());
    pos.setX(std::clamp(pos.x(), screen.left(), std::max(screen.left(), screen.right() - size.width())));
    popup(pos);
}
