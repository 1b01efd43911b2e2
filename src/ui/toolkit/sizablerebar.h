// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/settings.h"

#include <QPointer>
#include <QWidget>

class QMenu;

// A container of bands in rows, in the manner of a rebar: each band holds one
// child bar, has an id and a display name, can be hidden, can start a new
// row, and has a width the user changes by dragging its gripper. The whole
// arrangement round-trips through the settings' band records.
class CSizableReBar : public QWidget
{
    Q_OBJECT
public:
    // Band style bits kept in the settings.
    static constexpr int StyleBreak = 0x1;
    static constexpr int StyleHidden = 0x8;
    // Locked bands carry this bit, so the lock comes back with the layout.
    static constexpr int StyleNoGripper = 0x100;
    // Height of the sizing edge below the bands.
    static constexpr int SizingEdge = 4;

    explicit CSizableReBar(QWidget *parent = nullptr);
    ~CSizableReBar() override;

    // A band without a name is not offered in the context menu.
    bool AddBand(QWidget *child, int id, const QString &name = {}, bool menuDisabled = false, int style = 0);
    void SetBandName(int id, const QString &name);

    int BandCount() const { return int(m_bands.size()); }
    int BandId(int position) const;
    int BandPosition(int id) const;
    QWidget *BandChild(int id) const;
    bool IsBandVisible(int id) const;
    void ShowBand(int id, bool show);
    int BandWidth(int id) const;
    void SetBandWidth(int id, int cx);
    bool IsBandNewRow(int id) const;
    // The band is never laid out narrower than its child's `width`.
    void SetBandMinWidth(int id, int width);
    // The width the widest row needs to show its bands at their widths and
    // its last band whole.
    int IdealRowWidth() const;
    // Where the band's child sits, in this widget's coordinates.
    QRect BandRect(int id) const;

    // Moves the band at `position` into row `row` (Rows() numbering; one
    // past the last makes a new row) before the first band whose middle
    // lies right of `x`.
    void MoveBand(int position, int row, int x);

    // Locked bands show no gripper and can be neither resized nor moved.
    void SetLocked(bool locked);
    bool IsLocked() const { return m_locked; }

    void SetBackground(const QBrush &brush);

    // The band records in display order: id, width, style bits.
    QList<ToolbarBand> GetBandLayout() const;
    // Moves the band of entry j to position j and gives it entry j's width
    // and style; bands or entries left over stay as they are.
    void SetBandLayout(const QList<ToolbarBand> &layout);

    // The band context menu: one checkable entry per named band.
    QMenu *CreateContextMenu(QWidget *parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void bandVisibilityChanged(int id, bool visible);
    // The user let go of the sizing edge: the frame lays its bars out again.
    void sizingEdgeReleased();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct Band
    {
        int id = 0;
        QString name;
        bool menuDisabled = false;
        int style = 0;
        int cx = 0;
        int minChild = 0;
        QPointer<QWidget> child;
        QRect rect; // whole band including the gripper
    };

    int GripperWidth() const;
    int MinimumWidth(const Band &band) const;
    // The band's gripper and all its child would like.
    int IdealWidth(const Band &band) const;
    int RowHeight(const QList<int> &row) const;
    QList<QList<int>> Rows() const;
    void Relayout();
    int BandAtGripper(const QPoint &pos) const;
    int PreviousInRow(int position) const;

    QList<Band> m_bands;
    bool m_locked = false;
    QBrush m_background;
    int RowAt(int y) const;
    // The sizing edge dragged by `rows`: down splits the widest row, up
    // joins the last row to the one above.
    void SizeByRows(int rows);

    int m_dragBand = -1; // the band whose width a gripper drag changes
    int m_moveBand = -1; // the band whose gripper is being dragged
    int m_dragStartX = 0;
    int m_dragStartCx = 0;
    int m_edgeDragY = -1; // where a drag of the sizing edge started
};
