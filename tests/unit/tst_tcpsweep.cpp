// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// The connect sweep: its engine on the in-memory network and on loopback
// sockets, and the scan that puts it in front of the host probes.
#include "memoryscan.h"
#include "model/lanterradoc.h"
#include "net/listingdeadline.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "net/resolver.h"
#include "net/tcpsweep.h"
#include "scan/scandriver.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Server = CMemoryNetwork::Server;

std::uint32_t Address(int i)
{
    return (10u << 24) | (9u << 16) | std::uint32_t(i);
}

Server Open(int latencyMs = 0)
{
    Server server;
    server.connectLatencyMs = latencyMs;
    server.shares.push_back({QStringLiteral("Music"), ShareType::DiskTree});
    return server;
}

Server Silent()
{
    Server server;
    server.reachable = false;
    return server;
}

Server Refusing()
{
    Server server;
    server.reachable = false;
    server.refuses = true;
    return server;
}

SweepOptions QuickOptions(int inFlight = 256)
{
    SweepOptions options;
    options.maxInFlight = inFlight;
    options.limits.initialMs = 60;
    options.limits.floorMs = 20;
    options.limits.ceilingMs = 200;
    return options;
}

// Collects what a sweep decides, from the sweep's thread.
struct Verdicts
{
    std::mutex lock;
    std::map<std::size_t, SweepVerdict> byIndex;
    int calls = 0;

    SweepSink Sink()
    {
        return [this](std::size_t index, SweepVerdict verdict, int) {
            std::scoped_lock guard(lock);
            byIndex[index] = verdict;
            ++calls;
        };
    }
};

std::vector<SweepTarget> Targets(int count, int first = 1)
{
    std::vector<SweepTarget> targets;
    for (int i = 0; i < count; ++i)
        targets.push_back({Address(first + i), 0});
    return targets;
}

int OpenDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

} // namespace

// --- The timeout learned from the answers ------------------------------------

TEST(RttEstimator, StartsAtTheInitialTimeoutAndFollowsTheAnswersBetweenFloorAndCeiling)
{
    CRttEstimator rtt;
    EXPECT_EQ(rtt.TimeoutMs(), 500);
    rtt.Sample(0.05); // a refusal on a LAN: far below the floor
    EXPECT_EQ(rtt.TimeoutMs(), 200);
    for (int i = 0; i < 20; ++i)
        rtt.Sample(400);
    // Smoothed towards 400 ms with a shrinking deviation.
    EXPECT_GT(rtt.TimeoutMs(), 400);
    EXPECT_LT(rtt.TimeoutMs(), 1000);
    for (int i = 0; i < 20; ++i)
        rtt.Sample(i % 2 ? 100 : 5000);
    EXPECT_EQ(rtt.TimeoutMs(), 3000);
}

TEST(ListingDeadline, LongWhileNothingAnsweredThenFollowsTheAnswersWithAFloorAndACeiling)
{
    CListingDeadline deadline;
    EXPECT_EQ(deadline.DeadlineMs(), 12000);
    deadline.Answered(40);
    EXPECT_EQ(deadline.DeadlineMs(), 4000) << "fast answers: a mute server is cut at the floor";
    for (int i = 0; i < 30; ++i)
        deadline.Answered(5000);
    EXPECT_GT(deadline.DeadlineMs(), 4000);
    EXPECT_LT(deadline.DeadlineMs(), 12000);
    for (int i = 0; i < 30; ++i)
        deadline.Answered(i % 2 ? 1000 : 30000);
    EXPECT_EQ(deadline.DeadlineMs(), 20000) << "never past the ceiling";
}

TEST(ListingDeadline, AHostThatAnsweredBeforeGetsAtLeastItsOwnTimeThriceAndNeverLessThanAnUnknownOne)
{
    CListingDeadline deadline;
    for (int i = 0; i < 10; ++i)
        deadline.Answered(40);
    EXPECT_EQ(deadline.DeadlineMs(0), 4000);
    EXPECT_EQ(deadline.DeadlineMs(50), 12000) << "known fast, now behind a slow link";
    EXPECT_EQ(deadline.DeadlineMs(5000), 15000);
    EXPECT_EQ(deadline.DeadlineMs(60000), 20000);
}

// --- The engine on the in-memory network --------------------------------------

TEST(Sweep, KeepsAtMostTheLimitInFlightAndBeginsInTargetOrder)
{
    CMemoryNetwork network;
    for (int i = 1; i <= 300; ++i)
        network.SetServer(DottedIPv4(Address(i)), i % 3 == 0 ? Silent() : Open(5));
    auto transport = network.CreateSweepTransport();
    Verdicts verdicts;
    RunSweep(*transport, Targets(300), QuickOptions(40), verdicts.Sink(), {});

    EXPECT_EQ(verdicts.calls, 300);
    EXPECT_LE(network.MaxSweepInFlight(), 40);
    EXPECT_GE(network.MaxSweepInFlight(), 30);
    const QStringList order = network.SweepOrder();
    ASSERT_EQ(order.size(), 300);
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(order[i], DottedIPv4(Address(i + 1)));
    EXPECT_EQ(network.OpenSweepSockets(), 0);
}

TEST(Sweep, TheTransportsCapacityBoundsTheFlightToo)
{
    CMemoryNetwork network;
    network.SetSweepCapacity(7);
    for (int i = 1; i <= 50; ++i)
        network.SetServer(DottedIPv4(Address(i)), Silent());
    auto transport = network.CreateSweepTransport();
    Verdicts verdicts;
    RunSweep(*transport, Targets(50), QuickOptions(), verdicts.Sink(), {});
    EXPECT_EQ(verdicts.calls, 50);
    EXPECT_EQ(network.MaxSweepInFlight(), 7);
}

TEST(Sweep, TellsOpenFromRefusedFromSilent)
{
    CMemoryNetwork network;
    network.SetServer(DottedIPv4(Address(1)), Open());
    network.SetServer(DottedIPv4(Address(2)), Open(30));
    network.SetServer(DottedIPv4(Address(3)), Refusing());
    network.SetServer(DottedIPv4(Address(4)), Silent());
    // Address 5 has no server at all: nothing listens there.
    SweepOptions options = QuickOptions();
    options.limits.floorMs = 150; // well above the slow host's 30 ms
    auto transport = network.CreateSweepTransport();
    Verdicts verdicts;
    RunSweep(*transport, Targets(5), options, verdicts.Sink(), {});
    EXPECT_EQ(verdicts.byIndex[0], SweepVerdict::Open);
    EXPECT_EQ(verdicts.byIndex[1], SweepVerdict::Open);
    EXPECT_EQ(verdicts.byIndex[2], SweepVerdict::Refused);
    EXPECT_EQ(verdicts.byIndex[3], SweepVerdict::Silent);
    EXPECT_EQ(verdicts.byIndex[4], SweepVerdict::Refused);
}

TEST(Sweep, AHostKnownToAnswerIsGivenItsOwnTimeBeforeItCountsAsSilent)
{
    CMemoryNetwork network;
    // Fast refusals teach a short timeout; the slow host needs 150 ms.
    for (int i = 1; i <= 20; ++i)
        network.SetServer(DottedIPv4(Address(i)), Refusing());
    network.SetServer(DottedIPv4(Address(21)), Open(150));
    network.SetServer(DottedIPv4(Address(22)), Open(150));
    std::vector<SweepTarget> targets = Targets(22);
    targets[21].minTimeoutMs = 600;
    SweepOptions options = QuickOptions(4);
    options.limits.ceilingMs = 100;
    auto transport = network.CreateSweepTransport();
    Verdicts verdicts;
    RunSweep(*transport, targets, options, verdicts.Sink(), {});
    EXPECT_EQ(verdicts.byIndex[20], SweepVerdict::Silent) << "unknown, slower than the ceiling";
    EXPECT_EQ(verdicts.byIndex[21], SweepVerdict::Open) << "known, within its own time";
}

// The memory network's transport, counting the waits that ran out: no
// answer came and nothing woke them.
class WaitCountingTransport final : public ISweepTransport
{
public:
    explicit WaitCountingTransport(std::unique_ptr<ISweepTransport> inner) : m_inner(std::move(inner)) {}

    int Capacity() const override { return m_inner->Capacity(); }
    SweepVerdict Begin(int slot, std::uint32_t address) override { return m_inner->Begin(slot, address); }
    void Wait(int timeoutMs, std::vector<Event> &decided) override
    {
        const std::size_t before = decided.size();
        m_inner->Wait(timeoutMs, decided);
        if (decided.size() == before && !m_interrupted.exchange(false))
            ++waitsRunOut;
    }
    void Abort(int slot) override { m_inner->Abort(slot); }
    void Interrupt() override
    {
        m_interrupted = true;
        m_inner->Interrupt();
    }

    std::atomic<int> waitsRunOut{0};

private:
    std::unique_ptr<ISweepTransport> m_inner;
    std::atomic<bool> m_interrupted{false};
};

TEST(Sweep, ACancelReturnsAtOnceAndLeavesNoSocketOpen)
{
    CMemoryNetwork network;
    for (int i = 1; i <= 1000; ++i)
        network.SetServer(DottedIPv4(Address(i)), Silent());
    SweepOptions options;
    options.limits.initialMs = options.limits.floorMs = options.limits.ceilingMs = 60000;
    WaitCountingTransport transport(network.CreateSweepTransport());
    Verdicts verdicts;
    std::stop_source stop;
    std::jthread sweep([&] { RunSweep(transport, Targets(1000), options, verdicts.Sink(), stop.get_token()); });
    while (network.OpenSweepSockets() < 2 * 256)
        std::this_thread::sleep_for(1ms);
    stop.request_stop();
    sweep.join();
    EXPECT_EQ(transport.waitsRunOut.load(), 0) << "a cancel must not wait out the minute-long timeouts";
    EXPECT_EQ(verdicts.calls, 0);
    EXPECT_EQ(network.OpenSweepSockets(), 0);
}

// --- The engine on loopback sockets ------------------------------------------

namespace {

// A listening loopback socket; with `full`, its accept queue is already
// full, so further connection attempts are dropped and stay unanswered.
struct Listener
{
    explicit Listener(bool full)
    {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        listen(fd, 0);
        socklen_t length = sizeof address;
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
        port = ntohs(address.sin_port);
        if (full) {
            for (int &client : clients) {
                client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
                connect(client, reinterpret_cast<sockaddr *>(&address), sizeof address);
            }
            std::this_thread::sleep_for(50ms);
        }
    }
    ~Listener()
    {
        for (int client : clients) {
            if (client >= 0)
                close(client);
        }
        close(fd);
    }
    int fd = -1;
    int clients[3] = {-1, -1, -1};
    std::uint16_t port = 0;
};

// A port on loopback that nothing listens on.
std::uint16_t ClosedPort()
{
    Listener listener(false);
    return listener.port;
}

} // namespace

TEST(TcpSweep, TellsListeningFromRefusedPortsOnLoopback)
{
    Listener open(false);
    const std::uint16_t closed = ClosedPort();
    Verdicts verdicts;
    auto first = CreateTcpSweepTransport({open.port});
    auto second = CreateTcpSweepTransport({closed});
    ASSERT_TRUE(first && second);
    RunSweep(*first, {{INADDR_LOOPBACK, 0}}, QuickOptions(), verdicts.Sink(), {});
    EXPECT_EQ(verdicts.byIndex[0], SweepVerdict::Open);
    RunSweep(*second, {{INADDR_LOOPBACK, 0}}, QuickOptions(), verdicts.Sink(), {});
    EXPECT_EQ(verdicts.byIndex[0], SweepVerdict::Refused);
}

TEST(TcpSweep, AnUnansweredConnectIsSilentAndACancelClosesEverySocket)
{
    Listener full(true);
    const int before = OpenDescriptors();
    {
        auto transport = CreateTcpSweepTransport({full.port});
        ASSERT_TRUE(transport);
        Verdicts verdicts;
        RunSweep(*transport, std::vector<SweepTarget>(3, {INADDR_LOOPBACK, 0}), QuickOptions(), verdicts.Sink(), {});
        EXPECT_EQ(verdicts.byIndex[0], SweepVerdict::Silent);
        EXPECT_EQ(verdicts.calls, 3);

        SweepOptions slow;
        slow.limits.initialMs = slow.limits.floorMs = slow.limits.ceilingMs = 60000;
        std::stop_source stop;
        std::jthread sweep([&] {
            RunSweep(*transport, std::vector<SweepTarget>(64, {INADDR_LOOPBACK, 0}), slow, verdicts.Sink(),
                     stop.get_token());
        });
        std::this_thread::sleep_for(100ms);
        EXPECT_GE(OpenDescriptors(), before + 64) << "the connects are in flight";
        stop.request_stop();
        sweep.join();
        EXPECT_EQ(verdicts.calls, 3);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

// --- The sweep in front of the probes ---------------------------------------------

namespace {

class SweepScanTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings.autoSave = false;
        network = std::make_shared<CMemoryNetwork>();
        doc = std::make_unique<CLanterraDoc>(&settings);
        doc->SetNetwork(network);
        doc->rules().searchNetAll = 0;
        doc->rules().searchHostByList = 1;
    }

    bool Scan(std::chrono::milliseconds limit = 30s)
    {
        doc->StartScan();
        return WaitFor([this] { return !doc->IsScanning(); }, limit);
    }

    CSettings settings;
    std::shared_ptr<CMemoryNetwork> network;
    std::unique_ptr<CLanterraDoc> doc;
};

} // namespace

TEST_F(SweepScanTest, OnlyHostsThatAcceptAConnectionAreListedAndTheRestEndOfflineAsBefore)
{
    // 10.9.0.1 .. 10.9.0.200: every 50th live, every 7th silent, the rest refusing.
    for (int i = 1; i <= 200; ++i) {
        const QString address = DottedIPv4(Address(i));
        if (i % 50 == 0)
            network->SetServer(address, Open(20));
        else if (i % 7 == 0)
            network->SetServer(address, Silent());
        else if (i % 2 == 0)
            network->SetServer(address, Refusing());
    }
    doc->rules().hosts = {QStringLiteral("10.9.0.1-10.9.0.200")};
    ASSERT_TRUE(Scan());

    EXPECT_EQ(network->TotalListingCalls(), 4);
    EXPECT_EQ(doc->GetSweepTotal(), 200);
    EXPECT_EQ(doc->GetSweepDone(), 200);
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(doc->GetShareCount(), 4);
    for (int i = 1; i <= 200; ++i) {
        const HostRecord *host = FindHostAt(*doc, DottedIPv4(Address(i)));
        ASSERT_NE(host, nullptr);
        if (i % 50 == 0) {
            EXPECT_EQ(host->lastState, 0);
            EXPECT_EQ(host->onlineCount, 1);
            EXPECT_EQ(host->offlineCount, 0);
        } else {
            EXPECT_EQ(host->lastState, int(NetError::BadNetPath)) << i;
            EXPECT_EQ(host->onlineCount, 0);
            EXPECT_EQ(host->offlineCount, 1);
        }
    }
    EXPECT_EQ(network->OpenSweepSockets(), 0);
}

TEST_F(SweepScanTest, ProbesStayAtFifteenAndASilentHeadDoesNotHoldBackHostsBehindIt)
{
    // The head of the queue answered before, slowly, so the sweep gives it
    // seconds; the 40 open hosts behind it are listed meanwhile.
    doc->AddNet(QString());
    HostRecord *head = doc->AddHost(QString(), doc->cacheNets().front().get(), DottedIPv4(Address(1)));
    head->onlineCount = 1;
    head->lastAnswerTime = 5000;
    network->SetServer(DottedIPv4(Address(1)), Silent());
    for (int i = 2; i <= 41; ++i) {
        Server server = Open();
        server.latencyMs = 30;
        network->SetServer(DottedIPv4(Address(i)), server);
    }
    doc->rules().hosts = {QStringLiteral("10.9.0.1-10.9.0.41")};
    doc->StartScan();
    const auto until = Clock::now() + 20s;
    while ((doc->GetHostsTotal() == 0 || doc->GetHostsPending() > 1) && Clock::now() < until)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(network->TotalListingCalls(), 40);
    EXPECT_EQ(doc->GetHostsPending(), 1) << "only the head waits for its verdict";
    EXPECT_TRUE(doc->IsScanning());
    EXPECT_LE(network->MaxConcurrentListings(), 15);
    doc->StopScan();
}

TEST_F(SweepScanTest, StoppingDuringTheSweepReturnsAtOnceAndLeavesNoSocketOpen)
{
    for (int i = 1; i <= 2000; ++i)
        network->SetServer(DottedIPv4(Address(i)), Silent());
    doc->rules().hosts = {QStringLiteral("10.9.0.1-10.9.7.208")};
    doc->StartScan();
    const auto until = Clock::now() + 10s;
    while (network->OpenSweepSockets() == 0 && Clock::now() < until)
        std::this_thread::sleep_for(1ms);
    ASSERT_GT(network->OpenSweepSockets(), 0);
    doc->StopScan();
    EXPECT_FALSE(doc->IsScanning());
    doc->HaltAndWait();
    EXPECT_EQ(network->OpenSweepSockets(), 0);
}

TEST_F(SweepScanTest, AProbeTellsTheNetworkHowLongAKnownHostTookLastTime)
{
    doc->AddNet(QString());
    for (int i = 1; i <= 2; ++i) {
        HostRecord *host = doc->AddHost(QString(), doc->cacheNets().front().get(), DottedIPv4(Address(i)));
        host->onlineCount = i - 1; // the first never answered
        host->lastAnswerTime = 6000;
        network->SetServer(DottedIPv4(Address(i)), Open());
    }
    doc->rules().searchHostByList = 0;
    doc->rules().searchNetCurrent = 1;
    ASSERT_TRUE(Scan());
    EXPECT_EQ(network->KnownAnswerGiven(DottedIPv4(Address(1))), 0);
    EXPECT_EQ(network->KnownAnswerGiven(DottedIPv4(Address(2))), 6000);
}

TEST_F(SweepScanTest, AnExcludedAddressIsNeverConnected)
{
    // An empty host filter leaves out every host known only by its address.
    for (int i = 1; i <= 5; ++i)
        network->SetServer(DottedIPv4(Address(i)), Open(0));
    doc->rules().hosts = {QStringLiteral("10.9.0.1-10.9.0.5")};
    doc->rules().excHosts = {QString()};
    ASSERT_TRUE(Scan());

    EXPECT_TRUE(network->SweepOrder().isEmpty()) << network->SweepOrder().join(u' ').toStdString();
    EXPECT_EQ(network->TotalListingCalls(), 0);
    EXPECT_EQ(doc->GetSweepTotal(), 0);
    for (int i = 1; i <= 5; ++i) {
        const HostRecord *host = FindHostAt(*doc, DottedIPv4(Address(i)));
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(host->lastState, int(NetError::BadNetPath));
        EXPECT_EQ(host->offlineCount, 1);
    }
}
