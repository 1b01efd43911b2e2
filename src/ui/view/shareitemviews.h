// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListView>
#include <QTreeView>

#include <functional>

// The behaviour both item views of the share list add to Qt's: a
// double-click anywhere in the list, or Enter, acts on the focused item
// (the current index) with the modifier keys held; Ctrl+C copies what the
// owner says (the shares' addresses, not the texts as drawn); and a message
// is drawn into an empty list.
class CShareViewBehaviour
{
public:
    using MessageSource = std::function<QString()>;
    using Activate = std::function<void(Qt::KeyboardModifiers)>;

    void SetMessageSource(MessageSource source) { m_message = std::move(source); }
    void SetActivate(Activate activate) { m_activate = std::move(activate); }
    void SetCopy(std::function<void()> copy) { m_copy = std::move(copy); }

    // The empty-list message's box: the viewport from 10 pixels below its top.
    static QRect MessageRect(const QWidget *viewport);

protected:
    void PaintMessage(QWidget *viewport) const;
    bool HandleKey(QKeyEvent *event) const;
    void HandleDoubleClick(QMouseEvent *event) const;

private:
    MessageSource m_message;
    Activate m_activate;
    std::function<void()> m_copy;
};

// Tiles and small items flowing left to right, each group under its heading.
class CShareIconView : public QListView, public CShareViewBehaviour
{
    Q_OBJECT
public:
    explicit CShareIconView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};

// The report with three columns; group headings drawn across the row.
class CShareDetailsView : public QTreeView, public CShareViewBehaviour
{
    Q_OBJECT
public:
    explicit CShareDetailsView(QWidget *parent = nullptr);

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
