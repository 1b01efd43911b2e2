// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: a run of WS-Discovery answers from several neighbours,
// as a rogue on the link would send them, through the Probe and Resolve
// bookkeeping. Metadata is fetched only from the address that answered; a
// ResolveMatch counts only for the endpoint its Resolve asked for and only
// from an address whose ProbeMatch named that endpoint; each endpoint is
// resolved once and each (endpoint, address) pair fetched once; the caps
// hold.
//
// Input: datagrams separated by "\n#\n". The first byte of each picks its
// sender, 10.77.0.2 + byte % 4 ('0' is 10.77.0.2, '1' 10.77.0.3, ...). In
// the rest "@PROBE@" stands for the Probe's message ID and "@RESOLVEn@"
// (n = 0..9) for the ID of the n-th Resolve sent: random IDs a fuzzer could
// never guess.
#include "net/resolver.h"
#include "net/wsdiscovery.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

// Small, so that a short input reaches the caps.
constexpr int MaxEndpoints = 8;
constexpr std::uint32_t FirstNeighbour = (10u << 24) | (77u << 16) | 2u;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    WsDiscovery::CExchange exchange(QStringLiteral("urn:uuid:6a0e5c1e-0000-4000-8000-00000000f022"), MaxEndpoints);
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<QString> resolveIds;
    QHash<QString, QString> resolvedEndpoint; // Resolve message ID -> endpoint
    QSet<std::pair<QString, std::uint32_t>> named; // (endpoint, address) of ProbeMatches
    QSet<std::pair<QString, std::uint32_t>> fetched;
    QList<QByteArray> datagrams;
    for (qsizetype from = 0; from <= input.size();) {
        qsizetype end = input.indexOf("\n#\n", from);
        if (end < 0)
            end = input.size();
        datagrams.append(input.mid(from, end - from));
        from = end + 3;
    }
    for (QByteArray &datagram : datagrams) {
        if (datagram.isEmpty())
            continue;
        const std::uint32_t source = FirstNeighbour + std::uint8_t(datagram[0]) % 4;
        datagram.remove(0, 1);
        datagram.replace("@PROBE@", exchange.probeId().toUtf8());
        for (int i = 0; i < resolveIds.size() && i < 10; ++i)
            datagram.replace("@RESOLVE" + QByteArray::number(i) + "@", resolveIds[i].toUtf8());

        const auto reply = WsDiscovery::ParseReply(datagram);
        const bool toProbe = reply && reply->relatesTo == exchange.probeId();
        if (toProbe) {
            for (const WsDiscovery::Match &match : reply->matches)
                named.insert({match.endpoint, source});
        }
        const WsDiscovery::CExchange::Step step = exchange.Take(source, datagram);
        for (const WsDiscovery::CExchange::Resolve &resolve : step.resolves) {
            if (!toProbe)
                __builtin_trap(); // only a ProbeMatch leads to a Resolve
            QString endpoint;
            for (const WsDiscovery::Match &match : reply->matches) {
                if (WsDiscovery::BuildResolve(resolve.messageId, match.endpoint) == resolve.datagram)
                    endpoint = match.endpoint;
            }
            if (endpoint.isNull() || resolvedEndpoint.values().contains(endpoint))
                __builtin_trap(); // a Resolve for an endpoint named here, once
            resolveIds.append(resolve.messageId);
            resolvedEndpoint.insert(resolve.messageId, endpoint);
        }
        if (resolveIds.size() > MaxEndpoints)
            __builtin_trap();
        for (const WsDiscovery::CExchange::Fetch &fetch : step.fetches) {
            if (fetch.address != source || NumericIPv4(fetch.url.host) != source)
                __builtin_trap(); // never sent to talk to another machine
            if (!toProbe) {
                if (!reply || resolvedEndpoint.value(reply->relatesTo) != fetch.endpoint)
                    __builtin_trap(); // an answer for another endpoint
                if (!named.contains({fetch.endpoint, source}))
                    __builtin_trap(); // a spoofed ResolveMatch was taken
            }
            const std::pair key(fetch.endpoint, source);
            if (fetched.contains(key))
                __builtin_trap();
            fetched.insert(key);
        }
        if (fetched.size() > MaxEndpoints)
            __builtin_trap();
    }
    return 0;
}
