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
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

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

} // namespace

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
        window->resize(640, 560);
        if (parent)
            window->setWindowIcon(parent->window()->windowIcon());
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
