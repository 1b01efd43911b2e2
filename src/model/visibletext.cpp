// SPDX-License-Identifier: GPL-3.0-or-later
#include "visibletext.h"

#include <QChar>

namespace VisibleText {

bool IsHidden(char32_t c)
{
    if (c == 0x200C || c == 0x200D || (c >= 0xE0020 && c <= 0xE007F))
        return false;
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString EscapeHidden(const QString &text)
{
    QString out;
    bool changed = false;
    for (qsizetype at = 0; at < text.size();) {
        // A lone surrogate is taken as its own code unit (and is hidden).
        char32_t code = text[at].unicode();
        qsizetype length = 1;
        if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[at], text[at + 1]);
            length = 2;
        }
        if (!IsHidden(code)) {
            if (changed)
                out.append(QStringView(text).mid(at, length));
            at += length;
            continue;
        }
        if (!changed) {
            out.reserve(text.size() + 16);
            out.append(QStringView(text).left(at));
            changed = true;
        }
        const bool wide = code > 0xFFFF;
        out += QStringView(wide ? u"\\U" : u"\\u");
        out += QString::number(uint(code), 16).toUpper().rightJustified(wide ? 8 : 4, u'0');
        at += length;
    }
    return changed ? out : text;
}

} // namespace VisibleText
