// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolver.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>

std::optional<std::uint32_t> BlockingResolveIPv4(const QByteArray &encoded)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(encoded.constData(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    const auto *address = reinterpret_cast<const sockaddr_in *>(found->ai_addr);
    const std::uint32_t value = ntohl(address->sin_addr.s_addr);
    freeaddrinfo(found);
    return value;
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
        char interface[IF_NAMESIZE] = {};
        if (address->sin6_scope_id != 0 && if_indextoname(address->sin6_scope_id, interface))
            *answer += u'%' + QString::fromLocal8Bit(interface);
    }
    freeaddrinfo(found);
    return answer;
}
