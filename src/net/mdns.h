// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// DNS messages as multicast DNS uses them: the one-shot query for SMB
// services and the parser of the answers. No sockets here. The answers come
// from anyone on the link, so the parser takes nothing on trust: bounded
// names, backward-only compression pointers, bounded record counts.
namespace Mdns {

inline constexpr std::uint16_t Port = 5353;
inline constexpr const char *MulticastGroup = "224.0.0.251";

enum RecordType : std::uint16_t { TypeA = 1, TypePtr = 12, TypeTxt = 16, TypeAaaa = 28, TypeSrv = 33 };

struct Record
{
    QStringList name; // labels, as sent
    std::uint16_t type = 0;
    std::uint16_t rclass = 0; // without the cache-flush bit
    std::uint32_t ttl = 0;
    QStringList target; // PTR and SRV: the name pointed to
    std::uint16_t port = 0; // SRV
    std::uint32_t ipv4 = 0; // A, first octet most significant
};

struct Message
{
    std::uint16_t id = 0;
    std::uint16_t flags = 0;
    std::vector<Record> records; // answers, authority and additional records
};

struct Service
{
    QString instance; // the service's own name, e.g. "Living room NAS"
    QString host; // the SRV target, e.g. "nas.local"
    std::uint16_t port = 0;
    std::vector<std::uint32_t> addresses; // A records of the host
};

// A standard query for one name and type, as a legacy (one-shot) resolver
// sends it: answered by unicast to the port it came from.
QByteArray BuildQuery(std::uint16_t id, const QStringList &name, std::uint16_t type);
std::optional<Message> ParseMessage(QByteArrayView data);
// The services of `serviceType` (e.g. {"_smb", "_tcp", "local"}) a response
// describes; each with the address records it carries for its host.
std::vector<Service> ServicesIn(const Message &message, const QStringList &serviceType);

} // namespace Mdns
