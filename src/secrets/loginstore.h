// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/credentials.h"

#include <QString>

#include <optional>

// Logins kept in the desktop's secret store: one for every host (an empty
// host name) and one per host where it differs. Nothing of them goes to
// settings.xml or a document. Each call waits for the store's answer.
namespace LoginStore {

bool Save(const QString &host, const Login &login);
std::optional<Login> Load(const QString &host);
bool Remove(const QString &host);

// The entry's contents; apart for tests of the format.
QByteArray Encode(const Login &login);
std::optional<Login> Decode(const QByteArray &data);

} // namespace LoginStore
