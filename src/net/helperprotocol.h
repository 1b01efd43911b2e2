#pragma once

#include "netprovider.h"

#include <QByteArray>
#include <QByteArrayView>

// The line protocol between the program and its listing helper processes.
//
// Request: "<verb> <argument>\n" with the argument percent-encoded UTF-8.
// Reply:   zero or more "i <type in hex> <name percent-encoded>\n" lines,
//          then "e <code in decimal>\n".
// Everything a helper sends comes from servers on the network, so the
// reader takes nothing on trust: bounded lines, bounded item counts.
namespace HelperProtocol {

inline constexpr qsizetype MaxLineLength = 4096;
inline constexpr std::size_t MaxItems = 65536;

QByteArray EncodeRequest(QByteArrayView verb, const QString &argument);

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

private:
    bool TakeLine(QByteArrayView line);

    Status m_status = Status::NeedMore;
    QByteArray m_partial;
    std::uint32_t m_code = 0;
    std::vector<ShareEntry> m_items;
};

} // namespace HelperProtocol
