// SPDX-License-Identifier: GPL-3.0-or-later
#include "middlescroll.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <cstdlib>

namespace MiddleScroll {

Step StepFor(QPoint delta)
{
    const int ax = std::abs(delta.x());
    const int ay = std::abs(delta.y());
    Step step;
    step.speed = std::max(ax, ay) / 8;
    if (ax > ay)
        step.direction = delta.x() <= 0 ? Left : Right;
    else
        step.direction = delta.y() <= 0 ? Up : Down;
    if (step.speed == 0 && ax < 5 && ay < 5)
        step.direction = Rest;
    return step;
}

QPoint ScrollPixels(int units, Direction direction, bool noVertical, bool noHorizontal, QPoint position,
                    QPoint limit)
{
    const bool vertical = direction == Up || direction == Down;
    if (direction == Rest || (vertical && noVertical) || (!vertical && noHorizontal))
        return {};
    int h = position.x();
    int v = position.y();
    const int pixels = units * PixelsPerUnit;
    if (direction == Left)
        h -= pixels;
    else if (direction == Right)
        h += pixels;
    else if (direction == Up)
        v -= pixels;
    else
        v += pixels;
    h = std::clamp(h, 0, std::max(0, limit.x()));
    v = std::clamp(v, 0, std::max(0, limit.y()));
    return {h - position.x(), v - position.y()};
}

int PictureOffset(bool noVertical, bool noHorizontal)
{
    if (noVertical)
        return 26;
    if (noHorizontal)
        return 52;
    return 0;
}

namespace {

bool canScroll(const QAbstractScrollArea *view, Qt::Orientation orientation)
{
    const QScrollBar *bar = orientation == Qt::Vertical ? view->verticalScrollBar() : view->horizontalScrollBar();
    const Qt::ScrollBarPolicy policy =
        orientation == Qt::Vertical ? view->verticalScrollBarPolicy() : view->horizontalScrollBarPolicy();
    return bar && bar->isEnabled() && policy != Qt::ScrollBarAlwaysOff && bar->maximum() > bar->minimum();
}

// Three 26-pixel pictures: a grey circle with a dot, and arrows in all four
// directions, left and right, up and down.
QPixmap markerPictures()
{
    QPixmap strip(78, 26);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 3; ++i) {
        const QPointF c(13 + 26 * i, 13);
        p.setPen(QPen(QColor(96, 96, 96), 1));
        p.setBrush(QColor(232, 232, 232));
        p.drawEllipse(c, 12, 12);
        p.setBrush(QColor(64, 64, 64));
        p.setPen(Qt::NoPen);
        p.drawEllipse(c, 2, 2);
        auto arrow = [&](QPointF tip, QPointF a, QPointF b) { p.drawPolygon(QPolygonF{c + tip, c + a, c + b}); };
        if (i != 2) { // left and right
            arrow({-10, 0}, {-6, -4}, {-6, 4});
            arrow({10, 0}, {6, -4}, {6, 4});
        }
        if (i != 1) { // up and down
            arrow({0, -10}, {-4, -6}, {4, -6});
            arrow({0, 10}, {-4, 6}, {4, 6});
        }
    }
    return strip;
}

QCursor directionCursor(Direction direction)
{
    QPixmap picture(21, 21);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.translate(10.5, 10.5);
    const qreal turn[] = {0, 180, 270, 90};
    if (direction == Rest) {
        p.drawEllipse(QPointF(), 3, 3);
        for (int i = 0; i < 4; ++i) {
            p.drawPolygon(QPolygonF{{0, -10}, {-4, -6}, {4, -6}});
            p.rotate(90);
        }
    } else {
        p.drawEllipse(QPointF(), 2.5, 2.5);
        p.rotate(turn[direction]);
        p.drawPolygon(QPolygonF{{0, -10}, {-5, -4}, {5, -4}});
    }
    p.end();
    return QCursor(picture, 10, 10);
}

class PressFilter : public QObject
{
public:
    PressFilter(QAbstractScrollArea *view) : QObject(view), m_view(view) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::MouseButtonPress)
            return false;
        const auto *press = static_cast<QMouseEvent *>(event);
        // The middle button alone, without Shift or Ctrl; anything else
        // is the list's own business.
        if (press->button() != Qt::MiddleButton || press->buttons() != Qt::MiddleButton
            || (press->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
            return false;
        CMiddleScrollMarker::Start(m_view);
        return true;
    }

private:
    QAbstractScrollArea *m_view;
};

QPointer<CMiddleScrollMarker> activeMarker;

} // namespace

void Install(QAbstractScrollArea *view)
{
    if (auto *items = qobject_cast<QAbstractItemView *>(view)) {
        items->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        items->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    }
    view->viewport()->installEventFilter(new PressFilter(view));
}

} // namespace MiddleScroll

using namespace MiddleScroll;

CMiddleScrollMarker *CMiddleScrollMarker::Active()
{
    return activeMarker;
}

CMiddleScrollMarker *CMiddleScrollMarker::Start(QAbstractScrollArea *view)
{
    const bool noVertical = !canScroll(view, Qt::Vertical);
    const bool noHorizontal = !canScroll(view, Qt::Horizontal);
    if (noVertical && noHorizontal)
        return nullptr;
    if (activeMarker)
        activeMarker->End();
    auto *marker = new CMiddleScrollMarker(view, noVertical, noHorizontal);
    activeMarker = marker;
    // The marker is centred on the press; the mouse moves to its corner,
    // which is where distances are measured from.
    const QPoint corner = QCursor::pos() - QPoint(MarkerHalf, MarkerHalf);
    QCursor::setPos(corner);
    marker->m_origin = view->viewport()->mapFromGlobal(corner);
    marker->setGeometry(QRect(corner, QSize(MarkerSize, MarkerSize)));
    marker->show();
    marker->activateWindow();
    marker->setFocus();
    marker->grabMouse();
    marker->m_timer.start(StepInterval, marker);
    return marker;
}

CMiddleScrollMarker::CMiddleScrollMarker(QAbstractScrollArea *view, bool noVertical, bool noHorizontal)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint),
      m_target(view), m_noVertical(noVertical), m_noHorizontal(noHorizontal), m_picture(markerPictures()),
      m_pictureOffset(PictureOffset(noVertical, noHorizontal))
{
    setObjectName(QStringLiteral("middleScrollMarker"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    QPainterPath ellipse;
    ellipse.addEllipse(QRectF(2, 2, 27, 27));
    setMask(QRegion(ellipse.toFillPolygon().toPolygon()));
    resize(MarkerSize, MarkerSize);
}

void CMiddleScrollMarker::paintEvent(QPaintEvent *)
{
    if (width() <= 25 || height() <= 25)
        return;
    QPainter p(this);
    const int x = std::max(1, (width() - 26) / 2);
    const int y = std::max(1, (height() - 26) / 2);
    p.drawPixmap(x, y, m_picture, m_pictureOffset, 0, 26, 26);
}

void CMiddleScrollMarker::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    if (!m_target) {
        End();
        return;
    }
    StepAt(m_target->viewport()->mapFromGlobal(QCursor::pos()));
}

void CMiddleScrollMarker::StepAt(QPoint cursor)
{
    if (!m_target)
        return;
    const Step step = StepFor(cursor - m_origin);
    if (step.speed > 0) {
        QScrollBar *h = m_target->horizontalScrollBar();
        QScrollBar *v = m_target->verticalScrollBar();
        // The bars count pixels (Install sees to it for item views).
        const QPoint position(h->value() - h->minimum(), v->value() - v->minimum());
        const QPoint limit(h->maximum() - h->minimum(), v->maximum() - v->minimum());
        const QPoint pixels = ScrollPixels(step.speed, step.direction, m_noVertical, m_noHorizontal, position, limit);
        if (!pixels.isNull()) {
            h->setValue(h->value() + pixels.x());
            v->setValue(v->value() + pixels.y());
        }
    }
    m_cursorDirection = step.direction;
    setCursor(directionCursor(step.direction));
}

void CMiddleScrollMarker::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton)
        End();
}

void CMiddleScrollMarker::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    End();
}

void CMiddleScrollMarker::End()
{
    if (m_ending)
        return;
    m_ending = true;
    releaseMouse();
    m_timer.stop();
    unsetCursor();
    QCursor::setPos(QCursor::pos() + QPoint(MarkerHalf, MarkerHalf));
    if (activeMarker == this)
        activeMarker = nullptr;
    close();
}
