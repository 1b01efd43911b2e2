// The listing helpers' protocol, the helper pool (with a stand-in helper),
// the smb.conf reader and the TCP check.
#include "net/helperpool.h"
#include "net/helperprotocol.h"
#include "net/neterrors.h"
#include "net/sambanetwork.h"
#include "net/smbconf.h"
#include "net/tcpcheck.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Status = HelperProtocol::ReplyReader::Status;

// --- Protocol ---------------------------------------------------------------

TEST(HelperProtocol, RequestsCarryTheArgumentPercentEncoded)
{
    EXPECT_EQ(HelperProtocol::EncodeRequest("shares", QStringLiteral("10.0.0.1")), QByteArray("shares 10.0.0.1\n"));
    EXPECT_EQ(HelperProtocol::EncodeRequest("hosts", QStringLiteral("MY GROUP\n")), QByteArray("hosts MY%20GROUP%0A\n"));
}

TEST(HelperProtocol, RepliesAreReadAcrossChunkBoundaries)
{
    const QByteArray reply("i 0 Music\ni 80000000 C%24\ni 80000003 IPC%24\ni 0 Caf%C3%A9\ne 0\n");
    for (qsizetype split = 0; split <= reply.size(); ++split) {
        HelperProtocol::ReplyReader reader;
        reader.Feed(QByteArrayView(reply).first(split));
        ASSERT_EQ(reader.Feed(QByteArrayView(reply).sliced(split)), Status::Complete) << split;
        ASSERT_EQ(reader.items().size(), 4u);
        EXPECT_EQ(reader.items()[1].name, QStringLiteral("C$"));
        EXPECT_EQ(reader.items()[1].type, 0x80000000u);
        EXPECT_EQ(reader.items()[3].name, QStringLiteral("Café"));
        EXPECT_EQ(reader.code(), 0u);
    }
}

TEST(HelperProtocol, ErrorCodesAndPartialListsArrive)
{
    HelperProtocol::ReplyReader reader;
    EXPECT_EQ(reader.Feed("i 0 First\ne 1003\n"), Status::Complete);
    EXPECT_EQ(reader.code(), 1003u);
    EXPECT_EQ(reader.items().size(), 1u);
}

TEST(HelperProtocol, HostileRepliesAreRefusedOrCleaned)
{
    for (const char *bad : {"x\n", "i 0\n", "i zz Name\n", "e\n", "e -1\n", "e 99999999999\n", "i 123456789ab N\n"}) {
        HelperProtocol::ReplyReader reader;
        EXPECT_EQ(reader.Feed(bad), Status::Malformed) << bad;
    }
    HelperProtocol::ReplyReader longLine;
    EXPECT_EQ(longLine.Feed(QByteArray(HelperProtocol::MaxLineLength + 1, 'a')), Status::Malformed);

    // Control characters or an empty name drop that entry only.
    HelperProtocol::ReplyReader cleaned;
    EXPECT_EQ(cleaned.Feed("i 0 bad%0Aname\ni 0 tab%09\ni 0 \ni 0 Good\ne 0\n"), Status::Complete);
    ASSERT_EQ(cleaned.items().size(), 1u);
    EXPECT_EQ(cleaned.items()[0].name, QStringLiteral("Good"));

    HelperProtocol::ReplyReader flood;
    QByteArray many;
    for (std::size_t i = 0; i <= HelperProtocol::MaxItems; ++i)
        many += "i 0 x\n";
    EXPECT_EQ(flood.Feed(many), Status::Malformed);
}

// --- Pool ---------------------------------------------------------------------

class HelperPool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        helper = folder.filePath(QStringLiteral("helper.sh"));
        QFile file(helper);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"(#!/bin/bash
while IFS= read -r line; do
    case "${line#* }" in
        hang) exec sleep 30 ;;
        crash) exit 1 ;;
        garbage) printf 'nonsense\n' ;;
        pid) printf 'i 0 %s\ne 0\n' $$ ;;
        slow) sleep 0.3; printf 'e 0\n' ;;
        10.9.9.9) printf 'e 1003\n' ;;
        ALPHA) printf 'i 0 HOST1\ni 0 HOST2\ne 0\n' ;;
        -) printf 'i 0 ALPHA\ni 0 BETA\ne 0\n' ;;
        *) printf 'i 0 Music\ni 80000000 C%%24\ne 0\n' ;;
    esac
done
)");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir folder;
    QString helper;
};

TEST_F(HelperPool, AnswersAndReusesItsHelpers)
{
    CHelperPool pool(helper, {QStringLiteral("shares")}, 2000);
    const auto first = pool.Request("shares", QStringLiteral("pid"));
    const auto second = pool.Request("shares", QStringLiteral("pid"));
    ASSERT_EQ(first.code, 0u);
    ASSERT_EQ(first.items.size(), 1u);
    EXPECT_EQ(first.items[0].name, second.items[0].name);
    EXPECT_EQ(pool.StartedCount(), 1);

    const auto listing = pool.Request("shares", QStringLiteral("server"));
    ASSERT_EQ(listing.items.size(), 2u);
    EXPECT_EQ(listing.items[1].name, QStringLiteral("C$"));
}

TEST_F(HelperPool, DeadlinesCrashesAndGarbageCostTheHelperNotTheProgram)
{
    CHelperPool pool(helper, {QStringLiteral("shares")}, 300);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(pool.Request("shares", QStringLiteral("hang")).code, NetError::SemTimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_EQ(pool.IdleCount(), 0);
    EXPECT_EQ(pool.Request("shares", QStringLiteral("crash")).code, NetError::UnexpectedNetError);
    EXPECT_EQ(pool.Request("shares", QStringLiteral("garbage")).code, NetError::UnexpectedNetError);
    // The pool goes on with fresh helpers.
    EXPECT_EQ(pool.Request("shares", QStringLiteral("server")).code, 0u);
    EXPECT_EQ(pool.IdleCount(), 1);
}

TEST_F(HelperPool, AStopRequestEndsAWaitingRequest)
{
    CHelperPool pool(helper, {QStringLiteral("shares")}, 10000);
    std::stop_source stop;
    std::jthread stopper([&stop] {
        std::this_thread::sleep_for(100ms);
        stop.request_stop();
    });
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(pool.Request("shares", QStringLiteral("hang"), stop.get_token()).code, NetError::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

TEST_F(HelperPool, ParallelRequestsEachGetTheirOwnHelper)
{
    CHelperPool pool(helper, {QStringLiteral("shares")}, 5000);
    std::vector<std::jthread> threads;
    std::atomic<int> answered{0};
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([&] {
            if (pool.Request("shares", QStringLiteral("slow")).code == 0)
                ++answered;
        });
    threads.clear();
    EXPECT_EQ(answered.load(), 6);
    EXPECT_EQ(pool.StartedCount(), 6);
    EXPECT_EQ(pool.IdleCount(), 6);
}

TEST_F(HelperPool, AMissingHelperIsAnErrorCode)
{
    CHelperPool pool(folder.filePath(QStringLiteral("no-such-helper")), {}, 1000);
    EXPECT_EQ(pool.Request("shares", QStringLiteral("x")).code, NetError::UnexpectedNetError);
}

TEST_F(HelperPool, TheSambaNetworkMapsItsAnswers)
{
    SambaNetworkOptions options;
    options.helperPath = helper;
    // Names that do not resolve must not be broadcast from a test.
    options.netbiosQueries = false;
    CSambaNetwork network(options);

    const ShareListing listing = network.ListShares(QStringLiteral("server"), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(listing.code, 0u);
    ASSERT_EQ(listing.shares.size(), 2u);
    EXPECT_EQ(listing.shares[1].type, ShareType::SpecialDisk);
    // "Could not connect" of the Samba client is "network path not found".
    EXPECT_EQ(network.ListShares(QStringLiteral("x"), QStringLiteral("10.9.9.9")).code, NetError::BadNetPath);
    EXPECT_EQ(network.ListWorkgroups(), (QStringList{QStringLiteral("ALPHA"), QStringLiteral("BETA")}));
    EXPECT_EQ(network.ListHosts(QStringLiteral("ALPHA")), (QStringList{QStringLiteral("HOST1"), QStringLiteral("HOST2")}));
    EXPECT_EQ(network.ResolveIPv4(QStringLiteral("localhost")), QStringLiteral("127.0.0.1"));
}

// --- smb.conf -------------------------------------------------------------------

TEST(SmbConf, ReadsTheGlobalWorkgroupAndWinsServers)
{
    CSmbConf conf;
    conf.Parse("# comment\n[global]\n  Work Group = office\n; x\n  wins_server = 10.0.0.1, tag:10.0.0.2\n"
               "[music]\n workgroup = NOTTHIS\n");
    EXPECT_EQ(conf.Workgroup(), QStringLiteral("OFFICE"));
    EXPECT_EQ(conf.WinsServers(), (QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2")}));

    CSmbConf empty;
    EXPECT_EQ(empty.Workgroup(), QStringLiteral("WORKGROUP"));
    EXPECT_TRUE(empty.WinsServers().isEmpty());
    EXPECT_FALSE(empty.Load(QStringLiteral("/nonexistent/smb.conf")));
}

TEST(SmbConf, FollowsIncludesButNotForEver)
{
    QTemporaryDir folder;
    QFile main(folder.filePath(QStringLiteral("smb.conf")));
    ASSERT_TRUE(main.open(QIODevice::WriteOnly));
    main.write("[global]\ninclude = extra.conf\n");
    main.close();
    QFile extra(folder.filePath(QStringLiteral("extra.conf")));
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.write("[global]\nworkgroup = \\\n  lab\ninclude = smb.conf\n");
    extra.close();
    CSmbConf conf;
    EXPECT_TRUE(conf.Load(main.fileName()));
    EXPECT_EQ(conf.Workgroup(), QStringLiteral("LAB"));
}

// --- TCP check --------------------------------------------------------------------

TEST(TcpCheck, TellsListeningFromRefusedPortsOnLoopback)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    const std::uint16_t open = ntohs(address.sin_port);

    // A port that was just free is refused.
    const int spare = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in other{};
    other.sin_family = AF_INET;
    other.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(spare, reinterpret_cast<sockaddr *>(&other), sizeof other);
    length = sizeof other;
    getsockname(spare, reinterpret_cast<sockaddr *>(&other), &length);
    const std::uint16_t closed = ntohs(other.sin_port);
    close(spare);

    EXPECT_TRUE(TcpReachable(INADDR_LOOPBACK, {closed, open}, 1000));
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(TcpReachable(INADDR_LOOPBACK, {closed}, 1000));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    close(listener);
}

} // namespace
