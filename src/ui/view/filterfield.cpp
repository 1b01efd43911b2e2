// SPDX-License-Identifier: GPL-3.0-or-later
#include "filterfield.h"

#include "settings/languagetable.h"
#include "ui/textkeys.h"
#include "ui/toolkit/plaintext.h"

#include <QKeyEvent>

namespace {

const QString AddressSection = QStringLiteral("Address ToolBar");
constexpr int FieldWidth = 140;

} // namespace

CFilterField::CFilterField(QWidget *parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("filterField"));
    setClearButtonEnabled(true);
    setFixedWidth(FieldWidth);
    Retranslate();
}

void CFilterField::Retranslate()
{
    // The placeholder is gone once there is a text: the name stays.
    setPlaceholderText(LookupText(AddressSection, AddressText::Filter, QStringLiteral("Filter")));
    setAccessibleName(placeholderText());
    setToolTip(PlainToolTip(
        LookupText(AddressSection, AddressText::FilterTip,
                   QStringLiteral("Show only the shares whose name or host contains this text (Ctrl+F)"))));
}

bool CFilterField::event(QEvent *event)
{
    // Esc with a text clears it here instead of reaching the window's Esc.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && !text().isEmpty()) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CFilterField::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        if (!text().isEmpty()) {
            clear();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            emit listRequested();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}
