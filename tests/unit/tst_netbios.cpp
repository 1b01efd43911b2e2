// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// NetBIOS name query packets, the reply parser, and a query against a name
// server on loopback.
#include "net/nbtname.h"
#include "net/nbtquery.h"

#include "laterescue.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

const QByteArray Name("FILESERVER");

// A positive response as a name server sends it.
QByteArray Response(std::uint16_t id, const QByteArray &name, std::vector<std::uint32_t> addresses,
                    std::uint16_t flags = 0x8500)
{
    QByteArray query = NbtName::BuildQuery(id, name, NbtName::FileServerSuffix, false);
    QByteArray packet;
    packet.append(char(id >> 8)).append(char(id & 0xff));
    packet.append(char(flags >> 8)).append(char(flags & 0xff));
    packet.append("\0\0\0\x01\0\0\0\0", 8);
    packet.append(query.mid(12, 34)); // the encoded name
    packet.append("\0\x20\0\x01", 4); // NB, IN
    packet.append("\0\0\x0e\x10", 4); // TTL
    const int length = int(addresses.size() * 6);
    packet.append(char(length >> 8)).append(char(length & 0xff));
    for (const std::uint32_t address : addresses) {
        packet.append("\0\0", 2);
        for (int shift = 24; shift >= 0; shift -= 8)
            packet.append(char((address >> shift) & 0xff));
    }
    return packet;
}

TEST(NetBios, NamesAreUpperCasedAndOnlyNetBiosShaped)
{
    EXPECT_EQ(NbtName::NetBiosForm(QStringLiteral("fileServer")), QByteArray("FILESERVER"));
    EXPECT_TRUE(NbtName::NetBiosForm(QStringLiteral("host.example.org")).isEmpty());
    EXPECT_TRUE(NbtName::NetBiosForm(QStringLiteral("SIXTEENCHARSLONG")).isEmpty());
    EXPECT_TRUE(NbtName::NetBiosForm(QString()).isEmpty());
    EXPECT_TRUE(NbtName::NetBiosForm(QStringLiteral("*")).isEmpty());
}

TEST(NetBios, QueryHasTheFirstLevelEncodedName)
{
    const QByteArray query = NbtName::BuildQuery(0x1234, "FRED", 0x20, true);
    ASSERT_EQ(query.size(), 50);
    EXPECT_EQ(query.left(4), QByteArray("\x12\x34\x01\x10", 4));
    EXPECT_EQ(query.at(12), char(32));
    // "FRED" padded with blanks, then the suffix 0x20: F=0x46 -> "EG".
    EXPECT_EQ(query.mid(13, 32), QByteArray("EGFCEFEE") + QByteArray("CA").repeated(12));
    EXPECT_EQ(query.right(5), QByteArray("\0\0\x20\0\x01", 5));
    EXPECT_EQ(NbtName::BuildQuery(1, "FRED", 0x20, false).at(3), '\0');
}

TEST(NetBios, PositiveResponsesGiveTheirAddresses)
{
    const auto addresses = NbtName::ParseResponse(Response(7, Name, {0x0a000005, 0x0a000006}), 7, Name, 0x20);
    ASSERT_TRUE(addresses);
    EXPECT_EQ(*addresses, (std::vector<std::uint32_t>{0x0a000005, 0x0a000006}));
}

TEST(NetBios, AnythingElseIsNotAnAnswer)
{
    const QByteArray good = Response(7, Name, {0x0a000005});
    EXPECT_FALSE(NbtName::ParseResponse(good, 8, Name, 0x20)) << "another id";
    EXPECT_FALSE(NbtName::ParseResponse(good, 7, "OTHER", 0x20)) << "another name";
    EXPECT_FALSE(NbtName::ParseResponse(Response(7, Name, {0x0a000005}, 0x8503), 7, Name, 0x20)) << "negative";
    EXPECT_FALSE(NbtName::ParseResponse(Response(7, Name, {0x0a000005}, 0x0500), 7, Name, 0x20)) << "a query";
    EXPECT_FALSE(NbtName::ParseResponse(Response(7, Name, {}), 7, Name, 0x20)) << "no address";
    EXPECT_FALSE(NbtName::ParseResponse(Response(7, Name, {0}), 7, Name, 0x20)) << "zero address";
    // Every truncation of a good packet is refused without reading past it.
    for (qsizetype length = 0; length < good.size(); ++length)
        EXPECT_FALSE(NbtName::ParseResponse(QByteArrayView(good).first(length), 7, Name, 0x20)) << length;
    // A length field that claims more than the packet holds.
    QByteArray lying = good;
    lying[lying.size() - 7] = char(0x60);
    EXPECT_FALSE(NbtName::ParseResponse(lying, 7, Name, 0x20));
}

TEST(NetBios, CompressedAnswerNamesAreAccepted)
{
    QByteArray packet = Response(9, Name, {0x0a000009});
    // Replace the answer's name by a pointer to offset 12.
    packet = packet.left(12) + QByteArray("\xc0\x0c", 2) + packet.mid(12 + 34);
    const auto addresses = NbtName::ParseResponse(packet, 9, Name, 0x20);
    ASSERT_TRUE(addresses);
    EXPECT_EQ(addresses->front(), 0x0a000009u);
}

// One entry of a node status answer: name, suffix, group or unique.
struct TableName
{
    const char *name;
    std::uint8_t suffix;
    bool group;
};

// A node status answer as nmbd and Windows send it: the wildcard name, type
// NBSTAT, the names with their flags (active), then the statistics.
QByteArray NodeStatus(std::uint16_t id, const std::vector<TableName> &names, std::uint16_t flags = 0x8400)
{
    const QByteArray query = NbtName::BuildNodeStatusQuery(id);
    QByteArray packet;
    packet.append(char(id >> 8)).append(char(id & 0xff));
    packet.append(char(flags >> 8)).append(char(flags & 0xff));
    packet.append("\0\0\0\x01\0\0\0\0", 8);
    packet.append(query.mid(12, 34));
    packet.append("\0\x21\0\x01", 4); // NBSTAT, IN
    packet.append("\0\0\0\0", 4);
    QByteArray data;
    data.append(char(names.size()));
    for (const TableName &entry : names) {
        data.append(QByteArray(entry.name).leftJustified(15, ' ', true));
        data.append(char(entry.suffix));
        data.append(char(entry.group ? 0x84 : 0x04)).append('\0');
    }
    data.append(QByteArray(46, '\0')); // the statistics: unit id and counters
    packet.append(char(data.size() >> 8)).append(char(data.size() & 0xff));
    packet.append(data);
    return packet;
}

const std::vector<TableName> MemberTable = {{"HOMESRV", 0x00, false}, {"HOMESRV", 0x03, false},
                                            {"HOMESRV", 0x20, false}, {"HOME", 0x00, true},
                                            {"HOME", 0x1e, true},     {"\x01\x02__MSBROWSE__\x02", 0x01, true}};

struct NodeStatusCase
{
    const char *what;
    QByteArray packet;
    std::uint16_t id;
    bool parsed;
    const char *workgroup;
};

class NodeStatusTest : public ::testing::TestWithParam<NodeStatusCase>
{};

TEST_P(NodeStatusTest, TellsTheWorkgroupOfAWellFormedAnswerOnly)
{
    const NodeStatusCase &c = GetParam();
    const auto names = NbtName::ParseNodeStatus(c.packet, c.id);
    ASSERT_EQ(names.has_value(), c.parsed) << c.what;
    if (names) {
        EXPECT_EQ(NbtName::WorkgroupOf(*names), QString::fromLatin1(c.workgroup)) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    NetBios, NodeStatusTest,
    ::testing::Values(NodeStatusCase{"a workgroup member", NodeStatus(7, MemberTable), 7, true, "HOME"},
                      // A browse master's __MSBROWSE__ group (suffix 01) comes first.
                      NodeStatusCase{"a browse master",
                                     NodeStatus(7, {{"\x01\x02__MSBROWSE__\x02", 0x01, true},
                                                    {"M", 0x20, false},
                                                    {"LAB", 0x1d, false},
                                                    {"LAB", 0x00, true}}),
                                     7, true, "LAB"},
                      NodeStatusCase{"a domain controller",
                                     NodeStatus(7, {{"DC1", 0x00, false}, {"CORP", 0x1c, true}, {"CORP", 0x00, true}}),
                                     7, true, "CORP"},
                      NodeStatusCase{"unique names only", NodeStatus(7, {{"SOLO", 0x00, false}, {"SOLO", 0x20, false}}),
                                     7, true, ""},
                      NodeStatusCase{"no names", NodeStatus(7, {}), 7, true, ""},
                      NodeStatusCase{"another query's answer", NodeStatus(8, MemberTable), 7, false, ""},
                      NodeStatusCase{"a negative answer", NodeStatus(7, MemberTable, 0x8403), 7, false, ""},
                      NodeStatusCase{"a query, not an answer", NbtName::BuildNodeStatusQuery(7), 7, false, ""},
                      NodeStatusCase{"a name query's answer", Response(7, Name, {0x0a000009}), 7, false, ""},
                      NodeStatusCase{"cut inside the names", NodeStatus(7, MemberTable).left(80), 7, false, ""},
                      // The count promises more names than the data holds.
                      NodeStatusCase{"a count beyond its data",
                                     [] {
                                         QByteArray packet = NodeStatus(7, {{"HOME", 0x00, true}});
                                         packet[56] = char(200);
                                         return packet;
                                     }(),
                                     7, false, ""}));

// A name server on loopback that answers one query for FILESERVER.
class LoopbackNameServer
{
public:
    explicit LoopbackNameServer(bool answer) : m_answer(answer)
    {
        m_fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::jthread([this](std::stop_token stop) { Serve(stop); });
    }
    ~LoopbackNameServer()
    {
        m_thread.request_stop();
        m_thread.join();
        close(m_fd);
    }
    std::uint16_t port() const { return m_port; }
    int queries() const { return m_queries.load(); }

private:
    void Serve(std::stop_token stop)
    {
        char buffer[600];
        while (!stop.stop_requested()) {
            pollfd wait{m_fd, POLLIN, 0};
            if (poll(&wait, 1, 20) <= 0)
                continue;
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t n = recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
            if (n < 50)
                continue;
            ++m_queries;
            if (!m_answer)
                continue;
            const std::uint16_t id = std::uint16_t((std::uint8_t(buffer[0]) << 8) | std::uint8_t(buffer[1]));
            if (buffer[47] == 0x21) { // a node status request
                const QByteArray table = NodeStatus(id, MemberTable);
                sendto(m_fd, table.constData(), size_t(table.size()), 0, reinterpret_cast<sockaddr *>(&from), length);
                continue;
            }
            // A stray packet first, then the answer.
            const QByteArray stray = Response(std::uint16_t(id + 1), Name, {0x7f000063});
            sendto(m_fd, stray.constData(), size_t(stray.size()), 0, reinterpret_cast<sockaddr *>(&from), length);
            const QByteArray reply = Response(id, Name, {0x7f000042});
            sendto(m_fd, reply.constData(), size_t(reply.size()), 0, reinterpret_cast<sockaddr *>(&from), length);
        }
    }

    bool m_answer;
    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::atomic<int> m_queries{0};
    std::jthread m_thread;
};

TEST(NetBios, UnicastQueryToANameServerResolves)
{
    LoopbackNameServer server(true);
    NbtQueryOptions options;
    options.winsServers = {QStringLiteral("127.0.0.1")};
    options.port = server.port();
    options.timeoutMs = 1000;
    const auto address = NbtResolve(QStringLiteral("fileserver"), options);
    ASSERT_TRUE(address);
    EXPECT_EQ(*address, 0x7f000042u);
}

TEST(NetBios, ASilentNameServerCostsOnlyTheTimeoutAndIsAskedAgain)
{
    LoopbackNameServer server(false);
    NbtQueryOptions options;
    options.winsServers = {QStringLiteral("127.0.0.1")};
    options.port = server.port();
    options.timeoutMs = 300;
    // Its own timeout ends the look-up; the rescue would stop it only after
    // half a minute.
    std::stop_source stop;
    LateRescue rescue([&stop] { stop.request_stop(); });
    EXPECT_FALSE(NbtResolve(QStringLiteral("fileserver"), options, stop.get_token()));
    EXPECT_FALSE(rescue.fired()) << "the look-up outlived its timeout";
    // It waited through the timeout, asking three times spread over it.
    for (int i = 0; i < 2000 && server.queries() < 3; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(server.queries(), 3);
}

TEST(NetBios, AHostTellsItsWorkgroupByItsNameTable)
{
    LoopbackNameServer server(true);
    NbtQueryOptions options;
    options.port = server.port();
    options.timeoutMs = 1000;
    EXPECT_EQ(NbtHostWorkgroup(0x7f000001, options), QStringLiteral("HOME"));
}

TEST(NetBios, AHostWithoutNameServiceRefusesAtOnce)
{
    // A port nobody listens on: the refusal ends the query, not its timeout
    // (the rescue would stop it only after half a minute).
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    close(fd);
    NbtQueryOptions options;
    options.port = ntohs(address.sin_port);
    options.timeoutMs = 120000;
    std::stop_source stop;
    LateRescue rescue([&stop] { stop.request_stop(); });
    EXPECT_EQ(NbtHostWorkgroup(0x7f000001, options, stop.get_token()), QString());
    EXPECT_FALSE(rescue.fired()) << "the query waited for an answer that could not come";
}

TEST(NetBios, NamesThatCannotBeNetBiosAreNotQueried)
{
    LoopbackNameServer server(true);
    NbtQueryOptions options;
    options.winsServers = {QStringLiteral("127.0.0.1")};
    options.port = server.port();
    EXPECT_FALSE(NbtResolve(QStringLiteral("www.example.org"), options));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(server.queries(), 0);
}

} // namespace
