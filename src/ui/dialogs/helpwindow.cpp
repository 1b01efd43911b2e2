// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpwindow.h"

#include "settings/languagetable.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

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
    // A small yellow note, closed by any click outside it.
    auto *popup = new QLabel(over);
    popup->setObjectName(QStringLiteral("helpPopup"));
    popup->setWindowFlags(Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
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
