// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: multicast DNS answers, which any host on the link may
// send.
#include "net/mdns.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto message = Mdns::ParseMessage(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
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
