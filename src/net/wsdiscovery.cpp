// SPDX-License-Identifier: GPL-3.0-or-later
#include "wsdiscovery.h"

#include "resolver.h"

#include <QUrl>
#include <QUuid>
#include <QXmlStreamReader>

namespace WsDiscovery {

namespace {

constexpr std::size_t MaxMatches = 256;
constexpr qsizetype MaxNameLength = 253;
const QString PubNamespace = QStringLiteral("http://schemas.microsoft.com/windows/pub/2005/07");

const char *const EnvelopeStart = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                  "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\""
                                  " xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
                                  " xmlns:wsd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
                                  " xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\""
                                  " xmlns:pub=\"http://schemas.microsoft.com/windows/pub/2005/07\">";

QByteArray Escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray Header(const QByteArray &to, const char *action, const QString &messageId)
{
    return QByteArray("<soap:Header><wsa:To>") + to + "</wsa:To><wsa:Action>" + action + "</wsa:Action><wsa:MessageID>"
           + Escaped(messageId) + "</wsa:MessageID>";
}

// "wsdp:Device  pub:Computer" -> {"Device", "Computer"}.
QStringList LocalNames(QStringView text)
{
    QStringList names;
    for (const QStringView word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QStringView trimmed = word.trimmed();
        if (trimmed.isEmpty())
            continue;
        const qsizetype colon = trimmed.lastIndexOf(u':');
        names.append((colon >= 0 ? trimmed.mid(colon + 1) : trimmed).toString());
    }
    return names;
}

QStringList Words(QStringView text)
{
    QStringList words;
    for (const QStringView word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QStringView trimmed = word.trimmed();
        if (!trimmed.isEmpty())
            words.append(trimmed.toString());
    }
    return words;
}

QString Simplified(const QString &text)
{
    return text.simplified();
}

bool IsNameCharacter(QChar c, bool allowSpace)
{
    if (c.isLetterOrNumber())
        return true;
    if (allowSpace && c == u' ')
        return true;
    return c == u'-' || c == u'_' || c == u'.' || c == u'$';
}

// Names go into paths, the document and the list: only what a computer,
// workgroup or domain name may hold.
bool IsPlainName(const QString &text, bool allowSpace)
{
    if (text.isEmpty() || text.size() > MaxNameLength)
        return false;
    for (const QChar c : text) {
        if (!IsNameCharacter(c, allowSpace))
            return false;
    }
    return true;
}

bool IsMatchElement(QStringView name)
{
    return name == u"ProbeMatch" || name == u"ResolveMatch" || name == u"Hello";
}

std::optional<qsizetype> HeaderEnd(QByteArrayView response)
{
    const qsizetype end = response.indexOf(QByteArrayView("\r\n\r\n"));
    if (end < 0)
        return std::nullopt;
    return end;
}

// Decodes a chunked body; nothing when it is cut short or malformed.
std::optional<QByteArray> Unchunk(QByteArrayView data)
{
    QByteArray body;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype lineEnd = data.indexOf(QByteArrayView("\r\n"), pos);
        if (lineEnd < 0)
            return std::nullopt;
        QByteArrayView sizeText = data.sliced(pos, lineEnd - pos);
        if (const qsizetype semicolon = sizeText.indexOf(';'); semicolon >= 0)
            sizeText = sizeText.first(semicolon);
        bool ok = false;
        const qlonglong size = sizeText.trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || size > MaxMessageSize)
            return std::nullopt;
        pos = lineEnd + 2;
        if (size == 0)
            return body;
        if (data.size() - pos < size + 2 || body.size() + size > MaxMessageSize)
            return std::nullopt;
        body.append(data.sliced(pos, qsizetype(size)));
        pos += qsizetype(size) + 2;
    }
}

} // namespace

QString NewMessageId()
{
    return QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray BuildProbe(const QString &messageId)
{
    // For devices, as Windows asks: responders match the type list as a
    // whole, and some know no other. Printers and scanners answer too; the
    // caller keeps the matches that say they are computers.
    return QByteArray(EnvelopeStart)
           + Header("urn:schemas-xmlsoap-org:ws:2005:04:discovery",
                    "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe", messageId)
           + "</soap:Header><soap:Body><wsd:Probe><wsd:Types>wsdp:Device</wsd:Types>"
             "</wsd:Probe></soap:Body></soap:Envelope>";
}

QByteArray BuildResolve(const QString &messageId, const QString &endpoint)
{
    return QByteArray(EnvelopeStart)
           + Header("urn:schemas-xmlsoap-org:ws:2005:04:discovery",
                    "http://schemas.xmlsoap.org/ws/2005/04/discovery/Resolve", messageId)
           + "</soap:Header><soap:Body><wsd:Resolve><wsa:EndpointReference><wsa:Address>" + Escaped(endpoint)
           + "</wsa:Address></wsa:EndpointReference></wsd:Resolve></soap:Body></soap:Envelope>";
}

QByteArray BuildGet(const QString &messageId, const QString &endpoint)
{
    return QByteArray(EnvelopeStart)
           + Header(Escaped(endpoint), "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get", messageId)
           + "<wsa:ReplyTo><wsa:Address>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous"
             "</wsa:Address></wsa:ReplyTo></soap:Header><soap:Body /></soap:Envelope>";
}

QByteArray BuildGetRequest(const HttpUrl &url, const QString &messageId, const QString &endpoint)
{
    const QByteArray body = BuildGet(messageId, endpoint);
    QByteArray request = "POST " + QUrl::toPercentEncoding(url.path, "/:@!$&'()*+,;=-._~") + " HTTP/1.1\r\n";
    request += "Host: " + url.host.toUtf8() + ':' + QByteArray::number(url.port) + "\r\n";
    request += "Content-Type: application/soap+xml\r\n";
    request += "User-Agent: wsd\r\n";
    request += "Connection: close\r\n";
    request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    return request + body;
}

std::optional<Reply> ParseReply(QByteArrayView message)
{
    if (message.isEmpty() || message.size() > MaxMessageSize)
        return std::nullopt;
    QXmlStreamReader xml(message.toByteArray());
    Reply reply;
    bool sawEnvelope = false;
    std::optional<Match> match;
    // The element whose text is wanted next, by local name.
    enum class Want { None, Action, RelatesTo, Address, Types, XAddrs } want = Want::None;
    bool inEndpoint = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView name = xml.name();
            want = Want::None;
            if (name == u"Envelope") {
                sawEnvelope = true;
            } else if (name == u"Action") {
                want = Want::Action;
            } else if (name == u"RelatesTo") {
                want = Want::RelatesTo;
            } else if (IsMatchElement(name)) {
                match = Match{};
            } else if (match && name == u"EndpointReference") {
                inEndpoint = true;
            } else if (match && inEndpoint && name == u"Address") {
                want = Want::Address;
            } else if (match && name == u"Types") {
                want = Want::Types;
            } else if (match && name == u"XAddrs") {
                want = Want::XAddrs;
            }
            break;
        }
        case QXmlStreamReader::Characters: {
            const QStringView text = xml.text();
            switch (want) {
            case Want::Action: {
                const QString action = Simplified(text.toString());
                reply.action = action.mid(action.lastIndexOf(u'/') + 1);
                break;
            }
            case Want::RelatesTo:
                reply.relatesTo += text;
                break;
            case Want::Address:
                match->endpoint += text;
                break;
            case Want::Types:
                match->types += LocalNames(text);
                break;
            case Want::XAddrs:
                match->xaddrs += Words(text);
                break;
            case Want::None:
                break;
            }
            break;
        }
        case QXmlStreamReader::EndElement: {
            want = Want::None;
            const QStringView name = xml.name();
            if (name == u"EndpointReference") {
                inEndpoint = false;
            } else if (match && IsMatchElement(name)) {
                match->endpoint = Simplified(match->endpoint);
                if (!match->endpoint.isEmpty() && reply.matches.size() < MaxMatches)
                    reply.matches.push_back(std::move(*match));
                match.reset();
            }
            break;
        }
        default:
            break;
        }
    }
    if (xml.hasError() || !sawEnvelope)
        return std::nullopt;
    reply.relatesTo = Simplified(reply.relatesTo);
    return reply;
}

std::optional<Computer> ParseComputerText(QStringView text)
{
    const QString trimmed = text.trimmed().toString();
    const qsizetype slash = trimmed.indexOf(u'/');
    Computer computer;
    computer.name = (slash < 0 ? trimmed : trimmed.left(slash)).trimmed();
    if (!IsPlainName(computer.name, false))
        return std::nullopt;
    if (slash >= 0) {
        const QString membership = trimmed.mid(slash + 1).trimmed();
        const qsizetype colon = membership.indexOf(u':');
        if (colon > 0) {
            const QString kind = membership.left(colon).trimmed();
            const QString group = membership.mid(colon + 1).trimmed();
            if (IsPlainName(group, true)) {
                if (kind.compare(u"Workgroup", Qt::CaseInsensitive) == 0) {
                    computer.workgroup = group;
                } else if (kind.compare(u"Domain", Qt::CaseInsensitive) == 0) {
                    computer.workgroup = group;
                    computer.domain = true;
                }
            }
        }
    }
    return computer;
}

std::optional<Computer> ParseMetadata(QByteArrayView message)
{
    if (message.isEmpty() || message.size() > MaxMessageSize)
        return std::nullopt;
    QXmlStreamReader xml(message.toByteArray());
    QString text;
    bool inComputer = false;
    bool found = false;
    while (!xml.atEnd() && !found) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            inComputer = xml.name() == u"Computer" && xml.namespaceUri() == PubNamespace;
            break;
        case QXmlStreamReader::Characters:
            if (inComputer && text.size() < 2 * MaxNameLength)
                text += xml.text();
            break;
        case QXmlStreamReader::EndElement:
            found = inComputer;
            inComputer = false;
            break;
        default:
            break;
        }
    }
    if (!found || xml.hasError())
        return std::nullopt;
    return ParseComputerText(text);
}

std::optional<QByteArray> HttpResponseBody(QByteArrayView response)
{
    const auto headerEnd = HeaderEnd(response);
    if (!headerEnd)
        return std::nullopt;
    const QByteArray head = response.first(*headerEnd).toByteArray();
    const QByteArrayView rest = response.sliced(*headerEnd + 4);
    const QList<QByteArray> lines = head.split('\n');
    // "HTTP/1.1 200 OK"
    const QList<QByteArray> status = lines.value(0).trimmed().split(' ');
    if (status.size() < 2 || !status[0].startsWith("HTTP/") || status[1] != "200")
        return std::nullopt;
    std::optional<qlonglong> length;
    bool chunked = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray key = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (key == "content-length") {
            bool ok = false;
            const qlonglong parsed = value.toLongLong(&ok);
            if (!ok || parsed < 0)
                return std::nullopt;
            length = parsed;
        } else if (key == "transfer-encoding") {
            chunked = value.toLower().contains("chunked");
        }
    }
    if (chunked)
        return Unchunk(rest);
    if (length) {
        if (*length > rest.size())
            return std::nullopt;
        return rest.first(qsizetype(*length)).toByteArray();
    }
    // Without a length the body ends where the connection closed.
    return rest.toByteArray();
}

std::optional<HttpUrl> ParseHttpUrl(QStringView url)
{
    const QStringView trimmed = url.trimmed();
    if (!trimmed.startsWith(u"http://", Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView rest = trimmed.mid(7);
    const qsizetype slash = rest.indexOf(u'/');
    const QStringView authority = slash < 0 ? rest : rest.left(slash);
    HttpUrl result;
    result.path = slash < 0 ? QStringLiteral("/") : rest.mid(slash).toString();
    if (authority.contains(u'@') || authority.isEmpty())
        return std::nullopt;
    QStringView host = authority;
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        host = authority.mid(1, close - 1);
        const QStringView after = authority.mid(close + 1);
        if (!after.isEmpty()) {
            if (!after.startsWith(u':'))
                return std::nullopt;
            bool ok = false;
            const uint port = after.mid(1).toUInt(&ok);
            if (!ok || port == 0 || port > 65535)
                return std::nullopt;
            result.port = std::uint16_t(port);
        }
    } else if (const qsizetype colon = authority.lastIndexOf(u':'); colon >= 0) {
        host = authority.left(colon);
        bool ok = false;
        const uint port = authority.mid(colon + 1).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return std::nullopt;
        result.port = std::uint16_t(port);
    }
    if (host.isEmpty())
        return std::nullopt;
    result.host = host.toString();
    return result;
}

CExchange::CExchange(QString probeId, int maxEndpoints) : m_probeId(std::move(probeId)), m_maxEndpoints(maxEndpoints) {}

CExchange::Step CExchange::Take(std::uint32_t source, QByteArrayView datagram)
{
    Step step;
    const auto reply = ParseReply(datagram);
    if (!reply || reply->relatesTo.isEmpty())
        return step;
    const bool probeMatch = reply->relatesTo == m_probeId;
    QString resolved;
    if (!probeMatch) {
        const auto asked = m_resolves.constFind(reply->relatesTo);
        if (asked == m_resolves.cend())
            return step;
        resolved = *asked;
        if (!m_owners.value(resolved).contains(source))
            return step;
    }
    for (const Match &match : reply->matches) {
        if (!match.types.isEmpty() && !match.types.contains(QStringLiteral("Computer")))
            continue;
        if (!probeMatch && match.endpoint != resolved)
            continue;
        const std::pair key(match.endpoint, source);
        if (m_fetched.contains(key) || m_fetched.size() >= m_maxEndpoints)
            continue;
        if (probeMatch) {
            QSet<std::uint32_t> &owners = m_owners[match.endpoint];
            if (!owners.contains(source) && m_ownerCount >= m_maxEndpoints)
                continue;
            if (!owners.contains(source)) {
                owners.insert(source);
                ++m_ownerCount;
            }
        }
        // The metadata service must be on the host that answered: a reply
        // cannot send this program to talk to some other machine.
        std::optional<HttpUrl> url;
        for (const QString &xaddr : match.xaddrs) {
            auto parsed = ParseHttpUrl(xaddr);
            if (parsed && NumericIPv4(parsed->host) == source) {
                url = std::move(parsed);
                break;
            }
        }
        if (url) {
            m_fetched.insert(key);
            step.fetches.push_back({source, std::move(*url), match.endpoint});
            continue;
        }
        // Probe matches often leave the transport address out: it is asked
        // for once per endpoint, and every owner's answer relates to it.
        if (probeMatch && !m_resolving.contains(match.endpoint) && m_resolves.size() < m_maxEndpoints) {
            m_resolving.insert(match.endpoint);
            const QString id = NewMessageId();
            m_resolves.insert(id, match.endpoint);
            step.resolves.push_back({id, BuildResolve(id, match.endpoint)});
        }
    }
    return step;
}

} // namespace WsDiscovery
