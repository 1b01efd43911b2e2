// SPDX-License-Identifier: GPL-3.0-or-later
#include "nbtname.h"

namespace NbtName {

namespace {

constexpr std::uint16_t TypeNB = 0x0020;
constexpr std::uint16_t TypeNBSTAT = 0x0021;
// A name entry of a node status answer: 15 characters, the suffix, 2 bytes of flags.
constexpr int NodeNameLength = 18;
constexpr std::uint16_t GroupFlag = 0x8000;
constexpr std::uint16_t ClassIN = 0x0001;
constexpr int EncodedLength = 32;

void Put16(QByteArray &out, std::uint16_t value)
{
    out.append(char(value >> 8));
    out.append(char(value & 0xff));
}

std::uint16_t Get16(QByteArrayView data, qsizetype at)
{
    return std::uint16_t((std::uint8_t(data[at]) << 8) | std::uint8_t(data[at + 1]));
}

// First-level encoding: 16 bytes (name padded with blanks, then the
// suffix), each split into two nibbles written as 'A' + nibble.
QByteArray Encode(const QByteArray &netbiosName, std::uint8_t suffix)
{
    QByteArray raw = netbiosName.leftJustified(15, ' ', true);
    raw.append(char(suffix));
    QByteArray out;
    for (const char c : raw) {
        out.append(char('A' + (std::uint8_t(c) >> 4)));
        out.append(char('A' + (std::uint8_t(c) & 0x0f)));
    }
    return out;
}

// Skips an encoded name at `at`; reads the labels' text when it is not a
// compression pointer. Returns false when the packet ends inside the name.
bool ReadName(QByteArrayView data, qsizetype &at, QByteArray *firstLabel)
{
    bool first = true;
    for (int labels = 0; labels < 64; ++labels) {
        if (at >= data.size())
            return false;
        const std::uint8_t length = std::uint8_t(data[at]);
        if ((length & 0xc0) == 0xc0) {
            // A pointer ends the name; whatever it points at is not checked.
            if (at + 2 > data.size())
                return false;
            at += 2;
            return true;
        }
        if (length & 0xc0)
            return false;
        ++at;
        if (length == 0)
            return true;
        if (at + length > data.size())
            return false;
        if (first && firstLabel)
            *firstLabel = data.sliced(at, length).toByteArray();
        first = false;
        at += length;
    }
    return false;
}

} // namespace

QByteArray NetBiosForm(const QString &name)
{
    if (name.isEmpty() || name.size() > 15 || name.contains(u'.'))
        return {};
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() > 0xff || c == u'*')
            return {};
    }
    return name.toUpper().toLatin1();
}

QByteArray BuildQuery(std::uint16_t id, const QByteArray &netbiosName, std::uint8_t suffix, bool broadcast)
{
    QByteArray packet;
    Put16(packet, id);
    // Query, recursion desired; the broadcast flag for broadcasts.
    Put16(packet, broadcast ? 0x0110 : 0x0100);
    Put16(packet, 1); // one question
    Put16(packet, 0);
    Put16(packet, 0);
    Put16(packet, 0);
    packet.append(char(EncodedLength));
    packet.append(Encode(netbiosName, suffix));
    packet.append('\0');
    Put16(packet, TypeNB);
    Put16(packet, ClassIN);
    return packet;
}

QByteArray BuildNodeStatusQuery(std::uint16_t id)
{
    QByteArray packet;
    Put16(packet, id);
    Put16(packet, 0x0000); // a query to one host: no broadcast, no recursion
    Put16(packet, 1);
    Put16(packet, 0);
    Put16(packet, 0);
    Put16(packet, 0);
    // The wildcard name: '*' padded with zero bytes, not blanks.
    QByteArray wildcard(16, '\0');
    wildcard[0] = '*';
    packet.append(char(EncodedLength));
    for (const char c : std::as_const(wildcard)) {
        packet.append(char('A' + (std::uint8_t(c) >> 4)));
        packet.append(char('A' + (std::uint8_t(c) & 0x0f)));
    }
    packet.append('\0');
    Put16(packet, TypeNBSTAT);
    Put16(packet, ClassIN);
    return packet;
}

std::optional<std::vector<NodeName>> ParseNodeStatus(QByteArrayView packet, std::uint16_t id)
{
    if (packet.size() < 12 || Get16(packet, 0) != id)
        return std::nullopt;
    const std::uint16_t flags = Get16(packet, 2);
    if (!(flags & 0x8000) || (flags & 0x7800) != 0 || (flags & 0x000f) != 0)
        return std::nullopt;
    const std::uint16_t questions = Get16(packet, 4);
    if (Get16(packet, 6) == 0)
        return std::nullopt;
    qsizetype at = 12;
    for (std::uint16_t i = 0; i < questions; ++i) {
        if (!ReadName(packet, at, nullptr) || at + 4 > packet.size())
            return std::nullopt;
        at += 4;
    }
    if (!ReadName(packet, at, nullptr) || at + 10 > packet.size())
        return std::nullopt;
    const std::uint16_t type = Get16(packet, at);
    const std::uint16_t klass = Get16(packet, at + 2);
    const std::uint16_t length = Get16(packet, at + 8);
    at += 10;
    if (type != TypeNBSTAT || klass != ClassIN || length < 1 || at + length > packet.size())
        return std::nullopt;
    const int count = std::uint8_t(packet[at]);
    ++at;
    if (1 + qsizetype(count) * NodeNameLength > length)
        return std::nullopt;
    std::vector<NodeName> names;
    for (int i = 0; i < count; ++i, at += NodeNameLength) {
        NodeName entry;
        entry.name = packet.sliced(at, 15).toByteArray();
        while (!entry.name.isEmpty() && (entry.name.back() == ' ' || entry.name.back() == '\0'))
            entry.name.chop(1);
        entry.suffix = std::uint8_t(packet[at + 15]);
        entry.group = (Get16(packet, at + 16) & GroupFlag) != 0;
        names.push_back(std::move(entry));
    }
    return names;
}

QString WorkgroupOf(const std::vector<NodeName> &names)
{
    for (const NodeName &entry : names) {
        if (entry.group && entry.suffix == 0x00 && !entry.name.isEmpty())
            return QString::fromLatin1(entry.name);
    }
    return {};
}

std::optional<std::vector<std::uint32_t>> ParseResponse(QByteArrayView packet, std::uint16_t id,
                                                        const QByteArray &netbiosName, std::uint8_t suffix)
{
    if (packet.size() < 12 || Get16(packet, 0) != id)
        return std::nullopt;
    const std::uint16_t flags = Get16(packet, 2);
    // A response (bit 15), opcode query (bits 11-14 zero), result code 0.
    if (!(flags & 0x8000) || (flags & 0x7800) != 0 || (flags & 0x000f) != 0)
        return std::nullopt;
    const std::uint16_t questions = Get16(packet, 4);
    const std::uint16_t answers = Get16(packet, 6);
    if (answers == 0)
        return std::nullopt;
    qsizetype at = 12;
    for (std::uint16_t i = 0; i < questions; ++i) {
        if (!ReadName(packet, at, nullptr) || at + 4 > packet.size())
            return std::nullopt;
        at += 4;
    }
    QByteArray label;
    if (!ReadName(packet, at, &label) || at + 10 > packet.size())
        return std::nullopt;
    // The answer must be about the name asked for, when it says so.
    if (!label.isEmpty() && label.toUpper() != Encode(netbiosName, suffix))
        return std::nullopt;
    const std::uint16_t type = Get16(packet, at);
    const std::uint16_t klass = Get16(packet, at + 2);
    const std::uint16_t length = Get16(packet, at + 8);
    at += 10;
    if (type != TypeNB || klass != ClassIN || at + length > packet.size() || length % 6 != 0 || length == 0)
        return std::nullopt;
    std::vector<std::uint32_t> addresses;
    for (qsizetype entry = at; entry < at + length; entry += 6) {
        const std::uint32_t address = (std::uint32_t(Get16(packet, entry + 2)) << 16) | Get16(packet, entry + 4);
        if (address != 0 && address != 0xffffffffu)
            addresses.push_back(address);
    }
    if (addresses.empty())
        return std::nullopt;
    return addresses;
}

} // namespace NbtName
