// SPDX-License-Identifier: GPL-3.0-or-later
// A scan under pressure: saves while it runs, stops while probes wait on a
// name look-up or a listing, and the document's contents cleared meanwhile.
#include "memoryscan.h"
#include "model/lanterradoc.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "net/resolver.h"
#include "net/sambanetwork.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

CMemoryNetwork::Server OneShare(int latencyMs = 0)
{
    CMemoryNetwork::Server server;
    server.shares.push_back({QStringLiteral("S"), ShareType::DiskTree});
    server.latencyMs = latencyMs;
    return server;
}

QString Address(int i)
{
    return QStringLiteral("10.%1.%2.%3").arg(i >> 16).arg((i >> 8) & 0xff).arg((i & 0xff) + 1);
}

class ScanFixture : public MemoryScanTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        MemoryScanTest::SetUp();
    }

    QTemporaryDir folder;
};

// --- Saving while a scan runs --------------------------------------------------

using ScanSave = ScanFixture;

TEST_F(ScanSave, SavesDuringAScanSkipNoHostAndWriteWholeRecords)
{
    // Cached hosts, and workgroups whose hosts the driver inserts into the
    // cache at its probing position while the saves run.
    constexpr int Cached = 600;
    constexpr int Workgroups = 8;
    constexpr int PerWorkgroup = 300;
    int next = 0;
    for (; next < Cached; ++next) {
        const QString name = QStringLiteral("cached%1").arg(next);
        CacheHost(name);
        network->AddName(name, Address(next));
        network->SetServer(Address(next), OneShare(4 + next % 5));
    }
    for (int w = 0; w < Workgroups; ++w) {
        QStringList hosts;
        for (int h = 0; h < PerWorkgroup; ++h, ++next) {
            const QString name = QStringLiteral("wg%1-host%2").arg(w).arg(h);
            hosts.append(name);
            network->AddName(name, Address(next));
            network->SetServer(Address(next), OneShare(4 + next % 5));
        }
        network->AddWorkgroup(QStringLiteral("WG%1").arg(w), hosts);
    }
    network->SetWorkgroupLatency(20);
    const int total = next;

    const QString path = folder.filePath(QStringLiteral("during.net"));
    doc->StartScan();
    int saves = 0;
    int checked = 0;
    while (doc->IsScanning()) {
        ASSERT_TRUE(doc->WriteDocumentFile(path));
        ++saves;
        // Every file written mid-scan is a whole picture: each host once,
        // and a host counted online carries the share it was listed with.
        if (saves % 4 == 1) {
            CLanterraDoc copy(&settings);
            ASSERT_TRUE(copy.ReadDocumentFile(path, false));
            ASSERT_GE(int(copy.cacheHosts().size()), Cached);
            ASSERT_LE(int(copy.cacheHosts().size()), total);
            QSet<QString> names;
            for (const auto &host : copy.cacheHosts()) {
                ASSERT_FALSE(names.contains(host->name)) << host->name.toStdString();
                names.insert(host->name);
                ASSERT_LE(host->onlineCount, 1);
                ASSERT_EQ(int(host->shares.size()), host->onlineCount) << host->name.toStdString();
            }
            ++checked;
        }
        std::this_thread::sleep_for(3ms);
        ASSERT_LT(saves, 100000);
    }
    EXPECT_GT(checked, 2);
    RecordProperty("saves", saves);

    ASSERT_EQ(int(doc->cacheHosts().size()), total);
    EXPECT_EQ(doc->GetHostsPending(), 0);
    for (int i = 0; i < total; ++i)
        ASSERT_EQ(network->ListingCalls(Address(i)), 1) << Address(i).toStdString();
    for (const auto &host : doc->cacheHosts()) {
        ASSERT_EQ(host->onlineCount, 1) << host->GetName().toStdString();
        ASSERT_EQ(host->shares.size(), 1u);
    }

    // Once the scan is over the save writes the live cache, in score order.
    ASSERT_TRUE(doc->WriteDocumentFile(path));
    CLanterraDoc copy(&settings);
    ASSERT_TRUE(copy.ReadDocumentFile(path, false));
    EXPECT_EQ(int(copy.cacheHosts().size()), total);
}

// --- Stopping while probes wait --------------------------------------------

using ScanStop = ScanFixture;

// A name look-up that hangs as a DNS server that never answers makes it,
// until the test lets it go.
std::mutex g_lookupLock;
std::condition_variable g_lookupRelease;
bool g_lookupReleased = false;
std::atomic<int> g_lookupsWaiting{0};

std::optional<std::uint32_t> HangingLookup(const QByteArray &)
{
    ++g_lookupsWaiting;
    std::unique_lock guard(g_lookupLock);
    g_lookupRelease.wait_for(guard, 30s, [] { return g_lookupReleased; });
    return 0x0A000005u;
}

TEST_F(ScanStop, NewAndExitDuringAHangingNameLookupReturnAtOnce)
{
    SetResolveFunctionForTests(HangingLookup);
    g_lookupReleased = false;
    g_lookupsWaiting = 0;
    SambaNetworkOptions options;
    options.helperPath = folder.filePath(QStringLiteral("no-helper"));
    options.netbiosQueries = false; // nothing may be broadcast from a test
    doc->SetNetwork(std::make_shared<CSambaNetwork>(options));

    auto startStuckScan = [this](int hosts) {
        doc->SetCurrentWorkgroup(QStringLiteral("HOME"));
        doc->rules().searchNetAll = 0;
        doc->rules().searchHostByList = 1;
        for (int i = 0; i < hosts; ++i)
            doc->rules().hosts.append(QStringLiteral("stuck%1").arg(i));
        const int before = g_lookupsWaiting.load();
        doc->StartScan();
        return WaitFor([&] { return g_lookupsWaiting.load() == before + hosts; }, 10s);
    };

    // New: the document's contents go while every probe waits for its name.
    ASSERT_TRUE(startStuckScan(3));
    auto before = Clock::now();
    doc->DeleteContents();
    EXPECT_LT(Clock::now() - before, 1s);
    EXPECT_TRUE(doc->cacheHosts().empty());

    // Exit: the whole document goes.
    ASSERT_TRUE(startStuckScan(2));
    before = Clock::now();
    doc.reset();
    EXPECT_LT(Clock::now() - before, 1s);

    // The late answers arrive after the records are gone and touch nothing.
    {
        std::scoped_lock guard(g_lookupLock);
        g_lookupReleased = true;
    }
    g_lookupRelease.notify_all();
    EXPECT_TRUE(WaitFor([] { return RunningLookups() == 0; }, 10s));
    SetResolveFunctionForTests(nullptr);
}

TEST_F(ScanStop, AProbeAbandonedByAStopChangesNothingInItsHost)
{
    doc->rules().searchNetAll = 0;
    struct Before
    {
        HostRecord *host;
        QString addr;
        int lastState, lastAnswerTime, onlineCount, offlineCount;
    };
    // One host stopped while its shares are listed, one while its name is
    // looked up; both answer somewhere else than they did last time.
    HostRecord *listing = CacheHost(QStringLiteral("listing"), QStringLiteral("10.0.0.9"));
    doc->AppendShare(*listing, QStringLiteral("Music"), ShareUnknown);
    listing->lastAnswerTime = 4018;
    listing->onlineCount = 121;
    listing->offlineCount = 2;
    network->AddName(QStringLiteral("listing"), QStringLiteral("10.0.0.5"));
    network->SetServer(QStringLiteral("10.0.0.5"), OneShare(1500));

    HostRecord *resolving = CacheHost(QStringLiteral("resolving"), QStringLiteral("10.0.0.8"));
    resolving->lastState = 53;
    resolving->lastAnswerTime = 777;
    resolving->onlineCount = 3;
    resolving->offlineCount = 4;
    network->AddName(QStringLiteral("resolving"), QStringLiteral("10.0.0.6"));
    network->SetNameLatency(QStringLiteral("resolving"), 1500);
    network->SetServer(QStringLiteral("10.0.0.6"), OneShare());

    const std::vector<Before> before = {
        {listing, listing->addr, listing->lastState, listing->lastAnswerTime, listing->onlineCount,
         listing->offlineCount},
        {resolving, resolving->addr, resolving->lastState, resolving->lastAnswerTime, resolving->onlineCount,
         resolving->offlineCount},
    };
    auto expectUnchanged = [&before](const char *when) {
        for (const Before &was : before) {
            const HostRecord &host = *was.host;
            SCOPED_TRACE(when + (" " + host.GetName().toStdString()));
            EXPECT_EQ(host.GetAddr(), was.addr);
            EXPECT_EQ(host.lastState, was.lastState);
            EXPECT_EQ(host.lastAnswerTime, was.lastAnswerTime);
            EXPECT_EQ(host.onlineCount, was.onlineCount);
            EXPECT_EQ(host.offlineCount, was.offlineCount);
            EXPECT_FALSE(host.duplicate.load());
        }
    };

    doc->StartScan();
    ASSERT_TRUE(WaitFor([this] { return network->MaxConcurrentListings() == 1; }, 5s));
    std::this_thread::sleep_for(50ms);
    doc->StopScan();
    expectUnchanged("at the stop");
    // The abandoned listing and look-up end later; their answers are dropped.
    std::this_thread::sleep_for(1800ms);
    expectUnchanged("after the leftovers ended");
    EXPECT_EQ(listing->shares.size(), 1u);
}

} // namespace
