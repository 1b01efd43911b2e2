// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLayout>
#include <QList>
#include <QRect>

// A point of the client area in percent of its width and height; (-1, -1)
// is "none".
struct Anchor
{
    int x = 0;
    int y = 0;
    bool IsNone() const { return x < 0 || y < 0; }
};

namespace Anchors {
inline constexpr Anchor TopLeft{0, 0};
inline constexpr Anchor TopCenter{50, 0};
inline constexpr Anchor TopRight{100, 0};
inline constexpr Anchor MiddleLeft{0, 50};
inline constexpr Anchor MiddleCenter{50, 50};
inline constexpr Anchor MiddleRight{100, 50};
inline constexpr Anchor BottomLeft{0, 100};
inline constexpr Anchor BottomCenter{50, 100};
inline constexpr Anchor BottomRight{100, 100};
inline constexpr Anchor None{-1, -1};
} // namespace Anchors

// The dialogs' layout: every control has a rectangle in dialog units, as in
// a dialog template, turned into pixels with the dialog font's base units.
// An anchored control keeps the distance of its top-left and bottom-right
// edges from two anchor points of the client area; one without anchors
// keeps its place and size.
class CAnchorLayout : public QLayout
{
public:
    // `templateSize`: the client size in dialog units.
    CAnchorLayout(QWidget *dialog, QSize templateSize);
    ~CAnchorLayout() override;

    // Places `control` at `rect` (dialog units).
    void Place(QWidget *control, QRect rect);
    // Anchors a placed control; a bottom-right anchor of none means the
    // top-left one (the control moves and keeps its size).
    void SetAnchor(QWidget *control, Anchor topLeft, Anchor bottomRight = Anchors::None);
    // The pixel rectangle of a dialog-unit rectangle for the dialog's font.
    QRect ToPixels(QRect rect) const;
    QSize ToPixels(QSize size) const;
    QSize TemplateSize() const { return m_templateSize; }
    // A control's rectangle at the template size, in pixels.
    QRect InitialRect(QWidget *control) const;
    // Moves a control's template rectangle (pixels) after it was sized to
    // its contents, so that anchoring starts from its real place.
    void SetInitialRect(QWidget *control, QRect pixels);

    void addItem(QLayoutItem *item) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override { return int(m_items.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    struct Item
    {
        QLayoutItem *item = nullptr;
        QRect dlu;
        QRect pixels; // at the template size; set when the pixel rect was adjusted
        bool adjusted = false;
        Anchor topLeft = Anchors::None;
        Anchor bottomRight = Anchors::None;
    };
    Item *Find(QWidget *control);
    const Item *Find(QWidget *control) const;
    QRect Initial(const Item &item) const;
    QSizeF BaseUnits() const;

    QSize m_templateSize;
    QList<Item> m_items;
};
