// SPDX-License-Identifier: GPL-3.0-or-later
#include "ipv4.h"

#include "net/resolver.h"
#include "settings/messageformat.h"

#include <algorithm>

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

namespace {

bool AllDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// "a.b.c.d/bits": the addresses of the network that a host may have.
bool ParseNetwork(QStringView text, qsizetype slash, quint32 &first, quint32 &last)
{
    const quint32 base = ParseIPv4(text.left(slash));
    const QStringView bits = text.mid(slash + 1).trimmed();
    if (base == 0 || !AllDigits(bits) || bits.size() > 2)
        return false;
    const int prefix = bits.toInt();
    if (prefix > 32)
        return false;
    const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
    first = base & mask;
    last = first | ~mask;
    // A network's own address and its broadcast address are no hosts; the
    // two addresses of a /31 link both are.
    if (prefix < 31) {
        ++first;
        --last;
    }
    return true;
}

// The right part of a dash range: a whole address, or the last part of one
// whose other parts the left address gives.
quint32 RangeEnd(quint32 first, QStringView right)
{
    if (AllDigits(right) && right.size() <= 3) {
        const int value = right.toInt();
        return value <= 255 ? (first & 0xFFFFFF00u) | quint32(value) : 0;
    }
    return ParseIPv4(right);
}

} // namespace

bool ParseIPRange(QStringView text, quint32 &first, quint32 &last)
{
    text = text.trimmed();
    // A network or a range before a single address: the lenient parts of
    // ParseIPv4 would read "10.0.0.0/8" and "10.0.0.1-5" as one address.
    if (const qsizetype slash = text.indexOf(u'/'); slash >= 0)
        return ParseNetwork(text, slash, first, last);
    if (const qsizetype dash = text.indexOf(u'-'); dash >= 0) {
        first = ParseIPv4(text.left(dash).trimmed());
        last = first != 0 ? RangeEnd(first, text.mid(dash + 1).trimmed()) : 0;
        if (first != 0 && last != 0)
            return true;
    }
    if (const quint32 single = ParseIPv4(text)) {
        first = last = single;
        return true;
    }
    return false;
}

bool IsIPOrRange(QStringView text)
{
    quint32 first = 0;
    quint32 last = 0;
    return ParseIPRange(text, first, last);
}

HostEntryKind ClassifyHostEntry(QStringView entry)
{
    entry = entry.trimmed();
    if (entry.isEmpty())
        return HostEntryKind::Blank;
    if (IsIPOrRange(entry))
        return HostEntryKind::Range;
    // No host name holds a colon: an IPv6 address, or a mistyped one.
    if (entry.contains(u':'))
        return CanonicalIPv6(entry) ? HostEntryKind::IPv6 : HostEntryKind::Refused;
    // No host name is made of digits and dots alone (a name's last label is
    // never numeric), and a resolver would read some of them as addresses
    // of its own ("10.0.300" as 10.0.1.44): such an entry is a mistyped
    // address or range.
    const bool addressCharacters = std::all_of(entry.begin(), entry.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'/' || c.isSpace();
    });
    if (addressCharacters && (entry.contains(u'.') || entry.contains(u'/')))
        return HostEntryKind::Refused;
    return HostEntryKind::Name;
}

QString HostEntryIPv6(QStringView entry)
{
    return CanonicalIPv6(entry).value_or(QString());
}

QStringList RefusedHostEntries(const QStringList &hosts)
{
    QStringList refused;
    for (const QString &entry : hosts) {
        if (ClassifyHostEntry(entry) == HostEntryKind::Refused)
            refused.append(entry);
    }
    return refused;
}

QString RefusedEntryFormat()
{
    return QStringLiteral("\"%s\" is neither an address nor an address range. Write an address as 10.0.0.1, a range "
                          "as 10.0.0.1-10.0.0.20, 10.0.0.1-20 or 10.0.0.0/24.");
}

QString FormatRefusedEntry(const QString &format, const QString &entry)
{
    return FormatMessage(format, {entry});
}

quint64 AddressesLeftOut(QStringView entry)
{
    quint32 first = 0;
    quint32 last = 0;
    if (!ParseIPRange(entry, first, last) || first > last)
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
