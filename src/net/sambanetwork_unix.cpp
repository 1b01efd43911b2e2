// SPDX-License-Identifier: GPL-3.0-or-later
#include "sambanetwork.h"

#include "credentials.h"
#include "kerberosticket.h"
#include "nbtquery.h"
#include "neterrors.h"
#include "resolver.h"
#include "systemnetwork.h"
#include "tcpcheck.h"

#include <algorithm>
#include <chrono>

namespace {

int EnvironmentNumber(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

QString HelperPath(const SambaNetworkOptions &options)
{
    return options.helperPath.isEmpty() ? CHelperPool::DefaultHelperPath() : options.helperPath;
}

} // namespace

SambaNetworkOptions SambaNetworkOptions::FromEnvironment()
{
    SambaNetworkOptions options;
    options.listingDeadlineMs = EnvironmentNumber("LANTERRA_LISTING_DEADLINE_MS", options.listingDeadlineMs);
    options.listingUnknownMs = EnvironmentNumber("LANTERRA_LISTING_UNKNOWN_MS", options.listingUnknownMs);
    options.listingCeilingMs = EnvironmentNumber("LANTERRA_LISTING_CEILING_MS", options.listingCeilingMs);
    options.browseDeadlineMs = EnvironmentNumber("LANTERRA_BROWSE_DEADLINE_MS", options.browseDeadlineMs);
    options.connectTimeoutMs = EnvironmentNumber("LANTERRA_CONNECT_TIMEOUT_MS", options.connectTimeoutMs);
    options.nameQueryTimeoutMs = EnvironmentNumber("LANTERRA_NAME_QUERY_TIMEOUT_MS", options.nameQueryTimeoutMs);
    options.netbiosQueries = qEnvironmentVariable("LANTERRA_NETBIOS") != QStringLiteral("0");
    return options;
}

CSambaNetwork::CSambaNetwork(const SambaNetworkOptions &options)
    : m_options(options), m_shares(HelperPath(options), {QStringLiteral("shares")}, options.listingDeadlineMs),
      m_browse(HelperPath(options), {QStringLiteral("browse")}, options.browseDeadlineMs),
      m_loginShares(HelperPath(options), {QStringLiteral("shares")}, options.listingDeadlineMs),
      m_smb1Shares(HelperPath(options), {QStringLiteral("shares"), QStringLiteral("--allow-smb1")},
                   options.listingDeadlineMs),
      m_smb1LoginShares(HelperPath(options), {QStringLiteral("shares"), QStringLiteral("--allow-smb1")},
                        options.listingDeadlineMs),
      m_ticket(options.kerberosTicket ? options.kerberosTicket : std::function<bool()>(KerberosTicket::UserHasTicket)),
      m_listingDeadline({options.listingDeadlineMs, std::max(options.listingDeadlineMs, options.listingUnknownMs),
                         std::max(options.listingDeadlineMs, options.listingCeilingMs), 3})
{
    // The library keeps a logged-in connection for later calls of the same
    // process: a helper that listed with a login serves nobody else.
    m_loginShares.SetOneShot(true);
    m_smb1LoginShares.SetOneShot(true);
    m_conf.Load(CSmbConf::DefaultPath());
}

QStringList CSambaNetwork::Names(const CHelperPool::Result &result)
{
    // A failed or partial browse list keeps what it collected.
    QStringList names;
    for (const ShareEntry &item : result.items)
        names.append(item.name);
    return names;
}

QStringList CSambaNetwork::ListWorkgroups(std::stop_token stop)
{
    return Names(m_browse.Request("nets", QStringLiteral("-"), stop));
}

QStringList CSambaNetwork::ListHosts(const QString &workgroup, std::stop_token stop)
{
    return Names(m_browse.Request("hosts", workgroup, stop));
}

QString CSambaNetwork::LocalWorkgroup()
{
    return m_conf.Workgroup();
}

std::optional<QString> CSambaNetwork::ResolveIPv4(const QString &name, std::stop_token stop)
{
    if (const auto address = SystemResolveIPv4(name, stop))
        return DottedIPv4(*address);
    // A name with only IPv6 addresses is listed there.
    if (auto address = SystemResolveIPv6(name, stop))
        return address;
    if (stop.stop_requested())
        return std::nullopt;
    // Hosts from browse lists carry NetBIOS names, which DNS may not know.
    if (!m_options.netbiosQueries || stop.stop_requested())
        return std::nullopt;
    NbtQueryOptions query;
    query.winsServers = m_conf.WinsServers();
    query.timeoutMs = m_options.nameQueryTimeoutMs;
    if (const auto address = NbtResolve(name, query, stop))
        return DottedIPv4(*address);
    return std::nullopt;
}

QStringList CSambaNetwork::ResolveIPv4Answers(const QString &name, std::stop_token stop)
{
    // The system resolver gives one answer, from the source it trusts.
    if (const auto address = SystemResolveIPv4(name, stop))
        return {DottedIPv4(*address)};
    if (auto address = SystemResolveIPv6(name, stop))
        return {*address};
    if (!m_options.netbiosQueries || stop.stop_requested())
        return {};
    NbtQueryOptions query;
    query.winsServers = m_conf.WinsServers();
    query.timeoutMs = m_options.nameQueryTimeoutMs;
    QStringList answers;
    for (const std::uint32_t address : NbtResolveAll(name, query, stop))
        answers.append(DottedIPv4(address));
    return answers;
}

QString CSambaNetwork::HostWorkgroup(const QString &address, std::stop_token stop)
{
    const auto numeric = NumericIPv4(address);
    if (!m_options.netbiosQueries || !numeric)
        return {};
    NbtQueryOptions query;
    query.timeoutMs = m_options.nameQueryTimeoutMs;
    return NbtHostWorkgroup(*numeric, query, stop);
}

bool CSambaNetwork::IsReachable(const QString &address, std::stop_token stop)
{
    const auto numeric = NumericIPv4(address);
    if (!numeric)
        return true; // not an address: the listing finds out itself
    return TcpReachable(*numeric, {445, 139}, m_options.connectTimeoutMs, stop);
}

bool CSambaNetwork::IsReachableOf(const QString &address, int knownAnswerMs, std::stop_token stop)
{
    if (knownAnswerMs <= 0)
        return IsReachable(address, stop);
    const auto numeric = NumericIPv4(address);
    if (!numeric)
        return true;
    // Known to answer: the sweep's rule, at least TCP's initial timeout
    // and twice its last answer, at most the sweep's ceiling for known hosts.
    const SweepOptions sweep;
    const int timeoutMs = std::clamp(std::max({m_options.connectTimeoutMs, sweep.knownFloorMs, 2 * knownAnswerMs}),
                                     m_options.connectTimeoutMs, sweep.knownCeilingMs);
    return TcpReachable(*numeric, {445, 139}, timeoutMs, stop);
}

std::unique_ptr<ISweepTransport> CSambaNetwork::CreateSweepTransport()
{
    return CreateTcpSweepTransport({445, 139});
}

ShareListing CSambaNetwork::ListSharesWith(const QString &server, const QString &address, int knownAnswerMs,
                                           const std::optional<Login> &login, std::stop_token stop)
{
    const QString target = address.isEmpty() ? server : address;
    // A listing with a ticket names the host and the ticket's user, and
    // connects where the scan decided: the name is only the ticket's service.
    const auto ticketArgument = [&](Login ticket) {
        if (ticket.user.isEmpty())
            ticket.user = KerberosTicket::UserPrincipal();
        return LoginRequestArgument(TicketListingTarget(server, address), ticket, address);
    };
    // The deadline is asked again while the listing waits: a mute server
    // started before any other had answered is cut short once they do.
    const auto started = std::chrono::steady_clock::now();
    const std::function<int()> deadline = [this, knownAnswerMs] { return m_listingDeadline.DeadlineMs(knownAnswerMs); };
    // The stored login first, then anonymously (or as guest), as peers do.
    // Credentials go to the helper through its pipe, never its arguments.
    const bool smb1 = m_allowSmb1;
    CHelperPool &shares = smb1 ? m_smb1Shares : m_shares;
    CHelperPool &loginShares = smb1 ? m_smb1LoginShares : m_loginShares;
    CHelperPool::Result result;
    bool listed = false;
    // With no login set for the host, a ticket in the user's cache goes
    // first. Whatever keeps it from the shares (a server outside the realm,
    // no KDC in reach), the listing goes on as it would without one.
    if (TriesTicketFirst(login, std::ref(m_ticket))) {
        Login ticket;
        ticket.kerberos = true;
        result = loginShares.Request("shares-login", ticketArgument(ticket), stop, deadline);
        listed = result.code == NetError::Success || stop.stop_requested();
    }
    if (!listed && login && !login->IsEmpty()) {
        QString argument = login->kerberos ? ticketArgument(*login) : LoginRequestArgument(target, *login);
        result = loginShares.Request("shares-login", argument, stop, deadline);
        WipeString(argument);
        if (IsLoginRefusal(result.code) && !stop.stop_requested())
            result = shares.Request("shares", target, stop, deadline);
    } else if (!listed) {
        result = shares.Request("shares", target, stop, deadline);
    }
    // A server that refuses every way tried wants a login that works.
    if (IsLoginRefusal(result.code))
        result.code = NetError::AccessDenied;
    switch (result.code) {
    case NetError::NotEnoughServers:
    case NetError::BadNetPath:
    case NetError::SemTimeout:
    case NetError::UnexpectedNetError:
    case NetError::Cancelled:
        break;
    default: // the server answered, with its shares or a refusal
        m_listingDeadline.Answered(int(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()));
    }
    // The Samba client says 1003 for every failure to reach a server, where
    // Windows says 53.
    if (result.code == NetError::NotEnoughServers)
        result.code = NetError::BadNetPath;
    ShareListing listing;
    listing.code = result.code;
    listing.leftOut = result.leftOut;
    for (ShareEntry &item : result.items)
        listing.shares.push_back(std::move(item));
    return listing;
}

std::unique_ptr<INetProvider> CreateSystemNetwork()
{
    return std::make_unique<CSambaNetwork>();
}
