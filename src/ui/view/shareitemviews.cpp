// SPDX-License-Identifier: GPL-3.0-or-later
#include "shareitemviews.h"

#include "shareitemdelegate.h"
#include "sharelistmodel.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int MessageGap = 10;

} // namespace

QRect CShareViewBehaviour::MessageRect(const QWidget *viewport)
{
    // The header, where there is one, lies above the viewport.
    return viewport->rect().adjusted(0, MessageGap, 0, 0);
}

void CShareViewBehaviour::PaintMessage(QWidget *viewport) const
{
    const QString text = m_message ? m_message() : QString();
    if (text.isEmpty())
        return;
    QPainter painter(viewport);
    painter.setPen(viewport->palette().color(QPalette::WindowText));
    painter.drawText(MessageRect(viewport), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
}

bool CShareViewBehaviour::HandleKey(QKeyEvent *event) const
{
    // Qt's own copy would take the drawn text, direction marks and all.
    if (event->matches(QKeySequence::Copy)) {
        if (m_copy)
            m_copy();
        event->accept();
        return true;
    }
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    if (m_activate)
        m_activate(event->modifiers());
    event->accept();
    return true;
}

void CShareViewBehaviour::HandleDoubleClick(QMouseEvent *event) const
{
    if (event->button() == Qt::LeftButton && m_activate)
        m_activate(event->modifiers());
}

CShareIconView::CShareIconView(QWidget *parent) : QListView(parent)
{
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(false);
    setSpacing(3);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionRectVisible(true);
    setMovement(QListView::Static);
}

void CShareIconView::paintEvent(QPaintEvent *event)
{
    QListView::paintEvent(event);
    PaintMessage(viewport());
}

void CShareIconView::keyPressEvent(QKeyEvent *event)
{
    if (!HandleKey(event))
        QListView::keyPressEvent(event);
}

void CShareIconView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListView::mouseDoubleClickEvent(event);
    HandleDoubleClick(event);
}

void CShareIconView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    // Headings span the width, and the message is centred.
    scheduleDelayedItemsLayout();
    viewport()->update();
}

CShareDetailsView::CShareDetailsView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
}

void CShareDetailsView::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.data(CShareListModel::HeadingRole).toBool()) {
        // One heading across all columns, without spanning rows (spans are
        // costly to keep with many rows).
        if (auto *delegate = qobject_cast<CShareItemDelegate *>(itemDelegate())) {
            const QRect rect(0, option.rect.top(), viewport()->width(), option.rect.height());
            delegate->PaintHeading(painter, rect, index.data().toString(), option.palette);
        }
        return;
    }
    QTreeView::drawRow(painter, option, index);
}

void CShareDetailsView::paintEvent(QPaintEvent *event)
{
    QTreeView::paintEvent(event);
    PaintMessage(viewport());
}

void CShareDetailsView::keyPressEvent(QKeyEvent *event)
{
    if (!HandleKey(event))
        QTreeView::keyPressEvent(event);
}

void CShareDetailsView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    HandleDoubleClick(event);
}
