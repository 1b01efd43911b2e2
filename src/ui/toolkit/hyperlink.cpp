// SPDX-License-Identifier: GPL-3.0-or-later
#include "hyperlink.h"

#include "plaintext.h"

#include "settings/languagetable.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QUrl>

const QColor CHyperLink::LinkColor{0, 0, 255};
const QColor CHyperLink::ActiveColor{0, 0, 255};
const QColor CHyperLink::HoverColor{0, 0, 255};
const QColor CHyperLink::VisitedColor{0, 0, 0};

CHyperLink::CHyperLink(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::StrongFocus);
}

void CHyperLink::Attach()
{
    if (m_target.isEmpty())
        m_target = text();
    if (text().isEmpty())
        setText(m_target);
    m_attached = true;
    setToolTip(m_target);
    UpdateLook();
    if (m_style & AutoSize)
        SizeToText();
}

void CHyperLink::SetLinkTarget(const QString &target)
{
    m_target = target;
    setToolTip(target);
}

void CHyperLink::ModifyLinkStyle(unsigned remove, unsigned add, bool redraw)
{
    m_style = (m_style & ~remove) | add;
    if (!m_attached)
        return;
    UpdateLook();
    if (redraw)
        update();
}

QColor CHyperLink::CurrentColor() const
{
    if (m_mouseOver && (m_style & UseHover))
        return HoverColor;
    if (m_active && !(m_style & NoActiveColor))
        return ActiveColor;
    return m_visited ? VisitedColor : LinkColor;
}

void CHyperLink::UpdateLook()
{
    QFont f = font();
    f.setUnderline(m_style & Underline);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, CurrentColor());
    setPalette(p);
    setCursor(m_style & NoHandCursor ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

QSize CHyperLink::TextSize() const
{
    QFont f = font();
    f.setUnderline(m_style & Underline);
    return QFontMetrics(f).size(Qt::TextSingleLine, text()) + QSize(4, 2);
}

QRect CHyperLink::FitToText(QRect r) const
{
    const QSize text = TextSize();
    const Qt::Alignment align = alignment();
    QRect n(r.topLeft(), text);
    if (align & Qt::AlignVCenter)
        n.moveTop(r.center().y() - text.height() / 2);
    if (align & Qt::AlignHCenter)
        n.moveLeft(r.center().x() - text.width() / 2);
    else if (align & Qt::AlignRight)
        n.moveRight(r.right());
    return n;
}

void CHyperLink::SizeToText()
{
    setGeometry(FitToText(geometry()));
}

void CHyperLink::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The dotted focus frame around the client area.
    QPainter painter(this);
    QPen pen(Qt::black);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CHyperLink::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QLabel::mousePressEvent(event);
    if (m_style & GetFocusOnClick)
        setFocus(Qt::MouseFocusReason);
    if (m_style & DownClick)
        Act();
    m_active = true;
    UpdateLook();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QLabel::mouseReleaseEvent(event);
    if (!m_active || (m_style & DownClick))
        return;
    if (rect().contains(event->position().toPoint()))
        Act();
}

void CHyperLink::enterEvent(QEnterEvent *event)
{
    m_mouseOver = true;
    UpdateLook();
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent *event)
{
    m_mouseOver = false;
    UpdateLook();
    QLabel::leaveEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        Act();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CHyperLink::focusInEvent(QFocusEvent *event)
{
    m_active = true;
    UpdateLook();
    QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent *event)
{
    m_active = false;
    m_mouseOver = false;
    UpdateLook();
    QLabel::focusOutEvent(event);
}

void CHyperLink::Act()
{
    if (m_style & NotifyParent) {
        emit linkClicked();
        return;
    }
    const int error = OpenTarget(m_target);
    if (error < 0) {
        m_visited = true;
        UpdateLook();
        update();
        return;
    }
    QApplication::beep();
    PlainMessageBox(window(), QMessageBox::Warning, QStringLiteral("Can't open link:\n\n") + OpenTargetReason(error));
}

std::function<bool(const QUrl &)> &CHyperLink::UrlOpener()
{
    static std::function<bool(const QUrl &)> opener = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    return opener;
}

int CHyperLink::OpenTarget(const QString &target)
{
    QUrl url = QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
    if (target.isEmpty() || !url.isValid())
        return 2;
    if (url.isLocalFile()) {
        // What the shell would say about a local file, before asking it.
        const QFileInfo file(url.toLocalFile());
        if (!file.dir().exists())
            return 3;
        if (!file.exists())
            return 2;
        if (!file.isReadable())
            return 5;
    }
    // No handler for it: as when nothing is associated with the type.
    return UrlOpener()(url) ? -1 : 31;
}

QString CHyperLink::OpenTargetReason(int error)
{
    switch (error) {
    case 0:
        return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2:
        return QStringLiteral("The specified file was not found.");
    case 3:
        return QStringLiteral("The specified path was not found.");
    case 5:
        return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8:
        return QStringLiteral("There was not enough memory to complete the operation.");
    case 11:
        return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QStringLiteral("A sharing violation occurred. ");
    case 27:
        return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28:
        return QStringLiteral("The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral(
            "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.");
    case 31:
        return QStringLiteral("There is no application associated\nwith the given filename extension.");
    case 32:
        return QStringLiteral("The specified dynamic-link library was not found.");
    default:
        return QStringLiteral("Unknown Error (%1) occurred.").arg(error);
    }
}

CIconButton::CIconButton(QWidget *parent) : QPushButton(parent)
{
    setIconSize(QSize(16, 16));
}

void CIconButton::SetIcon(const QIcon &icon)
{
    setIcon(icon);
    update();
}
