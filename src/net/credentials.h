// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

// A login for share listings. The password lives here and in the helper
// process that uses it, never in a file, argument list, environment or log.
struct Login
{
    QString user;
    QString domain;
    QString password;
    bool kerberos = false; // the user's ticket cache instead of a password
    // For the login for every host: the workgroups (upper case) whose browse
    // lists the user allowed it for. Searching a workgroup is not enough: its
    // browse list is whatever its master browser says, and anyone can be that.
    QStringList workgroups;
    // Where it has worked: host name (upper case) to the address a listing
    // with it succeeded at. A remembered login goes nowhere else unasked.
    std::map<QString, QString> provenAt;
    // Read from the secret store rather than given in this run: a document
    // (its host list, its cached addresses) must not steer it.
    bool remembered = false;
    // Lives in the secret store: where it works is saved with it.
    bool kept = false;

    bool IsEmpty() const { return user.isEmpty() && !kerberos; }
    bool TrustsWorkgroup(const QString &workgroup) const;
    bool IsProvenAt(const QString &host, const QString &address) const;
};

// "USER", "USER%PASSWORD", "DOMAIN\USER[%PASSWORD]" or "DOMAIN/USER..." as
// smbclient takes them. `hasPassword` tells whether a "%" gave one.
Login ParseUserOption(const QString &text, bool *hasPassword = nullptr);
// smbclient's authentication file: "username = ", "password = " and
// "domain = " lines; nothing when it names no user.
std::optional<Login> ParseAuthFile(const QByteArray &text);

// Overwrites the characters of `text` with zeros and empties it, where it
// holds its buffer alone; a buffer shared with a copy still in use (Qt's
// implicit sharing) is left to the last holder. The emptied string keeps
// its (zeroed) buffer until it is destroyed or assigned.
void WipeString(QString &text);
void WipeBytes(QByteArray &bytes);

// Replies of a listing that mean the server wants a (better) login.
bool IsLoginRefusal(std::uint32_t code);

// The logins a scan uses: one for every host and, where one differs, one
// per host. Thread-safe; shared by the whole process, but read only through
// the scan's login policy (scan/loginpolicy.h), which decides where each
// may go.
class CLoginBook
{
public:
    static CLoginBook &Session();

    // A password given here makes the process keep it out of core dumps
    // (ProcessLimits::KeepSecretsOutOfDumps) for the rest of its life.
    void SetDefault(const Login &login);
    void Set(const QString &host, const Login &login);
    // Forgets every login, wiping the passwords no listing still holds.
    void Clear();
    // The login for a host known by name or address: its own, else the
    // default; nothing when neither is set.
    std::optional<Login> For(const QString &name, const QString &address) const;
    // Whether a login of its own was set for this host (name or address).
    bool HasOwn(const QString &host) const;
    // The host's own login, found under its name or its address, whichever
    // the user typed it for; nothing when it has none.
    std::optional<Login> OwnFor(const QString &name, const QString &address) const;
    // The login for every host, when one is set.
    std::optional<Login> Default() const;
    // A listing with the host's own login (`own`) or the login for every
    // host succeeded at `address`: that login has proven itself there. True
    // when this is news (a remembered login then wants saving again).
    bool Prove(bool own, const QString &name, const QString &address);
    // The remembered logins that learnt a new place since the last call, by
    // the host they are kept for (empty: the login for every host).
    QStringList TakeNewProofs();

private:
    mutable std::mutex m_lock;
    std::optional<Login> m_default;
    std::map<QString, Login> m_hosts; // keys upper-cased
    QStringList m_newProofs;
};

// The helper request's argument for a listing with a login: the fields
// joined by tabs, so that the one argument of the line protocol holds them.
// It holds the password: the caller wipes it (WipeString) after use.
// `address`, when given and not `server` itself, is where the helper
// connects; `server` then only names the service a ticket is issued for.
QString LoginRequestArgument(const QString &server, const Login &login, const QString &address = {});
