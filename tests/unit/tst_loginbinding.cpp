// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// Which login reaches which address: a login goes to the address its host
// is known at, the login for every host only to hosts the user asked for,
// and a host's own login whichever key (name or address) its listing uses.
#include "memoryscan.h"
#include "model/hostlogin.h"
#include "model/lanterradoc.h"
#include "net/credentials.h"
#include "net/memorynetwork.h"

#include <gtest/gtest.h>

#include <QtGlobal>

#include <mutex>

namespace {

const QString VaultAddress = QStringLiteral("10.77.0.3");
const QString RogueAddress = QStringLiteral("10.77.0.2");
const QString MovedAddress = QStringLiteral("10.77.0.9");

// How the host VAULT (listing only after the login alice) is known and found.
enum class Found {
    Workgroup, // in the cache at VAULT's address and in the browse list of HOME
    Announced, // only announced (with its name, from its address); no resolver knows the name
    // Named by the host list, never seen; the rogue announces the name
    // from its own address, and the name is slow to resolve.
    ListedAndAnnounced,
};

struct BindingCase
{
    const char *label;
    Found found;
    bool defaultLogin; // the login for every host
    bool ownLogin; // a login typed for "VAULT"
    bool vaultAtKnownAddress; // VAULT still answers at its known address
    QString nameAnswer; // where VAULT's name resolves; empty: nowhere
    QString announcer; // the announced host's name (Found::Announced)
    // Expected: the logins each address received, the address the document
    // keeps, whether the host ends as a login-needed entry, where it moved.
    QStringList loginsAtVault;
    QStringList loginsAtRogue;
    QStringList loginsAtMoved;
    QString keptAddress;
    bool loginNeeded;
    QString movedTo;
};

void PrintTo(const BindingCase &test, std::ostream *out)
{
    *out << test.label;
}

// The scan's warnings, to see a conflict reported.
QStringList g_warnings;
std::mutex g_warningsLock;
void CatchWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtWarningMsg || QByteArrayView(context.category) != "lanterra.scan")
        return;
    std::scoped_lock guard(g_warningsLock);
    g_warnings.append(text);
}

class LoginScanTest : public MemoryScanTest
{
protected:
    void SetUp() override
    {
        CLoginBook::Session().Clear();
        MemoryScanTest::SetUp();
        doc->rules().searchNetAll = 0;
        doc->rules().searchNetCurrent = 1;
        doc->rules().searchAnnounced = 1;
        // HOME is also named, and the login for every host allowed for its
        // browse list: the current workgroup alone asks for no host.
        doc->rules().searchNetByList = 1;
        doc->rules().nets = {QStringLiteral("HOME")};
        g_warnings.clear();
        m_previousHandler = qInstallMessageHandler(CatchWarnings);
    }
    void TearDown() override
    {
        doc.reset();
        qInstallMessageHandler(m_previousHandler);
        CLoginBook::Session().Clear();
    }

    static CMemoryNetwork::Server Locked(const QStringList &shares)
    {
        CMemoryNetwork::Server server = DiskServer(shares);
        server.loginUser = QStringLiteral("alice");
        server.loginPassword = QStringLiteral("s3cret");
        return server;
    }

    static Login Alice()
    {
        Login login;
        login.user = QStringLiteral("alice");
        login.password = QStringLiteral("s3cret");
        login.workgroups = {QStringLiteral("HOME")};
        return login;
    }

    HostRecord *Host(const QString &name) const
    {
        for (const auto &host : doc->cacheHosts())
            if (host->GetName() == name)
                return host.get();
        return nullptr;
    }

    QtMessageHandler m_previousHandler = nullptr;
};

class LoginBindingTest : public LoginScanTest, public ::testing::WithParamInterface<BindingCase>
{};

TEST_P(LoginBindingTest, LoginsReachOnlyTheAddressesTheyBelongTo)
{
    const BindingCase &test = GetParam();
    // Every machine here wants the same login, so a login sent anywhere shows.
    network->SetServer(RogueAddress, Locked({QStringLiteral("bait")}));
    if (test.vaultAtKnownAddress)
        network->SetServer(VaultAddress, Locked({QStringLiteral("vault")}));
    network->SetServer(MovedAddress, Locked({QStringLiteral("vault")}));
    if (!test.nameAnswer.isEmpty())
        network->AddName(QStringLiteral("VAULT"), test.nameAnswer);
    if (test.found == Found::Workgroup) {
        network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("VAULT")});
        CacheHost(QStringLiteral("VAULT"), VaultAddress);
    } else if (test.found == Found::ListedAndAnnounced) {
        network->AddWorkgroup(QStringLiteral("HOME"), {});
        doc->rules().searchHostByList = 1;
        doc->rules().hosts = {QStringLiteral("VAULT")};
        network->SetNameLatency(QStringLiteral("VAULT"), 100);
        network->Announce({QStringLiteral("VAULT"), QStringLiteral("HOME"), RogueAddress, {}});
    } else {
        network->AddWorkgroup(QStringLiteral("HOME"), {});
        const QString from = test.announcer == u"VAULT" ? VaultAddress : RogueAddress;
        network->Announce({test.announcer, QStringLiteral("HOME"), from, {}});
    }
    if (test.defaultLogin)
        CLoginBook::Session().SetDefault(Alice());
    if (test.ownLogin)
        CLoginBook::Session().Set(QStringLiteral("VAULT"), Alice());

    ASSERT_TRUE(Scan());

    EXPECT_EQ(network->LoginsSentTo(VaultAddress), test.loginsAtVault);
    EXPECT_EQ(network->LoginsSentTo(RogueAddress), test.loginsAtRogue);
    EXPECT_EQ(network->LoginsSentTo(MovedAddress), test.loginsAtMoved);
    HostRecord *host = Host(test.announcer.isEmpty() ? QStringLiteral("VAULT") : test.announcer);
    ASSERT_NE(host, nullptr);
    auto lock = doc->LockScanWrites();
    EXPECT_EQ(host->GetAddr(), test.keptAddress);
    EXPECT_EQ(IsLoginNeeded(*host), test.loginNeeded);
    EXPECT_EQ(host->GetMovedTo(), test.movedTo);
    if (test.vaultAtKnownAddress && !test.nameAnswer.isEmpty() && test.nameAnswer != VaultAddress) {
        std::scoped_lock guard(g_warningsLock);
        EXPECT_EQ(g_warnings.filter(RogueAddress).size(), 1) << g_warnings.join(u'\n').toStdString();
    }
}

const QStringList Alices{QStringLiteral("alice")};

INSTANTIATE_TEST_SUITE_P(Cases, LoginBindingTest,
                         ::testing::Values(
                             // A name answer from a rogue while VAULT still answers at home: the
                             // login stays with VAULT, and so does the document's address.
                             BindingCase{"SpoofedNameDefaultLogin",
                                         Found::Workgroup,
                                         true,
                                         false,
                                         true,
                                         RogueAddress,
                                         {},
                                         Alices,
                                         {},
                                         {},
                                         VaultAddress,
                                         false,
                                         {}},
                             BindingCase{"SpoofedNameOwnLogin",
                                         Found::Workgroup,
                                         false,
                                         true,
                                         true,
                                         RogueAddress,
                                         {},
                                         Alices,
                                         {},
                                         {},
                                         VaultAddress,
                                         false,
                                         {}},
                             // The name answers where VAULT is known: nothing changes.
                             BindingCase{"NameAtKnownAddress",
                                         Found::Workgroup,
                                         true,
                                         false,
                                         true,
                                         VaultAddress,
                                         {},
                                         Alices,
                                         {},
                                         {},
                                         VaultAddress,
                                         false,
                                         {}},
                             // VAULT is silent at home and its name points elsewhere: no login
                             // goes there before the user says so; the host waits for that.
                             BindingCase{"MovedHostWaitsForTheUser",
                                         Found::Workgroup,
                                         true,
                                         true,
                                         false,
                                         MovedAddress,
                                         {},
                                         {},
                                         {},
                                         {},
                                         VaultAddress,
                                         true,
                                         MovedAddress},
                             // A host that only announced itself gets no login for every host.
                             BindingCase{"AnnouncedHostGetsNoDefaultLogin",
                                         Found::Announced,
                                         true,
                                         false,
                                         true,
                                         {},
                                         QStringLiteral("EVIL"),
                                         {},
                                         {},
                                         {},
                                         RogueAddress,
                                         true,
                                         {}},
                             // A login typed for VAULT reaches it listed by its address.
                             BindingCase{"OwnLoginReachesHostListedByAddress",
                                         Found::Announced,
                                         false,
                                         true,
                                         true,
                                         {},
                                         QStringLiteral("VAULT"),
                                         Alices,
                                         {},
                                         {},
                                         VaultAddress,
                                         false,
                                         {}},
                             // A name the user listed, announced by the rogue: the name's own
                             // answer places it, and no login goes to the announced address.
                             BindingCase{"ListedNameAnnouncedElsewhere",
                                         Found::ListedAndAnnounced,
                                         true,
                                         true,
                                         true,
                                         VaultAddress,
                                         {},
                                         Alices,
                                         {},
                                         {},
                                         VaultAddress,
                                         false,
                                         {}},
                             BindingCase{"ListedNameOnlyAnnounced",
                                         Found::ListedAndAnnounced,
                                         true,
                                         true,
                                         true,
                                         {},
                                         {},
                                         {},
                                         {},
                                         {},
                                         RogueAddress,
                                         true,
                                         {}}),
                         [](const ::testing::TestParamInfo<BindingCase> &info) {
                             return std::string(info.param.label);
                         });

// A first contact by name: the name's answer is all there is, so a login
// that goes there and is refused pins nothing, and two answers for one name
// send no login anywhere.
struct FirstContactCase
{
    const char *label;
    QString nameAnswer; // where VAULT's name resolves first
    QString otherAnswer; // a second machine answering for the name; empty: none
    // Expected after the first scan: the logins the rogue received, the
    // address the document keeps, whether VAULT is a login-needed entry.
    QStringList loginsAtRogue;
    QString keptAddress;
    bool loginNeeded;
    // The name then resolves honestly (VAULT only): a second scan lists VAULT
    // with its login, and the rogue gets nothing more.
    bool rescanHonest;
};

void PrintTo(const FirstContactCase &test, std::ostream *out)
{
    *out << test.label;
}

class FirstContactTest : public LoginScanTest, public ::testing::WithParamInterface<FirstContactCase>
{};

TEST_P(FirstContactTest, OnlyAListingWithTheLoginPinsTheAddress)
{
    const FirstContactCase &test = GetParam();
    CMemoryNetwork::Server rogue = Locked({QStringLiteral("bait")});
    rogue.loginUser = QStringLiteral("mallory"); // refuses alice
    network->SetServer(RogueAddress, rogue);
    network->SetServer(VaultAddress, Locked({QStringLiteral("vault")}));
    network->AddWorkgroup(QStringLiteral("HOME"), {});
    network->AddName(QStringLiteral("VAULT"), test.nameAnswer);
    if (!test.otherAnswer.isEmpty())
        network->AddNameAnswer(QStringLiteral("VAULT"), test.otherAnswer);
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("VAULT")};
    CLoginBook::Session().SetDefault(Alice());

    ASSERT_TRUE(Scan());
    {
        HostRecord *host = Host(QStringLiteral("VAULT"));
        ASSERT_NE(host, nullptr);
        auto lock = doc->LockScanWrites();
        EXPECT_EQ(network->LoginsSentTo(RogueAddress), test.loginsAtRogue);
        EXPECT_EQ(host->GetAddr(), test.keptAddress);
        EXPECT_EQ(IsLoginNeeded(*host), test.loginNeeded);
    }
    if (!test.rescanHonest)
        return;
    network->AddName(QStringLiteral("VAULT"), VaultAddress);
    ASSERT_TRUE(Scan());
    HostRecord *host = Host(QStringLiteral("VAULT"));
    ASSERT_NE(host, nullptr);
    auto lock = doc->LockScanWrites();
    EXPECT_EQ(network->LoginsSentTo(RogueAddress), test.loginsAtRogue);
    EXPECT_EQ(network->LoginsSentTo(VaultAddress), Alices);
    EXPECT_EQ(host->GetAddr(), VaultAddress);
    EXPECT_FALSE(IsLoginNeeded(*host));
}

INSTANTIATE_TEST_SUITE_P(Cases, FirstContactTest,
                         ::testing::Values(
                             // The name lies and the rogue refuses: the lie is not kept.
                             FirstContactCase{"RefusedAtTheLie", RogueAddress, {}, Alices, {}, true, true},
                             // Two machines answer for the name: no login goes until the
                             // user confirms, and neither address is kept.
                             FirstContactCase{"TwoAnswers", VaultAddress, RogueAddress, {}, {}, true, false},
                             FirstContactCase{"TwoAnswersRogueFirst", RogueAddress, VaultAddress, {}, {}, true, false}),
                         [](const ::testing::TestParamInfo<FirstContactCase> &info) {
                             return std::string(info.param.label);
                         });

class MovedHostTest : public LoginScanTest
{};

// One confirmation moves the binding: the login then goes to the new
// address, and the host lists its shares there.
TEST_F(MovedHostTest, ConfirmedMoveTakesTheLoginToTheNewAddress)
{
    network->SetServer(MovedAddress, Locked({QStringLiteral("vault")}));
    network->AddName(QStringLiteral("VAULT"), MovedAddress);
    network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("VAULT")});
    HostRecord *host = CacheHost(QStringLiteral("VAULT"), VaultAddress);
    CLoginBook::Session().Set(QStringLiteral("VAULT"), Alice());
    ASSERT_TRUE(Scan());
    ASSERT_EQ(host->GetMovedTo(), MovedAddress);
    EXPECT_TRUE(network->LoginsSentTo(MovedAddress).isEmpty());
    {
        // Silent where it was: whatever answers at the new address does not
        // count VAULT online.
        auto lock = doc->LockScanWrites();
        EXPECT_EQ(host->onlineCount, 0);
        EXPECT_EQ(host->offlineCount, 1);
    }

    ASSERT_TRUE(host->ConfirmMove());
    ASSERT_TRUE(doc->RescanHost(*host));
    ASSERT_TRUE(WaitFor([&] {
        auto lock = doc->LockScanWrites();
        return !host->shares.empty();
    }));
    auto lock = doc->LockScanWrites();
    EXPECT_EQ(network->LoginsSentTo(MovedAddress), Alices);
    EXPECT_EQ(host->GetAddr(), MovedAddress);
    EXPECT_TRUE(host->GetMovedTo().isEmpty());
    EXPECT_FALSE(IsLoginNeeded(*host));
}

// How a host the document holds from an earlier scan (VAULT, listing only
// after the login alice) stands in this one. The document does not say how
// it was first found: an announcement then looks like anything else now.
enum class Asked {
    Nothing, // neither the host list nor a browse list names it
    BrowseList, // the browse list of HOME names it
    // The browse list of HOME names it, but HOME is only searched as the
    // current workgroup (or among all), not named by the user.
    CurrentWorkgroup,
    // HOME is named, but the login for every host was not allowed for it.
    NamedNotAllowed,
    HostList, // the host list names it
    Range, // a listed range holds its address
};

struct OriginCase
{
    const char *label;
    Asked asked;
    bool ownLogin; // a login typed for "VAULT" besides the login for every host
    // HOME's browse list waits until VAULT's first listing has run.
    bool browseListLate;
    // Expected: the logins VAULT received, how many listings it had, whether
    // it ends as a login-needed entry, and the scan's host total. A listing
    // count of -1 is not checked: the browse list may be in before the first
    // listing is published, and a host it does not name is not listed twice.
    QStringList loginsAtVault;
    int listings;
    bool loginNeeded;
    int hostsTotal;
};

void PrintTo(const OriginCase &test, std::ostream *out)
{
    *out << test.label;
}

class CachedHostLoginTest : public LoginScanTest, public ::testing::WithParamInterface<OriginCase>
{};

TEST_P(CachedHostLoginTest, LoginForEveryHostOnlyWhereTheUserAsked)
{
    const OriginCase &test = GetParam();
    network->SetServer(VaultAddress, Locked({QStringLiteral("vault")}));
    network->AddName(QStringLiteral("VAULT"), VaultAddress);
    QStringList members;
    if (test.asked == Asked::BrowseList || test.asked == Asked::CurrentWorkgroup
        || test.asked == Asked::NamedNotAllowed)
        members.append(QStringLiteral("VAULT"));
    if (test.asked == Asked::CurrentWorkgroup) {
        doc->rules().searchNetByList = 0;
        doc->rules().nets.clear();
    }
    network->AddWorkgroup(QStringLiteral("HOME"), members);
    if (test.asked == Asked::HostList || test.asked == Asked::Range) {
        doc->rules().searchHostByList = 1;
        doc->rules().hosts = {test.asked == Asked::Range ? QStringLiteral("10.77.0.2-10.77.0.4")
                                                         : QStringLiteral("VAULT")};
    }
    HostRecord *host = CacheHost(QStringLiteral("VAULT"), VaultAddress);
    Login every = Alice();
    if (test.asked == Asked::NamedNotAllowed)
        every.workgroups.clear();
    CLoginBook::Session().SetDefault(every);
    if (test.ownLogin)
        CLoginBook::Session().Set(QStringLiteral("VAULT"), Alice());
    if (test.browseListLate)
        network->HoldHostList(QStringLiteral("HOME"));

    doc->StartScan();
    if (test.browseListLate) {
        EXPECT_TRUE(WaitFor([&] { return network->ListingCalls(VaultAddress) >= 1; }));
        network->ReleaseHostList(QStringLiteral("HOME"));
    }
    ASSERT_TRUE(WaitForEnd());

    EXPECT_EQ(network->LoginsSentTo(VaultAddress), test.loginsAtVault);
    if (test.listings >= 0) {
        EXPECT_EQ(network->ListingCalls(VaultAddress), test.listings);
    }
    auto lock = doc->LockScanWrites();
    EXPECT_EQ(IsLoginNeeded(*host), test.loginNeeded);
    EXPECT_EQ(host->shares.empty(), test.loginNeeded);
    // A probe held back for the browse list is one host of the scan.
    EXPECT_EQ(host->onlineCount, 1);
    EXPECT_EQ(host->offlineCount, 0);
    EXPECT_EQ(doc->GetHostsTotal(), test.hostsTotal);
    EXPECT_EQ(doc->GetHostsPending(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CachedHostLoginTest,
    ::testing::Values(
        // Kept from a scan where it only announced itself: no login for
        // every host, whether the browse list comes before or after it.
        OriginCase{"NotAskedFor", Asked::Nothing, false, false, {}, -1, true, 1},
        OriginCase{"NotAskedForBrowseListLate", Asked::Nothing, false, true, {}, -1, true, 1},
        // Its own login is another matter.
        OriginCase{"NotAskedForOwnLogin", Asked::Nothing, true, true, Alices, 1, false, 1},
        // Named by the browse list: the login follows, also when the list
        // comes after the anonymous attempt.
        OriginCase{"InBrowseList", Asked::BrowseList, false, false, Alices, -1, false, 1},
        OriginCase{"InBrowseListLate", Asked::BrowseList, false, true, Alices, 2, false, 1},
        // Searching a workgroup is not choosing it: anyone can be its
        // master browser. Nor is naming it without allowing the login.
        OriginCase{"InCurrentWorkgroupOnly", Asked::CurrentWorkgroup, false, false, {}, 1, true, 1},
        OriginCase{"InNamedWorkgroupNotAllowed", Asked::NamedNotAllowed, false, true, {}, 1, true, 1},
        // Named by the user: the login goes with the first listing.
        OriginCase{"InHostList", Asked::HostList, false, true, Alices, 1, false, 1},
        OriginCase{"InRange", Asked::Range, false, true, Alices, 1, false, 3}),
    [](const ::testing::TestParamInfo<OriginCase> &info) { return std::string(info.param.label); });

// A host probed again after the scan (the window's rescan) stands as the
// scan found it: what the browse list named keeps the login for every host,
// what it did not name still goes without.
struct RescanCase
{
    const char *label;
    bool inBrowseList;
    QStringList loginsAtVault; // after the scan and the rescan
    bool loginNeeded;
};

void PrintTo(const RescanCase &test, std::ostream *out)
{
    *out << test.label;
}

class RescanLoginTest : public LoginScanTest, public ::testing::WithParamInterface<RescanCase>
{};

TEST_P(RescanLoginTest, RescanAfterTheScanKeepsItsMembership)
{
    const RescanCase &test = GetParam();
    network->SetServer(VaultAddress, Locked({QStringLiteral("vault")}));
    network->AddName(QStringLiteral("VAULT"), VaultAddress);
    network->AddWorkgroup(QStringLiteral("HOME"),
                          test.inBrowseList ? QStringList{QStringLiteral("VAULT")} : QStringList{});
    HostRecord *host = CacheHost(QStringLiteral("VAULT"), VaultAddress);
    CLoginBook::Session().SetDefault(Alice());
    ASSERT_TRUE(Scan());
    const int listings = network->ListingCalls(VaultAddress);

    ASSERT_TRUE(doc->RescanHost(*host));
    ASSERT_TRUE(WaitFor([&] { return network->ListingCalls(VaultAddress) > listings; }));
    ASSERT_TRUE(WaitFor([&] {
        auto lock = doc->LockScanWrites();
        return host->onlineCount == 2;
    }));
    auto lock = doc->LockScanWrites();
    EXPECT_EQ(network->LoginsSentTo(VaultAddress), test.loginsAtVault);
    EXPECT_EQ(IsLoginNeeded(*host), test.loginNeeded);
}

INSTANTIATE_TEST_SUITE_P(Cases, RescanLoginTest,
                         ::testing::Values(RescanCase{"NamedByTheBrowseList", true, Alices + Alices, false},
                                           RescanCase{"NotNamed", false, {}, true}),
                         [](const ::testing::TestParamInfo<RescanCase> &info) {
                             return std::string(info.param.label);
                         });

class HeldBackHostTest : public LoginScanTest
{};

// A host waiting for the browse list gets a login typed for it at once,
// and is still one host of the scan.
TEST_F(HeldBackHostTest, TypedLoginDoesNotWaitForTheBrowseList)
{
    network->SetServer(VaultAddress, Locked({QStringLiteral("vault")}));
    network->AddName(QStringLiteral("VAULT"), VaultAddress);
    network->AddWorkgroup(QStringLiteral("HOME"), {});
    network->HoldHostList(QStringLiteral("HOME"));
    HostRecord *host = CacheHost(QStringLiteral("VAULT"), VaultAddress);
    CLoginBook::Session().SetDefault(Alice());

    doc->StartScan();
    ASSERT_TRUE(WaitFor([&] { return network->ListingCalls(VaultAddress) >= 1; }));
    CLoginBook::Session().Set(QStringLiteral("VAULT"), Alice());
    ASSERT_TRUE(doc->RescanHost(*host));
    const bool listed = WaitFor([&] {
        auto lock = doc->LockScanWrites();
        return !host->shares.empty();
    });
    network->ReleaseHostList(QStringLiteral("HOME"));
    ASSERT_TRUE(WaitForEnd());
    EXPECT_TRUE(listed);

    auto lock = doc->LockScanWrites();
    EXPECT_EQ(network->LoginsSentTo(VaultAddress), Alices);
    EXPECT_EQ(host->onlineCount, 1);
    EXPECT_EQ(doc->GetHostsTotal(), 1);
    EXPECT_EQ(doc->GetHostsPending(), 0);
}

} // namespace
