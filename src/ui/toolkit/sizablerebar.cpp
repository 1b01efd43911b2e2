// SPDX-License-Identifier: GPL-3.0-or-later
#include "sizablerebar.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace {

constexpr int GripperSpace = 8;
constexpr int BandPadding = 1;
constexpr int MinimumChildWidth = 16;

} // namespace

CSizableReBar::CSizableReBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ReBarContainer"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

CSizableReBar::~CSizableReBar() = default;

bool CSizableReBar::AddBand(QWidget *child, int id, const QString &name, bool menuDisabled, int style)
{
    if (!child || BandPosition(id) >= 0)
        return false;
    child->setParent(this);
    Band band;
    band.id = id;
    band.name = name;
    band.menuDisabled = menuDisabled;
    band.style = style;
    band.child = child;
    band.cx = child->sizeHint().width() + GripperWidth();
    m_bands.append(band);
    child->setVisible(!(style & StyleHidden));
    Relayout();
    return true;
}

void CSizableReBar::SetBandName(int id, const QString &name)
{
    int position = BandPosition(id);
    if (position >= 0)
        m_bands[position].name = name;
}

int CSizableReBar::BandId(int position) const
{
    return position >= 0 && position < m_bands.size() ? m_bands[position].id : -1;
}

int CSizableReBar::BandPosition(int id) const
{
    for (int i = 0; i < m_bands.size(); ++i)
        if (m_bands[i].id == id)
            return i;
    return -1;
}

QWidget *CSizableReBar::BandChild(int id) const
{
    int position = BandPosition(id);
    return position >= 0 ? m_bands[position].child.data() : nullptr;
}

bool CSizableReBar::IsBandVisible(int id) const
{
    int position = BandPosition(id);
    return position >= 0 && !(m_bands[position].style & StyleHidden);
}

void CSizableReBar::ShowBand(int id, bool show)
{
    int position = BandPosition(id);
    if (position < 0 || IsBandVisible(id) == show)
        return;
    Band &band = m_bands[position];
    band.style = show ? band.style & ~StyleHidden : band.style | StyleHidden;
    if (band.child)
        band.child->setVisible(show);
    Relayout();
    emit bandVisibilityChanged(id, show);
}

int CSizableReBar::BandWidth(int id) const
{
    int position = BandPosition(id);
    return position >= 0 ? m_bands[position].cx : 0;
}

void CSizableReBar::SetBandWidth(int id, int cx)
{
    int position = BandPosition(id);
    if (position < 0)
        return;
    m_bands[position].cx = std::max(cx, 0);
    Relayout();
}

bool CSizableReBar::IsBandNewRow(int id) const
{
    int position = BandPosition(id);
    return position >= 0 && (m_bands[position].style & StyleBreak);
}

void CSizableReBar::SetBandMinWidth(int id, int width)
{
    int position = BandPosition(id);
    if (position < 0)
        return;
    m_bands[position].minChild = std::max(width, 0);
    Relayout();
}

QRect CSizableReBar::BandRect(int id) const
{
    int position = BandPosition(id);
    return position >= 0 && m_bands[position].child ? m_bands[position].child->geometry() : QRect();
}

void CSizableReBar::SetLocked(bool locked)
{
    for (Band &band : m_bands)
        band.style = locked ? band.style | StyleNoGripper : band.style & ~StyleNoGripper;
    if (m_locked == locked)
        return;
    m_locked = locked;
    Relayout();
    update();
}

void CSizableReBar::SetBackground(const QBrush &brush)
{
    m_background = brush;
    update();
}

QList<ToolbarBand> CSizableReBar::GetBandLayout() const
{
    QList<ToolbarBand> layout;
    for (const Band &band : m_bands)
        layout.append(ToolbarBand{band.id, band.cx, band.style});
    return layout;
}

void CSizableReBar::SetBandLayout(const QList<ToolbarBand> &layout)
{
    for (int j = 0; j < layout.size() && j < m_bands.size(); ++j) {
        int from = BandPosition(layout[j].id);
        if (from < 0)
            continue; // a band this window no longer has
        if (from != j)
            m_bands.move(from, j);
        Band &band = m_bands[j];
        band.cx = std::max(layout[j].cx, 0);
        band.style = (band.style & ~(StyleBreak | StyleHidden)) | layout[j].style;
        if (band.child)
            band.child->setVisible(!(band.style & StyleHidden));
    }
    // Locked when the saved bands were: every band carries the bit then.
    const bool locked = !layout.isEmpty() && std::all_of(layout.begin(), layout.end(), [](const ToolbarBand &b) {
        return (b.style & StyleNoGripper) != 0;
    });
    SetLocked(locked);
    Relayout();
}

void CSizableReBar::MoveBand(int position, int row, int x)
{
    if (position < 0 || position >= m_bands.size() || (m_bands[position].style & StyleHidden))
        return;
    QList<QList<int>> rows = Rows();
    const int movingId = m_bands[position].id;
    // Hidden bands keep their place after the band they followed.
    QList<std::pair<int, int>> hidden; // (id, id of the band before it or -1)
    for (int i = 0; i < m_bands.size(); ++i)
        if (m_bands[i].style & StyleHidden)
            hidden.append({m_bands[i].id, i > 0 ? m_bands[i - 1].id : -1});

    QList<QList<int>> order; // rows of band ids
    for (const QList<int> &r : rows) {
        QList<int> ids;
        for (int p : r)
            ids.append(m_bands[p].id);
        order.append(ids);
    }
    row = std::clamp(row, 0, int(order.size()));
    QList<int> *target = row < order.size() ? &order[row] : nullptr;
    int insertAt = 0;
    if (target) {
        insertAt = int(target->size());
        for (int k = 0; k < target->size(); ++k) {
            const Band &band = m_bands[BandPosition(target->at(k))];
            if (band.id != movingId && band.rect.center().x() > x) {
                insertAt = k;
                break;
            }
        }
        // Its own place: remove first, counting the gap it leaves.
        const int own = int(target->indexOf(movingId));
        if (own >= 0 && own < insertAt)
            --insertAt;
    }
    for (QList<int> &r : order)
        r.removeAll(movingId);
    if (target)
        target->insert(insertAt, movingId);
    else
        order.append(QList<int>{movingId});
    order.removeIf([](const QList<int> &r) { return r.isEmpty(); });

    QList<Band> rebuilt;
    for (const QList<int> &r : order) {
        for (int k = 0; k < r.size(); ++k) {
            Band band = m_bands[BandPosition(r[k])];
            band.style = k == 0 ? band.style | StyleBreak : band.style & ~StyleBreak;
            rebuilt.append(band);
        }
    }
    // The first row needs no break of its own; keep what the band had.
    if (!rebuilt.isEmpty() && !(m_bands[BandPosition(rebuilt.first().id)].style & StyleBreak))
        rebuilt.first().style &= ~StyleBreak;
    for (const auto &[id, before] : hidden) {
        int at = 0;
        for (int i = 0; i < rebuilt.size(); ++i)
            if (rebuilt[i].id == before)
                at = i + 1;
        rebuilt.insert(at, m_bands[BandPosition(id)]);
    }
    m_bands = rebuilt;
    Relayout();
}

int CSizableReBar::RowAt(int y) const
{
    const QList<QList<int>> rows = Rows();
    for (int r = 0; r < rows.size(); ++r) {
        const QRect &rect = m_bands[rows[r].first()].rect;
        if (y < rect.bottom() + 1)
            return r;
    }
    return int(rows.size());
}

void CSizableReBar::SizeByRows(int rows)
{
    for (; rows > 0; --rows) {
        // Down: the last band of the row with most bands starts a new row.
        const QList<QList<int>> all = Rows();
        int widest = -1;
        for (int r = 0; r < all.size(); ++r)
            if (all[r].size() > 1 && (widest < 0 || all[r].size() > all[widest].size()))
                widest = r;
        if (widest < 0)
            break;
        m_bands[all[widest].last()].style |= StyleBreak;
    }
    for (; rows < 0; ++rows) {
        // Up: the last row joins the one above.
        const QList<QList<int>> all = Rows();
        if (all.size() < 2)
            break;
        m_bands[all.last().first()].style &= ~StyleBreak;
    }
    Relayout();
}

QMenu *CSizableReBar::CreateContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    for (const Band &band : std::as_const(m_bands)) {
        if (band.name.isEmpty())
            continue;
        QAction *action = menu->addAction(band.name);
        action->setCheckable(true);
        action->setChecked(!(band.style & StyleHidden));
        action->setEnabled(!band.menuDisabled);
        const int id = band.id;
        connect(action, &QAction::triggered, this, [this, id](bool checked) { ShowBand(id, checked); });
    }
    return menu;
}

QSize CSizableReBar::sizeHint() const
{
    int height = 0;
    int width = 0;
    for (const QList<int> &row : Rows()) {
        height += RowHeight(row);
        int rowWidth = 0;
        for (int position : row)
            rowWidth += std::max(m_bands[position].cx, MinimumWidth(m_bands[position]));
        width = std::max(width, rowWidth);
    }
    return {width, height + SizingEdge};
}

QSize CSizableReBar::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void CSizableReBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void CSizableReBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_background.style() != Qt::NoBrush)
        painter.fillRect(rect(), m_background);
    if (m_locked)
        return;
    QStyleOption option;
    option.initFrom(this);
    for (const Band &band : m_bands) {
        if ((band.style & StyleHidden) || band.rect.isEmpty())
            continue;
        option.rect = QRect(band.rect.left() + 2, band.rect.top() + 3, GripperSpace - 4, band.rect.height() - 6);
        option.state = QStyle::State_Horizontal;
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &option, &painter, this);
    }
}

void CSizableReBar::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = CreateContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void CSizableReBar::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !m_locked && pos.y() >= height() - SizingEdge) {
        m_edgeDragY = pos.y();
        return;
    }
    const int position = event->button() == Qt::LeftButton ? BandAtGripper(pos) : -1;
    if (position < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_moveBand = position;
    m_dragBand = PreviousInRow(position);
    m_dragStartX = pos.x();
    m_dragStartCx = m_dragBand >= 0 ? m_bands[m_dragBand].rect.width() : 0;
}

void CSizableReBar::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_edgeDragY >= 0) {
        // A row's worth of movement adds or removes a row.
        const QList<QList<int>> rows = Rows();
        const int rowHeight = rows.isEmpty() ? 24 : RowHeight(rows.first());
        const int steps = (pos.y() - m_edgeDragY) / std::max(rowHeight, 1);
        if (steps != 0) {
            SizeByRows(steps);
            m_edgeDragY += steps * rowHeight;
        }
        return;
    }
    if (m_moveBand < 0) {
        if (m_locked)
            unsetCursor();
        else if (BandAtGripper(pos) >= 0)
            setCursor(Qt::SizeAllCursor);
        else if (pos.y() >= height() - SizingEdge)
            setCursor(Qt::SizeVerCursor);
        else
            unsetCursor();
        return;
    }
    const int currentRow = RowAt(m_bands[m_moveBand].rect.center().y());
    const int pointerRow = pos.y() < 0 ? -1 : RowAt(pos.y());
    const int movingId = m_bands[m_moveBand].id;
    auto follow = [&] {
        m_moveBand = BandPosition(movingId);
        m_dragBand = PreviousInRow(m_moveBand);
        m_dragStartX = pos.x();
        m_dragStartCx = m_dragBand >= 0 ? m_bands[m_dragBand].rect.width() : 0;
    };
    if (pointerRow != currentRow) {
        // Into another row, or below the last one for a row of its own.
        MoveBand(m_moveBand, std::max(pointerRow, 0), pos.x());
        follow();
        return;
    }
    // Along the row: past the previous band's gripper or the next band's
    // middle swaps places; otherwise the previous band's width follows.
    const QList<QList<int>> rows = Rows();
    const QList<int> &row = rows[currentRow];
    const int k = int(row.indexOf(m_moveBand));
    if (k > 0 && pos.x() < m_bands[row[k - 1]].rect.left() + GripperSpace) {
        MoveBand(m_moveBand, currentRow, pos.x());
        follow();
        return;
    }
    if (k + 1 < row.size() && pos.x() > m_bands[row[k + 1]].rect.center().x()) {
        MoveBand(m_moveBand, currentRow, m_bands[row[k + 1]].rect.right());
        follow();
        return;
    }
    if (m_dragBand < 0)
        return;
    const int cx = m_dragStartCx + pos.x() - m_dragStartX;
    m_bands[m_dragBand].cx = std::max(cx, MinimumWidth(m_bands[m_dragBand]));
    Relayout();
}

void CSizableReBar::mouseReleaseEvent(QMouseEvent *event)
{
    const bool edge = m_edgeDragY >= 0;
    m_dragBand = -1;
    m_moveBand = -1;
    m_edgeDragY = -1;
    if (edge)
        emit sizingEdgeReleased();
    QWidget::mouseReleaseEvent(event);
}

bool CSizableReBar::event(QEvent *event)
{
    // A band's child changed its size hint.
    if (event->type() == QEvent::LayoutRequest) {
        Relayout();
        return true;
    }
    return QWidget::event(event);
}

int CSizableReBar::GripperWidth() const
{
    return m_locked ? 0 : GripperSpace;
}

int CSizableReBar::MinimumWidth(const Band &band) const
{
    return GripperWidth() + std::max(MinimumChildWidth, band.minChild);
}

int CSizableReBar::IdealWidth(const Band &band) const
{
    return GripperWidth() + (band.child ? band.child->sizeHint().width() : 0);
}

int CSizableReBar::IdealRowWidth() const
{
    int widest = 0;
    for (const QList<int> &row : Rows()) {
        int total = 0;
        for (int k = 0; k < row.size(); ++k) {
            const Band &band = m_bands[row[k]];
            total += std::max(k + 1 < row.size() ? band.cx : IdealWidth(band), MinimumWidth(band));
        }
        widest = std::max(widest, total);
    }
    return widest;
}

int CSizableReBar::RowHeight(const QList<int> &row) const
{
    int height = 0;
    for (int position : row)
        if (const QWidget *child = m_bands[position].child)
            height = std::max(height, child->sizeHint().height());
    return height + 2 * BandPadding;
}

QList<QList<int>> CSizableReBar::Rows() const
{
    QList<QList<int>> rows;
    for (int i = 0; i < m_bands.size(); ++i) {
        if (m_bands[i].style & StyleHidden)
            continue;
        if (rows.isEmpty() || (m_bands[i].style & StyleBreak))
            rows.append(QList<int>());
        rows.last().append(i);
    }
    return rows;
}

void CSizableReBar::Relayout()
{
    for (Band &band : m_bands)
        band.rect = QRect();
    int y = 0;
    for (const QList<int> &row : Rows()) {
        const int height = RowHeight(row);
        QList<int> widths;
        QList<int> minimums;
        int total = 0;
        for (int k = 0; k < row.size(); ++k) {
            minimums.append(MinimumWidth(m_bands[row[k]]));
            int w = std::max(m_bands[row[k]].cx, minimums.last());
            widths.append(w);
            total += w;
        }
        // The last band of a row takes what is left; when the row is too
        // narrow, bands shrink from the right down to their minimum.
        widths.last() = std::max(width() - (total - widths.last()), minimums.last());
        total = 0;
        for (int w : widths)
            total += w;
        for (int k = row.size() - 1; k >= 0 && total > width(); --k) {
            int cut = std::min(total - width(), widths[k] - minimums[k]);
            widths[k] -= cut;
            total -= cut;
        }
        // Room the last band does not need goes first to the bands before
        // it that are narrower than their bar wants (a menu bar left at its
        // old width when the address bar joins or leaves its row): what a
        // row has room for never hides behind a chevron.
        int spare = widths.last() - std::max(IdealWidth(m_bands[row.last()]), minimums.last());
        for (int k = 0; k + 1 < row.size() && spare > 0; ++k) {
            const int wanted = std::min(spare, IdealWidth(m_bands[row[k]]) - widths[k]);
            if (wanted <= 0)
                continue;
            widths[k] += wanted;
            widths.last() -= wanted;
            spare -= wanted;
        }
        int x = 0;
        for (int k = 0; k < row.size(); ++k) {
            Band &band = m_bands[row[k]];
            band.rect = QRect(x, y, widths[k], height);
            if (band.child)
                band.child->setGeometry(band.rect.adjusted(GripperWidth(), BandPadding, 0, -BandPadding));
            x += widths[k];
        }
        y += height;
    }
    if (sizeHint().height() != height())
        updateGeometry();
    update();
}

int CSizableReBar::BandAtGripper(const QPoint &pos) const
{
    if (m_locked)
        return -1;
    for (int i = 0; i < m_bands.size(); ++i) {
        const QRect &r = m_bands[i].rect;
        if (!r.isEmpty() && QRect(r.left(), r.top(), GripperSpace, r.height()).contains(pos))
            return i;
    }
    return -1;
}

int CSizableReBar::PreviousInRow(int position) const
{
    for (const QList<int> &row : Rows()) {
        int k = row.indexOf(position);
        if (k > 0)
            return row[k - 1];
    }
    return -1;
}
