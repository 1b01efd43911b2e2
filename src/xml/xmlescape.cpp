// SPDX-License-Identifier: GPL-3.0-or-later
#include "xmlescape.h"

namespace {

// The character a reference stands for, or -1 when `rest` (starting at
// '&') does not begin with one; `length` is then the reference's length.
char32_t DecodeReference(QStringView rest, qsizetype &length)
{
    static constexpr struct
    {
        QStringView name;
        char16_t c;
    } Named[] = {{u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}, {u"&apos;", u'\''}};
    for (const auto &entity : Named) {
        if (rest.startsWith(entity.name)) {
            length = entity.name.size();
            return entity.c;
        }
    }
    if (!rest.startsWith(u"&#"))
        return char32_t(-1);
    const bool hex = rest.size() > 2 && rest[2] == u'x';
    qsizetype i = hex ? 3 : 2;
    const qsizetype digitsFrom = i;
    char32_t value = 0;
    for (; i < rest.size() && i - digitsFrom < 8; ++i) {
        const char16_t c = rest[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            break;
        value = value * (hex ? 16 : 10) + char32_t(digit);
    }
    if (i == digitsFrom || i >= rest.size() || rest[i] != u';')
        return char32_t(-1);
    // Only what a character can be; anything else stays text.
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return char32_t(-1);
    length = i + 1;
    return value;
}

} // namespace

void XmlEscape(QString &out, QStringView value, bool inAttribute)
{
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value[i].unicode();
        const char16_t *replacement = nullptr;
        qsizetype length = 0;
        if (c == u'"' && inAttribute)
            replacement = u"&quot;";
        else if (c == u'<' && !inAttribute)
            replacement = u"&lt;";
        else if (c == u'&' && DecodeReference(value.mid(i), length) != char32_t(-1))
            replacement = u"&amp;";
        if (!replacement)
            continue;
        out += value.mid(plainFrom, i - plainFrom);
        out += QStringView(replacement);
        plainFrom = i + 1;
    }
    out += value.mid(plainFrom);
}

QString XmlUnescape(QStringView value)
{
    if (!value.contains(u'&'))
        return value.toString();
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        qsizetype length = 0;
        const char32_t c = value[i] == u'&' ? DecodeReference(value.mid(i), length) : char32_t(-1);
        if (c == char32_t(-1)) {
            out += value[i];
            continue;
        }
        if (c > 0xFFFF) {
            const char32_t ucs4[] = {c};
            out += QString::fromUcs4(ucs4, 1);
        } else {
            out += QChar(char16_t(c));
        }
        i += length - 1;
    }
    return out;
}
