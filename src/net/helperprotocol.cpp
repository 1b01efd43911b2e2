// SPDX-License-Identifier: GPL-3.0-or-later
#include "helperprotocol.h"

#include "credentials.h"
#include "neterrors.h"

namespace HelperProtocol {

QByteArray EncodeRequest(QByteArrayView verb, const QString &argument)
{
    QByteArray utf8 = argument.toUtf8();
    QByteArray encoded = utf8.toPercentEncoding();
    QByteArray line;
    // One allocation: a line that grows leaves copies of a password behind.
    line.reserve(verb.size() + encoded.size() + 2);
    line += verb;
    line += ' ';
    line += encoded;
    line += '\n';
    WipeBytes(utf8);
    WipeBytes(encoded);
    return line;
}

QByteArray EncodeItem(std::uint32_t type, QByteArrayView utf8Name)
{
    QByteArray item = "i " + QByteArray::number(type, 16) + ' ' + QByteArray::number(utf8Name.size()) + ' ';
    item += utf8Name;
    item += '\n';
    return item;
}

namespace {

bool ParseNumber(QByteArrayView text, int base, std::uint32_t &value)
{
    if (text.isEmpty() || text.size() > 10)
        return false;
    for (const char c : text) {
        const bool digit = (c >= '0' && c <= '9') || (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!digit)
            return false;
    }
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok, base);
    if (!ok || number > 0xFFFFFFFFull)
        return false;
    value = std::uint32_t(number);
    return true;
}

} // namespace

ReplyReader::Status ReplyReader::Feed(QByteArrayView data)
{
    if (m_status != Status::NeedMore)
        return m_status;
    m_buffer += data;
    qsizetype pos = 0;
    while (m_status == Status::NeedMore && pos < m_buffer.size() && Step(pos)) {
    }
    m_buffer.remove(0, pos);
    if (m_status != Status::NeedMore)
        m_buffer.clear();
    return m_status;
}

bool ReplyReader::Step(qsizetype &pos)
{
    const QByteArrayView rest = QByteArrayView(m_buffer).sliced(pos);
    if (m_nameLength >= 0) {
        // The name, then the line end that shows the framing still holds.
        if (rest.size() <= m_nameLength)
            return false;
        if (rest[m_nameLength] != '\n') {
            m_status = Status::Malformed;
            return false;
        }
        TakeItem(rest.first(m_nameLength));
        pos += m_nameLength + 1;
        m_nameLength = -1;
        return true;
    }

    const QByteArrayView head = rest.first(std::min(rest.size(), MaxHeadLength));
    if (head.startsWith("e")) {
        const qsizetype end = head.indexOf('\n');
        if (end < 0) {
            if (rest.size() >= MaxHeadLength)
                m_status = Status::Malformed;
            return false;
        }
        if (!head.startsWith("e ") || !ParseNumber(head.first(end).sliced(2), 10, m_code)) {
            m_status = Status::Malformed;
            return false;
        }
        m_status = Status::Complete;
        pos += end + 1;
        return true;
    }
    if (!head.startsWith("i")) {
        m_status = Status::Malformed;
        return false;
    }
    // "i <type> <length> ": the head ends at its third space.
    qsizetype spaces[3] = {-1, -1, -1};
    qsizetype found = 0;
    for (qsizetype i = 0; i < head.size() && found < 3; ++i) {
        if (head[i] == '\n') {
            m_status = Status::Malformed;
            return false;
        }
        if (head[i] == ' ')
            spaces[found++] = i;
    }
    if (found < 3) {
        if (rest.size() >= MaxHeadLength)
            m_status = Status::Malformed;
        return false;
    }
    std::uint32_t length = 0;
    if (spaces[0] != 1 || !ParseNumber(head.sliced(spaces[1] + 1, spaces[2] - spaces[1] - 1), 10, length)
        || qsizetype(length) > MaxNameBytes) {
        m_status = Status::Malformed;
        return false;
    }
    // A type that cannot be read costs this entry only: its length still
    // says where the next one starts.
    m_typeValid = ParseNumber(head.sliced(spaces[0] + 1, spaces[1] - spaces[0] - 1), 16, m_type);
    m_nameLength = qsizetype(length);
    pos += spaces[2] + 1;
    return true;
}

void ReplyReader::TakeItem(QByteArrayView bytes)
{
    if (!m_typeValid || bytes.isEmpty())
        return;
    if (m_items.size() >= MaxItems) {
        // Only what the scan would have kept counts as left out: disk
        // shares (browse lists give every item this type too).
        if (m_type == ShareType::DiskTree || m_type == ShareType::SpecialDisk)
            ++m_leftOut;
        return;
    }
    // Control characters are a server's to use in a name: they travel as
    // they are, and each output shows them the way it promises.
    ShareEntry entry;
    entry.type = m_type;
    entry.name = QString::fromUtf8(bytes);
    m_items.push_back(std::move(entry));
}

} // namespace HelperProtocol
