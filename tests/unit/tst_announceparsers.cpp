// SPDX-License-Identifier: GPL-3.0-or-later
// The parsers of what hosts announce: WS-Discovery messages with the
// metadata exchange, and multicast DNS answers. The samples were captured
// from Debian's wsdd and avahi-daemon.
#include "net/mdns.h"
#include "net/wsdiscovery.h"

#include <gtest/gtest.h>

namespace {

const char ProbeMatches[] =
    R"xml(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:wsx="http://schemas.xmlsoap.org/ws/2004/09/mex" xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof" xmlns:pnpx="http://schemas.microsoft.com/windows/pnpx/2005/10" xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07"><soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To><wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action><wsa:MessageID>urn:uuid:5495b836-f241-11f1-9457-2acf53a45fb3</wsa:MessageID><wsa:RelatesTo>urn:uuid:4e39c2b6-6a1e-4f3f-af1a-be85b98d2cde</wsa:RelatesTo><wsd:AppSequence InstanceId="1796649781" SequenceId="urn:uuid:5495b9c6-f241-11f1-9457-2acf53a45fb3" MessageNumber="1" /></soap:Header><soap:Body><wsd:ProbeMatches><wsd:ProbeMatch><wsa:EndpointReference><wsa:Address>urn:uuid:11111111-2222-3333-4444-555555555555</wsa:Address></wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types><wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:ProbeMatch></wsd:ProbeMatches></soap:Body></soap:Envelope>)xml";
const char ResolveMatches[] =
    R"xml(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:wsx="http://schemas.xmlsoap.org/ws/2004/09/mex" xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof" xmlns:pnpx="http://schemas.microsoft.com/windows/pnpx/2005/10" xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07"><soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To><wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ResolveMatches</wsa:Action><wsa:MessageID>urn:uuid:5a4f29a6-f241-11f1-9457-2acf53a45fb3</wsa:MessageID><wsa:RelatesTo>urn:uuid:211923ff-e710-4b21-b483-eef08ff06d81</wsa:RelatesTo><wsd:AppSequence InstanceId="1796649781" SequenceId="urn:uuid:5a4f2af0-f241-11f1-9457-2acf53a45fb3" MessageNumber="2" /></soap:Header><soap:Body><wsd:ResolveMatches><wsd:ResolveMatch><wsa:EndpointReference><wsa:Address>urn:uuid:11111111-2222-3333-4444-555555555555</wsa:Address></wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types><wsd:XAddrs>http://10.79.0.2:5357/11111111-2222-3333-4444-555555555555</wsd:XAddrs><wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:ResolveMatch></wsd:ResolveMatches></soap:Body></soap:Envelope>)xml";
const char GetResponseBody[] =
    R"xml(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:wsx="http://schemas.xmlsoap.org/ws/2004/09/mex" xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof" xmlns:pnpx="http://schemas.microsoft.com/windows/pnpx/2005/10" xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07"><soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To><wsa:Action>http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse</wsa:Action><wsa:MessageID>urn:uuid:5a524398-f241-11f1-9457-2acf53a45fb3</wsa:MessageID><wsa:RelatesTo>urn:uuid:65e8176b-19d1-4e83-9ee5-f353af3ef20a</wsa:RelatesTo></soap:Header><soap:Body><wsx:Metadata><wsx:MetadataSection Dialect="http://schemas.xmlsoap.org/ws/2006/02/devprof/ThisDevice"><wsdp:ThisDevice><wsdp:FriendlyName>WSD Device Alpha</wsdp:FriendlyName><wsdp:FirmwareVersion>1.0</wsdp:FirmwareVersion><wsdp:SerialNumber>1</wsdp:SerialNumber></wsdp:ThisDevice></wsx:MetadataSection><wsx:MetadataSection Dialect="http://schemas.xmlsoap.org/ws/2006/02/devprof/ThisModel"><wsdp:ThisModel><wsdp:Manufacturer>wsdd</wsdp:Manufacturer><wsdp:ModelName>wsdd</wsdp:ModelName><pnpx:DeviceCategory>Computers</pnpx:DeviceCategory></wsdp:ThisModel></wsx:MetadataSection><wsx:MetadataSection Dialect="http://schemas.xmlsoap.org/ws/2006/02/devprof/Relationship"><wsdp:Relationship Type="http://schemas.xmlsoap.org/ws/2006/02/devprof/host"><wsdp:Host><wsa:EndpointReference><wsa:Address>urn:uuid:11111111-2222-3333-4444-555555555555</wsa:Address></wsa:EndpointReference><wsdp:Types>pub:Computer</wsdp:Types><wsdp:ServiceId>urn:uuid:11111111-2222-3333-4444-555555555555</wsdp:ServiceId><pub:Computer>ALPHA/Workgroup:LAB</pub:Computer></wsdp:Host></wsdp:Relationship></wsx:MetadataSection></wsx:Metadata></soap:Body></soap:Envelope>)xml";
const QByteArray GetResponse = QByteArray("HTTP/1.0 200 OK\r\nServer: BaseHTTP/0.6 Python/3.11.2\r\nDate: Mon, 07 Dec "
                                          "2026 13:23:12 GMT\r\nContent-Type: application/soap+xml\r\n\r\n")
                               + GetResponseBody;
// _smb._tcp.local PTR gamma, with TXT, SRV gamma.local:445, AAAA and A
// 10.79.0.2, answered by unicast to a one-shot query with ID 0x1234.
const char AvahiAnswer[] = "123484000001000500000000045f736d62045f746370056c6f63616c00000c0001c00c000c00010000000a00080"
                           "567616d6d61c00cc02d001000010000000a000100c02d002100010000000a000e0000000001bd0567616d6d61c0"
                           "16c054001c00010000000a0010fe8000000000000028cf53fffea45fb3c054000100010000000a00040a4f0002";

QByteArray Http(const QByteArray &head, const QByteArray &body)
{
    return head + "\r\n\r\n" + body;
}

TEST(WsDiscoveryParser, ReadsProbeAndResolveMatches)
{
    const auto probe = WsDiscovery::ParseReply(ProbeMatches);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->action, u"ProbeMatches");
    EXPECT_EQ(probe->relatesTo, u"urn:uuid:4e39c2b6-6a1e-4f3f-af1a-be85b98d2cde");
    ASSERT_EQ(probe->matches.size(), 1u);
    EXPECT_EQ(probe->matches[0].endpoint, u"urn:uuid:11111111-2222-3333-4444-555555555555");
    EXPECT_EQ(probe->matches[0].types, (QStringList{"Device", "Computer"}));
    EXPECT_TRUE(probe->matches[0].xaddrs.isEmpty());

    const auto resolve = WsDiscovery::ParseReply(ResolveMatches);
    ASSERT_TRUE(resolve);
    EXPECT_EQ(resolve->action, u"ResolveMatches");
    ASSERT_EQ(resolve->matches.size(), 1u);
    EXPECT_EQ(resolve->matches[0].xaddrs, QStringList{"http://10.79.0.2:5357/11111111-2222-3333-4444-555555555555"});
}

TEST(WsDiscoveryParser, RefusesWhatIsNoReply)
{
    EXPECT_FALSE(WsDiscovery::ParseReply(""));
    EXPECT_FALSE(WsDiscovery::ParseReply("not xml at all"));
    EXPECT_FALSE(WsDiscovery::ParseReply("<a><b></a>"));
    // Cut short anywhere: no reply, no crash.
    const QByteArray whole(ResolveMatches);
    for (qsizetype cut = 0; cut < whole.size(); cut += 37)
        EXPECT_FALSE(WsDiscovery::ParseReply(whole.left(cut))) << cut;
    // A match without an endpoint is left out.
    QByteArray noEndpoint = whole;
    noEndpoint.replace("urn:uuid:11111111-2222-3333-4444-555555555555</wsa:Address>", "</wsa:Address>");
    const auto reply = WsDiscovery::ParseReply(noEndpoint);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->matches.empty());
}

TEST(WsDiscoveryParser, ReadsTheComputerFromTheMetadata)
{
    const auto body = WsDiscovery::HttpResponseBody(GetResponse);
    ASSERT_TRUE(body);
    const auto computer = WsDiscovery::ParseMetadata(*body);
    ASSERT_TRUE(computer);
    EXPECT_EQ(computer->name, u"ALPHA");
    EXPECT_EQ(computer->workgroup, u"LAB");
    EXPECT_FALSE(computer->domain);

    QByteArray domain = *body;
    domain.replace("ALPHA/Workgroup:LAB", "beta/Domain:corp.example");
    const auto member = WsDiscovery::ParseMetadata(domain);
    ASSERT_TRUE(member);
    EXPECT_EQ(member->name, u"beta");
    EXPECT_EQ(member->workgroup, u"corp.example");
    EXPECT_TRUE(member->domain);

    // A device that is no computer tells no pub:Computer.
    QByteArray printer = *body;
    printer.replace("pub:Computer>", "pub:Printer>");
    EXPECT_FALSE(WsDiscovery::ParseMetadata(printer));
    // The element must be in its namespace, not merely carry the name.
    QByteArray foreign = *body;
    foreign.replace("<pub:Computer>", "<wsdp:Computer>").replace("</pub:Computer>", "</wsdp:Computer>");
    EXPECT_FALSE(WsDiscovery::ParseMetadata(foreign));
}

TEST(WsDiscoveryParser, ComputerTextTakesOnlyPlainNames)
{
    auto parse = [](const char *text) { return WsDiscovery::ParseComputerText(QString::fromUtf8(text)); };
    ASSERT_TRUE(parse("NAS"));
    EXPECT_TRUE(parse("NAS")->workgroup.isEmpty());
    EXPECT_EQ(parse(" PC-1 / workgroup: HOME NET ")->workgroup, u"HOME NET");
    EXPECT_EQ(parse("PC/NotJoined")->name, u"PC");
    EXPECT_TRUE(parse("PC/NotJoined")->workgroup.isEmpty());
    // What would break a UNC path, the document or the list.
    EXPECT_FALSE(parse(""));
    EXPECT_FALSE(parse("/Workgroup:LAB"));
    EXPECT_FALSE(parse("a\\b/Workgroup:LAB"));
    EXPECT_FALSE(parse("a\"b"));
    EXPECT_FALSE(parse("two words"));
    EXPECT_FALSE(parse("tab\there"));
    EXPECT_FALSE(WsDiscovery::ParseComputerText(QString(300, u'a')));
    EXPECT_TRUE(parse("PC/Workgroup:<script>")->workgroup.isEmpty());
}

TEST(WsDiscoveryParser, HttpBodies)
{
    using WsDiscovery::HttpResponseBody;
    EXPECT_EQ(HttpResponseBody(Http("HTTP/1.1 200 OK\r\nContent-Length: 3", "abcdef")), QByteArray("abc"));
    EXPECT_FALSE(HttpResponseBody(Http("HTTP/1.1 200 OK\r\nContent-Length: 30", "abcdef")));
    EXPECT_FALSE(HttpResponseBody(Http("HTTP/1.1 200 OK\r\nContent-Length: -1", "abcdef")));
    EXPECT_EQ(
        HttpResponseBody(Http("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked", "3\r\nabc\r\n2;x=y\r\nde\r\n0\r\n\r\n")),
        QByteArray("abcde"));
    EXPECT_FALSE(HttpResponseBody(Http("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked", "3\r\nab")));
    EXPECT_FALSE(HttpResponseBody(Http("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked", "zz\r\nab\r\n")));
    EXPECT_FALSE(HttpResponseBody(Http("HTTP/1.1 404 Not Found\r\nContent-Length: 0", "")));
    EXPECT_FALSE(HttpResponseBody("HTTP/1.1 200 OK\r\nContent-Length: 0"));
    EXPECT_FALSE(HttpResponseBody(Http("SMB", "x")));
}

TEST(WsDiscoveryParser, HttpUrls)
{
    const auto url = WsDiscovery::ParseHttpUrl(u"http://10.79.0.2:5357/11111111-2222");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->host, u"10.79.0.2");
    EXPECT_EQ(url->port, 5357);
    EXPECT_EQ(url->path, u"/11111111-2222");
    EXPECT_EQ(WsDiscovery::ParseHttpUrl(u"HTTP://host")->path, u"/");
    EXPECT_EQ(WsDiscovery::ParseHttpUrl(u"http://host")->port, 80);
    EXPECT_EQ(WsDiscovery::ParseHttpUrl(u"http://[fe80::1]:5357/x")->host, u"fe80::1");
    EXPECT_FALSE(WsDiscovery::ParseHttpUrl(u"https://10.0.0.1/"));
    EXPECT_FALSE(WsDiscovery::ParseHttpUrl(u"http://user@10.0.0.1/"));
    EXPECT_FALSE(WsDiscovery::ParseHttpUrl(u"http://10.0.0.1:0/"));
    EXPECT_FALSE(WsDiscovery::ParseHttpUrl(u"http://10.0.0.1:70000/"));
    EXPECT_FALSE(WsDiscovery::ParseHttpUrl(u"http://:80/"));
}

TEST(WsDiscoveryMessages, RequestsCarryTheirIdsAndEscapeWhatCameFromTheNetwork)
{
    const QByteArray probe = WsDiscovery::BuildProbe(QStringLiteral("urn:uuid:1"));
    EXPECT_TRUE(probe.contains("<wsa:MessageID>urn:uuid:1</wsa:MessageID>"));
    EXPECT_TRUE(probe.contains("<wsd:Types>wsdp:Device</wsd:Types>"));
    const QByteArray resolve = WsDiscovery::BuildResolve(QStringLiteral("urn:uuid:2"), QStringLiteral("a<b&c"));
    EXPECT_TRUE(resolve.contains("<wsa:Address>a&lt;b&amp;c</wsa:Address>"));
    WsDiscovery::HttpUrl url{QStringLiteral("10.0.0.2"), 5357, QStringLiteral("/x y")};
    const QByteArray request = WsDiscovery::BuildGetRequest(url, QStringLiteral("urn:uuid:3"), QStringLiteral("e"));
    EXPECT_TRUE(request.startsWith("POST /x%20y HTTP/1.1\r\nHost: 10.0.0.2:5357\r\n"));
    const qsizetype bodyAt = request.indexOf("\r\n\r\n") + 4;
    EXPECT_TRUE(request.contains("Content-Length: " + QByteArray::number(request.size() - bodyAt) + "\r\n"));
}

// The captured answers, as another host (or a rogue) would send them: the
// request they relate to, the endpoint they name and, for a match that
// tells it, the host of the metadata service.
QByteArray WsdAnswer(const char *captured, const QString &relatesTo, const QString &endpoint, const QString &xaddrHost)
{
    QByteArray packet(captured);
    const QByteArray capturedEndpoint("urn:uuid:11111111-2222-3333-4444-555555555555");
    const qsizetype from = packet.indexOf("<wsa:RelatesTo>") + 15;
    packet.replace(from, packet.indexOf("</wsa:RelatesTo>") - from, relatesTo.toUtf8());
    packet.replace("http://10.79.0.2:5357/", "http://" + xaddrHost.toUtf8() + ":5357/");
    packet.replace(capturedEndpoint, endpoint.toUtf8());
    if (!xaddrHost.isEmpty() && !packet.contains("<wsd:XAddrs>"))
        packet.replace("<wsd:MetadataVersion>",
                       "<wsd:XAddrs>http://" + xaddrHost.toUtf8() + ":5357/x</wsd:XAddrs><wsd:MetadataVersion>");
    return packet;
}

std::uint32_t Neighbour(int last)
{
    return (10u << 24) | (77u << 16) | std::uint32_t(last);
}

// One datagram: a ProbeMatch, or a ResolveMatch answering the Resolve the
// exchange sent for `relatesToEndpoint` (or a Resolve it never sent).
struct WsdDatagram
{
    enum Kind { Probe, ResolveFor, ResolveUnasked } kind;
    int source; // 10.77.0.x
    const char *endpoint;
    int xaddrHost; // 0: none
    const char *relatesToEndpoint = "";
};

struct WsdExchangeCase
{
    const char *name;
    std::vector<WsdDatagram> datagrams;
    std::vector<int> fetchedFrom; // in order
    int resolvesSent;
};

void PrintTo(const WsdExchangeCase &item, std::ostream *out)
{
    *out << item.name;
}

class WsdExchangeTest : public ::testing::TestWithParam<WsdExchangeCase>
{};

TEST_P(WsdExchangeTest, ResolveMatchesCountOnlyFromTheEndpointsOwners)
{
    WsDiscovery::CExchange exchange(QStringLiteral("urn:uuid:probe-1"));
    QHash<QString, QString> resolveIds;
    std::vector<int> fetchedFrom;
    int resolvesSent = 0;
    for (const WsdDatagram &datagram : GetParam().datagrams) {
        const QString host = datagram.xaddrHost ? QStringLiteral("10.77.0.%1").arg(datagram.xaddrHost) : QString();
        QByteArray packet;
        switch (datagram.kind) {
        case WsdDatagram::Probe:
            packet = WsdAnswer(ProbeMatches, exchange.probeId(), QString::fromUtf8(datagram.endpoint), host);
            break;
        case WsdDatagram::ResolveFor:
            ASSERT_TRUE(resolveIds.contains(QString::fromUtf8(datagram.relatesToEndpoint)));
            packet = WsdAnswer(ResolveMatches, resolveIds.value(QString::fromUtf8(datagram.relatesToEndpoint)),
                               QString::fromUtf8(datagram.endpoint), host);
            break;
        case WsdDatagram::ResolveUnasked:
            packet = WsdAnswer(ResolveMatches, QStringLiteral("urn:uuid:never-sent"),
                               QString::fromUtf8(datagram.endpoint), host);
            break;
        }
        ASSERT_TRUE(WsDiscovery::ParseReply(packet));
        const auto step = exchange.Take(Neighbour(datagram.source), packet);
        for (const auto &resolve : step.resolves) {
            ++resolvesSent;
            EXPECT_TRUE(resolve.datagram.contains("<wsa:Address>" + QByteArray(datagram.endpoint) + "</wsa:Address>"));
            resolveIds.insert(QString::fromUtf8(datagram.endpoint), resolve.messageId);
        }
        for (const auto &fetch : step.fetches) {
            EXPECT_EQ(fetch.url.host, QStringLiteral("10.77.0.%1").arg(fetch.address & 0xFF));
            fetchedFrom.push_back(int(fetch.address - Neighbour(0)));
        }
    }
    EXPECT_EQ(fetchedFrom, GetParam().fetchedFrom);
    EXPECT_EQ(resolvesSent, GetParam().resolvesSent);
}

const char VaultEndpoint[] = "urn:uuid:0a017700-0000-4000-8000-000000000003";
const char OtherEndpoint[] = "urn:uuid:0a017700-0000-4000-8000-000000000005";

// VAULT is 10.77.0.3, the rogue 10.77.0.66.
INSTANTIATE_TEST_SUITE_P(
    Spoofing, WsdExchangeTest,
    ::testing::Values(
        WsdExchangeCase{
            "OwnerAnswersItsResolve",
            {{WsdDatagram::Probe, 3, VaultEndpoint, 0}, {WsdDatagram::ResolveFor, 3, VaultEndpoint, 3, VaultEndpoint}},
            {3},
            1},
        WsdExchangeCase{"RogueAnswersFirst",
                        {{WsdDatagram::Probe, 3, VaultEndpoint, 0},
                         {WsdDatagram::ResolveFor, 66, VaultEndpoint, 66, VaultEndpoint},
                         {WsdDatagram::ResolveFor, 3, VaultEndpoint, 3, VaultEndpoint}},
                        {3},
                        1},
        WsdExchangeCase{"OnlyTheRogueAnswers",
                        {{WsdDatagram::Probe, 3, VaultEndpoint, 0},
                         {WsdDatagram::ResolveFor, 66, VaultEndpoint, 66, VaultEndpoint}},
                        {},
                        1},
        WsdExchangeCase{"AnOwnerAnswersForAnotherEndpoint",
                        {{WsdDatagram::Probe, 3, VaultEndpoint, 0},
                         {WsdDatagram::Probe, 5, OtherEndpoint, 0},
                         {WsdDatagram::ResolveFor, 5, VaultEndpoint, 5, OtherEndpoint},
                         {WsdDatagram::ResolveFor, 5, OtherEndpoint, 5, VaultEndpoint},
                         {WsdDatagram::ResolveFor, 5, OtherEndpoint, 5, OtherEndpoint}},
                        {5},
                        2},
        WsdExchangeCase{"AClaimedEndpointDoesNotShutTheOwnerOut",
                        {{WsdDatagram::Probe, 66, VaultEndpoint, 0},
                         {WsdDatagram::Probe, 3, VaultEndpoint, 0},
                         {WsdDatagram::ResolveFor, 66, VaultEndpoint, 66, VaultEndpoint},
                         {WsdDatagram::ResolveFor, 3, VaultEndpoint, 3, VaultEndpoint}},
                        {66, 3},
                        1},
        WsdExchangeCase{"AnswersToNoResolveOfOurs",
                        {{WsdDatagram::Probe, 3, VaultEndpoint, 0}, {WsdDatagram::ResolveUnasked, 3, VaultEndpoint, 3}},
                        {},
                        1},
        WsdExchangeCase{"AProbeMatchTellingItsOwnServiceNeedsNoResolve",
                        {{WsdDatagram::Probe, 3, VaultEndpoint, 3}, {WsdDatagram::Probe, 5, OtherEndpoint, 66}},
                        {3},
                        1},
        WsdExchangeCase{"EachOwnerIsAskedOnce",
                        {{WsdDatagram::Probe, 3, VaultEndpoint, 0},
                         {WsdDatagram::Probe, 3, VaultEndpoint, 0},
                         {WsdDatagram::ResolveFor, 3, VaultEndpoint, 3, VaultEndpoint},
                         {WsdDatagram::ResolveFor, 3, VaultEndpoint, 3, VaultEndpoint}},
                        {3},
                        1}),
    [](const ::testing::TestParamInfo<WsdExchangeCase> &info) { return std::string(info.param.name); });

TEST(MdnsParser, ReadsTheServicesOfAnAnswer)
{
    const auto message = Mdns::ParseMessage(QByteArray::fromHex(AvahiAnswer));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->id, 0x1234);
    const auto services = Mdns::ServicesIn(*message, {"_smb", "_tcp", "local"});
    ASSERT_EQ(services.size(), 1u);
    EXPECT_EQ(services[0].instance, u"gamma");
    EXPECT_EQ(services[0].host, u"gamma.local");
    EXPECT_EQ(services[0].port, 445);
    ASSERT_EQ(services[0].addresses.size(), 1u);
    EXPECT_EQ(services[0].addresses[0], (10u << 24) | (79u << 16) | 2u);
    EXPECT_TRUE(Mdns::ServicesIn(*message, {"_afpovertcp", "_tcp", "local"}).empty());
}

TEST(MdnsParser, RefusesBrokenMessages)
{
    const QByteArray whole = QByteArray::fromHex(AvahiAnswer);
    for (qsizetype cut = 0; cut < whole.size(); ++cut)
        EXPECT_FALSE(Mdns::ParseMessage(whole.left(cut))) << cut;
    // A query is no answer.
    EXPECT_FALSE(Mdns::ParseMessage(Mdns::BuildQuery(7, {"_smb", "_tcp", "local"}, Mdns::TypePtr)));

    // A name that points at itself, or forward, would loop or read ahead.
    QByteArray header = QByteArray::fromHex("000084000000000100000000");
    QByteArray self = header + QByteArray::fromHex("c00c000c00010000000a0000");
    EXPECT_FALSE(Mdns::ParseMessage(self));
    QByteArray forward = header + QByteArray::fromHex("c00e000c00010000000a000000");
    EXPECT_FALSE(Mdns::ParseMessage(forward));
    // Two pointers that point at each other.
    QByteArray pair = header + QByteArray::fromHex("c00e") + QByteArray::fromHex("c00c000c0001000000000000");
    EXPECT_FALSE(Mdns::ParseMessage(pair));
    // A label type reserved by DNS.
    QByteArray reserved = header + QByteArray::fromHex("41000c0001000000000000");
    EXPECT_FALSE(Mdns::ParseMessage(reserved));
}

TEST(MdnsParser, TakesOnlyPlainLiveServices)
{
    const QByteArray whole = QByteArray::fromHex(AvahiAnswer);
    // The PTR record's TTL sits at bytes 39..42: 0 says the service is gone.
    QByteArray goodbye = whole;
    goodbye[42] = 0;
    ASSERT_TRUE(Mdns::ParseMessage(goodbye));
    EXPECT_TRUE(Mdns::ServicesIn(*Mdns::ParseMessage(goodbye), {"_smb", "_tcp", "local"}).empty());
    // A host name with a backslash in its label goes nowhere near a path.
    QByteArray slash = whole;
    const qsizetype target = slash.indexOf(QByteArray::fromHex("0567616d6d61c016"));
    ASSERT_GT(target, 0);
    slash[target + 3] = '\\';
    EXPECT_TRUE(Mdns::ServicesIn(*Mdns::ParseMessage(slash), {"_smb", "_tcp", "local"}).empty());
}

TEST(MdnsMessages, TheQueryAsksOnceForPointers)
{
    EXPECT_EQ(Mdns::BuildQuery(0x1234, {"_smb", "_tcp", "local"}, Mdns::TypePtr).toHex(),
              QByteArray("123400000001000000000000045f736d62045f746370056c6f63616c00000c0001"));
}

} // namespace
