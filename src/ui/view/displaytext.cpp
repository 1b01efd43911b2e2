// SPDX-License-Identifier: GPL-3.0-or-later
#include "displaytext.h"

#include "model/visibletext.h"

#include <QTextDocument>

namespace {

constexpr char16_t FirstStrongIsolate = 0x2068;
constexpr char16_t PopDirectionalIsolate = 0x2069;

} // namespace

QString DisplayName(const QString &name)
{
    if (name.isEmpty())
        return {};
    return QChar(FirstStrongIsolate) + VisibleText::EscapeHidden(name) + QChar(PopDirectionalIsolate);
}

QString AccessibleName(const QString &name)
{
    return VisibleText::EscapeHidden(name);
}
