// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the reader of the listing helpers' replies, whose
// contents come from servers on the network.
#include "net/helperprotocol.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    HelperProtocol::ReplyReader reader;
    // Fed in two chunks split at the first byte's value, as a pipe may cut it.
    const std::size_t split = size ? data[0] % (size + 1) : 0;
    const char *bytes = reinterpret_cast<const char *>(data);
    reader.Feed(QByteArrayView(bytes, qsizetype(split)));
    reader.Feed(QByteArrayView(bytes + split, qsizetype(size - split)));
    // Names arrive whole, control characters included (the outputs escape
    // them); what a reply holds past the cap is only counted.
    if (reader.items().size() > HelperProtocol::MaxItems)
        __builtin_trap();
    for (const ShareEntry &entry : reader.items()) {
        if (entry.name.isEmpty())
            __builtin_trap();
    }
    return 0;
}
