// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/credentials.h"

#include <QString>

#include <optional>

// Logins kept in the desktop's secret store: one for every host (an empty
// host name) and one per host where it differs. Nothing of them goes to
// settings.xml or a document. Each call waits for the store's answer.
namespace LoginStore {

// Why the store did not keep a login, as far as it can be told.
enum class Problem {
    None,
    NoStore, // no secret service answers on the session bus
    NoDefaultCollection, // it answers, but has no default collection (a fresh keyring)
    Locked, // the default collection is locked and stayed so
    Other, // something else: the store's own words say what
};

struct SaveResult
{
    Problem problem = Problem::None;
    QString detail; // the store's message, when it gave one
    explicit operator bool() const { return problem == Problem::None; }
};

SaveResult Save(const QString &host, const Login &login);
std::optional<Login> Load(const QString &host);
bool Remove(const QString &host);

// Asks the secret service why it refuses to keep anything: there is none,
// it has no default collection, or that collection is locked. Other when
// none of these holds. Waits for the bus (a few seconds at most).
Problem Diagnose();

// The entry's contents; apart for tests of the format.
QByteArray Encode(const Login &login);
std::optional<Login> Decode(const QByteArray &data);

} // namespace LoginStore
