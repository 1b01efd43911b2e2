// SPDX-License-Identifier: GPL-3.0-or-later
#include "shareitemdelegate.h"

#include "lanterraview.h"
#include "sharelistmodel.h"

#include "settings/languagetable.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

CShareItemDelegate::CShareItemDelegate(QAbstractItemView *view, ViewMode mode)
    : QStyledItemDelegate(view), m_view(view), m_mode(mode)
{
    MeasureEntryText();
    connect(&CLanguageNotifier::instance(), &CLanguageNotifier::languageChanged, this, [this] {
        MeasureEntryText();
        emit sizeHintChanged(QModelIndex());
    });
}

void CShareItemDelegate::MeasureEntryText()
{
    // What PaintItem leaves for the text beside the picture: 2 pixels each
    // side, the picture and 5 pixels after it.
    const QFontMetrics metrics = m_view->fontMetrics();
    const int state = metrics.horizontalAdvance(CLanterraView::LoginNeededText()) + 2;
    m_tileWidth = std::max(int(TileWidth), 2 + 32 + 5 + state + 2);
    // In one line: a host name of ten average characters before it.
    m_listItemWidth = std::max(int(ListItemWidth), 2 + 16 + 5 + 10 * metrics.averageCharWidth()
                                                       + metrics.horizontalAdvance(QStringLiteral(": ")) + state + 2);
}

QString CShareItemDelegate::EntryLine(const QFontMetrics &metrics, const QString &host, const QString &state, int width)
{
    const QString separator = QStringLiteral(": ");
    // The host gives way to a short state ("login needed"), which then stays
    // whole. A long one (a moved host's) that would leave the host less than
    // a few letters gives way itself, after half the line for the host, so
    // the entry still says whose it is.
    const int stateRoom = width - metrics.horizontalAdvance(separator + state);
    const int hostWidth = metrics.horizontalAdvance(host);
    const int hostRoom = stateRoom >= 4 * metrics.averageCharWidth() ? stateRoom : std::min(hostWidth, width / 2);
    // Measured apart: elidedText may cut a text given exactly its own width.
    const QString shownHost =
        hostWidth <= hostRoom ? host : metrics.elidedText(host, Qt::ElideRight, std::max(hostRoom, 0));
    const int rest = width - metrics.horizontalAdvance(shownHost + separator);
    if (metrics.horizontalAdvance(state) <= rest)
        return shownHost + separator + state;
    return shownHost + separator + metrics.elidedText(state, Qt::ElideRight, std::max(rest, 0));
}

void CShareItemDelegate::SetMode(ViewMode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    emit sizeHintChanged(QModelIndex());
}

int CShareItemDelegate::RowHeight() const
{
    return std::max(18, m_view->fontMetrics().height() + 4);
}

QSize CShareItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Sizes come from the font alone: the list asks for every row's size on
    // each layout, and with many thousands of rows that must stay cheap.
    const QFontMetrics metrics = m_view->fontMetrics();
    const bool heading = index.data(CShareListModel::HeadingRole).toBool();
    switch (m_mode) {
    case ModeTiles:
    case ModeList:
        if (heading) {
            // As wide as the list, so a heading always stands on a row of its own.
            const int width = m_view->viewport()->width() - 2 * 6 - 1;
            return {std::max(width, 40), metrics.height() + 12};
        }
        if (m_mode == ModeTiles)
            return {m_tileWidth, std::max(36, 2 * metrics.height() + 6)};
        return {m_listItemWidth, RowHeight()};
    case ModeDetails:
        break;
    }
    QSize size = heading ? QSize(40, RowHeight()) : QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(RowHeight());
    return size;
}

void CShareItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.data(CShareListModel::HeadingRole).toBool()) {
        PaintHeading(painter, option.rect, index.data().toString(), option.palette);
        return;
    }
    if (m_mode == ModeDetails) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    PaintItem(painter, option, index);
}

void CShareItemDelegate::PaintHeading(QPainter *painter, const QRect &rect, const QString &text,
                                      const QPalette &palette) const
{
    painter->save();
    QFont font = m_view->font();
    font.setBold(true);
    painter->setFont(font);
    const QFontMetrics metrics(font);
    const QRect textRect = rect.adjusted(4, 0, -4, 0);
    const QString shown = metrics.elidedText(text, Qt::ElideRight, textRect.width());
    painter->setPen(palette.color(QPalette::Link));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    const int ruleLeft = textRect.left() + metrics.horizontalAdvance(shown) + 8;
    if (ruleLeft < rect.right() - 4) {
        painter->setPen(palette.color(QPalette::Mid));
        const int y = rect.center().y() + 1;
        painter->drawLine(ruleLeft, y, rect.right() - 4, y);
    }
    painter->restore();
}

void CShareItemDelegate::PaintItem(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    opt.icon = QIcon();
    // Background, selection and focus as the style draws them.
    QStyle *style = m_view->style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, m_view);

    const bool tiles = m_mode == ModeTiles;
    const int iconSize = tiles ? 32 : 16;
    const QRect rect = option.rect.adjusted(2, 0, -2, 0);
    const QRect iconRect(rect.left(), rect.top() + (rect.height() - iconSize) / 2, iconSize, iconSize);
    const QIcon icon = qvariant_cast<QIcon>(index.data(Qt::DecorationRole));
    icon.paint(painter, iconRect, Qt::AlignCenter, (option.state & QStyle::State_Enabled) ? QIcon::Normal : QIcon::Disabled);

    const QRect textRect(iconRect.right() + 5, rect.top(), rect.right() - iconRect.right() - 5, rect.height());
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    const QColor textColor = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QFontMetrics metrics = m_view->fontMetrics();
    painter->save();
    painter->setPen(textColor);
    QString text = index.data().toString();
    // A host entry's line tells its state; in one line it names the host too.
    const bool entry = index.data(CShareListModel::EntrySlotRole).toInt() >= 0;
    if (entry && !tiles)
        text = EntryLine(metrics, index.data(CShareListModel::HostTextRole).toString(), text, textRect.width());
    const QString name = metrics.elidedText(text, Qt::ElideRight, textRect.width());
    if (!tiles) {
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
    } else {
        const int lineHeight = metrics.height();
        const int top = textRect.top() + (textRect.height() - 2 * lineHeight) / 2;
        painter->drawText(QRect(textRect.left(), top, textRect.width(), lineHeight),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
        const QString host = index.data(CShareListModel::HostTextRole).toString();
        painter->setPen(selected ? textColor : option.palette.color(group, QPalette::PlaceholderText));
        painter->drawText(QRect(textRect.left(), top + lineHeight, textRect.width(), lineHeight),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          metrics.elidedText(host, Qt::ElideRight, textRect.width()));
    }
    painter->restore();
}
