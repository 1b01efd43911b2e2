// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolver.h"

#include <arpa/inet.h>
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
