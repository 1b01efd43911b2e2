// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// Listing one host again after the user typed its login: alone, within a
// running scan, and stopped before it ends.
#include "model/hostlogin.h"
#include "memoryscan.h"
#include "model/lanterradoc.h"
#include "net/credentials.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Server = CMemoryNetwork::Server;

class RescanHostTest : public MemoryScanTest
{
protected:
    void SetUp() override
    {
        CLoginBook::Session().Clear();
        MemoryScanTest::SetUp();
        doc->rules().searchNetCurrent = 1;
    }
    void TearDown() override
    {
        doc.reset();
        CLoginBook::Session().Clear();
    }

    void AddServer(const QString &name, const QString &address, const QStringList &shares, int latencyMs = 0,
                   bool locked = false)
    {
        const Server server = locked ? LockedServer(shares, latencyMs) : DiskServer(shares, latencyMs);
        network->AddName(name, address);
        network->SetServer(address, server);
    }

    // The login state the host queue gives last for `host`, or -1.
    int LastQueued(const HostRecord *host) const
    {
        int state = -1;
        for (int i = 0; i < doc->GetHostQueueCount(); ++i) {
            const auto [queued, entry] = doc->GetQueuedHost(i);
            if (queued == host)
                state = entry == HostEntry::LoginNeeded ? 1 : 0;
        }
        return state;
    }

    int OnlineShares(const HostRecord *host) const
    {
        int online = 0;
        for (const auto &share : host->shares)
            online += share->state == ShareOnline ? 1 : 0;
        return online;
    }
};

TEST_F(RescanHostTest, AHostListedAloneKeepsTheScanFlagAndCounters)
{
    AddServer(QStringLiteral("OPEN"), QStringLiteral("10.0.0.1"), {QStringLiteral("music")});
    AddServer(QStringLiteral("LOCKED"), QStringLiteral("10.0.0.2"), {QStringLiteral("docs"), QStringLiteral("films")},
              0, true);
    network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("OPEN"), QStringLiteral("LOCKED")});
    ASSERT_TRUE(Scan());
    HostRecord *locked = Host(QStringLiteral("LOCKED"));
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(IsLoginNeeded(*locked));
    EXPECT_EQ(LastQueued(locked), 1);
    EXPECT_EQ(locked->shares.size(), 0u);
    const int total = doc->GetHostsTotal();
    const int onlineBefore = locked->onlineCount;

    // A wrong password: the host answers the same, and stays as it was.
    CLoginBook::Session().Set(QStringLiteral("LOCKED"), LockedLogin(QStringLiteral("wrong")));
    const int queued = doc->GetHostQueueCount();
    ASSERT_TRUE(doc->RescanHost(*locked));
    EXPECT_FALSE(doc->IsScanning());
    ASSERT_TRUE(WaitFor([&] { return doc->GetHostQueueCount() > queued; }));
    EXPECT_TRUE(IsLoginNeeded(*locked));
    EXPECT_EQ(doc->GetQueuedHost(queued).second, HostEntry::LoginNeeded);

    // The right one lists its shares; nothing else is asked again.
    CLoginBook::Session().Set(QStringLiteral("LOCKED"), LockedLogin());
    const int openCalls = network->ListingCalls(QStringLiteral("10.0.0.1"));
    ASSERT_TRUE(doc->RescanHost(*locked));
    ASSERT_TRUE(WaitFor([&] { return LastQueued(locked) == 0; }));
    {
        auto lock = doc->LockScanWrites();
        EXPECT_FALSE(IsLoginNeeded(*locked));
        EXPECT_EQ(OnlineShares(locked), 2);
        EXPECT_EQ(locked->onlineCount, onlineBefore + 2);
    }
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.0.0.1")), openCalls);
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.0.0.2")), 3);
    EXPECT_FALSE(doc->IsScanning());
    EXPECT_TRUE(WaitFor([this] { return doc->GetHostsPending() == 0; }));
    EXPECT_EQ(doc->GetHostsTotal(), total);
    EXPECT_EQ(doc->GetShareCount(), 3);

    // The next scan starts from a quiet driver and lists it with the login.
    ASSERT_TRUE(Scan());
    EXPECT_FALSE(IsLoginNeeded(*locked));
    EXPECT_EQ(doc->GetHostsPending(), 0);
}

TEST_F(RescanHostTest, ARunningScanProbesTheHostAgainAfterItsFirstProbe)
{
    AddServer(QStringLiteral("SLOW"), QStringLiteral("10.0.0.1"), {QStringLiteral("music")}, 1500);
    AddServer(QStringLiteral("LOCKED"), QStringLiteral("10.0.0.2"), {QStringLiteral("docs")}, 0, true);
    network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("SLOW"), QStringLiteral("LOCKED")});
    doc->StartScan();
    HostRecord *locked = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        auto lock = doc->LockScanWrites();
        locked = Host(QStringLiteral("LOCKED"));
        return locked && IsLoginNeeded(*locked);
    }));
    ASSERT_TRUE(doc->IsScanning());

    CLoginBook::Session().Set(QStringLiteral("LOCKED"), LockedLogin());
    ASSERT_TRUE(doc->RescanHost(*locked));
    ASSERT_TRUE(WaitFor([this] { return !doc->IsScanning(); }));
    EXPECT_FALSE(IsLoginNeeded(*locked));
    EXPECT_EQ(LastQueued(locked), 0);
    EXPECT_EQ(OnlineShares(locked), 1);
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.0.0.2")), 2);
    // The extra probe counts as work of the scan, and is done.
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(doc->GetHostsTotal(), 3);
}

TEST_F(RescanHostTest, AHostNotProbedYetIsLeftToTheScan)
{
    // Every probe slot is taken by hosts that come first and answer late,
    // so the host asked for has no probe yet.
    network->AddWorkgroup(QStringLiteral("HOME"), {});
    for (int i = 0; i < 15; ++i) {
        const QString name = QStringLiteral("SLOW%1").arg(i);
        AddServer(name, QStringLiteral("10.0.1.%1").arg(i + 1), {QStringLiteral("music")}, 800);
        doc->AddHost(name, nullptr)->onlineCount = 5;
    }
    AddServer(QStringLiteral("LOCKED"), QStringLiteral("10.0.0.2"), {QStringLiteral("docs")}, 0, true);
    auto &host = *doc->AddHost(QStringLiteral("LOCKED"), nullptr);
    host.lastState = int(NetError::AccessDenied);
    doc->StartScan();
    CLoginBook::Session().Set(QStringLiteral("LOCKED"), LockedLogin());
    ASSERT_TRUE(doc->RescanHost(host));
    ASSERT_TRUE(WaitFor([this] { return !doc->IsScanning(); }));
    EXPECT_FALSE(IsLoginNeeded(host));
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.0.0.2")), 1);
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(doc->GetHostsTotal(), 16);
}

TEST_F(RescanHostTest, EmptiedBeforeItEndsItWritesNothing)
{
    AddServer(QStringLiteral("LOCKED"), QStringLiteral("10.0.0.2"), {QStringLiteral("docs")}, 0, true);
    network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("LOCKED")});
    ASSERT_TRUE(Scan());
    HostRecord *locked = Host(QStringLiteral("LOCKED"));
    ASSERT_NE(locked, nullptr);
    ASSERT_TRUE(IsLoginNeeded(*locked));

    // The listing now waits; the document is emptied meanwhile, which cuts
    // it short.
    network->HoldListings(QStringLiteral("10.0.0.2"));
    ASSERT_TRUE(doc->RescanHost(*locked));
    ASSERT_TRUE(WaitFor([&] { return network->HeldListings(QStringLiteral("10.0.0.2")) == 1; }));
    doc->DeleteContents();
    EXPECT_EQ(network->HeldListings(QStringLiteral("10.0.0.2")), 0);
    EXPECT_EQ(doc->GetHostQueueCount(), 0);
    EXPECT_EQ(doc->GetShareCount(), 0);
}

TEST_F(RescanHostTest, ListingAtCloseEndsAndIsKept)
{
    AddServer(QStringLiteral("LOCKED"), QStringLiteral("10.0.0.2"), {QStringLiteral("docs")}, 0, true);
    network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("LOCKED")});
    ASSERT_TRUE(Scan());
    HostRecord *locked = Host(QStringLiteral("LOCKED"));
    ASSERT_NE(locked, nullptr);
    const int queued = doc->GetHostQueueCount();
    const int online = locked->onlineCount;

    network->HoldListings(QStringLiteral("10.0.0.2"));
    CLoginBook::Session().Set(QStringLiteral("LOCKED"), LockedLogin());
    ASSERT_TRUE(doc->RescanHost(*locked));
    ASSERT_TRUE(WaitFor([&] { return network->HeldListings(QStringLiteral("10.0.0.2")) == 1; }));
    // Closing waits for the listing, whenever it ends, and keeps its result.
    auto release = std::async(std::launch::async, [&] { network->ReleaseListings(QStringLiteral("10.0.0.2")); });
    doc->HaltAndWait();
    release.get();
    EXPECT_EQ(doc->GetHostQueueCount(), queued + 1);
    EXPECT_FALSE(IsLoginNeeded(*locked));
    EXPECT_EQ(locked->onlineCount, online + 1);
    ASSERT_EQ(locked->shares.size(), 1u);
    EXPECT_EQ(locked->shares[0]->state.load(), ShareOnline);
}

} // namespace
