// SPDX-License-Identifier: GPL-3.0-or-later
#include "ipv4.h"

#include "settings/messageformat.h"

namespace {

// The value of a part the way atol reads it: white space, an optional sign,
// the digits up to the first other character; no digits give 0.
int LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return negative ? -value : value;
}

} // namespace

quint32 ParseIPv4(QStringView text)
{
    text = text.trimmed();
    // "1.2.3.4" is the shortest address. Up to 16 characters are taken, one
    // more than "255.255.255.255", since a part may hold white space.
    if (text.size() < 7 || text.size() > 16)
        return 0;
    quint32 result = 0;
    int parts = 0;
    for (QStringView part : text.tokenize(u'.')) {
        if (++parts > 4)
            return 0;
        part = part.trimmed();
        if (part.isEmpty() || part.size() > 3)
            return 0;
        const int value = LeadingNumber(part);
        if (value < 0 || value > 255)
            return 0;
        result = (result << 8) | quint32(value);
    }
    if (parts != 4 || result == 0xFFFFFFFFu)
        return 0;
    return result;
}

bool ParseIPRange(QStringView text, quint32 &first, quint32 &last)
{
    if (const quint32 single = ParseIPv4(text)) {
        first = last = single;
        return true;
    }
    const qsizetype dash = text.indexOf(u'-');
    if (dash < 0)
        return false;
    first = ParseIPv4(text.left(dash).trimmed());
    last = ParseIPv4(text.mid(dash + 1).trimmed());
    return first != 0 && last != 0;
}

bool IsIPOrRange(QStringView text)
{
    quint32 first = 0;
    quint32 last = 0;
    return ParseIPv4(text) != 0 || ParseIPRange(text, first, last);
}

quint64 AddressesLeftOut(QStringView entry)
{
    quint32 first = 0;
    quint32 last = 0;
    if (!IsIPOrRange(entry) || !ParseIPRange(entry, first, last) || first > last)
        return 0;
    const quint64 count = quint64(last) - first + 1;
    return count > MaxRangeHosts ? count - MaxRangeHosts : 0;
}

QList<CutRange> CutRanges(const QStringList &hosts)
{
    QList<CutRange> cuts;
    for (const QString &entry : hosts) {
        if (const quint64 leftOut = AddressesLeftOut(entry))
            cuts.append({entry, leftOut});
    }
    return cuts;
}

QString RangeCutFormat()
{
    static_assert(MaxRangeHosts == 65536, "the note names the cap");
    return QStringLiteral("Only the first 65536 addresses of \"%s\" are scanned; %s addresses are left out.");
}

QString FormatRangeCut(const QString &format, const CutRange &cut)
{
    return FormatMessage(format, {cut.entry, QString::number(cut.leftOut)});
}
