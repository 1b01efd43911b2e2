// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helperio.h"

#include <cstdint>
#include <string>

// Share listings through Samba's libnetapi, which reports the raw share
// types and Windows error codes.
class ShareLister
{
public:
    // `allowSmb1`: servers that speak only SMB1 are listed too; without it
    // the library speaks SMB2 and later only, and such a server is reported
    // as NetError::Smb1NotAvailable.
    bool Init(bool allowSmb1);
    void List(const std::string &server, HelperOutput &out);
    // The same with a login: "SERVER\tUSER\tDOMAIN\tPASSWORD\tKERBEROS[\tADDRESS]"
    // (KERBEROS "1" takes the user's ticket cache, USER then being the
    // ticket's principal and SERVER a name). With ADDRESS the connection
    // goes there whatever SERVER is, which then only names the service for
    // the ticket; no name service is asked. The login is forgotten
    // afterwards; even so the library keeps the logged-in connection, so
    // the process ends after such a request (the pool starts a fresh one).
    void ListWithLogin(const std::string &request, HelperOutput &out);

private:
    uint32_t RefinedStatus(uint32_t status, int diagnostics);
    // Makes the library find `name` at `address` only; false when it cannot.
    bool Pin(const std::string &name, const std::string &address);

    bool m_canPin = false;

    struct libnetapi_ctx *m_ctx = nullptr;
    bool m_allowSmb1 = false;
};
