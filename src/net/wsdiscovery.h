// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
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

} // namespace WsDiscovery
