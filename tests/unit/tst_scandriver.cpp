// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// The scan driver and its workers on an in-memory network.
#include "memoryscan.h"
#include "model/lanterradoc.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "scan/scandriver.h"
#include "settings/settings.h"
#include "settings/sharescheme.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <random>
#include <system_error>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Server = CMemoryNetwork::Server;

class ScanTest : public MemoryScanTest
{
protected:
    NetRecord *Net(const QString &name) const
    {
        for (const auto &net : doc->cacheNets()) {
            if (net->name == name)
                return net.get();
        }
        return nullptr;
    }

    QStringList ShareNames(const HostRecord &host) const
    {
        QStringList names;
        for (const auto &share : host.shares)
            names.append(share->name);
        return names;
    }

    ShareRecord *CacheShare(HostRecord &host, const QString &name)
    {
        return doc->AppendShare(host, name, ShareUnknown);
    }
};

// --- Which workgroups and hosts a scan takes -------------------------------

TEST_F(ScanTest, DefaultDocumentEnumeratesCurrentAndAnnouncedWorkgroupsAndProbesEveryHostOnce)
{
    network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    network->AddWorkgroup(QStringLiteral("OFFICE"), {QStringLiteral("gamma"), QStringLiteral("alpha")});
    // Both lists name alpha: it joins the workgroup whose list is merged
    // first, so OFFICE's answer comes late enough to be second.
    network->SetHostListLatency(QStringLiteral("OFFICE"), 500);
    AddHost(QStringLiteral("alpha"), QStringLiteral("10.0.0.1"), {QStringLiteral("Music")});
    AddHost(QStringLiteral("beta"), QStringLiteral("10.0.0.2"), {QStringLiteral("Films")});
    AddHost(QStringLiteral("gamma"), QStringLiteral("10.0.0.3"), {QStringLiteral("Docs"), QStringLiteral("Installs")});

    ASSERT_TRUE(Scan());

    EXPECT_EQ(network->WorkgroupCalls(QStringLiteral("HOME")), 1);
    EXPECT_EQ(network->WorkgroupCalls(QStringLiteral("OFFICE")), 1);
    ASSERT_EQ(doc->cacheHosts().size(), 3u);
    for (const char *address : {"10.0.0.1", "10.0.0.2", "10.0.0.3"})
        EXPECT_EQ(network->ListingCalls(QString::fromLatin1(address)), 1) << address;
    EXPECT_EQ(doc->GetShareCount(), 4);
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(doc->GetHostsTotal(), 3);
    EXPECT_EQ(doc->GetNetsPending(), 0);
    EXPECT_EQ(doc->GetNetsTotal(), 2);
    EXPECT_EQ(Host(QStringLiteral("alpha"))->net, Net(QStringLiteral("HOME")));
    EXPECT_EQ(Host(QStringLiteral("gamma"))->GetAddr(), QStringLiteral("10.0.0.3"));
    for (int i = 0; i < doc->GetShareCount(); ++i)
        EXPECT_EQ(doc->GetShareState(i), ShareOnline);
    // Every share of every probed host was queued for the view.
    EXPECT_EQ(doc->GetQueueCount(), 4);
}

TEST_F(ScanTest, ScanEndsWithManyCachedWorkgroupsThatArePassedOver)
{
    for (int i = 0; i < 8; ++i)
        doc->AddNet(QStringLiteral("IDLE%1").arg(i));
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("alpha")};
    AddHost(QStringLiteral("alpha"), QStringLiteral("10.0.0.1"), {QStringLiteral("Music")});

    ASSERT_TRUE(Scan(5s));
    EXPECT_EQ(doc->GetNetsPending(), 0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(network->WorkgroupCalls(QStringLiteral("IDLE%1").arg(i)), 0);
}

TEST_F(ScanTest, DuplicateWorkgroupNamesInTheCacheDoNotDriveTheCountBelowZero)
{
    doc->AddNet(QStringLiteral("HOME"));
    doc->AddNet(QStringLiteral("HOME"));
    doc->rules().searchNetAll = 0;
    doc->rules().searchNetCurrent = 1;
    network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("alpha")});
    AddHost(QStringLiteral("alpha"), QStringLiteral("10.0.0.1"), {QStringLiteral("Music")});

    doc->StartScan();
    int lowest = 0;
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (doc->IsScanning() && std::chrono::steady_clock::now() < until) {
        lowest = std::min(lowest, doc->GetNetsPending());
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_FALSE(doc->IsScanning());
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(doc->GetNetsPending(), 0);
    EXPECT_EQ(network->WorkgroupCalls(QStringLiteral("HOME")), 1);
    EXPECT_NE(Host(QStringLiteral("alpha")), nullptr);
}

TEST_F(ScanTest, HostListRangesSkipCachedAddressesAndReversedRangesAddNothing)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    CacheHost(QStringLiteral("cached"), QStringLiteral("10.0.0.2"));
    doc->rules().hosts = {QStringLiteral("10.0.0.1-10.0.0.3"), QStringLiteral("10.0.1.9 - 10.0.1.5"),
                          QStringLiteral("cached")};

    ASSERT_TRUE(Scan());
    ASSERT_EQ(doc->cacheHosts().size(), 3u);
    ASSERT_NE(Host(QStringLiteral("10.0.0.1")), nullptr);
    ASSERT_NE(Host(QStringLiteral("10.0.0.3")), nullptr);
    for (const char *address : {"10.0.0.1", "10.0.0.3"}) {
        HostRecord *host = Host(QString::fromLatin1(address));
        EXPECT_TRUE(host->GetName().isEmpty());
        ASSERT_NE(host->net, nullptr);
        EXPECT_TRUE(host->net->name.isEmpty());
    }
    EXPECT_EQ(doc->GetHostsTotal(), 3);
}

// The hosts a host list makes: every address of a range once, nothing for a
// blank line or an entry written like an address that is none.
struct ListedHosts
{
    QStringList entries;
    QStringList made; // names or addresses, in cache order
};

class HostListEntries : public ScanTest, public testing::WithParamInterface<ListedHosts>
{};

TEST_P(HostListEntries, MakeTheirHostsOnly)
{
    const ListedHosts &c = GetParam();
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = c.entries;
    // Were a refused entry taken for a name, its look-up would find this.
    for (const QString &entry : c.entries)
        AddHost(entry, QStringLiteral("10.9.9.9"), {QStringLiteral("trap")});
    ASSERT_TRUE(Scan());
    QStringList made;
    for (const auto &host : doc->cacheHosts())
        made.append(host->GetName().isEmpty() ? host->GetAddr() : host->GetName());
    made.sort();
    QStringList expected = c.made;
    expected.sort();
    EXPECT_EQ(made, expected);
    EXPECT_EQ(doc->GetHostsTotal(), expected.size());
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.9.9.9")), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, HostListEntries,
    testing::Values(ListedHosts{{QStringLiteral("10.0.0.0/30")}, {"10.0.0.1", "10.0.0.2"}},
                    ListedHosts{{QStringLiteral("10.0.0.1-3")}, {"10.0.0.1", "10.0.0.2", "10.0.0.3"}},
                    ListedHosts{{QStringLiteral("10.0.0.2/31"), QStringLiteral("10.0.0.3-4")},
                                {"10.0.0.2", "10.0.0.3", "10.0.0.4"}},
                    ListedHosts{{QStringLiteral("10.0.0.300"), QStringLiteral("10.0.0.0/33")}, {}},
                    ListedHosts{{QString(), QStringLiteral("  "), QStringLiteral("10.0.0.7")}, {"10.0.0.7"}},
                    // One host however its address is written; never a name.
                    ListedHosts{{QStringLiteral("FD10:107:0::6"), QStringLiteral("[fd10:107::6]"),
                                 QStringLiteral("fe80::1%lab0"), QStringLiteral("fd10::6::7")},
                                {"fd10:107::6", "fe80::1%lab0"}}));

TEST_F(ScanTest, AnOlderDocumentsBlankHostLineIsNeitherProbedNorCountedNorKept)
{
    AddHost(QStringLiteral("nas"), QStringLiteral("10.0.0.5"), {QStringLiteral("Music")});
    // A blank line of the host list as older versions saved it, and the
    // host of neither name nor address that their scans made of it.
    const QString text =
        QStringLiteral("<document version=\"1.0\"><view lastView=\"4\" lastSortCol=\"3\" lastSortRev=\"0\" />"
                       "<rules searchNetAll=\"0\" searchNetCurrent=\"0\" searchNetByList=\"0\" searchHostByList=\"1\">"
                       "<nets></nets><hosts><host>nas</host><host></host><host> </host></hosts>"
                       "<filters><nets></nets><hosts></hosts></filters></rules>"
                       "<cache><nets><net name=\"\" /></nets><hosts>"
                       "<host name=\"\" addr=\"\" group=\"\" onlineCount=\"0\" offlineCount=\"4\" lastState=\"53\" "
                       "lastAnswerTime=\"0\"><shares></shares></host>"
                       "</hosts></cache></document>");
    ASSERT_TRUE(doc->ReadDocumentText(text, false));
    EXPECT_EQ(doc->rules().hosts, QStringList{QStringLiteral("nas")});
    EXPECT_EQ(doc->GetHostsTotal(), 0);
    ASSERT_TRUE(Scan());
    ASSERT_EQ(doc->cacheHosts().size(), 1u);
    EXPECT_EQ(doc->cacheHosts().front()->GetName(), u"nas");
    EXPECT_EQ(doc->GetHostsTotal(), 1);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.net"));
    ASSERT_TRUE(doc->WriteDocumentFile(path));
    CLanterraDoc loaded;
    ASSERT_TRUE(loaded.ReadDocumentFile(path, false));
    EXPECT_EQ(loaded.rules().hosts, QStringList{QStringLiteral("nas")});
    ASSERT_EQ(loaded.cacheHosts().size(), 1u);
    const Result<QString> saved = CLanterraDoc::LoadDocumentText(path);
    ASSERT_TRUE(saved);
    EXPECT_FALSE(saved.value().contains(QStringLiteral("<host></host>")));
    EXPECT_FALSE(saved.value().contains(QStringLiteral("name=\"\" addr=\"\"")));
}

TEST_F(ScanTest, AHugeRangeIsCappedInsteadOfExhaustingMemory)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("10.0.0.1-10.255.255.254")};
    doc->StartScan();
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (doc->GetHostsTotal() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    doc->StopScan();
    EXPECT_EQ(doc->GetHostsTotal(), 65536);
    EXPECT_EQ(doc->cacheHosts().size(), 65536u);
    QStringList ends;
    for (const auto &host : doc->cacheHosts()) {
        if (host->GetAddr() == QStringLiteral("10.0.0.1") || host->GetAddr() == QStringLiteral("10.1.0.0"))
            ends.append(host->GetAddr());
    }
    EXPECT_EQ(ends.size(), 2);
}

// --- What a probe records -------------------------------------------------

TEST_F(ScanTest, OnlyDiskSharesAreTakenAndNamesMatchWithoutCase)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    HostRecord *cached = CacheHost(QStringLiteral("server"));
    ShareRecord *docs = CacheShare(*cached, QStringLiteral("Docs"));
    network->AddName(QStringLiteral("server"), QStringLiteral("10.0.0.7"));
    Server server;
    server.shares = {{QStringLiteral("C$"), ShareType::SpecialDisk},
                     {QStringLiteral("IPC$"), ShareType::SpecialIpc},
                     {QStringLiteral("print$"), ShareType::DiskTree},
                     {QStringLiteral("Laser"), ShareType::PrintQueue},
                     {QStringLiteral("ADMINPRN$"), 0x80000001},
                     {QStringLiteral("DOCS"), ShareType::DiskTree}};
    network->SetServer(QStringLiteral("10.0.0.7"), server);

    ASSERT_TRUE(Scan());
    EXPECT_EQ(ShareNames(*cached), (QStringList{QStringLiteral("Docs"), QStringLiteral("C$"), QStringLiteral("print$")}));
    EXPECT_EQ(docs->state.load(), ShareOnline);
    EXPECT_EQ(doc->GetShareCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(doc->GetShare(i)->index, i);
}

TEST_F(ScanTest, NewSharesAreClassifiedWithTheCurrentScheme)
{
    ShareScheme scheme;
    scheme.groups.append(ShareGroup{QStringLiteral("Music"), 1, {}, {}, {QStringLiteral("music")}, {}});
    scheme.groups.append(ShareGroup{QStringLiteral("Films"), 0, {}, {}, {QStringLiteral("film")}, {}});
    doc->applyScheme(&scheme);
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("alpha")};
    AddHost(QStringLiteral("alpha"), QStringLiteral("10.0.0.1"),
            {QStringLiteral("MyMusic"), QStringLiteral("Films"), QStringLiteral("Other")});

    ASSERT_TRUE(Scan());
    ASSERT_EQ(doc->GetShareCount(), 3);
    EXPECT_EQ(doc->GetShareGroup(0), 0);
    EXPECT_EQ(doc->GetShare(0)->groupVisible, 1);
    EXPECT_EQ(doc->GetShareGroup(1), 1);
    EXPECT_EQ(doc->GetShare(1)->groupVisible, 0);
    EXPECT_EQ(doc->GetShareGroup(2), -1);
    EXPECT_EQ(Host(QStringLiteral("alpha"))->visibleShares, 1);
}

TEST_F(ScanTest, StatesAndCountersFollowEachProbeOutcome)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("listed"), QStringLiteral("denied"), QStringLiteral("unknown"),
                          QStringLiteral("down"),   QStringLiteral("mute"),   QStringLiteral("old")};
    AddHost(QStringLiteral("listed"), QStringLiteral("10.0.0.1"), {QStringLiteral("Music")});
    network->AddName(QStringLiteral("denied"), QStringLiteral("10.0.0.2"));
    Server denied;
    denied.code = NetError::AccessDenied;
    network->SetServer(QStringLiteral("10.0.0.2"), denied);
    network->AddName(QStringLiteral("down"), QStringLiteral("10.0.0.3"));
    Server down;
    down.reachable = false;
    network->SetServer(QStringLiteral("10.0.0.3"), down);
    network->AddName(QStringLiteral("mute"), QStringLiteral("10.0.0.4"));
    Server mute;
    mute.code = NetError::SemTimeout;
    network->SetServer(QStringLiteral("10.0.0.4"), mute);
    // It answers, in SMB1 only: not offline.
    network->AddName(QStringLiteral("old"), QStringLiteral("10.0.0.5"));
    Server old = DiskServer({QStringLiteral("Backup")});
    old.smb1Only = true;
    network->SetServer(QStringLiteral("10.0.0.5"), old);
    // A cached address is used when the name no longer resolves.
    HostRecord *moved = CacheHost(QStringLiteral("moved"), QStringLiteral("10.0.0.6"));
    network->SetServer(QStringLiteral("10.0.0.6"), DiskServer({QStringLiteral("Films")}));

    ASSERT_TRUE(Scan());
    struct Expect { const char *name; int state; int online; int offline; };
    for (const Expect &e :
         {Expect{"listed", 0, 1, 0}, Expect{"denied", 5, 1, 0}, Expect{"unknown", 53, 0, 1}, Expect{"down", 53, 0, 1},
          Expect{"mute", 121, 0, 1}, Expect{"moved", 0, 1, 0}, Expect{"old", 384, 1, 0}}) {
        const HostRecord *host = Host(QString::fromLatin1(e.name));
        ASSERT_NE(host, nullptr) << e.name;
        EXPECT_EQ(host->lastState, e.state) << e.name;
        EXPECT_EQ(host->onlineCount, e.online) << e.name;
        EXPECT_EQ(host->offlineCount, e.offline) << e.name;
    }
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.0.0.3")), 0) << "an unreachable host is not listed";
    EXPECT_EQ(Host(QStringLiteral("unknown"))->GetAddr(), QString());
    EXPECT_EQ(Host(QStringLiteral("listed"))->GetAddr(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(moved->GetAddr(), QStringLiteral("10.0.0.6"));
    EXPECT_EQ(ShareNames(*moved), QStringList{QStringLiteral("Films")});
}

TEST_F(ScanTest, AHostThatStopsAnsweringKeepsItsSharesOffline)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("alpha")};
    AddHost(QStringLiteral("alpha"), QStringLiteral("10.0.0.1"), {QStringLiteral("Music"), QStringLiteral("Films")});
    ASSERT_TRUE(Scan());
    network->RemoveServer(QStringLiteral("10.0.0.1"));
    ASSERT_TRUE(Scan());

    const HostRecord *host = Host(QStringLiteral("alpha"));
    EXPECT_EQ(host->shares.size(), 2u);
    EXPECT_EQ(host->onlineCount, 1);
    EXPECT_EQ(host->offlineCount, 1);
    EXPECT_EQ(host->lastState, 53);
    EXPECT_EQ(doc->GetShareState(0), ShareOffline);
    EXPECT_EQ(doc->GetShareState(1), ShareOffline);
    EXPECT_EQ(doc->GetQueueCount(), 2);
}

TEST_F(ScanTest, ExcludedHostsAndWorkgroupsAreNotAsked)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchNetByList = 1;
    doc->rules().nets = {QStringLiteral("HIDDEN")};
    doc->rules().excNets = {QStringLiteral("hidden")};
    doc->rules().excHosts = {QStringLiteral("server1")};
    network->AddWorkgroup(QStringLiteral("HIDDEN"), {QStringLiteral("other")});
    HostRecord *host = CacheHost(QStringLiteral("Server1"), QStringLiteral("10.0.0.9"));
    ShareRecord *share = CacheShare(*host, QStringLiteral("Music"));
    AddHost(QStringLiteral("Server1"), QStringLiteral("10.0.0.9"), {QStringLiteral("Music")});

    ASSERT_TRUE(Scan());
    EXPECT_EQ(network->WorkgroupCalls(QStringLiteral("HIDDEN")), 0);
    EXPECT_TRUE(Net(QStringLiteral("HIDDEN"))->hostNames.isEmpty());
    EXPECT_EQ(Host(QStringLiteral("other")), nullptr);
    EXPECT_EQ(network->TotalListingCalls(), 0);
    EXPECT_EQ(host->lastState, 53);
    EXPECT_EQ(host->offlineCount, 1);
    EXPECT_EQ(share->state.load(), ShareOffline);
}

TEST_F(ScanTest, ASecondNameForAnAddressRenamesTheFirstRecordAndIsMarkedDuplicate)
{
    doc->rules().searchNetAll = 0;
    HostRecord *first = CacheHost(QStringLiteral("oldname"));
    ShareRecord *firstShare = CacheShare(*first, QStringLiteral("Music"));
    HostRecord *second = CacheHost(QStringLiteral("newname"));
    ShareRecord *secondShare = CacheShare(*second, QStringLiteral("Films"));
    AddHost(QStringLiteral("oldname"), QStringLiteral("10.0.0.5"), {QStringLiteral("Music")});
    network->AddName(QStringLiteral("newname"), QStringLiteral("10.0.0.5"));
    network->SetNameLatency(QStringLiteral("newname"), 150);

    ASSERT_TRUE(Scan());
    EXPECT_EQ(first->GetName(), QStringLiteral("newname"));
    EXPECT_FALSE(first->duplicate.load());
    EXPECT_TRUE(second->duplicate.load());
    EXPECT_EQ(second->lastState, 53);
    EXPECT_EQ(second->offlineCount, 1);
    EXPECT_EQ(firstShare->state.load(), ShareHostRenamed);
    EXPECT_EQ(secondShare->state.load(), ShareRemoved);
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.0.0.5")), 1);
}

TEST_F(ScanTest, ARangeHostProbedAfterTheNamedHostAtItsAddressIsTheDuplicate)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("10.0.0.5")};
    // Fifteen cached hosts with a history come before the new range host
    // and take every probe slot. All but "server" are slow to resolve, so
    // the first slot to come free is the one of "server", whose probe has
    // entered its address by then.
    HostRecord *named = nullptr;
    for (int i = 0; i < 15; ++i) {
        const QString name = i == 0 ? QStringLiteral("server") : QStringLiteral("slow%1").arg(i);
        HostRecord *host = CacheHost(name);
        CacheShare(*host, QStringLiteral("Share"));
        host->onlineCount = 1;
        if (i == 0) {
            named = host;
            AddHost(name, QStringLiteral("10.0.0.5"), {QStringLiteral("Share")});
        } else {
            AddHost(name, QStringLiteral("10.0.1.%1").arg(i), {QStringLiteral("Share")});
            network->SetNameLatency(name, 400);
        }
    }
    ASSERT_TRUE(Scan());
    HostRecord *range = Host(QStringLiteral("10.0.0.5"));
    ASSERT_NE(range, nullptr);
    ASSERT_NE(range, named);
    EXPECT_EQ(named->GetName(), QStringLiteral("server"));
    EXPECT_FALSE(named->duplicate.load());
    EXPECT_EQ(named->lastState, 0);
    EXPECT_TRUE(range->GetName().isEmpty());
    EXPECT_TRUE(range->duplicate.load());
    EXPECT_EQ(range->lastState, 53);
    EXPECT_EQ(range->offlineCount, 1);
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.0.0.5")), 1);
}

TEST_F(ScanTest, ANamedHostProbedAfterTheRangeHostAtItsAddressGivesItItsName)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("10.0.0.5")};
    // The range host needs no name look-up; the named host's is slow, so
    // the range host has entered the address first.
    HostRecord *named = CacheHost(QStringLiteral("server"));
    AddHost(QStringLiteral("server"), QStringLiteral("10.0.0.5"), {QStringLiteral("Music")});
    network->SetNameLatency(QStringLiteral("server"), 200);
    ASSERT_TRUE(Scan());
    ASSERT_EQ(doc->cacheHosts().size(), 2u);
    HostRecord *range = doc->cacheHosts()[0].get() == named ? doc->cacheHosts()[1].get() : doc->cacheHosts()[0].get();
    EXPECT_EQ(range->GetAddr(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(range->GetName(), QStringLiteral("server"));
    EXPECT_FALSE(range->duplicate.load());
    EXPECT_EQ(range->lastState, 0);
    EXPECT_EQ(ShareNames(*range), QStringList{QStringLiteral("Music")});
    EXPECT_TRUE(named->duplicate.load());
    EXPECT_EQ(named->lastState, 53);
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.0.0.5")), 1);
}

// --- Limits ------------------------------------------------------------------

TEST_F(ScanTest, AtMostFiveWorkgroupsAndFifteenProbesRunAtOnce)
{
    network->SetWorkgroupLatency(60);
    doc->rules().searchNetAll = 0;
    doc->rules().searchNetByList = 1;
    for (int w = 0; w < 12; ++w) {
        const QString workgroup = QStringLiteral("WG%1").arg(w);
        doc->rules().nets.append(workgroup);
        QStringList hosts;
        for (int h = 0; h < 5; ++h) {
            const QString name = QStringLiteral("h%1-%2").arg(w).arg(h);
            hosts.append(name);
            AddHost(name, QStringLiteral("10.0.%1.%2").arg(w).arg(h + 1), {QStringLiteral("Share")}, 40);
        }
        network->AddWorkgroup(workgroup, hosts);
    }

    ASSERT_TRUE(Scan(30s));
    EXPECT_EQ(network->MaxConcurrentWorkgroups(), 5);
    EXPECT_LE(network->MaxConcurrentListings(), 15);
    EXPECT_GE(network->MaxConcurrentListings(), 5);
    EXPECT_EQ(network->TotalListingCalls(), 60);
    EXPECT_EQ(doc->GetHostsTotal(), 60);
    EXPECT_EQ(doc->GetHostsPending(), 0);
}

TEST_F(ScanTest, WorkersThatCannotStartLoseNoSlotAndNoCount)
{
    doc->rules().searchNetAll = 1;
    network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("alpha")});
    network->AddWorkgroup(QStringLiteral("OFFICE"), {QStringLiteral("beta")});
    AddHost(QStringLiteral("alpha"), QStringLiteral("10.0.0.1"), {QStringLiteral("Music")});
    AddHost(QStringLiteral("beta"), QStringLiteral("10.0.0.2"), {QStringLiteral("Films")});
    for (int i = 0; i < 20; ++i)
        CacheHost(QStringLiteral("cached%1").arg(i));

    // The all-workgroups thread and the first probes fail to start, as
    // when the system has no threads left.
    auto refusals = std::make_shared<std::atomic<int>>(3);
    doc->SetThreadStarter([refusals](std::function<void()> work) {
        if (refusals->fetch_sub(1) > 0)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::jthread(std::move(work));
    });
    ASSERT_TRUE(Scan(10s));
    EXPECT_LE(refusals->load(), 0);
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(doc->GetNetsPending(), 0);

    // Nothing was lost: the next scan has every slot.
    ASSERT_TRUE(Scan(10s));
    EXPECT_EQ(Host(QStringLiteral("alpha"))->onlineCount + Host(QStringLiteral("alpha"))->offlineCount, 1);
    EXPECT_EQ(doc->GetHostsPending(), 0);
}

// --- Stopping ---------------------------------------------------------------

TEST_F(ScanTest, StopReturnsAtOnceAndSavesWithAutoSave)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("stopped.net"));
    doc->SetPathName(path);
    settings.autoSave = true;
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    QStringList addresses;
    for (int i = 1; i <= 30; ++i) {
        const QString name = QStringLiteral("slow%1").arg(i);
        doc->rules().hosts.append(name);
        addresses.append(QStringLiteral("10.0.0.%1").arg(i));
        AddHost(name, addresses.back(), {QStringLiteral("Share")});
    }
    ListingHold hold(network, addresses);

    doc->StartScan();
    ASSERT_TRUE(WaitFor([&] { return hold.Waiting() > 0; }));
    // The stop and its save come back while the listings are still under way.
    ASSERT_TRUE(doc->StopScan());
    EXPECT_FALSE(hold.letGoLate());
    EXPECT_GT(hold.Waiting(), 0);
    EXPECT_FALSE(doc->IsScanning());
    EXPECT_TRUE(QFileInfo::exists(path));

    // New contents while the stopped probes still wait for their listings:
    // they are cancelled, not waited out.
    ASSERT_TRUE(doc->DeleteContents());
    EXPECT_FALSE(hold.letGoLate());
    EXPECT_TRUE(doc->cacheHosts().empty());
}

TEST_F(ScanTest, ProbesLeftOverFromAStopDoNotDisturbTheNextScan)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    for (int i = 1; i <= 20; ++i) {
        const QString name = QStringLiteral("host%1").arg(i);
        doc->rules().hosts.append(name);
        AddHost(name, QStringLiteral("10.0.0.%1").arg(i), {QStringLiteral("Share")}, 150);
    }
    doc->StartScan();
    std::this_thread::sleep_for(60ms);
    doc->StopScan();

    // Immediately again: the leftovers are still listing.
    int lowest = 0;
    doc->StartScan();
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (doc->IsScanning() && std::chrono::steady_clock::now() < until) {
        lowest = std::min(lowest, doc->GetHostsPending());
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_FALSE(doc->IsScanning());
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(doc->GetHostsTotal(), 20);
    for (int i = 1; i <= 20; ++i) {
        const HostRecord *host = Host(QStringLiteral("host%1").arg(i));
        // The stopped scan's results were dropped; the second scan counts once.
        EXPECT_EQ(host->onlineCount, 1);
        EXPECT_EQ(host->offlineCount, 0);
        EXPECT_FALSE(host->duplicate.load());
    }
    EXPECT_EQ(doc->GetShareCount(), 20);
}

TEST_F(ScanTest, StartStopLoopsNeverHangOrMiscount)
{
    network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    network->SetWorkgroupLatency(5);
    network->SetResolveLatency(3);
    for (int i = 1; i <= 25; ++i) {
        const QString name = i <= 3 ? QString(QChar(u'a' + i - 1)) : QStringLiteral("h%1").arg(i);
        AddHost(name, QStringLiteral("10.1.0.%1").arg(i), {QStringLiteral("Share%1").arg(i)}, i % 7);
        if (i > 3)
            doc->rules().hosts.append(name);
    }
    doc->rules().searchHostByList = 1;
    doc->rules().hosts.append(QStringLiteral("10.1.0.30-10.1.0.40"));

    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        doc->StartScan();
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 25));
        doc->StopScan();
        ASSERT_FALSE(doc->IsScanning());
    }
    ASSERT_TRUE(Scan(20s));
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(doc->GetNetsPending(), 0);
    EXPECT_EQ(doc->GetHostsTotal(), int(doc->cacheHosts().size()));
    EXPECT_EQ(doc->cacheHosts().size(), 25u + 11u);
    for (const auto &host : doc->cacheHosts()) {
        EXPECT_FALSE(host->duplicate.load()) << host->GetDisplayName().toStdString();
        EXPECT_LE(host->shares.size(), 1u);
    }
    EXPECT_EQ(doc->GetShareCount(), 25);
    for (int i = 0; i < doc->GetShareCount(); ++i)
        EXPECT_EQ(doc->GetShareState(i), ShareOnline);
}

TEST_F(ScanTest, DestroyingTheDocumentDuringAScanWaitsForNothingLong)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    QStringList addresses;
    for (int i = 1; i <= 10; ++i) {
        const QString name = QStringLiteral("slow%1").arg(i);
        doc->rules().hosts.append(name);
        addresses.append(QStringLiteral("10.0.0.%1").arg(i));
        AddHost(name, addresses.back(), {QStringLiteral("Share")});
    }
    ListingHold hold(network, addresses);
    doc->StartScan();
    ASSERT_TRUE(WaitFor([&] { return hold.Waiting() > 0; }));
    doc.reset();
    // Gone with its listings cancelled, not waited out.
    EXPECT_FALSE(hold.letGoLate());
}

// How a host the document keeps in no workgroup gets one to show: what it
// tells of itself when it answers; a host of a browse list keeps its
// workgroup, and the document keeps every host where it was.
struct TellsWorkgroupCase
{
    const char *what;
    const char *listed; // the host list's entry ("" for none)
    const char *browsed; // the workgroup whose browse list names the host ("" for none)
    bool reachable;
    const char *told; // what the host's name table says
    const char *shown; // the workgroup column of its share
    const char *kept; // the workgroup the document keeps it in
};

class TellsWorkgroupTest : public MemoryScanTest, public ::testing::WithParamInterface<TellsWorkgroupCase>
{};

TEST_P(TellsWorkgroupTest, TheColumnShowsWhatTheHostTellsWhereTheDocumentHasNone)
{
    const TellsWorkgroupCase &c = GetParam();
    doc->rules().searchNetAll = 0;
    if (*c.listed) {
        doc->rules().searchHostByList = 1;
        doc->rules().hosts = {QString::fromLatin1(c.listed)};
    }
    if (*c.browsed) {
        doc->rules().searchNetByList = 1;
        doc->rules().nets = {QString::fromLatin1(c.browsed)};
        network->AddWorkgroup(QString::fromLatin1(c.browsed), {QStringLiteral("nas")});
    }
    Server server = DiskServer({QStringLiteral("Music")});
    server.reachable = c.reachable;
    server.workgroup = QString::fromLatin1(c.told);
    network->AddName(QStringLiteral("nas"), QStringLiteral("10.0.0.7"));
    network->SetServer(QStringLiteral("10.0.0.7"), server);
    // Known from an earlier scan in the host list's workgroup, so that an
    // unreachable host has a share too.
    if (!c.reachable)
        doc->AppendShare(*doc->AddHost(QStringLiteral("nas"), doc->AddNet(QString()), QStringLiteral("10.0.0.7")),
                         QStringLiteral("Music"), ShareOnline);

    ASSERT_TRUE(Scan());
    ASSERT_EQ(doc->GetShareCount(), 1) << c.what;
    EXPECT_EQ(doc->shareText(0, ColumnWorkgroup), QString::fromLatin1(c.shown)) << c.what;
    const HostRecord *host = doc->GetShare(0)->host;
    ASSERT_NE(host->net, nullptr);
    EXPECT_EQ(host->net->name, QString::fromLatin1(c.kept)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    ScanTest, TellsWorkgroupTest,
    ::testing::Values(TellsWorkgroupCase{"listed by name", "nas", "", true, "HOME", "HOME", ""},
                      TellsWorkgroupCase{"listed by address", "10.0.0.7", "", true, "HOME", "HOME", ""},
                      TellsWorkgroupCase{"telling none", "nas", "", true, "", "", ""},
                      TellsWorkgroupCase{"of a browse list", "", "LAB", true, "OTHER", "LAB", "LAB"},
                      TellsWorkgroupCase{"silent", "nas", "", false, "HOME", "", ""}));

} // namespace
