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
    return {width, height};
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
    int position = event->button() == Qt::LeftButton ? BandAtGripper(event->position().toPoint()) : -1;
    int previous = position >= 0 ? PreviousInRow(position) : -1;
    if (previous < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragBand = previous;
    m_dragStartX = event->position().toPoint().x();
    m_dragStartCx = m_bands[previous].rect.width();
}

void CSizableReBar::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragBand < 0) {
        bool onGripper = BandAtGripper(event->position().toPoint()) >= 0;
        setCursor(onGripper ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    int cx = m_dragStartCx + event->position().toPoint().x() - m_dragStartX;
    m_bands[m_dragBand].cx = std::max(cx, MinimumWidth(m_bands[m_dragBand]));
    Relayout();
}

void CSizableReBar::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragBand = -1;
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
