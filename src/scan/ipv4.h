// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// IPv4 text as the scan rules take it: four dotted decimal parts, each 0 to
// 255 and at most three characters, white space allowed around the whole
// text and around each part. 0.0.0.0 and 255.255.255.255 are not addresses.

// The address with its first part most significant; 0 when the text is not
// an address.
quint32 ParseIPv4(QStringView text);
// An address (first = last = it) or two addresses joined by the first '-'.
// The out-values mean nothing when the answer is false.
bool ParseIPRange(QStringView text, quint32 &first, quint32 &last);
bool IsIPOrRange(QStringView text);
// Addresses are written back as text with DottedIPv4 (net/resolver.h).
