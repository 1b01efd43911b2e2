// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netprovider.h"

#include <QByteArray>
#include <QByteArrayView>

// The protocol between the program and its listing helper processes.
//
// Request: "<verb> <argument>\n" with the argument percent-encoded UTF-8.
// Reply:   zero or more items "i <type in hex> <n> <name>\n", where <n> is
//          the length in decimal of the name's UTF-8 bytes that follow as
//          they are, then "e <code in decimal>\n".
// Names are length-prefixed rather than escaped into lines so that any name
// a server can send arrives whole, whatever its length or its bytes.
// Everything a helper sends comes from servers on the network, so the reader
// takes nothing on trust: an entry it cannot use is left out on its own, and
// only a reply whose framing is broken, or whose head or name grows past the
// bounds below, is refused as a whole. A reply may hold any number of items:
// the first MaxItems are kept and the rest only counted, so memory stays
// bounded and a server with a huge list still gets its first entries shown.
namespace HelperProtocol {

// An item's head or an end line, without the name.
inline constexpr qsizetype MaxHeadLength = 64;
// A share name of the SMB protocol is a counted string of UTF-16 units; a
// Samba client takes at most a few MiB of reply for a whole share list.
inline constexpr qsizetype MaxNameBytes = 8 * 1024 * 1024;
// As many as the scan keeps of one host.
inline constexpr std::size_t MaxItems = 4096;

QByteArray EncodeRequest(QByteArrayView verb, const QString &argument);
// One item of a reply, as a helper writes it.
QByteArray EncodeItem(std::uint32_t type, QByteArrayView utf8Name);

class ReplyReader
{
public:
    enum class Status { NeedMore, Complete, Malformed };

    // Takes the next bytes of a reply; bytes after the end line are ignored.
    Status Feed(QByteArrayView data);
    Status status() const { return m_status; }
    std::uint32_t code() const { return m_code; }
    const std::vector<ShareEntry> &items() const { return m_items; }
    std::vector<ShareEntry> takeItems() { return std::move(m_items); }
    // Usable items of a disk share's type past MaxItems, counted and not kept.
    std::size_t leftOut() const { return m_leftOut; }

private:
    // Reads one head, name or end line at `pos`; false when more bytes are
    // needed for it.
    bool Step(qsizetype &pos);
    void TakeItem(QByteArrayView name);

    Status m_status = Status::NeedMore;
    QByteArray m_buffer;
    // While a name is awaited: its length, its type and whether the type
    // could be read.
    qsizetype m_nameLength = -1;
    std::uint32_t m_type = 0;
    bool m_typeValid = false;
    std::uint32_t m_code = 0;
    std::vector<ShareEntry> m_items;
    std::size_t m_leftOut = 0;
};

} // namespace HelperProtocol
