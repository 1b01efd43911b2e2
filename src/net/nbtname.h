// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// NetBIOS name service packets (name query request and its positive
// response), as far as resolving a host name to an IPv4 address needs.
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

} // namespace NbtName
