// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include "credentials.h"
#include "tcpsweep.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

struct ShareEntry
{
    QString name;
    std::uint32_t type = 0;
};

// A host that announced itself on the local link (WS-Discovery, DNS-SD).
struct DiscoveredHost
{
    QString name;
    QString workgroup; // workgroup or domain; empty when the method tells none
    QString address; // dotted IPv4, where the announcement came from
    // The address that sent the announcement when it names another one
    // (a DNS-SD answer carries address records); empty when the same.
    QString source;
};

struct ShareListing
{
    std::uint32_t code = 0; // NetError numbering
    std::vector<ShareEntry> shares;
    // Entries the server listed past those a listing keeps (the first
    // HelperProtocol::MaxItems): counted, not carried.
    std::size_t leftOut = 0;
};

// What the scanner asks of the network. Every call may block for a while and
// is made from worker threads, several at once: implementations are
// thread-safe. A call given a stop token that is asked to stop may give up
// early with NetError::Cancelled (or an empty list).
class INetProvider
{
public:
    virtual ~INetProvider() = default;

    // Names of every workgroup or domain the network announces.
    virtual QStringList ListWorkgroups(std::stop_token stop = {}) = 0;
    // Names of the hosts a workgroup lists (no leading backslashes).
    virtual QStringList ListHosts(const QString &workgroup, std::stop_token stop = {}) = 0;
    // The local machine's own workgroup; empty when unknown.
    virtual QString LocalWorkgroup() = 0;
    // Dotted IPv4 address of a host name; for a name that has none, its IPv6
    // address (CanonicalIPv6's form); or nothing. Ranges and sweeps stay
    // IPv4: an IPv6 address is only ever one named host's.
    virtual std::optional<QString> ResolveIPv4(const QString &name, std::stop_token stop = {}) = 0;
    // As ResolveIPv4, for a name met for the first time: every address that
    // answered for it within the query's window, the one ResolveIPv4 would
    // give first. More than one: someone answers for a name not its own.
    virtual QStringList ResolveIPv4Answers(const QString &name, std::stop_token stop = {})
    {
        const std::optional<QString> address = ResolveIPv4(name, stop);
        return address ? QStringList{*address} : QStringList();
    }
    // Quick check that the host at `address` takes connections at all, so
    // that an unreachable host does not hold a probe slot for seconds.
    virtual bool IsReachable(const QString &address, std::stop_token stop = {}) = 0;
    // Asks the local links for hosts that announce themselves and calls
    // `found` (never two calls at once) for each as it answers; returns when
    // no more answers are expected. Networks without such announcements
    // find nothing.
    virtual void DiscoverHosts(const std::function<void(const DiscoveredHost &)> &found, std::stop_token stop = {})
    {
        (void)found;
        (void)stop;
    }
    // As IsReachable, for a host whose last listing took `knownAnswerMs`
    // (0: it never answered): a host that answered before is given longer.
    virtual bool IsReachableOf(const QString &address, int knownAnswerMs, std::stop_token stop = {})
    {
        (void)knownAnswerMs;
        return IsReachable(address, stop);
    }
    // The shares of a server. `server` is its name or address; `address`,
    // when not empty, is where to connect. `knownAnswerMs` is how long its
    // last listing took (0: it never answered): a slow host it knows is
    // given more time. The listing presents `login` (nothing: anonymously)
    // and looks none up: the scan's login policy decides which login may go
    // to which host and address. A user's Kerberos ticket may still be tried
    // first where no login is given. Networks that take no logins ignore it.
    virtual ShareListing ListSharesWith(const QString &server, const QString &address, int knownAnswerMs,
                                        const std::optional<Login> &login, std::stop_token stop = {}) = 0;
    // Whether listings may use SMB1 for a server that speaks nothing newer
    // (from the next listing on). Off, such a server answers
    // NetError::Smb1NotAvailable. Networks that have no say ignore it.
    virtual void AllowSmb1(bool allowed) { (void)allowed; }
    // The workgroup or domain the host at `address` says it is in (its
    // NetBIOS name table); empty when it tells none or does not answer.
    // Asked only of hosts the document keeps in no workgroup.
    virtual QString HostWorkgroup(const QString &address, std::stop_token stop = {})
    {
        (void)address;
        (void)stop;
        return {};
    }
    // Connects for checking many addresses at once before their probes;
    // null keeps the one check per probe of IsReachable.
    virtual std::unique_ptr<ISweepTransport> CreateSweepTransport() { return nullptr; }
};
