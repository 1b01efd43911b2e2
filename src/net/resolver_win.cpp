// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolver.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

std::optional<std::uint32_t> BlockingResolveIPv4(const QByteArray &encoded)
{
    // The Windows resolver also answers NetBIOS names itself.
    const hostent *host = gethostbyname(encoded.constData());
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0])
        return std::nullopt;
    in_addr address;
    memcpy(&address, host->h_addr_list[0], sizeof address);
    return ntohl(address.s_addr);
}

std::optional<QString> BlockingResolveIPv6(const QByteArray &encoded)
{
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(encoded.constData(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    const auto *address = reinterpret_cast<const sockaddr_in6 *>(found->ai_addr);
    char text[INET6_ADDRSTRLEN] = {};
    std::optional<QString> answer;
    if (inet_ntop(AF_INET6, &address->sin6_addr, text, sizeof text)) {
        answer = QString::fromLatin1(text);
        if (address->sin6_scope_id != 0)
            *answer += u'%' + QString::number(address->sin6_scope_id);
    }
    freeaddrinfo(found);
    return answer;
}
