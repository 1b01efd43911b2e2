// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/credentials.h"
#include "platform/result.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class CLanterraDoc;

// Where remembered logins live: the desktop's secret store in the program,
// a map in tests. An empty host name is the login for every host. Either
// function may be empty (a build without a secret store keeps nothing). A
// save that fails says why, in words for the user.
struct LoginKeeper
{
    std::function<std::optional<Login>(const QString &host)> load;
    std::function<Result<void>(const QString &host, const Login &login)> save;
};

// At scan start: the remembered login for every host and those of the hosts
// the document knows go into `book`, so listings use them. Logins given for
// this run only (already in the book) stay as they are.
void LoadRememberedLogins(const CLanterraDoc &doc, const LoginKeeper &keeper, CLoginBook &book);
// The same in two steps, so that the store may be asked on another thread:
// the names of the document's hosts (read where the document may be read),
// then their logins and the one for every host.
QStringList RememberedLoginHosts(const CLanterraDoc &doc);
void LoadRememberedLogins(const QStringList &hosts, const LoginKeeper &keeper, CLoginBook &book);

// Where the remembered logins worked in the scans since the last call goes
// back to the store with them, so that they go there (and only there) later.
void KeepWhereLoginsWorked(const LoginKeeper &keeper, CLoginBook &book);

// A login the user typed for one host: used by this run's listings, and
// kept in the store when `remember` is set. Why keeping it failed, when it
// did (the login is used all the same).
Result<void> UseHostLogin(const QString &host, const Login &login, bool remember, const LoginKeeper &keeper,
                          CLoginBook &book);
