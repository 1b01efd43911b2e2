// SPDX-License-Identifier: GPL-3.0-or-later
// Listings through a connection made with a login (the Windows backend's
// order of steps, with the system calls stood in for).
#include "net/ipclogin.h"
#include "net/neterrors.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t BadNetPath = 53;
constexpr std::uint32_t WrongPassword = 86;

// The server: which logins it takes, whether the own logon may list.
struct StandIn
{
    std::uint32_t connectAnswer = 0;
    bool ownLogonListed = true; // false: the own logon is refused
    bool connected = false;
    QStringList calls;
    QString connectedAs;

    IpcLoginSteps Steps()
    {
        IpcLoginSteps steps;
        steps.connect = [this](const Login &login) {
            calls.append(QStringLiteral("connect"));
            connectedAs = login.domain.isEmpty() ? login.user : login.domain + u'\\' + login.user;
            connected = connectAnswer == 0;
            return connectAnswer;
        };
        steps.disconnect = [this] {
            calls.append(QStringLiteral("disconnect"));
            connected = false;
        };
        steps.enumerate = [this] {
            calls.append(connected ? QStringLiteral("list as login") : QStringLiteral("list as own logon"));
            ShareListing listing;
            if (connected || ownLogonListed)
                listing.shares.push_back({connected ? QStringLiteral("Private") : QStringLiteral("Public"), 0});
            else
                listing.code = NetError::AccessDenied;
            return listing;
        };
        return steps;
    }
};

Login User(const QString &name, const QString &domain = {})
{
    Login login;
    login.user = name;
    login.domain = domain;
    login.password = QStringLiteral("pw");
    return login;
}

TEST(IpcLogin, WithoutALoginTheOwnLogonLists)
{
    StandIn server;
    ShareListing listing = ListThroughIpcLogin(std::nullopt, server.Steps());
    EXPECT_EQ(listing.code, 0u);
    EXPECT_EQ(server.calls, QStringList{QStringLiteral("list as own logon")});
    // The ticket alone: the own logon carries it.
    Login ticket;
    ticket.kerberos = true;
    server.calls.clear();
    ListThroughIpcLogin(ticket, server.Steps());
    EXPECT_EQ(server.calls, QStringList{QStringLiteral("list as own logon")});
    // Refused that way: the host needs a login.
    server.ownLogonListed = false;
    EXPECT_EQ(ListThroughIpcLogin(std::nullopt, server.Steps()).code, NetError::AccessDenied);
}

TEST(IpcLogin, ALoginConnectsListsAndDisconnects)
{
    StandIn server;
    server.ownLogonListed = false;
    const ShareListing listing =
        ListThroughIpcLogin(User(QStringLiteral("anna"), QStringLiteral("CORP")), server.Steps());
    EXPECT_EQ(listing.code, 0u);
    ASSERT_EQ(listing.shares.size(), 1u);
    EXPECT_EQ(listing.shares[0].name, u"Private");
    EXPECT_EQ(server.connectedAs, u"CORP\\anna");
    EXPECT_EQ(server.calls,
              (QStringList{QStringLiteral("connect"), QStringLiteral("list as login"), QStringLiteral("disconnect")}));
    EXPECT_FALSE(server.connected);
    ListThroughIpcLogin(User(QStringLiteral("bob")), server.Steps());
    EXPECT_EQ(server.connectedAs, u"bob");
}

TEST(IpcLogin, ARefusedLoginFallsBackToTheOwnLogonAndEndsAsLoginNeeded)
{
    for (std::uint32_t refusal : {NetError::AccessDenied, NetError::LogonFailure, WrongPassword}) {
        StandIn server;
        server.connectAnswer = refusal;
        // The own logon may list: its shares.
        ShareListing listing = ListThroughIpcLogin(User(QStringLiteral("anna")), server.Steps());
        EXPECT_EQ(listing.code, 0u) << refusal;
        EXPECT_EQ(server.calls, (QStringList{QStringLiteral("connect"), QStringLiteral("list as own logon")}))
            << "no disconnect without a connection";
        // It may not: login needed, whatever code the system gave.
        server.ownLogonListed = false;
        listing = ListThroughIpcLogin(User(QStringLiteral("anna")), server.Steps());
        EXPECT_EQ(listing.code, NetError::AccessDenied) << refusal;
    }
}

TEST(IpcLogin, AConflictingConnectionLeavesTheListingToIt)
{
    StandIn server;
    server.connectAnswer = CredentialConflict;
    const ShareListing listing = ListThroughIpcLogin(User(QStringLiteral("anna")), server.Steps());
    EXPECT_EQ(listing.code, 0u);
    EXPECT_EQ(server.calls.last(), u"list as own logon");
}

TEST(IpcLogin, AServerThatIsNotThereIsNotAskedTwice)
{
    StandIn server;
    server.connectAnswer = BadNetPath;
    const ShareListing listing = ListThroughIpcLogin(User(QStringLiteral("anna")), server.Steps());
    EXPECT_EQ(listing.code, BadNetPath);
    EXPECT_EQ(server.calls, QStringList{QStringLiteral("connect")});
}

} // namespace
