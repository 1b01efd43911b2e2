// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: multicast DNS answers, which any host on the link may
// send.
#include "net/mdns.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    // Whatever address records it carries, an answer speaks for its sender
    // only (a rogue repeating another host's answer gets its own address).
    constexpr std::uint32_t sender = (10u << 24) | 66u;
    const std::uint16_t id = size >= 2 ? std::uint16_t(data[0] << 8 | data[1]) : 0;
    for (const Mdns::AnsweredHost &host : Mdns::HostsAnswered(input, id, {"_smb", "_tcp", "local"}, sender)) {
        if (host.address != sender || host.host.isEmpty())
            __builtin_trap();
    }
    const auto message = Mdns::ParseMessage(input);
    if (!message)
        return 0;
    for (const Mdns::Service &service : Mdns::ServicesIn(*message, {"_smb", "_tcp", "local"})) {
        if (service.host.isEmpty())
            __builtin_trap();
        for (const QChar c : service.host) {
            if (!(c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'.'))
                __builtin_trap(); // host names never carry path characters
        }
    }
    return 0;
}
