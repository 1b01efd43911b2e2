// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpwindow.h"

#include "settings/languagetable.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

// A help topic in a small note over its dialog. Like every pop-up it holds
// the mouse and the keyboard while it is shown, so it gives them back on
// anything the user does: any click (on it or anywhere else), any key, and
// the focus going to another window or program. A plain label would take
// the clicks and keys for its text and keep the whole program's input.
class CHelpPopup final : public QLabel
{
public:
    explicit CHelpPopup(QWidget *over) : QLabel(over)
    {
        setObjectName(QStringLiteral("helpPopup"));
        setWindowFlags(Qt::Popup);
        setAttribute(Qt::WA_DeleteOnClose);
        setTextInteractionFlags(Qt::NoTextInteraction);
        // It takes the focus when shown, so that losing it can be seen.
        setFocusPolicy(Qt::StrongFocus);
        setFocus(Qt::PopupFocusReason);
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focused) {
            if (isVisible() && focused != windowHandle())
                close();
        });
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        event->accept();
        close();
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        event->accept();
        close();
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QLabel::focusOutEvent(event);
        close();
    }
};

// The help window's size when the screen has room for it.
constexpr QSize HelpSize(640, 560);
// Narrower than this, a page beside the main window is hard to read: it
// goes over the window's side instead.
constexpr int MinHelpWidth = 400;

} // namespace

QRect HelpPlacement(const QRect &mainFrame, const QRect &screenArea, const QSize &margins)
{
    // What a side can hold is counted with the window manager's frame.
    const int wanted = HelpSize.width() + margins.width();
    const int height = std::min(HelpSize.height() + margins.height(), screenArea.height());
    const int rightRoom = screenArea.right() - mainFrame.right();
    const int leftRoom = mainFrame.left() - screenArea.left();
    const int minimum = MinHelpWidth + margins.width();
    QRect frame;
    if (rightRoom >= minimum) {
        frame = QRect(mainFrame.right() + 1, 0, std::min(wanted, rightRoom), height);
    } else if (leftRoom >= minimum) {
        const int width = std::min(wanted, leftRoom);
        frame = QRect(mainFrame.left() - width, 0, width, height);
    } else {
        // No side has room: over the main window's right part, so that its
        // left part (the list's names) stays in sight.
        const int width = std::min(wanted, screenArea.width());
        frame = QRect(std::max(screenArea.left(), screenArea.right() + 1 - width), 0, width, height);
    }
    // Level with the main window's top, all of it on the screen.
    frame.moveTop(std::clamp(mainFrame.top(), screenArea.top(), screenArea.bottom() + 1 - height));
    return frame;
}

QString HelpPage(const QString &helpPath)
{
    const QString page = HelpHtmlPath(helpPath);
    return QFileInfo(page).isFile() ? page : QString();
}

QString HelpTopic(const QString &html, int topic)
{
    const QRegularExpression block(
        QStringLiteral(R"(<div class="popup" id="topic-%1">(.*?)</div>)").arg(topic),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = block.match(html);
    return match.hasMatch() ? match.captured(1) : QString();
}

bool ShowHelpContents(const QString &helpPath, QWidget *parent)
{
    const QString page = HelpPage(helpPath);
    if (page.isEmpty())
        return false;
    // One help window for the program, reused.
    static QPointer<QTextBrowser> window;
    if (!window) {
        window = new QTextBrowser;
        window->setObjectName(QStringLiteral("helpWindow"));
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setOpenExternalLinks(true);
        window->resize(HelpSize);
        // Closed as documents and dialogs are.
        for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            auto *shortcut = new QShortcut(keys, window);
            QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
        }
        if (parent)
            window->setWindowIcon(parent->window()->windowIcon());
    }
    // Beside the main window when it opens; where the user put it after.
    if (parent && !window->isVisible()) {
        const QWidget *main = parent->window();
        const QScreen *screen = main->screen();
        const QRect outer = main->frameGeometry();
        // Its own frame is not known before it is shown: the main window's
        // is the best guess.
        const QSize margins = outer.size() - main->geometry().size();
        const QRect frame = HelpPlacement(outer, screen ? screen->availableGeometry() : outer, margins);
        window->resize(frame.size() - margins);
        window->move(frame.topLeft());
    }
    window->setSource(QUrl::fromLocalFile(page));
    window->setWindowTitle(window->documentTitle());
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

bool ShowHelpPopup(const QString &helpPath, int topic, QWidget *over)
{
    const QString page = HelpPage(helpPath);
    QFile file(page);
    if (page.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    const QString body = HelpTopic(QString::fromUtf8(file.readAll()), topic);
    if (body.isEmpty())
        return false;
    auto *popup = new CHelpPopup(over);
    popup->setTextFormat(Qt::RichText);
    popup->setText(body);
    popup->setWordWrap(true);
    popup->setFrameShape(QFrame::Box);
    popup->setMargin(6);
    popup->setStyleSheet(QStringLiteral("QLabel { background: #ffffe1; color: black; }"));
    popup->setFixedWidth(380);
    popup->adjustSize();
    const QSize size = popup->size();
    QPoint at = QCursor::pos() - QPoint(size.width() / 2, 0);
    if (const QScreen *screen = QApplication::screenAt(QCursor::pos())) {
        const QRect area = screen->availableGeometry();
        at.setX(qBound(area.left(), at.x(), area.right() - size.width()));
        at.setY(qBound(area.top(), at.y(), area.bottom() - size.height()));
    }
    popup->move(at);
    popup->show();
    return true;
}
