// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "credentials.h"

#include <QByteArrayView>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

// Whether the user holds a Kerberos ticket, told without the Kerberos
// libraries (the program links QtCore only) and without a packet: the
// credential cache file is read as the libraries write it. A user without a
// ticket must not pay for one not being there, so listings ask this before
// they try Kerberos on their own.
namespace KerberosTicket {

// Whether the contents of a credential cache file (format versions 3 and
// 4) hold a ticket-granting ticket ("krbtgt/...") that ends after `now`
// (seconds since the epoch). False for anything it cannot read.
bool HoldsLiveTgt(QByteArrayView cache, qint64 now);

// The file of the user's credential cache: `ccacheName` (KRB5CCNAME) as the
// Kerberos libraries read it ("FILE:PATH", a plain path, "DIR:FOLDER" with
// its "primary" file, "DIR::PATH"), else FILE:/tmp/krb5cc_UID, the
// libraries' default. Empty for caches kept elsewhere (the kernel keyring,
// a KCM daemon, memory): those cannot be looked into this way.
QString CacheFile(const QString &ccacheName, unsigned uid);

// The cache's owner as the libraries name a principal ("anna@REALM",
// "anna/admin@REALM"); empty for anything it cannot read.
QString CachePrincipal(QByteArrayView cache);
// The owner of the user's cache (see UserHasTicket for which file counts).
// The client library takes a ticket only for a user it is told: with no
// name it has no principal to look for in the cache.
QString UserPrincipal();

// The user's cache holds a live ticket-granting ticket now. Only a regular
// file of the user's own counts; a pipe, a device or another user's file is
// no ticket, and the call never waits on one.
bool UserHasTicket();

} // namespace KerberosTicket

// Whether a listing of a host tries the user's Kerberos ticket before
// anything else: only when no login is set for the host (one the user gave
// or remembered is what the user chose) and a ticket is there. `hasTicket`
// is asked only then.
bool TriesTicketFirst(const std::optional<Login> &login, const std::function<bool()> &hasTicket);

// The server a listing with a ticket names. A ticket is issued for a
// service named after the host ("cifs/NAME"), so the client library must be
// given the host's name: given an address it has no service to ask for.
// The name goes with the host's address, where the helper connects without
// asking any name service (a name service could move the listing to an
// address the scan never checked nor bound the host's logins to). A host
// known only by its address is named by it, where a ticket cannot serve and
// the listing goes on as it would without one.
QString TicketListingTarget(const QString &name, const QString &address);

// The answer of a ticket probe, kept for a few seconds: a scan asks for
// every host, and a ticket got or lost meanwhile counts from the next check.
// The probe runs outside the lock: callers that come while it runs get the
// last answer (or, before the first one, probe themselves).
class CTicketCheck
{
public:
    explicit CTicketCheck(std::function<bool()> probe = KerberosTicket::UserHasTicket,
                          std::chrono::milliseconds keep = std::chrono::seconds(10));
    bool operator()();

private:
    const std::function<bool()> m_probe;
    const std::chrono::milliseconds m_keep;
    std::mutex m_lock;
    std::optional<std::chrono::steady_clock::time_point> m_checked;
    bool m_present = false;
    bool m_isProbing = false;
};
