// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintext.h"

#include <QTextDocument>

QString PlainToolTip(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QString AppTitle()
{
    return QStringLiteral("Brevant Lanterra");
}

int PlainMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, AppTitle(), text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}
