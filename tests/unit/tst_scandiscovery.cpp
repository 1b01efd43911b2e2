// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// Hosts that announce themselves join a scan as hosts of workgroups.
#include "memoryscan.h"
#include "model/lanterradoc.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "scan/scandriver.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <atomic>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Warnings of the scan that contain a text, counted while installed.
class WarningCounter
{
public:
    explicit WarningCounter(const char *text)
    {
        s_text = text;
        s_count = 0;
        s_previous = qInstallMessageHandler(&Handle);
    }
    ~WarningCounter() { qInstallMessageHandler(s_previous); }
    WarningCounter(const WarningCounter &) = delete;
    WarningCounter &operator=(const WarningCounter &) = delete;
    int Count() const { return s_count.load(); }

private:
    static void Handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtWarningMsg && message.contains(QLatin1String(s_text)))
            ++s_count;
        else if (s_previous)
            s_previous(type, context, message);
    }
    static inline const char *s_text = "";
    static inline std::atomic<int> s_count{0};
    static inline QtMessageHandler s_previous = nullptr;
};

// A network whose hosts also announce themselves. After its announcements
// the discovery holds on for `holdMs` (or until stopped), as a real one
// waits out its window.
class CAnnouncingNetwork : public CMemoryNetwork
{
public:
    void DiscoverHosts(const std::function<void(const DiscoveredHost &)> &found, std::stop_token stop) override
    {
        ++calls;
        running = true;
        while (!stop.stop_requested() && SweepsBegun() < afterSwept)
            std::this_thread::sleep_for(2ms);
        while (!stop.stop_requested() && !afterListingOf.isEmpty() && ListingCalls(afterListingOf) == 0)
            std::this_thread::sleep_for(2ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        for (const DiscoveredHost &host : announced)
            found(host);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(holdMs);
        while (!stop.stop_requested() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(2ms);
        stopped = stop.stop_requested();
        running = false;
    }

    std::vector<DiscoveredHost> announced;
    int holdMs = 0;
    int delayMs = 0; // before the first answer
    qsizetype afterSwept = 0; // addresses the sweep began before the delay starts
    QString afterListingOf; // an address whose listing begins before the delay starts
    std::atomic<int> calls{0};
    std::atomic<bool> running{false};
    std::atomic<bool> stopped{false};
};

class DiscoveryScanTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings.autoSave = false;
        network = std::make_shared<CAnnouncingNetwork>();
        network->SetLocalWorkgroup(QStringLiteral("HOME"));
        doc = std::make_unique<CLanterraDoc>(&settings);
        doc->SetNetwork(network);
        doc->SetCurrentWorkgroup(QStringLiteral("HOME"));
    }

    // A server at an address; `name`, when given, resolves to it.
    void AddServer(const QString &name, const QString &address, const QStringList &shares)
    {
        if (!name.isEmpty())
            network->AddName(name, address);
        CMemoryNetwork::Server server;
        for (const QString &share : shares)
            server.shares.push_back({share, ShareType::DiskTree});
        network->SetServer(address, server);
    }

    void Announce(const QString &name, const QString &workgroup, const QString &address)
    {
        network->announced.push_back({name, workgroup, address, QString()});
    }

    bool Scan()
    {
        doc->StartScan();
        // A guard against a scan that never ends, not a speed target: a
        // thousand probes under ThreadSanitizer on a loaded machine take long.
        return WaitFor([this] { return !doc->IsScanning(); }, 180s);
    }

    QStringList HostNames() const
    {
        QStringList names;
        for (const auto &host : doc->cacheHosts())
            names.append(host->GetDisplayName());
        names.sort();
        return names;
    }

    int OnlineShares() const
    {
        int count = 0;
        for (int i = 0; i < doc->GetShareCount(); ++i)
            count += doc->GetShareState(i) == ShareOnline;
        return count;
    }

    CSettings settings;
    std::shared_ptr<CAnnouncingNetwork> network;
    std::unique_ptr<CLanterraDoc> doc;
};

TEST_F(DiscoveryScanTest, AnnouncedHostsAreProbedInTheirWorkgroupsWithoutBrowseLists)
{
    // No workgroup is announced by browse lists; names resolve nowhere.
    AddServer({}, QStringLiteral("10.0.0.2"), {QStringLiteral("Music")});
    AddServer({}, QStringLiteral("10.0.0.3"), {QStringLiteral("Films")});
    AddServer({}, QStringLiteral("10.0.0.4"), {QStringLiteral("Photos")});
    Announce(QStringLiteral("ALPHA"), QStringLiteral("LAB"), QStringLiteral("10.0.0.2"));
    Announce(QStringLiteral("beta"), QStringLiteral("corp.example"), QStringLiteral("10.0.0.3"));
    Announce(QStringLiteral("gamma.local"), QString(), QStringLiteral("10.0.0.4"));

    ASSERT_TRUE(Scan());
    EXPECT_EQ(network->calls.load(), 1);
    EXPECT_EQ(HostNames(), (QStringList{"ALPHA", "beta", "gamma.local"}));
    EXPECT_EQ(OnlineShares(), 3);
    ASSERT_TRUE(FindHost(*doc, "ALPHA") && FindHost(*doc, "beta") && FindHost(*doc, "gamma.local"));
    EXPECT_EQ(FindHost(*doc, "ALPHA")->net->name, u"LAB");
    EXPECT_EQ(FindHost(*doc, "beta")->net->name, u"corp.example");
    // A host that tells no workgroup is on this machine's link.
    EXPECT_EQ(FindHost(*doc, "gamma.local")->net->name, u"HOME");
    EXPECT_EQ(FindHost(*doc, "ALPHA")->lastState, 0);
    EXPECT_EQ(FindHost(*doc, "ALPHA")->GetAddr(), u"10.0.0.2");
    EXPECT_EQ(doc->GetHostsTotal(), 3);
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(doc->GetNetsPending(), 0);
}

TEST_F(DiscoveryScanTest, OneMachineFoundEveryWayIsOneHost)
{
    AddServer(QStringLiteral("ALPHA"), QStringLiteral("10.0.0.2"), {QStringLiteral("Music"), QStringLiteral("Docs")});
    network->AddName(QStringLiteral("alpha"), QStringLiteral("10.0.0.2"));
    network->AddWorkgroup(QStringLiteral("LAB"), {QStringLiteral("ALPHA")});
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = QStringList{QStringLiteral("alpha")};
    Announce(QStringLiteral("ALPHA"), QStringLiteral("LAB"), QStringLiteral("10.0.0.2"));
    Announce(QStringLiteral("alpha.local"), QString(), QStringLiteral("10.0.0.2"));
    // A range host at the same address is the same machine as well.
    Announce(QString(), QString(), QStringLiteral("10.0.0.2"));

    ASSERT_TRUE(Scan());
    int records = 0;
    for (const auto &host : doc->cacheHosts())
        records += !host->duplicate;
    EXPECT_EQ(records, 1) << HostNames().join(u',').toStdString();
    // Listed once: a record that the probe found to hold the same address
    // as another gives up its shares (the other one is renamed to it).
    int listed = 0;
    for (int i = 0; i < doc->GetShareCount(); ++i)
        listed += doc->GetShareState(i) == ShareOnline || doc->GetShareState(i) == ShareHostRenamed;
    EXPECT_EQ(listed, 2);
}

TEST_F(DiscoveryScanTest, AnnouncedAddressReachesAListedNameNoResolverKnows)
{
    AddServer({}, QStringLiteral("10.0.0.7"), {QStringLiteral("Backup")});
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = QStringList{QStringLiteral("nas")};
    // The announcement comes while the probe is looking the name up (a
    // NetBIOS query waits longer than a multicast DNS answer takes).
    network->SetNameLatency(QStringLiteral("nas"), 400);
    network->delayMs = 100;
    Announce(QStringLiteral("nas.local"), QString(), QStringLiteral("10.0.0.7"));

    ASSERT_TRUE(Scan());
    EXPECT_EQ(HostNames(), QStringList{"nas"});
    ASSERT_TRUE(FindHost(*doc, "nas"));
    EXPECT_EQ(FindHost(*doc, "nas")->GetAddr(), u"10.0.0.7");
    EXPECT_EQ(OnlineShares(), 1);
}

TEST_F(DiscoveryScanTest, ExclusionsAndTheSwitchesDecide)
{
    AddServer({}, QStringLiteral("10.0.0.2"), {QStringLiteral("Music")});
    AddServer({}, QStringLiteral("10.0.0.3"), {QStringLiteral("Films")});
    AddServer({}, QStringLiteral("10.0.0.4"), {QStringLiteral("Photos")});
    Announce(QStringLiteral("ALPHA"), QStringLiteral("LAB"), QStringLiteral("10.0.0.2"));
    Announce(QStringLiteral("HOMEPC"), QStringLiteral("home"), QStringLiteral("10.0.0.3"));
    Announce(QStringLiteral("gamma.local"), QString(), QStringLiteral("10.0.0.4"));

    // An excluded workgroup keeps its hosts out; an excluded host is never
    // asked, so, known only from its announcement, it is not kept either.
    doc->rules().excNets = QStringList{QStringLiteral("lab")};
    doc->rules().excHosts = QStringList{QStringLiteral("gamma.local")};
    ASSERT_TRUE(Scan());
    EXPECT_EQ(HostNames(), (QStringList{"HOMEPC"}));
    EXPECT_EQ(network->ListingCalls(QStringLiteral("10.0.0.4")), 0);
    EXPECT_EQ(OnlineShares(), 1);

    // Only the machine's own workgroup: hosts of other workgroups stay out.
    doc->DeleteContents();
    doc->SetCurrentWorkgroup(QStringLiteral("HOME"));
    doc->rules().searchNetAll = 0;
    doc->rules().searchNetCurrent = 1;
    ASSERT_TRUE(Scan());
    EXPECT_EQ(HostNames(), (QStringList{"HOMEPC", "gamma.local"}));
    // Browse lists and announcements put it in one workgroup record.
    EXPECT_EQ(FindHost(*doc, "HOMEPC")->net->name, u"HOME");

    // The switch off, or neither workgroup switch on: no discovery at all.
    const int calls = network->calls.load();
    doc->DeleteContents();
    doc->rules().searchAnnounced = 0;
    ASSERT_TRUE(Scan());
    doc->DeleteContents();
    doc->rules().searchNetAll = 0;
    ASSERT_TRUE(Scan());
    EXPECT_EQ(network->calls.load(), calls);
    EXPECT_TRUE(doc->cacheHosts().empty());
}

TEST_F(DiscoveryScanTest, HostsAreProbedAsTheyArriveAndAStopEndsTheWait)
{
    AddServer({}, QStringLiteral("10.0.0.2"), {QStringLiteral("Music")});
    Announce(QStringLiteral("ALPHA"), QStringLiteral("LAB"), QStringLiteral("10.0.0.2"));
    network->holdMs = 60000;
    doc->StartScan();
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (OnlineShares() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(5ms);
    // Listed while the discovery still waits for more answers.
    EXPECT_EQ(OnlineShares(), 1);
    EXPECT_TRUE(network->running.load());
    EXPECT_TRUE(doc->IsScanning());

    doc->StopScan();
    EXPECT_FALSE(doc->IsScanning());
    doc->HaltAndWait();
    EXPECT_FALSE(network->running.load());
    EXPECT_TRUE(network->stopped.load());
}

TEST_F(DiscoveryScanTest, AHostAnnouncedMidSweepLeavesEveryRangeHostProbedOnce)
{
    // 1,025 silent addresses, swept 256 at a time. The head of the queue
    // answered once before, so the sweep gives it longer than the others:
    // the look-ahead starts hosts behind it, and when the head is given up
    // the queue is not yet through.
    const auto address = [](int i) { return QStringLiteral("10.9.%1.%2").arg(i / 256).arg(i % 256); };
    const int count = 1025;
    CMemoryNetwork::Server silent;
    silent.reachable = false;
    for (int i = 1; i <= count; ++i)
        network->SetServer(address(i), silent);
    doc->AddNet(QString());
    HostRecord *head = doc->AddHost(QString(), doc->cacheNets().front().get(), address(1));
    head->onlineCount = 1;
    head->lastAnswerTime = 750;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = QStringList{address(1) + u'-' + address(count)};
    // VAULT announces itself while the look-ahead waits on a full sweep.
    AddServer({}, QStringLiteral("10.0.0.2"), {QStringLiteral("Vault")});
    Announce(QStringLiteral("VAULT"), QStringLiteral("HOME"), QStringLiteral("10.0.0.2"));
    network->afterSwept = 256;
    network->delayMs = 150;

    ASSERT_TRUE(Scan()) << "pending " << doc->GetHostsPending() << "/" << doc->GetHostsTotal();
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(doc->GetHostsTotal(), count + 1);
    ASSERT_TRUE(FindHost(*doc, "VAULT"));
    EXPECT_EQ(FindHost(*doc, "VAULT")->onlineCount, 1);
    EXPECT_EQ(network->TotalListingCalls(), 1);
    int probedTwice = 0;
    for (const auto &host : doc->cacheHosts()) {
        if (host.get() != FindHost(*doc, "VAULT")) {
            EXPECT_EQ(host->offlineCount, 1) << host->GetAddr().toStdString();
            probedTwice += host->offlineCount > 1;
        }
    }
    EXPECT_EQ(probedTwice, 0);
}

TEST_F(DiscoveryScanTest, TheSwitchIsSavedWhereOlderReadersDoNotLook)
{
    // Covered through the document: a saved switch reads back; a file
    // without it (every file written before) leaves the default on.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a.net"));
    doc->rules().searchAnnounced = 0;
    doc->rules().hosts = QStringList{QStringLiteral("x")};
    doc->AddNet(QStringLiteral("LAB"));
    ASSERT_TRUE(doc->WriteDocumentFile(path, false));

    CLanterraDoc loaded(&settings);
    ASSERT_TRUE(loaded.ReadDocumentFile(path, false));
    EXPECT_EQ(loaded.rules().searchAnnounced, 0);
    EXPECT_EQ(loaded.rules().hosts, QStringList{"x"});
    ASSERT_EQ(loaded.cacheNets().size(), 1u);

    // The same file cut after the cache, as every earlier version wrote it.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(file.readAll().constData() + 2));
    file.close();
    const qsizetype more = text.indexOf(u" <moreRules");
    ASSERT_GT(more, 0);
    text = text.left(more) + QStringLiteral("</document>");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("\xFF\xFE", 2);
    file.write(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    file.close();
    CLanterraDoc old(&settings);
    ASSERT_TRUE(old.ReadDocumentFile(path, false));
    EXPECT_EQ(old.rules().searchAnnounced, 1);
    EXPECT_EQ(old.rules().hosts, QStringList{"x"});
    EXPECT_EQ(old.cacheNets().size(), 1u);
}

} // namespace

namespace {

QString RogueAddress(int i)
{
    return QStringLiteral("10.66.%1.%2").arg(i / 250).arg(1 + i % 250);
}

} // namespace

TEST_F(DiscoveryScanTest, AnnouncedHostsThatNeverAnswerAreNotKept)
{
    // A thousand endpoints announce themselves and never answer; VAULT
    // answers with a share and LOCKED with a refusal: both are kept.
    for (int i = 0; i < 1000; ++i)
        Announce(QStringLiteral("ghost%1").arg(i), QString(), RogueAddress(i));
    AddServer({}, QStringLiteral("10.0.0.2"), {QStringLiteral("Vault")});
    Announce(QStringLiteral("VAULT"), QStringLiteral("HOME"), QStringLiteral("10.0.0.2"));
    CMemoryNetwork::Server locked;
    locked.code = NetError::AccessDenied;
    network->SetServer(QStringLiteral("10.0.0.3"), locked);
    Announce(QStringLiteral("LOCKED"), QStringLiteral("HOME"), QStringLiteral("10.0.0.3"));

    ASSERT_TRUE(Scan());
    EXPECT_EQ(doc->GetHostsPending(), 0);
    EXPECT_EQ(HostNames(), (QStringList{QStringLiteral("LOCKED"), QStringLiteral("VAULT")}));

    // Nor are they in what is saved, so a later start does not probe them.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("net.xml"));
    ASSERT_TRUE(doc->WriteDocumentFile(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("ghost"));
}

TEST_F(DiscoveryScanTest, OneAddressAnnouncingManyNamesGetsFewProbed)
{
    // One machine at 10.0.0.9 answers for 500 names, each resolving to an
    // address of its own where it lists a share.
    WarningCounter cut("left out");
    for (int i = 0; i < 500; ++i) {
        const QString name = QStringLiteral("alias%1").arg(i);
        AddServer(name, RogueAddress(i), {QStringLiteral("Data")});
        Announce(name, QString(), QStringLiteral("10.0.0.9"));
    }
    AddServer({}, QStringLiteral("10.0.0.2"), {QStringLiteral("Vault")});
    Announce(QStringLiteral("VAULT"), QStringLiteral("HOME"), QStringLiteral("10.0.0.2"));

    ASSERT_TRUE(Scan());
    const qsizetype aliases = HostNames().filter(QStringLiteral("alias")).size();
    EXPECT_GT(aliases, 0);
    EXPECT_LE(aliases, CScanDriver::MaxAnnouncedPerSource);
    EXPECT_LE(network->TotalListingCalls(), CScanDriver::MaxAnnouncedPerSource + 1);
    ASSERT_TRUE(FindHost(*doc, "VAULT"));
    EXPECT_EQ(FindHost(*doc, "VAULT")->onlineCount, 1);
    EXPECT_EQ(cut.Count(), 1);
}

TEST_F(DiscoveryScanTest, OneSenderNamingManyAddressesGetsFewProbed)
{
    // One machine at 10.0.0.9 answers for 200 names, each at an address of
    // its own where a share is listed.
    WarningCounter cut("left out");
    for (int i = 0; i < 200; ++i) {
        AddServer({}, RogueAddress(i), {QStringLiteral("Data")});
        network->announced.push_back(
            {QStringLiteral("alias%1.local").arg(i), QString(), RogueAddress(i), QStringLiteral("10.0.0.9")});
    }

    ASSERT_TRUE(Scan());
    const qsizetype aliases = HostNames().filter(QStringLiteral("alias")).size();
    EXPECT_GT(aliases, 0);
    EXPECT_LE(aliases, CScanDriver::MaxAnnouncedPerSource);
    EXPECT_LE(network->TotalListingCalls(), CScanDriver::MaxAnnouncedPerSource);
    EXPECT_EQ(cut.Count(), 1);
}

TEST_F(DiscoveryScanTest, AHostListingTooManySharesKeepsTheCapAndSaysSo)
{
    QStringList shares;
    for (int i = 0; i < 10000; ++i)
        shares.append(QStringLiteral("s%1").arg(i));
    AddServer({}, QStringLiteral("10.0.0.4"), shares);
    Announce(QStringLiteral("HOARD"), QStringLiteral("HOME"), QStringLiteral("10.0.0.4"));

    ASSERT_TRUE(Scan());
    ASSERT_TRUE(FindHost(*doc, "HOARD"));
    EXPECT_EQ(FindHost(*doc, "HOARD")->shares.size(), std::size_t(CScanDriver::MaxSharesPerHost));
    EXPECT_EQ(OnlineShares(), CScanDriver::MaxSharesPerHost);
    // Said where the user looks: the host carries how many were left out.
    EXPECT_EQ(FindHost(*doc, "HOARD")->sharesLeftOut.load(), 10000 - CScanDriver::MaxSharesPerHost);

    // A second scan finds the same shares and still keeps no more.
    ASSERT_TRUE(Scan());
    EXPECT_EQ(FindHost(*doc, "HOARD")->shares.size(), std::size_t(CScanDriver::MaxSharesPerHost));
}

namespace {

// NAS, named by the host list and held at its address in no workgroup, is
// announced in LAB: from its own address that is its workgroup to show;
// from another one it is anyone's word, and NAS shows none.
struct ToldCase
{
    const char *name;
    const char *announcedFrom;
    const char *shown;
};

class AnnouncedWorkgroupTest : public DiscoveryScanTest, public ::testing::WithParamInterface<ToldCase>
{};

TEST_P(AnnouncedWorkgroupTest, AListedHostShowsTheWorkgroupOfItsOwnAnnouncement)
{
    AddServer(QStringLiteral("NAS"), QStringLiteral("10.0.0.5"), {QStringLiteral("Music")});
    AddServer({}, QStringLiteral("10.0.0.66"), {});
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = QStringList{QStringLiteral("NAS")};
    doc->AddHost(QStringLiteral("NAS"), doc->AddNet(QString()), QStringLiteral("10.0.0.5"));
    Announce(QStringLiteral("NAS"), QStringLiteral("LAB"), QString::fromLatin1(GetParam().announcedFrom));

    ASSERT_TRUE(Scan());
    const HostRecord *host = FindHost(*doc, QStringLiteral("NAS"));
    ASSERT_TRUE(host);
    EXPECT_EQ(host->GetWorkgroup(), QString::fromLatin1(GetParam().shown));
    ASSERT_TRUE(host->net);
    EXPECT_TRUE(host->net->name.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Announcements, AnnouncedWorkgroupTest,
                         ::testing::Values(ToldCase{"FromItsOwnAddress", "10.0.0.5", "LAB"},
                                           ToldCase{"FromAnotherAddress", "10.0.0.66", ""}),
                         [](const ::testing::TestParamInfo<ToldCase> &info) { return std::string(info.param.name); });

// VAULT lists "Vault" at 10.0.0.3; a rogue at 10.0.0.66 lists "Loot".
struct SpoofCase
{
    const char *name;
    bool cached; // held at its address from an earlier scan, else named by the host list only
    const char *announcedName;
    const char *announcedAddress;
    // The announcement arrives while VAULT's listing runs: the probe holds
    // the address, the record does not have it yet.
    bool whileListed;
    // Name look-ups of VAULT and of the announced name take this long: with
    // the announced one slower, VAULT takes its address first, though the
    // announced record came first.
    int vaultLookupMs = 0;
    int announcedLookupMs = 0;
    // Another name of the host list, one no resolver knows.
    const char *listedUnresolved = "";
};

void PrintTo(const SpoofCase &item, std::ostream *out)
{
    *out << item.name;
}

class AnnouncementSpoofTest : public DiscoveryScanTest, public ::testing::WithParamInterface<SpoofCase>
{};

TEST_P(AnnouncementSpoofTest, AnAnnouncementNeitherMovesNorRenamesAHeldHost)
{
    const SpoofCase &spoof = GetParam();
    const QString vault = QStringLiteral("10.0.0.3");
    const QString rogue = QStringLiteral("10.0.0.66");
    AddServer(QStringLiteral("VAULT"), vault, {QStringLiteral("Vault")});
    AddServer({}, rogue, {QStringLiteral("Loot")});
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = QStringList{QStringLiteral("VAULT")};
    if (*spoof.listedUnresolved)
        doc->rules().hosts.append(QString::fromUtf8(spoof.listedUnresolved));
    if (spoof.cached) {
        NetRecord *net = doc->AddNet(QStringLiteral("HOME"));
        HostRecord *host = doc->AddHost(QStringLiteral("VAULT"), net, vault);
        host->onlineCount = 1;
    }
    if (spoof.whileListed) {
        CMemoryNetwork::Server slow;
        slow.shares.push_back({QStringLiteral("Vault"), ShareType::DiskTree});
        slow.latencyMs = 300;
        network->SetServer(vault, slow);
        network->afterListingOf = vault;
    }
    Announce(QString::fromUtf8(spoof.announcedName), QStringLiteral("HOME"), QString::fromUtf8(spoof.announcedAddress));
    network->SetNameLatency(QStringLiteral("VAULT"), spoof.vaultLookupMs);
    network->SetNameLatency(QString::fromUtf8(spoof.announcedName), spoof.announcedLookupMs);

    ASSERT_TRUE(Scan());
    QStringList expected{QStringLiteral("VAULT")};
    if (*spoof.listedUnresolved)
        expected.append(QString::fromUtf8(spoof.listedUnresolved));
    expected.sort();
    EXPECT_EQ(HostNames(), expected);
    const HostRecord *host = FindHost(*doc, QStringLiteral("VAULT"));
    ASSERT_TRUE(host);
    EXPECT_EQ(host->GetAddr(), vault);
    EXPECT_FALSE(host->duplicate);
    for (const auto &other : doc->cacheHosts())
        EXPECT_TRUE(other.get() == host || other->GetAddr() != vault) << other->GetName().toStdString();
    EXPECT_EQ(network->ListingCalls(rogue), 0);
    EXPECT_EQ(network->ListingCalls(vault), 1);
    EXPECT_EQ(OnlineShares(), 1);
    EXPECT_EQ(doc->GetHostsPending(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Announcements, AnnouncementSpoofTest,
    ::testing::Values(SpoofCase{"TheNameFromAnotherAddress", true, "VAULT", "10.0.0.66", false},
                      SpoofCase{"TheLinkNameFromAnotherAddress", true, "vault.local", "10.0.0.66", false},
                      SpoofCase{"AnotherNameAtItsAddress", true, "EVIL", "10.0.0.3", false},
                      SpoofCase{"AnotherNameAtItsAddressWhileListed", false, "EVIL", "10.0.0.3", true},
                      SpoofCase{"TheNameFromAnotherAddressWhileListed", false, "VAULT", "10.0.0.66", true},
                      SpoofCase{"AnotherNameAtItsAddressBeforeItsProbe", false, "EVIL", "10.0.0.3", false, 100, 400},
                      SpoofCase{"AnUnresolvedListedNameAtItsAddress", true, "NAS", "10.0.0.3", false, 400, 200, "NAS"}),
    [](const ::testing::TestParamInfo<SpoofCase> &info) { return std::string(info.param.name); });

} // namespace
