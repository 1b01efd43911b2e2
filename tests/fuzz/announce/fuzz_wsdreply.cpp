// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the WS-Discovery replies and the metadata exchange's
// HTTP responses, which any host on the link may send.
#include "net/wsdiscovery.h"

#include <cstddef>
#include <cstdint>

namespace {

void CheckName(const QString &name, bool mayBeEmpty)
{
    if (name.isEmpty() && !mayBeEmpty)
        __builtin_trap();
    for (const QChar c : name) {
        if (c == u'\\' || c == u'/' || c == u'"' || c == u'<' || c.unicode() < 0x20)
            __builtin_trap(); // never into a path, the document or the list
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto reply = WsDiscovery::ParseReply(input)) {
        for (const WsDiscovery::Match &match : reply->matches) {
            if (match.endpoint.isEmpty())
                __builtin_trap();
            for (const QString &xaddr : match.xaddrs)
                (void)WsDiscovery::ParseHttpUrl(xaddr);
        }
    }
    if (const auto computer = WsDiscovery::ParseMetadata(input)) {
        CheckName(computer->name, false);
        CheckName(computer->workgroup, true);
    }
    if (const auto body = WsDiscovery::HttpResponseBody(input)) {
        if (body->size() > qsizetype(size))
            __builtin_trap();
        (void)WsDiscovery::ParseMetadata(*body);
    }
    (void)WsDiscovery::ParseHttpUrl(QString::fromUtf8(input));
    return 0;
}
