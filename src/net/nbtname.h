// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// NetBIOS name service packets (name query request and its positive
// response), as far as resolving a host name to an IPv4 address needs; and
// the node status request with its answer, a host's own table of names,
// which tells the workgroup or domain it is in.
namespace NbtName {

inline constexpr std::uint8_t FileServerSuffix = 0x20;
inline constexpr std::uint16_t Port = 137;

// The 15-character, upper-case OEM form of a host name; empty when the name
// cannot be a NetBIOS name (too long, a dotted DNS name, non-Latin-1).
QByteArray NetBiosForm(const QString &name);

QByteArray BuildQuery(std::uint16_t id, const QByteArray &netbiosName, std::uint8_t suffix, bool broadcast);

// The addresses of a positive response with this id to a query for this
// name; nothing when the packet is anything else. Packets come from the
// network: every length is checked.
std::optional<std::vector<std::uint32_t>> ParseResponse(QByteArrayView packet, std::uint16_t id,
                                                        const QByteArray &netbiosName, std::uint8_t suffix);

// One name of a node status answer: its 15 characters without the padding
// blanks, its suffix byte, and whether it is a group name.
struct NodeName
{
    QByteArray name;
    std::uint8_t suffix = 0;
    bool group = false;
};

// A node status request to one host for every name it holds ("*").
QByteArray BuildNodeStatusQuery(std::uint16_t id);

// The names of a node status answer with this id; nothing when the packet
// is anything else. Packets come from the network: every length is checked.
std::optional<std::vector<NodeName>> ParseNodeStatus(QByteArrayView packet, std::uint16_t id);

// The workgroup or domain a name table tells: its first group name with
// the suffix 0x00 (the one every member of a workgroup or domain
// registers); empty when it has none.
QString WorkgroupOf(const std::vector<NodeName> &names);

} // namespace NbtName
