// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Servers of the in-memory network, the login the locked ones take, and the
// look-up of a host a scan recorded: what the scanner's tests and the
// window's tests share. No test framework here, so QtTest programs use it too.
#include "laterescue.h"

#include "model/lanterradoc.h"
#include "net/credentials.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"

#include <QString>
#include <QStringList>

#include <memory>

// A server with these disk shares, answering after `latencyMs`.
inline CMemoryNetwork::Server DiskServer(const QStringList &names, int latencyMs = 0)
{
    CMemoryNetwork::Server server;
    for (const QString &name : names)
        server.shares.push_back({name, ShareType::DiskTree});
    server.latencyMs = latencyMs;
    return server;
}

// The one account the locked servers know.
inline QString LockedUser()
{
    return QStringLiteral("alice");
}

inline QString LockedPassword()
{
    return QStringLiteral("s3cret");
}

// A server that lists its disk shares only to LockedUser with LockedPassword.
inline CMemoryNetwork::Server LockedServer(const QStringList &names, int latencyMs = 0)
{
    CMemoryNetwork::Server server = DiskServer(names, latencyMs);
    server.loginUser = LockedUser();
    server.loginPassword = LockedPassword();
    return server;
}

// LockedUser with `password` (the right one unless told otherwise).
inline Login LockedLogin(const QString &password = LockedPassword())
{
    Login login;
    login.user = LockedUser();
    login.password = password;
    return login;
}

// The host the cache holds under `name`, or under its address when it has
// no name (as the list shows it); nullptr when there is none.
inline HostRecord *FindHost(const CLanterraDoc &doc, const QString &nameOrAddress)
{
    for (const auto &host : doc.cacheHosts()) {
        if (host->GetDisplayName() == nameOrAddress)
            return host.get();
    }
    return nullptr;
}

// The host the cache holds at `address`, named or not; nullptr when none.
inline HostRecord *FindHostAt(const CLanterraDoc &doc, const QString &address)
{
    for (const auto &host : doc.cacheHosts()) {
        if (host->GetAddr() == address)
            return host.get();
    }
    return nullptr;
}

// Holds every listing of `addresses` (CMemoryNetwork::HoldListings) while it
// lives, so that a test knows the listings are under way when it acts. Code
// that wrongly waits for a held listing is let go after the rescue's limit,
// and letGoLate() then tells.
class ListingHold
{
public:
    ListingHold(std::shared_ptr<CMemoryNetwork> network, QStringList addresses)
        : m_network(std::move(network)), m_addresses(std::move(addresses))
    {
        for (const QString &address : m_addresses)
            m_network->HoldListings(address);
    }
    ~ListingHold() { Release(); }
    ListingHold(const ListingHold &) = delete;
    ListingHold &operator=(const ListingHold &) = delete;

    // Listings of the held addresses waiting now.
    int Waiting() const
    {
        int waiting = 0;
        for (const QString &address : m_addresses)
            waiting += m_network->HeldListings(address);
        return waiting;
    }
    bool letGoLate() const { return m_rescue.fired(); }
    void Release()
    {
        m_rescue.Cancel();
        LetGo();
    }

private:
    void LetGo()
    {
        for (const QString &address : m_addresses)
            m_network->ReleaseListings(address);
    }

    std::shared_ptr<CMemoryNetwork> m_network;
    QStringList m_addresses;
    LateRescue m_rescue{[this] { LetGo(); }};
};
