// SPDX-License-Identifier: GPL-3.0-or-later
#include "anchorlayout.h"

#include <QFontMetricsF>
#include <QWidget>
#include <QWidgetItem>

#include <cmath>

CAnchorLayout::CAnchorLayout(QWidget *dialog, QSize templateSize) : QLayout(dialog), m_templateSize(templateSize)
{
    setContentsMargins(0, 0, 0, 0);
}

CAnchorLayout::~CAnchorLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

QSizeF CAnchorLayout::BaseUnits() const
{
    // As the platform measures a dialog font: the mean width of the 52
    // letters, and the line height.
    const QWidget *dialog = parentWidget();
    const QFontMetricsF metrics(dialog ? dialog->font() : QFont());
    const qreal width =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0;
    return {width, metrics.height()};
}

QRect CAnchorLayout::ToPixels(QRect rect) const
{
    const QSizeF base = BaseUnits();
    auto x = [&](int v) { return int(std::lround(v * base.width() / 4.0)); };
    auto y = [&](int v) { return int(std::lround(v * base.height() / 8.0)); };
    const int left = x(rect.left());
    const int top = y(rect.top());
    return {left, top, x(rect.left() + rect.width()) - left, y(rect.top() + rect.height()) - top};
}

QSize CAnchorLayout::ToPixels(QSize size) const
{
    return ToPixels(QRect(QPoint(0, 0), size)).size();
}

CAnchorLayout::Item *CAnchorLayout::Find(QWidget *control)
{
    for (Item &item : m_items)
        if (item.item->widget() == control)
            return &item;
    return nullptr;
}

const CAnchorLayout::Item *CAnchorLayout::Find(QWidget *control) const
{
    return const_cast<CAnchorLayout *>(this)->Find(control);
}

void CAnchorLayout::Place(QWidget *control, QRect rect)
{
    addChildWidget(control);
    Item item;
    item.item = new QWidgetItem(control);
    item.dlu = rect;
    m_items.append(item);
    invalidate();
}

void CAnchorLayout::SetAnchor(QWidget *control, Anchor topLeft, Anchor bottomRight)
{
    if (Item *item = Find(control)) {
        item->topLeft = topLeft;
        item->bottomRight = bottomRight.IsNone() ? topLeft : bottomRight;
        invalidate();
    }
}

QRect CAnchorLayout::Initial(const Item &item) const
{
    return item.adjusted ? item.pixels : ToPixels(item.dlu);
}

QRect CAnchorLayout::InitialRect(QWidget *control) const
{
    const Item *item = Find(control);
    return item ? Initial(*item) : QRect();
}

void CAnchorLayout::SetInitialRect(QWidget *control, QRect pixels)
{
    if (Item *item = Find(control)) {
        item->pixels = pixels;
        item->adjusted = true;
        invalidate();
    }
}

void CAnchorLayout::addItem(QLayoutItem *item)
{
    // Widgets come through Place; anything else sits at the origin.
    Item entry;
    entry.item = item;
    m_items.append(entry);
}

QLayoutItem *CAnchorLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index].item : nullptr;
}

QLayoutItem *CAnchorLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.takeAt(index).item;
}

QSize CAnchorLayout::sizeHint() const
{
    return ToPixels(m_templateSize);
}

QSize CAnchorLayout::minimumSize() const
{
    return ToPixels(m_templateSize);
}

void CAnchorLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const QSize initial = ToPixels(m_templateSize);
    const int w0 = initial.width(), h0 = initial.height();
    const int w = rect.width(), h = rect.height();
    for (const Item &item : std::as_const(m_items)) {
        QWidget *control = item.item->widget();
        if (!control)
            continue;
        const QRect r0 = Initial(item);
        QRect r = r0;
        if (!item.topLeft.IsNone()) {
            // Offsets from the anchor points at the template size, kept at
            // the new size.
            const Anchor tl = item.topLeft, br = item.bottomRight;
            const int left = tl.x * w / 100 + (r0.left() - tl.x * w0 / 100);
            const int top = tl.y * h / 100 + (r0.top() - tl.y * h0 / 100);
            const int right = br.x * w / 100 + (r0.left() + r0.width() - br.x * w0 / 100);
            const int bottom = br.y * h / 100 + (r0.top() + r0.height() - br.y * h0 / 100);
            r = QRect(left, top, right - left, bottom - top);
        }
        r.translate(rect.topLeft());
        if (control->geometry() != r)
            control->setGeometry(r);
    }
}
