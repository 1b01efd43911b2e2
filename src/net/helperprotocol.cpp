#include "helperprotocol.h"

namespace HelperProtocol {

QByteArray EncodeRequest(QByteArrayView verb, const QString &argument)
{
    QByteArray line = verb.toByteArray();
    line += ' ';
    line += argument.toUtf8().toPercentEncoding();
    line += '\n';
    return line;
}

namespace {

bool ParseNumber(QByteArrayView text, int base, std::uint32_t &value)
{
    if (text.isEmpty() || text.size() > 10)
        return false;
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
    while (m_status == Status::NeedMore && !data.isEmpty()) {
        const qsizetype end = data.indexOf('\n');
        const QByteArrayView chunk = end < 0 ? data : data.first(end);
        if (m_partial.size() + chunk.size() > MaxLineLength) {
            m_status = Status::Malformed;
            break;
        }
        m_partial += chunk;
        if (end < 0)
            break;
        data = data.sliced(end + 1);
        const QByteArray line = std::exchange(m_partial, QByteArray());
        if (!TakeLine(line))
            m_status = Status::Malformed;
    }
    return m_status;
}

bool ReplyReader::TakeLine(QByteArrayView line)
{
    if (line.startsWith("e ")) {
        if (!ParseNumber(line.sliced(2), 10, m_code))
            return false;
        m_status = Status::Complete;
        return true;
    }
    if (!line.startsWith("i ") || m_items.size() >= MaxItems)
        return false;
    const QByteArrayView rest = line.sliced(2);
    const qsizetype space = rest.indexOf(' ');
    if (space < 0)
        return false;
    ShareEntry entry;
    if (!ParseNumber(rest.first(space), 16, entry.type))
        return false;
    const QByteArrayView encoded = rest.sliced(space + 1);
    entry.name = QString::fromUtf8(QByteArray::fromPercentEncoding(encoded.toByteArray()));
    // A name with control characters cannot be a real share and would corrupt
    // the one-line-per-record files it ends up in: leave that entry out.
    for (const QChar c : std::as_const(entry.name)) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    if (entry.name.isEmpty())
        return true;
    m_items.push_back(std::move(entry));
    return true;
}

} // namespace HelperProtocol
