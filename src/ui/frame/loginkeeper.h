// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/hostlogins.h"

#include <QStringList>

// The desktop's secret store as the window's keeper of logins; a keeper that
// keeps nothing in a build without one (its saves say so). A failed save's
// reason is one of the texts below.
LoginKeeper DesktopLoginKeeper();

// Why the secret store kept no login, numbered as the store numbers it.
enum class LoginStoreProblem { None, NoStore, NoDefaultCollection, Locked, Other };
// The reason as a sentence's end for the user; `detail` is the store's own
// message, told for Other.
QString LoginStoreProblemText(LoginStoreProblem problem, const QString &detail);

// Reads the remembered logins of `hosts` and the one for every host into the
// session's login book on a thread of its own, and waits at most `waitMs`
// for it. The secret store answers over D-Bus: with no store it says so in
// milliseconds, but a bus that does not answer (or a keyring that asks the
// user to unlock it) would hold the window for a minute. What comes after
// the wait still goes into the book, for the listings after it; while such
// a read runs no other starts. True when everything was read in time.
bool LoadRememberedLoginsFor(const QStringList &hosts, const LoginKeeper &keeper, int waitMs);
