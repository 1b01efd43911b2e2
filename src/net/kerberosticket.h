// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "credentials.h"

#include <QByteArrayView>
#include <QString>

#include <chrono>
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
