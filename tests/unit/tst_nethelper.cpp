// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// The listing helpers' protocol, the helper pool (with a stand-in helper),
// the smb.conf reader and the TCP check.
#include "model/lanterradoc.h"
#include "net/helperpool.h"
#include "net/helperprotocol.h"
#include "net/neterrors.h"
#include "net/sambanetwork.h"
#include "net/smbconf.h"
#include "net/memorynetwork.h"
#include "net/tcpcheck.h"
#include "settings/settings.h"

#include "laterescue.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <csignal>
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
    const QByteArray reply("i 0 5 Music\ni 80000000 2 C$\ni 80000003 4 IPC$\ni 0 5 Caf\xC3\xA9\ne 0\n");
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
    EXPECT_EQ(reader.Feed("i 0 5 First\ne 1003\n"), Status::Complete);
    EXPECT_EQ(reader.code(), 1003u);
    EXPECT_EQ(reader.items().size(), 1u);
}

TEST(HelperProtocol, AnyNameArrivesWholeAndABadEntryCostsOnlyItself)
{
    // Names longer than any line limit, and bytes that are the protocol's
    // own separators, travel as they are.
    const QString longName = QString(QChar(0x6F22)).repeated(1400); // 4,200 bytes of UTF-8
    const QString spaced = QStringLiteral("e 0 i 1 %41 %% \\ \" & <x>");
    const QString huge = QString(QChar(u'x')).repeated(300000);
    QByteArray reply = HelperProtocol::EncodeItem(0, "Before");
    reply += HelperProtocol::EncodeItem(0, longName.toUtf8());
    reply += HelperProtocol::EncodeItem(0x80000000u, spaced.toUtf8());
    reply += HelperProtocol::EncodeItem(0, huge.toUtf8());
    // Control characters are part of a name like any other.
    const QString controls = QStringLiteral("line\nbreak\ttab\x01one\x7f");
    reply += HelperProtocol::EncodeItem(0, controls.toUtf8());
    // Entries of no use are left out one by one: no name, a type that
    // cannot be read.
    reply += HelperProtocol::EncodeItem(0, "");
    reply += "i zz 4 Oops\n";
    reply += HelperProtocol::EncodeItem(0, "After");
    reply += "e 0\n";
    for (const qsizetype chunk : {qsizetype(1), qsizetype(7), qsizetype(8192), reply.size()}) {
        HelperProtocol::ReplyReader reader;
        Status status = Status::NeedMore;
        for (qsizetype at = 0; at < reply.size(); at += chunk)
            status = reader.Feed(QByteArrayView(reply).sliced(at, std::min(chunk, reply.size() - at)));
        ASSERT_EQ(status, Status::Complete) << chunk;
        QStringList names;
        for (const ShareEntry &entry : reader.items())
            names.append(entry.name);
        ASSERT_EQ(names,
                  (QStringList{QStringLiteral("Before"), longName, spaced, huge, controls, QStringLiteral("After")}))
            << chunk;
        EXPECT_EQ(reader.items()[2].type, 0x80000000u);
    }
}

TEST(HelperProtocol, BrokenFramingIsRefused)
{
    for (const char *bad : {"x\n", "i 0\n", "i 0 5\n", "i 0 Name\n", "i 0 -1 x\n", "i 0 5 Mus\ne 0\n", "i 0 5 Musicx\n",
                            "e\n", "e -1\n", "e 99999999999\n", "e 0x\n", "i0 5 Music\n"}) {
        HelperProtocol::ReplyReader reader;
        EXPECT_EQ(reader.Feed(bad), Status::Malformed) << bad;
    }
    // A head or an end line that never ends, a name over the bound.
    HelperProtocol::ReplyReader endless;
    EXPECT_EQ(endless.Feed(QByteArray(HelperProtocol::MaxHeadLength + 1, 'i')), Status::Malformed);
    HelperProtocol::ReplyReader endlessEnd;
    EXPECT_EQ(endlessEnd.Feed("e " + QByteArray(HelperProtocol::MaxHeadLength, '0')), Status::Malformed);
    HelperProtocol::ReplyReader oversized;
    EXPECT_EQ(oversized.Feed("i 0 " + QByteArray::number(HelperProtocol::MaxNameBytes + 1) + " x"), Status::Malformed);
    // Bytes after the end are not read.
    HelperProtocol::ReplyReader done;
    EXPECT_EQ(done.Feed("e 5\nnonsense"), Status::Complete);
    EXPECT_EQ(done.Feed("more nonsense"), Status::Complete);
    EXPECT_EQ(done.code(), 5u);
}

// Any number of items arrives: the first MaxItems are kept, the rest counted.
TEST(HelperProtocol, ListsOfAnyLengthKeepTheirFirstItemsAndCountTheRest)
{
    constexpr std::size_t Kept = HelperProtocol::MaxItems;
    const struct
    {
        std::size_t sent;
        std::size_t leftOut;
    } rows[] = {{0, 0}, {1, 0}, {Kept - 2, 0}, {Kept, 0}, {Kept + 1, 1}, {100000, 100000 - Kept}};
    for (const auto &row : rows) {
        QByteArray reply;
        for (std::size_t i = 0; i < row.sent; ++i)
            reply += HelperProtocol::EncodeItem(0, "S" + QByteArray::number(qulonglong(i)));
        // Past the bound, only disk shares count: not a printer, IPC$ or an
        // entry of no use.
        reply += HelperProtocol::EncodeItem(1, "Laser");
        reply += HelperProtocol::EncodeItem(0x80000003u, "IPC$");
        reply += "i zz 4 Oops\ne 0\n";
        HelperProtocol::ReplyReader reader;
        Status status = Status::NeedMore;
        for (qsizetype at = 0; at < reply.size(); at += 8192)
            status = reader.Feed(QByteArrayView(reply).sliced(at, std::min<qsizetype>(8192, reply.size() - at)));
        ASSERT_EQ(status, Status::Complete) << row.sent;
        ASSERT_EQ(reader.items().size(), std::min(row.sent + 2, Kept)) << row.sent;
        EXPECT_EQ(reader.leftOut(), row.leftOut) << row.sent;
        if (row.sent > 0) {
            EXPECT_EQ(reader.items().front().name, u"S0");
            const std::size_t last = std::min(row.sent, Kept) - 1;
            EXPECT_EQ(reader.items()[last].name, u'S' + QString::number(last));
        }
    }
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
here=$(dirname "$0")
while IFS= read -r line; do
    case "${line#* }" in
        hang) exec sleep 30 ;;
        crash) exit 1 ;;
        garbage) printf 'nonsense\n' ;;
        pid) p=$$; printf 'i 0 %d %s\ne 0\n' ${#p} $p ;;
        slow) sleep 0.3; printf 'e 0\n' ;;
        10.9.9.9) printf 'e 1003\n' ;;
        ALPHA) printf 'i 0 5 HOST1\ni 0 5 HOST2\ne 0\n' ;;
        -) printf 'i 0 5 ALPHA\ni 0 4 BETA\ne 0\n' ;;
        killed) printf 'i 0 5 Music\n'; echo $$ >>"$here/pids"; exec sleep 30 ;;
        dies-once) if [ ! -e "$here/died" ]; then
                       touch "$here/died"; printf 'i 0 5 Music\n'; kill -9 $$
                   fi
                   printf 'i 0 5 Music\ni 0 5 Films\ne 0\n' ;;
        *) printf 'i 0 5 Music\ni 80000000 2 C$\ne 0\n' ;;
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
    {
        // The helper sleeps half a minute: only the deadline ends the
        // request before the rescue stops it.
        std::stop_source stop;
        LateRescue rescue([&stop] { stop.request_stop(); }, 20s);
        EXPECT_EQ(pool.Request("shares", QStringLiteral("hang"), stop.get_token()).code, NetError::SemTimeout);
        EXPECT_FALSE(rescue.fired()) << "the deadline did not end the request";
    }
    EXPECT_EQ(pool.IdleCount(), 0);
    // A helper that crashes or garbles its reply gets one fresh successor;
    // when that one fails too, the server counts as not answering.
    EXPECT_EQ(pool.Request("shares", QStringLiteral("crash")).code, NetError::SemTimeout);
    EXPECT_EQ(pool.Request("shares", QStringLiteral("garbage")).code, NetError::SemTimeout);
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
    // Cancelled, not SemTimeout: the stop ended the wait, not the deadline.
    EXPECT_EQ(pool.Request("shares", QStringLiteral("hang"), stop.get_token()).code, NetError::Cancelled);
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

TEST_F(HelperPool, AHelperKilledDuringAListingIsRetriedOnceOnAFreshHelper)
{
    // A deadline far beyond the rescue: only the deaths can end the second
    // request in time.
    CHelperPool pool(helper, {QStringLiteral("shares")}, 120000);
    // Killed after part of its reply; the fresh helper answers.
    const auto retried = pool.Request("shares", QStringLiteral("dies-once"));
    EXPECT_EQ(retried.code, 0u);
    ASSERT_EQ(retried.items.size(), 2u);
    EXPECT_EQ(retried.items[1].name, QStringLiteral("Films"));
    EXPECT_EQ(pool.StartedCount(), 2);

    // Killed from outside in the middle of its reply, twice: no answer, and
    // none of the half-sent list.
    std::atomic<bool> done{false};
    std::jthread killer([&] {
        QSet<long> killed;
        while (!done) {
            QFile pids(folder.filePath(QStringLiteral("pids")));
            if (pids.open(QIODevice::ReadOnly)) {
                for (const QByteArray &line : pids.readAll().split('\n')) {
                    const long pid = line.trimmed().toLong();
                    if (pid > 0 && !killed.contains(pid)) {
                        killed.insert(pid);
                        kill(pid_t(pid), SIGKILL);
                    }
                }
            }
            std::this_thread::sleep_for(10ms);
        }
    });
    std::stop_source stop;
    LateRescue rescue([&stop] { stop.request_stop(); }, 20s);
    const auto lost = pool.Request("shares", QStringLiteral("killed"), stop.get_token());
    done = true;
    EXPECT_EQ(lost.code, NetError::SemTimeout);
    EXPECT_TRUE(lost.items.empty());
    EXPECT_EQ(pool.StartedCount(), 3) << "the idle helper, then one fresh one";
    EXPECT_FALSE(rescue.fired()) << "ended by the rescue, not the kills";
    EXPECT_EQ(pool.Request("shares", QStringLiteral("server")).code, 0u);
}

// The system network with its share listings through the stand-in helper,
// everything else from memory.
class HelperListedNetwork : public CMemoryNetwork
{
public:
    explicit HelperListedNetwork(const QString &helper) : m_pool(helper, {QStringLiteral("shares")}, 5000) {}
    ShareListing ListSharesWith(const QString &, const QString &, int, const std::optional<Login> &,
                                std::stop_token stop) override
    {
        const auto result = m_pool.Request("shares", m_argument, stop);
        return {result.code, result.items};
    }
    QString m_argument;

private:
    CHelperPool m_pool;
};

TEST_F(HelperPool, AHostWhoseHelperDiesTwiceIsOfflineWithItsShares)
{
    CSettings settings;
    settings.autoSave = false;
    CLanterraDoc doc(&settings);
    auto network = std::make_shared<HelperListedNetwork>(helper);
    network->AddName(QStringLiteral("server"), QStringLiteral("10.0.0.1"));
    network->SetServer(QStringLiteral("10.0.0.1"), {});
    doc.SetNetwork(network);
    doc.SetCurrentWorkgroup(QStringLiteral("HOME"));
    doc.rules().searchNetAll = 0;
    doc.rules().searchHostByList = 1;
    doc.rules().hosts = {QStringLiteral("server")};

    auto scan = [&doc] {
        doc.StartScan();
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (doc.IsScanning() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(5ms);
        return !doc.IsScanning();
    };
    network->m_argument = QStringLiteral("server");
    ASSERT_TRUE(scan());
    const HostRecord &host = *doc.cacheHosts().front();
    ASSERT_EQ(host.shares.size(), 2u);
    EXPECT_EQ(host.lastState, 0);

    // Every helper now crashes before its reply ends.
    network->m_argument = QStringLiteral("crash");
    ASSERT_TRUE(scan());
    EXPECT_EQ(host.lastState, int(NetError::SemTimeout));
    EXPECT_EQ(host.onlineCount, 1);
    EXPECT_EQ(host.offlineCount, 1);
    for (int i = 0; i < doc.GetShareCount(); ++i)
        EXPECT_EQ(doc.GetShareState(i), ShareOffline);
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

    const ShareListing listing =
        network.ListSharesWith(QStringLiteral("server"), QStringLiteral("10.0.0.1"), 0, std::nullopt);
    EXPECT_EQ(listing.code, 0u);
    ASSERT_EQ(listing.shares.size(), 2u);
    EXPECT_EQ(listing.shares[1].type, ShareType::SpecialDisk);
    // "Could not connect" of the Samba client is "network path not found".
    EXPECT_EQ(network.ListSharesWith(QStringLiteral("x"), QStringLiteral("10.9.9.9"), 0, std::nullopt).code,
              NetError::BadNetPath);
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
    // A refusal answers at once: with a minute to wait, only the refusal
    // ends the check before the rescue stops it.
    std::stop_source stop;
    LateRescue rescue([&stop] { stop.request_stop(); });
    EXPECT_FALSE(TcpReachable(INADDR_LOOPBACK, {closed}, 60000, stop.get_token()));
    EXPECT_FALSE(rescue.fired()) << "the refused port cost the timeout";
    close(listener);
}

} // namespace
