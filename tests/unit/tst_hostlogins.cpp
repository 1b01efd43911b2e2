// SPDX-License-Identifier: GPL-3.0-or-later
// Hosts that refuse anonymous listing: they show as needing a login, and a
// login typed or remembered for them reaches the listing.
#include "app/hostlogins.h"
#include "model/hostlogin.h"
#include "memoryscan.h"
#include "model/lanterradoc.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

namespace {

using namespace std::chrono_literals;

class HostLoginTest : public MemoryScanTest
{
protected:
    void SetUp() override
    {
        CLoginBook::Session().Clear();
        MemoryScanTest::SetUp();
        network->AddWorkgroup(QStringLiteral("HOME"), {QStringLiteral("LOCKED"), QStringLiteral("OPEN")});
        AddServer(QStringLiteral("LOCKED"), QStringLiteral("10.0.0.2"), QStringLiteral("Private"), true);
        AddServer(QStringLiteral("OPEN"), QStringLiteral("10.0.0.3"), QStringLiteral("Public"), false);
        doc->rules().searchNetAll = 0;
        doc->rules().searchNetCurrent = 1;
        doc->rules().searchAnnounced = 0;
        keeper.load = [this](const QString &host) -> std::optional<Login> {
            ++loads;
            const auto found = stored.find(host);
            if (found == stored.end())
                return std::nullopt;
            return found->second;
        };
        keeper.save = [this](const QString &host, const Login &login) -> Result<void> {
            stored[host] = login;
            return {};
        };
    }
    void TearDown() override { CLoginBook::Session().Clear(); }

    void AddServer(const QString &name, const QString &address, const QString &share, bool locked)
    {
        network->AddName(name, address);
        network->SetServer(address, locked ? LockedServer({share}) : DiskServer({share}));
    }

    void ScanToEnd() { ASSERT_TRUE(Scan()); }

    bool Online(const QString &share) const
    {
        for (int i = 0; i < doc->GetShareCount(); ++i) {
            if (doc->shareText(i, ColumnShare) == share)
                return doc->GetShareState(i) == ShareOnline;
        }
        return false;
    }

    LoginKeeper keeper;
    std::map<QString, Login> stored;
    int loads = 0;
};

TEST_F(HostLoginTest, RefusedHostNeedsALoginUntilTheRightOneIsGiven)
{
    ScanToEnd();
    ASSERT_NE(Host(QStringLiteral("LOCKED")), nullptr);
    EXPECT_TRUE(IsLoginNeeded(*Host(QStringLiteral("LOCKED"))));
    EXPECT_FALSE(IsLoginNeeded(*Host(QStringLiteral("OPEN"))));
    EXPECT_TRUE(Online(QStringLiteral("Public")));

    // A wrong password leaves the host refused; the scan goes on.
    UseHostLogin(QStringLiteral("locked"), LockedLogin(QStringLiteral("wrong")), false, keeper, CLoginBook::Session());
    ScanToEnd();
    EXPECT_TRUE(IsLoginNeeded(*Host(QStringLiteral("LOCKED"))));
    EXPECT_TRUE(Online(QStringLiteral("Public")));

    // For this run only: nothing is kept.
    UseHostLogin(QStringLiteral("locked"), LockedLogin(), false, keeper, CLoginBook::Session());
    ScanToEnd();
    EXPECT_FALSE(IsLoginNeeded(*Host(QStringLiteral("LOCKED"))));
    EXPECT_TRUE(Online(QStringLiteral("Private")));
    EXPECT_TRUE(stored.empty());
    // Only the host it was given for uses it.
    EXPECT_FALSE(CLoginBook::Session().For(QStringLiteral("OPEN"), QStringLiteral("10.0.0.3")).has_value());
}

TEST_F(HostLoginTest, RememberedLoginReachesTheListingOfALaterRun)
{
    ScanToEnd();
    ASSERT_TRUE(UseHostLogin(QStringLiteral("LOCKED"), LockedLogin(), true, keeper, CLoginBook::Session()));
    ASSERT_EQ(stored.count(QStringLiteral("LOCKED")), 1u);
    // Listed with it once: where it worked goes to the store with it.
    ScanToEnd();
    KeepWhereLoginsWorked(keeper, CLoginBook::Session());

    // The next run knows nothing until the scan start loads the store.
    CLoginBook::Session().Clear();
    ScanToEnd();
    EXPECT_TRUE(IsLoginNeeded(*Host(QStringLiteral("LOCKED"))));
    LoadRememberedLogins(*doc, keeper, CLoginBook::Session());
    ScanToEnd();
    EXPECT_FALSE(IsLoginNeeded(*Host(QStringLiteral("LOCKED"))));
    EXPECT_TRUE(Online(QStringLiteral("Private")));
}

TEST_F(HostLoginTest, LoginsGivenThisRunWinOverRememberedOnes)
{
    stored[QString()] = LockedLogin();
    stored[QStringLiteral("LOCKED")] = LockedLogin(QStringLiteral("old"));
    ScanToEnd();
    UseHostLogin(QStringLiteral("LOCKED"), LockedLogin(), false, keeper, CLoginBook::Session());
    LoadRememberedLogins(*doc, keeper, CLoginBook::Session());
    // The remembered all-hosts login came in; the typed one stayed.
    EXPECT_EQ(CLoginBook::Session().For(QStringLiteral("OPEN"), QString())->password, LockedPassword());
    ScanToEnd();
    EXPECT_TRUE(Online(QStringLiteral("Private")));
    // Without a store nothing is loaded and nothing fails.
    LoadRememberedLogins(*doc, LoginKeeper{}, CLoginBook::Session());
}

} // namespace
