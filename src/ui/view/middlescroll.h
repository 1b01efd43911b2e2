// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBasicTimer>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QAbstractScrollArea;

// Scrolling with the middle mouse button: a press in the list shows a small
// round marker there; while it is shown the list scrolls towards the mouse,
// faster the farther the mouse is from the marker. A second middle press or
// the marker losing the focus ends it.
namespace MiddleScroll {

enum Direction { Up, Down, Left, Right, Rest };

// Pixels per scroll unit, milliseconds per step, half the marker's size.
constexpr int PixelsPerUnit = 17;
constexpr int StepInterval = 20;
constexpr int MarkerSize = 30;
constexpr int MarkerHalf = 15;

struct Step
{
    Direction direction = Rest;
    int speed = 0; // scroll units per step
};

// The step for the mouse at `delta` from the origin: speed is the larger
// distance divided by 8; the larger axis gives the direction, the vertical
// one on a tie; within 4 pixels both ways the mouse is at rest.
Step StepFor(QPoint delta);

// The pixels to scroll for `units` (of PixelsPerUnit) in `direction` from
// the scroll position `position` within 0..`limit`, both in pixels; nothing
// in a direction the list cannot scroll, and nothing beyond the ends.
QPoint ScrollPixels(int units, Direction direction, bool noVertical, bool noHorizontal, QPoint position,
                    QPoint limit);

// Left edge of the marker picture in use: 0 both directions, 26 horizontal
// only, 52 vertical only.
int PictureOffset(bool noVertical, bool noHorizontal);

// Watches `view`'s middle presses and starts the marker on them. The
// marker moves scroll bars by pixels: an item view is made to scroll by
// pixels too (by item, a few pixels of mouse would move whole rows).
void Install(QAbstractScrollArea *view);

} // namespace MiddleScroll

// The marker window. It holds the mouse while it exists and deletes itself
// when it ends.
class CMiddleScrollMarker : public QWidget
{
    Q_OBJECT
public:
    // Starts scrolling `view` from the mouse's position; nullptr (and no
    // marker) when the list can scroll in neither direction.
    static CMiddleScrollMarker *Start(QAbstractScrollArea *view);
    // The marker now running, if any.
    static CMiddleScrollMarker *Active();

    // One scroll step with the mouse at `cursor` (the view's viewport
    // coordinates); what the timer does with the real mouse.
    void StepAt(QPoint cursor);
    // The id of the step timer's events (a test sends them to step in time
    // with its own checks).
    int TimerId() const { return m_timer.timerId(); }
    void End();

    QPoint Origin() const { return m_origin; }
    int PictureOffsetInUse() const { return m_pictureOffset; }
    MiddleScroll::Direction CursorDirection() const { return m_cursorDirection; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    CMiddleScrollMarker(QAbstractScrollArea *view, bool noVertical, bool noHorizontal);

    QPointer<QAbstractScrollArea> m_target;
    QPoint m_origin;
    bool m_noVertical = false;
    bool m_noHorizontal = false;
    QPixmap m_picture;
    int m_pictureOffset = 0;
    QBasicTimer m_timer;
    MiddleScroll::Direction m_cursorDirection = MiddleScroll::Rest;
    bool m_ending = false;
};
