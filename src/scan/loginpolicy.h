// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/credentials.h"

#include <QString>
#include <QStringList>

#include <optional>

// Why a listing carries the login it carries, or none.
enum class LoginReason {
    Own, // the host's own login
    ForEveryHost, // the login for every host, where the user asked for the host
    NoLogin, // no login is set that could apply
    NotAskedFor, // the user did not ask for this host: no login for every host
    Undecided, // a browse list the login is allowed for may still name the host
    HintAddress, // only an announcement told this address
    ConflictingAnswers, // two addresses answered for the name: the user decides
    NotProvenHere, // a remembered login that worked elsewhere, or was never seen to work
};

struct LoginDecision
{
    std::optional<Login> login;
    LoginReason reason = LoginReason::NoLogin;
};

// What a scan knows about one host when it asks where a login may go.
struct LoginFacts
{
    QString name;
    QString address; // where the listing connects
    // Only an announcement in this scan told the address.
    bool addressIsHint = false;
    // First contact by name, and more than one address answered for it.
    bool answersConflict = false;
    // Known to this scan only because it announced itself.
    bool announcedOnly = false;
    // The host list names it, or one of its ranges holds its address.
    bool namedByHostList = false;
    // The workgroups (of those the user named) whose browse lists named it
    // in this scan.
    QStringList listedBy;
    // The user said yes to this host on its login-needed entry or its move.
    bool confirmed = false;
};

// What the user asked for in this scan.
struct LoginScope
{
    // The host list was typed in this run (Scan Options, --hosts); one that
    // arrived inside a document is not the user's word for remembered logins.
    bool hostListConfirmed = true;
    // The workgroups the user named, upper case.
    QStringList namedWorkgroups;
};

// The one place that says which login a listing of host H at address A may
// carry. Every listing asks it; nothing else reads the login book.
//
// - A host's own login goes to it; the login for every host only to hosts
//   the user asked for: named by the host list or its ranges, confirmed on
//   their entry, or named by the browse list of a workgroup the user named
//   and allowed that login for. Searching all workgroups or the current one
//   asks for no host: anyone can be a workgroup's master browser.
// - No login goes to an address only an announcement told, nor to a name
//   that answered from two addresses at first contact, until the user
//   confirms the host.
// - A remembered login goes only where it has worked before, unless the
//   user confirmed the host, typed it into the host list in this run, or
//   (the login for every host) a workgroup it is allowed for listed it.
class CLoginPolicy
{
public:
    // The book learns where its logins worked (CLoginBook::Prove).
    CLoginPolicy(CLoginBook &book, LoginScope scope);

    LoginDecision Decide(const LoginFacts &facts, bool browseListsPending) const;
    // Whether the login for every host waits for a browse list to say if
    // the host was asked for, whatever login of its own the host has now.
    bool AwaitsBrowseLists(const LoginFacts &facts, bool browseListsPending) const;
    // Whether a login for every host is set at all.
    bool HasDefault() const { return m_book.Default().has_value(); }
    // A listing with the decided login succeeded at `address`: it is proven
    // there. True when a remembered login learnt a new place.
    bool Succeeded(const LoginFacts &facts, const LoginDecision &decision) const;
    // The login to offer on a host's login-needed entry, for the user to
    // confirm or mend.
    static std::optional<Login> ToOffer(const CLoginBook &book, const QString &name, const QString &address);
    // Words for a log line: why a listing goes without a login.
    static QString Explain(LoginReason reason);

private:
    bool MayGoUnproven(const Login &login, const LoginFacts &facts) const;
    LoginDecision DecideForEveryHost(const LoginFacts &facts, bool browseListsPending) const;

    CLoginBook &m_book;
    LoginScope m_scope;
};
