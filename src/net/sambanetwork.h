// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helperpool.h"
#include "kerberosticket.h"
#include "listingdeadline.h"
#include "netprovider.h"
#include "smbconf.h"

#include <atomic>

struct SambaNetworkOptions
{
    QString helperPath;            // empty: beside the program
    // One share listing: at least this long once others have answered,
    // this long while nothing has, and never longer than the ceiling.
    int listingDeadlineMs = 4000;
    int listingUnknownMs = 12000;
    int listingCeilingMs = 20000;
    int browseDeadlineMs = 15000;  // one browse list
    int connectTimeoutMs = 400;    // the TCP check before a listing
    int nameQueryTimeoutMs = 500;  // a NetBIOS name query
    bool netbiosQueries = true;
    // Whether the user holds a Kerberos ticket; empty: the user's
    // credential cache is read.
    std::function<bool()> kerberosTicket;

    // Defaults, changed by LANTERRA_LISTING_DEADLINE_MS,
    // LANTERRA_LISTING_UNKNOWN_MS, LANTERRA_LISTING_CEILING_MS,
    // LANTERRA_BROWSE_DEADLINE_MS, LANTERRA_CONNECT_TIMEOUT_MS,
    // LANTERRA_NAME_QUERY_TIMEOUT_MS and LANTERRA_NETBIOS=0.
    static SambaNetworkOptions FromEnvironment();
};

// The network through Samba: listings run in helper processes (shares
// through libnetapi, browse lists through an SMB1-only client), names
// through the system resolver and then a NetBIOS name query.
class CSambaNetwork : public INetProvider
{
public:
    explicit CSambaNetwork(const SambaNetworkOptions &options = SambaNetworkOptions::FromEnvironment());

    QStringList ListWorkgroups(std::stop_token stop = {}) override;
    QStringList ListHosts(const QString &workgroup, std::stop_token stop = {}) override;
    QString LocalWorkgroup() override;
    std::optional<QString> ResolveIPv4(const QString &name, std::stop_token stop = {}) override;
    QStringList ResolveIPv4Answers(const QString &name, std::stop_token stop = {}) override;
    bool IsReachable(const QString &address, std::stop_token stop = {}) override;
    void DiscoverHosts(const std::function<void(const DiscoveredHost &)> &found, std::stop_token stop = {}) override;
    bool IsReachableOf(const QString &address, int knownAnswerMs, std::stop_token stop = {}) override;
    ShareListing ListSharesWith(const QString &server, const QString &address, int knownAnswerMs,
                                const std::optional<Login> &login, std::stop_token stop = {}) override;
    QString HostWorkgroup(const QString &address, std::stop_token stop = {}) override;
    std::unique_ptr<ISweepTransport> CreateSweepTransport() override;
    void AllowSmb1(bool allowed) override { m_allowSmb1 = allowed; }

private:
    static QStringList Names(const CHelperPool::Result &result);

    const SambaNetworkOptions m_options;
    CSmbConf m_conf;
    CHelperPool m_shares;
    CHelperPool m_browse;
    CHelperPool m_loginShares; // one helper per listing with a login
    // The same, for listings that may use SMB1: a helper keeps the
    // protocols it was started with.
    CHelperPool m_smb1Shares;
    CHelperPool m_smb1LoginShares;
    std::atomic<bool> m_allowSmb1{false};
    CTicketCheck m_ticket;
    CListingDeadline m_listingDeadline;
};
