// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "credentials.h"
#include "netprovider.h"

#include <cstdint>
#include <functional>
#include <optional>

// A share listing where the system lists under the user's own logon and a
// login of another user takes a connection to the server's IPC$ share made
// with it (Windows): the steps are given, the order and the outcome are
// decided here, where they can be tested without that system.
struct IpcLoginSteps
{
    // Connects to IPC$ with the login; a system error code, 0 when connected.
    std::function<std::uint32_t(const Login &)> connect;
    // Drops that connection again (called only after a connect that worked).
    std::function<void()> disconnect;
    // The listing over whatever connection there is.
    std::function<ShareListing()> enumerate;
};

// The server holds a connection of the user's under other credentials.
inline constexpr std::uint32_t CredentialConflict = 1219;

// The login given for the host first (when it names a user), then the
// user's own logon, as the Samba backend tries the login and then
// anonymously. A server that refuses every way tried answers
// NetError::AccessDenied: the host needs a login.
ShareListing ListThroughIpcLogin(const std::optional<Login> &login, const IpcLoginSteps &steps);
