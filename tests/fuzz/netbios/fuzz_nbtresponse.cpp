// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the NetBIOS name query and node status response
// parsers, which read packets that anyone on the local network can send.
#include "net/nbtname.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes pick the transaction id the parser expects, so
    // that matching and non-matching ids are both explored.
    const auto id = std::uint16_t((data[0] << 8) | data[1]);
    const QByteArrayView packet(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const auto addresses = NbtName::ParseResponse(packet, id, QByteArray("FILESERVER"), NbtName::FileServerSuffix);
    if (addresses && addresses->empty())
        __builtin_trap(); // a success always carries an address
    if (const auto names = NbtName::ParseNodeStatus(packet, id)) {
        for (const NbtName::NodeName &name : *names)
            if (name.name.size() > 15)
                __builtin_trap(); // a table's names are 15 characters at most
        (void)NbtName::WorkgroupOf(*names);
    }
    return 0;
}
