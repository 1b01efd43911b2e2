// SPDX-License-Identifier: GPL-3.0-or-later
#include "ipclogin.h"

#include "neterrors.h"

ShareListing ListThroughIpcLogin(const std::optional<Login> &login, const IpcLoginSteps &steps)
{
    ShareListing listing;
    bool listed = false;
    // A login without a user name asks for the Kerberos ticket alone, which
    // the own logon uses anyway.
    if (login && !login->user.isEmpty()) {
        const std::uint32_t connected = steps.connect(*login);
        if (connected == NetError::Success) {
            listing = steps.enumerate();
            steps.disconnect();
            listed = !IsLoginRefusal(listing.code);
        } else if (!IsLoginRefusal(connected) && connected != CredentialConflict) {
            // Not refused, not there: the own logon would not reach it either.
            listing.code = connected;
            listed = true;
        }
        // Refused, or the user is connected to the server as someone else
        // already: the own logon's listing decides.
    }
    if (!listed)
        listing = steps.enumerate();
    if (IsLoginRefusal(listing.code))
        listing.code = NetError::AccessDenied;
    return listing;
}
