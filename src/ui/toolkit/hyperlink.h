// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QPushButton>

#include <functional>

// A static text that looks and acts like a link: it opens its target
// through the desktop, or, in notify-parent mode, only tells its dialog.
class CHyperLink : public QLabel
{
    Q_OBJECT
public:
    enum Style : unsigned {
        Underline = 0x01,
        UseHover = 0x02,
        AutoSize = 0x04,
        DownClick = 0x08, // acts when the button goes down
        GetFocusOnClick = 0x10,
        NoHandCursor = 0x20,
        NoActiveColor = 0x40,
        NotifyParent = 0x80,
        DefaultStyle = Underline | AutoSize | GetFocusOnClick,
    };

    static const QColor LinkColor;
    static const QColor ActiveColor;
    static const QColor HoverColor;
    static const QColor VisitedColor;

    explicit CHyperLink(const QString &text = {}, QWidget *parent = nullptr);

    // Takes over the label's text as target when none is set, and the
    // target as text when the label has none.
    void Attach();
    void SetLinkTarget(const QString &target);
    const QString &LinkTarget() const { return m_target; }
    // Before Attach this only records the flags.
    void ModifyLinkStyle(unsigned remove, unsigned add, bool redraw = true);
    unsigned LinkStyle() const { return m_style; }
    bool IsVisited() const { return m_visited; }
    bool IsActive() const { return m_active; }
    bool IsMouseOver() const { return m_mouseOver; }
    // The colour the text is drawn in now.
    QColor CurrentColor() const;
    // Resizes to the text as the alignment says.
    void SizeToText();
    // The text's size (with room for the focus frame), and where a control
    // at `rect` goes when it takes that size.
    QSize TextSize() const;
    QRect FitToText(QRect rect) const;

    // Opens a target; the platform's shell error number when it fails
    // (see OpenTargetReason), -1 on success.
    static int OpenTarget(const QString &target);
    static QString OpenTargetReason(int error);
    // Tests replace how a URL is handed to the desktop.
    static std::function<bool(const QUrl &)> &UrlOpener();

signals:
    // Notify-parent mode: the link was clicked (the parent's command).
    void linkClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void Act();
    void UpdateLook();

    QString m_target;
    unsigned m_style = DefaultStyle;
    bool m_attached = false;
    bool m_mouseOver = false;
    bool m_active = false;
    bool m_visited = false;
};

// A push button that shows a 16 x 16 icon.
class CIconButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CIconButton(QWidget *parent = nullptr);
    void SetIcon(const QIcon &icon);
};
