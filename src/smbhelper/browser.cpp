// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <libsmbclient.h>

#include "net/neterrors.h"

namespace {

void AnonymousAuth(SMBCCTX *, const char *, const char *, char *, int, char *username, int usernameLength,
                   char *password, int passwordLength)
{
    if (usernameLength > 0)
        username[0] = '\0';
    if (passwordLength > 0)
        password[0] = '\0';
}

// errno of a failed browse call, as a Windows error code.
unsigned ErrorCode(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return NetError::AccessDenied;
    case ENOENT:
    case EHOSTUNREACH:
    case ECONNREFUSED:
    case ENETUNREACH:
        return NetError::BadNetPath;
    case ETIMEDOUT:
        return NetError::SemTimeout;
    default:
        return NetError::UnexpectedNetError;
    }
}

} // namespace

bool Browser::Init()
{
    m_ctx = smbc_new_context();
    if (!m_ctx)
        return false;
    smbc_setOptionDebugToStderr(m_ctx, 1);
    smbc_setDebug(m_ctx, 0);
    smbc_setFunctionAuthDataWithContext(m_ctx, AnonymousAuth);
    smbc_setOptionProtocols(m_ctx, "NT1", "NT1");
    if (const char *timeout = std::getenv("LANTERRA_BROWSE_TIMEOUT_MS"))
        smbc_setTimeout(m_ctx, std::atoi(timeout));
    else
        smbc_setTimeout(m_ctx, 3000);
    if (!smbc_init_context(m_ctx)) {
        smbc_free_context(m_ctx, 1);
        m_ctx = nullptr;
        return false;
    }
    smbc_set_context(m_ctx);
    return true;
}

void Browser::ListWorkgroups(HelperOutput &out)
{
    ListDirectory("smb://", SMBC_WORKGROUP, out);
}

void Browser::ListHosts(const std::string &workgroup, HelperOutput &out)
{
    // A workgroup name with a slash cannot be browsed (it would name a path).
    if (workgroup.empty() || workgroup.find('/') != std::string::npos) {
        out.End(NetError::BadNetPath);
        return;
    }
    ListDirectory("smb://" + workgroup + "/", SMBC_SERVER, out);
}

void Browser::ListDirectory(const std::string &url, unsigned type, HelperOutput &out)
{
    if (!m_ctx) {
        out.End(NetError::UnexpectedNetError);
        return;
    }
    SMBCFILE *dir = smbc_getFunctionOpendir(m_ctx)(m_ctx, url.c_str());
    if (!dir) {
        out.End(ErrorCode(errno));
        return;
    }
    while (struct smbc_dirent *entry = smbc_getFunctionReaddir(m_ctx)(m_ctx, dir)) {
        if (entry->smbc_type == type && entry->name[0] != '\0')
            out.Item(0, entry->name);
    }
    smbc_getFunctionClosedir(m_ctx)(m_ctx, dir);
    out.End(NetError::Success);
}
