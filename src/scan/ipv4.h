// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

// IPv4 text as the scan rules take it: four dotted decimal parts, each 0 to
// 255 and at most three characters, white space allowed around the whole
// text and around each part. 0.0.0.0 and 255.255.255.255 are not addresses.

// The address with its first part most significant; 0 when the text is not
// an address.
quint32 ParseIPv4(QStringView text);
// An address (first = last = it); two addresses joined by the first '-';
// an address and the last part of another, "10.0.0.1-20", the rest taken
// from the first; or a network, "10.0.0.0/24", whose host addresses it
// gives (its own and its broadcast address left out up to a /30). The
// out-values mean nothing when the answer is false.
bool ParseIPRange(QStringView text, quint32 &first, quint32 &last);
bool IsIPOrRange(QStringView text);

// What a scan makes of one host-list entry.
enum class HostEntryKind {
    Blank, // nothing but white space: no host at all
    Name, // a host name, looked up when probed
    Range, // an address or a range (ParseIPRange)
    IPv6, // one IPv6 address, bracketed or not, with a zone or not
    Refused, // written like an address or range but none: never probed
};
HostEntryKind ClassifyHostEntry(QStringView entry);
// The address of an IPv6 entry as the scan keeps it (CanonicalIPv6 in
// net/resolver.h); empty for any other entry.
QString HostEntryIPv6(QStringView entry);
// The entries of `hosts` that are Refused, in list order.
QStringList RefusedHostEntries(const QStringList &hosts);
// The built-in text of the refusal of one such entry: "%s" the entry.
QString RefusedEntryFormat();
QString FormatRefusedEntry(const QString &format, const QString &entry);
// Addresses are written back as text with DottedIPv4 (net/resolver.h).

// One range entry of the scan rules makes at most this many hosts: an entry
// as wide as 0.0.0.1-255.255.255.254 would make billions of host records,
// and no LAN needs more than a /16 in one entry. A scan takes the first
// addresses of a wider range.
inline constexpr quint64 MaxRangeHosts = 65536;

// How many addresses of `entry` a scan leaves out because its range is wider
// than MaxRangeHosts; 0 for a range that fits, one address, a range whose
// first address is above its last, or a host name.
quint64 AddressesLeftOut(QStringView entry);

// A host list entry that a scan cuts short.
struct CutRange
{
    QString entry;
    quint64 leftOut = 0;
};
// The entries of `hosts` that a scan cuts short, in list order.
QList<CutRange> CutRanges(const QStringList &hosts);
// The built-in text of the note on one such entry: "%s" the entry as typed,
// then "%s" the number of addresses left out.
QString RangeCutFormat();
// The note from `format` (RangeCutFormat() or its translation), for Scan
// Options and lanterra-scan's standard error alike.
QString FormatRangeCut(const QString &format, const CutRange &cut);
