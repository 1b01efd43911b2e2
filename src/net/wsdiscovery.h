// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// The messages of WS-Discovery (the multicast Probe and Resolve and their
// matches) and of the metadata exchange that tells a computer's name and
// workgroup or domain. Building and parsing only: no sockets here. Every
// input comes from the network, so the parsers accept anything and give up
// quietly on what they do not understand.
namespace WsDiscovery {

inline constexpr std::uint16_t Port = 3702;
inline constexpr const char *MulticastGroup = "239.255.255.250";
// Far more than a real reply; a datagram can hold no more anyway.
inline constexpr qsizetype MaxMessageSize = 65536;

struct Match
{
    QString endpoint; // wsa:Address, usually "urn:uuid:..."
    QStringList types; // local names of wsd:Types, e.g. "Device", "Computer"
    QStringList xaddrs; // transport addresses of the metadata service
};

struct Reply
{
    QString action; // "ProbeMatches", "ResolveMatches", "Hello", ...
    QString relatesTo; // the message ID of the request it answers
    std::vector<Match> matches;
};

struct Computer
{
    QString name;
    QString workgroup; // the workgroup, or the domain when `domain` is set
    bool domain = false;
};

struct HttpUrl
{
    QString host;
    std::uint16_t port = 80;
    QString path; // starts with "/"
};

// A new "urn:uuid:..." message ID.
QString NewMessageId();

QByteArray BuildProbe(const QString &messageId);
QByteArray BuildResolve(const QString &messageId, const QString &endpoint);
// The SOAP body of the metadata request (a WS-Transfer Get).
QByteArray BuildGet(const QString &messageId, const QString &endpoint);
// The whole HTTP request that carries BuildGet to `url`.
QByteArray BuildGetRequest(const HttpUrl &url, const QString &messageId, const QString &endpoint);

// ProbeMatches, ResolveMatches (and Hello, which has the same shape).
std::optional<Reply> ParseReply(QByteArrayView message);
// The computer's "NAME/Workgroup:GROUP" or "NAME/Domain:DOMAIN" from a
// GetResponse; nothing when the device is no computer.
std::optional<Computer> ParseMetadata(QByteArrayView message);
// "NAME/Workgroup:GROUP" alone.
std::optional<Computer> ParseComputerText(QStringView text);
// The body of a complete HTTP response with status 200 (also chunked);
// nothing for any other status or a response cut short.
std::optional<QByteArray> HttpResponseBody(QByteArrayView response);
// "http://10.0.0.2:5357/uuid" -> its parts; only plain http.
std::optional<HttpUrl> ParseHttpUrl(QStringView url);

// The answers to one Probe, and the Resolves it takes, without sockets:
// which datagrams to send and which hosts to ask for their metadata.
//
// A Resolve goes to the multicast group, so anyone on the link may answer
// it, and an endpoint is only a name that anyone may claim. An endpoint
// therefore belongs to the addresses whose ProbeMatch named it: a
// ResolveMatch is taken only from one of them, and only for the endpoint
// that Resolve asked for. One address claiming another's endpoint does not
// shut the real owner out either: each (endpoint, address) pair is fetched
// once. One thread at a time.
class CExchange
{
public:
    struct Resolve
    {
        QString messageId;
        QByteArray datagram; // for the multicast group
    };
    struct Fetch
    {
        std::uint32_t address = 0; // host order; the metadata service is here
        HttpUrl url;
        QString endpoint;
    };
    struct Step
    {
        std::vector<Resolve> resolves;
        std::vector<Fetch> fetches;
    };

    // `maxEndpoints` bounds every set this keeps: a link with more
    // announced computers is no home or office network.
    explicit CExchange(QString probeId, int maxEndpoints = 1024);

    const QString &probeId() const { return m_probeId; }
    // A datagram that arrived from `source` (host order), already known to
    // be a neighbour on the link.
    Step Take(std::uint32_t source, QByteArrayView datagram);

private:
    const QString m_probeId;
    const int m_maxEndpoints;
    // Endpoint -> the addresses whose ProbeMatch named it.
    QHash<QString, QSet<std::uint32_t>> m_owners;
    int m_ownerCount = 0;
    // Resolve message ID -> the endpoint it asked for.
    QHash<QString, QString> m_resolves;
    QSet<QString> m_resolving;
    QSet<std::pair<QString, std::uint32_t>> m_fetched;
};

} // namespace WsDiscovery
