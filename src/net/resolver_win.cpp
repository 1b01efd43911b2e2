// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolver.h"

#include <winsock2.h>

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
