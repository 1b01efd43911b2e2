// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/viewmode.h"

#include <QStyledItemDelegate>

class QAbstractItemView;
class QFontMetrics;

// Draws the list's rows in the three view modes: group headings across the
// whole width, tiles (large picture, share name, host under it), small
// items (picture and name) and report rows.
class CShareItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int TileWidth = 120;
    static constexpr int ListItemWidth = 160;

    CShareItemDelegate(QAbstractItemView *view, ViewMode mode);

    // Every row's size changes with the mode: the view lays out again.
    void SetMode(ViewMode mode);
    ViewMode GetMode() const { return m_mode; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The one line of a host entry in List mode: the host name gives way
    // before the state it tells ("login needed"), which shows whole when
    // `width` allows.
    static QString EntryLine(const QFontMetrics &metrics, const QString &host, const QString &state, int width);

    // A group heading: its name, then a rule to the right edge.
    void PaintHeading(QPainter *painter, const QRect &rect, const QString &text, const QPalette &palette) const;
    int RowHeight() const;

private:
    void PaintItem(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;

    // Tiles and List items are wide enough for the state of a host entry
    // in the language of the moment ("Anmeldung nötig").
    void MeasureEntryText();

    QAbstractItemView *m_view;
    ViewMode m_mode;
    int m_tileWidth = TileWidth;
    int m_listItemWidth = ListItemWidth;
};
