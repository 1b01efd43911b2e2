// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
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
#include <future>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

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
// Look-ups that came back, let go or given up after their 30 seconds: code
// that wrongly waits for them returns only after they did.
std::atomic<int> g_lookupsAnswered{0};

std::optional<std::uint32_t> HangingLookup(const QByteArray &)
{
    ++g_lookupsWaiting;
    std::unique_lock guard(g_lookupLock);
    g_lookupRelease.wait_for(guard, 30s, [] { return g_lookupReleased; });
    ++g_lookupsAnswered;
    return 0x0A000005u;
}

TEST_F(ScanStop, NewAndExitDuringAHangingNameLookupReturnAtOnce)
{
    SetResolveFunctionForTests(HangingLookup);
    g_lookupReleased = false;
    g_lookupsWaiting = 0;
    g_lookupsAnswered = 0;
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
    doc->DeleteContents();
    EXPECT_EQ(g_lookupsAnswered.load(), 0) << "the new contents waited for the hanging look-ups";
    EXPECT_TRUE(doc->cacheHosts().empty());

    // Exit: the whole document goes.
    ASSERT_TRUE(startStuckScan(2));
    doc.reset();
    EXPECT_EQ(g_lookupsAnswered.load(), 0) << "the exit waited for the hanging look-ups";

    // The late answers arrive after the records are gone and touch nothing.
    {
        std::scoped_lock guard(g_lookupLock);
        g_lookupReleased = true;
    }
    g_lookupRelease.notify_all();
    EXPECT_TRUE(WaitFor([] { return RunningLookups() == 0; }, 10s));
    SetResolveFunctionForTests(nullptr);
}

// A stop abandons a probe still looking up its host's name, and lets one
// that lists its host's shares run to its end and write what it found.
TEST_F(ScanStop, AStopLetsAListingProbeWriteItsHostAndAbandonsAResolvingOne)
{
    doc->rules().searchNetAll = 0;
    const QString slowAddress = QStringLiteral("10.0.0.5");
    HostRecord *listing = CacheHost(QStringLiteral("slow"), QStringLiteral("10.0.0.9"));
    doc->AppendShare(*listing, QStringLiteral("Music"), ShareUnknown);
    listing->lastAnswerTime = 4018;
    listing->onlineCount = 121;
    listing->offlineCount = 2;
    network->AddName(QStringLiteral("slow"), slowAddress);
    network->SetServer(slowAddress, OneShare());
    network->HoldListings(slowAddress);

    // Its name look-up outlasts the test unless the stop cuts it short.
    HostRecord *resolving = CacheHost(QStringLiteral("resolving"), QStringLiteral("10.0.0.8"));
    const ShareRecord *resolvingShare = doc->AppendShare(*resolving, QStringLiteral("Films"), ShareUnknown);
    resolving->lastState = 53;
    resolving->lastAnswerTime = 777;
    resolving->onlineCount = 3;
    resolving->offlineCount = 4;
    network->AddName(QStringLiteral("resolving"), QStringLiteral("10.0.0.6"));
    network->SetNameLatency(QStringLiteral("resolving"), 600000);
    network->SetServer(QStringLiteral("10.0.0.6"), OneShare());

    doc->StartScan();
    ASSERT_TRUE(WaitFor([&] { return network->HeldListings(slowAddress) == 1; }));
    // A probe marks its host's shares offline when it starts.
    ASSERT_TRUE(WaitFor([&] { return doc->GetShareState(resolvingShare->index) == ShareOffline; }));
    doc->StopScan();
    EXPECT_FALSE(doc->IsScanning());
    {
        auto held = doc->LockScanWrites();
        EXPECT_EQ(listing->onlineCount, 121) << "nothing is written before the listing ends";
        EXPECT_EQ(listing->shares.size(), 1u);
    }

    network->ReleaseListings(slowAddress);
    ASSERT_TRUE(WaitFor([this] { return doc->GetHostQueueCount() == 1; }));
    {
        auto held = doc->LockScanWrites();
        EXPECT_EQ(listing->GetAddr(), slowAddress);
        EXPECT_EQ(listing->lastState, 0);
        EXPECT_EQ(listing->onlineCount, 122);
        EXPECT_EQ(listing->offlineCount, 2);
        ASSERT_EQ(listing->shares.size(), 2u);
        EXPECT_EQ(listing->shares[0]->state.load(), ShareOffline);
        EXPECT_EQ(listing->shares[1]->name, QStringLiteral("S"));
        EXPECT_EQ(listing->shares[1]->state.load(), ShareOnline);
        EXPECT_EQ(doc->GetQueuedHost(0).first, listing);
    }
    // Both of its shares are queued for the view.
    QSet<int> queued;
    for (int i = 0; i < doc->GetQueueCount(); ++i)
        queued.insert(doc->GetQueuedShareIndex(i));
    EXPECT_EQ(queued, (QSet<int>{listing->shares[0]->index, listing->shares[1]->index}));

    doc->HaltAndWait();
    EXPECT_EQ(resolving->GetAddr(), QStringLiteral("10.0.0.8"));
    EXPECT_EQ(resolving->lastState, 53);
    EXPECT_EQ(resolving->lastAnswerTime, 777);
    EXPECT_EQ(resolving->onlineCount, 3);
    EXPECT_EQ(resolving->offlineCount, 4);
    EXPECT_FALSE(resolving->duplicate.load());
}

// Closing waits for a probe that was listing at the stop and keeps what it
// wrote.
TEST_F(ScanStop, HaltAndWaitKeepsWhatAListingProbeWrites)
{
    doc->rules().searchNetAll = 0;
    const QString slowAddress = QStringLiteral("10.0.0.5");
    HostRecord *slow = CacheHost(QStringLiteral("slow"));
    network->AddName(QStringLiteral("slow"), slowAddress);
    network->SetServer(slowAddress, OneShare());
    network->HoldListings(slowAddress);

    doc->StartScan();
    ASSERT_TRUE(WaitFor([&] { return network->HeldListings(slowAddress) == 1; }));
    doc->HaltScan();
    // Before or after the close begins to wait: either way it ends with
    // the probe's results written.
    auto release = std::async(std::launch::async, [&] { network->ReleaseListings(slowAddress); });
    doc->HaltAndWait();
    release.get();
    EXPECT_EQ(slow->onlineCount, 1);
    EXPECT_EQ(slow->offlineCount, 0);
    ASSERT_EQ(slow->shares.size(), 1u);
    EXPECT_EQ(slow->shares[0]->state.load(), ShareOnline);
}

// A probe still listing when the document gets other contents, or its next
// scan starts, writes nothing into them.
enum class Takeover { Cleared, Loaded, NextScan };

class ScanTakeover : public ScanFixture, public ::testing::WithParamInterface<Takeover>
{};

TEST_P(ScanTakeover, AListingProbeWritesNothingIntoWhatCameAfter)
{
    doc->rules().searchNetAll = 0;
    const QString slowAddress = QStringLiteral("10.0.0.5");
    CacheHost(QStringLiteral("slow"));
    network->AddName(QStringLiteral("slow"), slowAddress);
    network->SetServer(slowAddress, OneShare());
    network->HoldListings(slowAddress);

    // The file the load reads: the same host, with a history of its own.
    const QString path = folder.filePath(QStringLiteral("other.net"));
    {
        CLanterraDoc other(&settings);
        other.AddNet(QStringLiteral("HOME"));
        HostRecord *saved = other.AddHost(QStringLiteral("slow"), other.cacheNets().front().get());
        saved->onlineCount = 7;
        ASSERT_TRUE(other.WriteDocumentFile(path));
    }

    doc->StartScan();
    ASSERT_TRUE(WaitFor([&] { return network->HeldListings(slowAddress) == 1; }));
    doc->StopScan();
    switch (GetParam()) {
    case Takeover::Cleared:
        doc->DeleteContents();
        break;
    case Takeover::Loaded:
        doc->DeleteContents();
        ASSERT_TRUE(doc->ReadDocumentFile(path, false));
        break;
    case Takeover::NextScan:
        doc->StartScan();
        // The stopped scan's listing is cut short; the new scan's own
        // listing of the host waits in its place.
        ASSERT_TRUE(WaitFor(
            [&] { return network->ListingCalls(slowAddress) == 2 && network->HeldListings(slowAddress) == 1; }));
        break;
    }
    network->ReleaseListings(slowAddress);
    if (GetParam() == Takeover::NextScan) {
        ASSERT_TRUE(WaitForEnd());
    }
    doc->HaltAndWait();

    switch (GetParam()) {
    case Takeover::Cleared:
        EXPECT_TRUE(doc->cacheHosts().empty());
        EXPECT_EQ(doc->GetShareCount(), 0);
        break;
    case Takeover::Loaded:
        ASSERT_EQ(doc->cacheHosts().size(), 1u);
        EXPECT_EQ(doc->cacheHosts().front()->onlineCount, 7);
        EXPECT_TRUE(doc->cacheHosts().front()->shares.empty());
        break;
    case Takeover::NextScan:
        // Counted once, by the scan that ran to its end.
        ASSERT_EQ(doc->cacheHosts().size(), 1u);
        EXPECT_EQ(doc->cacheHosts().front()->onlineCount, 1);
        EXPECT_EQ(doc->cacheHosts().front()->shares.size(), 1u);
        EXPECT_EQ(doc->GetHostQueueCount(), 1);
        EXPECT_EQ(doc->GetHostsPending(), 0);
        break;
    }
    EXPECT_EQ(doc->GetQueueCount(), GetParam() == Takeover::NextScan ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Stop, ScanTakeover, ::testing::Values(Takeover::Cleared, Takeover::Loaded, Takeover::NextScan),
                         [](const auto &info) {
                             switch (info.param) {
                             case Takeover::Cleared:
                                 return "Cleared";
                             case Takeover::Loaded:
                                 return "Loaded";
                             default:
                                 return "NextScan";
                             }
                         });

} // namespace
