// SPDX-License-Identifier: GPL-3.0-or-later
#include "mdns.h"

namespace Mdns {

namespace {

constexpr int MaxNameBytes = 255;
constexpr int MaxJumps = 64;
constexpr int MaxRecords = 512;
constexpr std::uint16_t ResponseFlag = 0x8000;

class Cursor
{
public:
    explicit Cursor(QByteArrayView data) : m_data(data) {}

    bool Has(qsizetype count) const { return count >= 0 && m_data.size() - m_pos >= count; }
    qsizetype Pos() const { return m_pos; }
    void Skip(qsizetype count) { m_pos += count; }

    std::uint16_t U16()
    {
        const auto value = std::uint16_t((std::uint8_t(m_data[m_pos]) << 8) | std::uint8_t(m_data[m_pos + 1]));
        m_pos += 2;
        return value;
    }
    std::uint32_t U32()
    {
        const std::uint32_t high = U16();
        return (high << 16) | U16();
    }

    // A possibly compressed name. Pointers may only go backwards, before the
    // label that holds them, so no chain of them can loop.
    std::optional<QStringList> Name()
    {
        QStringList labels;
        int bytes = 0;
        int jumps = 0;
        qsizetype pos = m_pos;
        std::optional<qsizetype> resume;
        for (;;) {
            if (pos >= m_data.size())
                return std::nullopt;
            const auto length = std::uint8_t(m_data[pos]);
            if (length == 0) {
                ++pos;
                break;
            }
            if ((length & 0xC0) == 0xC0) {
                if (pos + 1 >= m_data.size() || ++jumps > MaxJumps)
                    return std::nullopt;
                const qsizetype target = ((length & 0x3F) << 8) | std::uint8_t(m_data[pos + 1]);
                if (target >= pos)
                    return std::nullopt;
                if (!resume)
                    resume = pos + 2;
                pos = target;
                continue;
            }
            if ((length & 0xC0) != 0)
                return std::nullopt; // reserved label types
            if (pos + 1 + length > m_data.size())
                return std::nullopt;
            bytes += length + 1;
            if (bytes > MaxNameBytes)
                return std::nullopt;
            labels.append(QString::fromUtf8(m_data.sliced(pos + 1, length)));
            pos += 1 + length;
        }
        m_pos = resume ? *resume : pos;
        return labels;
    }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

bool SameName(const QStringList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].compare(b[i], Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

// A host name goes into paths and the document: letters, digits, '-' and
// '_' in each label.
bool IsHostName(const QStringList &labels)
{
    if (labels.isEmpty())
        return false;
    for (const QString &label : labels) {
        if (label.isEmpty() || label.size() > 63)
            return false;
        for (const QChar c : label) {
            if (!(c.isLetterOrNumber() || c == u'-' || c == u'_'))
                return false;
        }
    }
    return true;
}

} // namespace

QByteArray BuildQuery(std::uint16_t id, const QStringList &name, std::uint16_t type)
{
    QByteArray query;
    auto u16 = [&query](std::uint16_t value) {
        query.append(char(value >> 8));
        query.append(char(value & 0xFF));
    };
    u16(id);
    u16(0); // a standard query
    u16(1); // one question
    u16(0);
    u16(0);
    u16(0);
    for (const QString &label : name) {
        const QByteArray bytes = label.toUtf8().left(63);
        query.append(char(bytes.size()));
        query.append(bytes);
    }
    query.append('\0');
    u16(type);
    u16(1); // class IN
    return query;
}

std::optional<Message> ParseMessage(QByteArrayView data)
{
    Cursor in(data);
    if (!in.Has(12))
        return std::nullopt;
    Message message;
    message.id = in.U16();
    message.flags = in.U16();
    const int questions = in.U16();
    const int answers = in.U16();
    const int authority = in.U16();
    const int additional = in.U16();
    if (!(message.flags & ResponseFlag))
        return std::nullopt;
    for (int i = 0; i < questions; ++i) {
        if (!in.Name() || !in.Has(4))
            return std::nullopt;
        in.Skip(4);
    }
    const int total = answers + authority + additional;
    for (int i = 0; i < total && i < MaxRecords; ++i) {
        Record record;
        auto name = in.Name();
        if (!name || !in.Has(10))
            return std::nullopt;
        record.name = std::move(*name);
        record.type = in.U16();
        record.rclass = in.U16() & 0x7FFF;
        record.ttl = in.U32();
        const int length = in.U16();
        if (!in.Has(length))
            return std::nullopt;
        // Names inside the data may point anywhere before them.
        Cursor rdata(data.first(in.Pos() + length));
        rdata.Skip(in.Pos());
        bool keep = true;
        switch (record.type) {
        case TypeA:
            if (length == 4)
                record.ipv4 = rdata.U32();
            else
                keep = false;
            break;
        case TypePtr:
            if (auto target = rdata.Name())
                record.target = std::move(*target);
            else
                keep = false;
            break;
        case TypeSrv:
            if (length >= 7) {
                rdata.Skip(4); // priority, weight
                record.port = rdata.U16();
                if (auto target = rdata.Name())
                    record.target = std::move(*target);
                else
                    keep = false;
            } else {
                keep = false;
            }
            break;
        default:
            break;
        }
        in.Skip(length);
        if (keep)
            message.records.push_back(std::move(record));
    }
    return message;
}

std::vector<Service> ServicesIn(const Message &message, const QStringList &serviceType)
{
    std::vector<Service> services;
    for (const Record &pointer : message.records) {
        if (pointer.type != TypePtr || pointer.ttl == 0 || !SameName(pointer.name, serviceType))
            continue;
        const QStringList &instance = pointer.target;
        // "<instance>.<service type>": the first label is the instance name.
        if (instance.size() != serviceType.size() + 1 || !SameName(instance.mid(1), serviceType))
            continue;
        bool known = false;
        for (const Service &service : services)
            known = known || service.instance.compare(instance[0], Qt::CaseInsensitive) == 0;
        if (known)
            continue;
        for (const Record &srv : message.records) {
            if (srv.type != TypeSrv || !SameName(srv.name, instance) || !IsHostName(srv.target))
                continue;
            Service service;
            service.instance = instance[0];
            service.host = srv.target.join(u'.');
            service.port = srv.port;
            for (const Record &address : message.records) {
                if (address.type == TypeA && SameName(address.name, srv.target) && address.ipv4 != 0)
                    service.addresses.push_back(address.ipv4);
            }
            services.push_back(std::move(service));
            break;
        }
    }
    return services;
}

} // namespace Mdns
