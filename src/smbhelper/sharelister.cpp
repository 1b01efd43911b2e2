// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharelister.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/mman.h>
#include <unistd.h>
#include <cstdint>
#include <utility>
#include <vector>
#include <netapi.h>

#include "dialectprobe.h"
#include "net/neterrors.h"

// From Samba's configuration library, which the listing library loads with:
// a parameter set as if on the command line, which no smb.conf overrides.
extern "C" bool lp_set_cmdline(const char *name, const char *value);
// The same library's general cache, where the client looks a server's name
// up before any name service ("NBT/NAME#20" -> "ADDRESS:0").
extern "C" bool gencache_set(const char *key, const char *value, time_t timeout);

namespace {

// The folder for the library's caches and locks: one of this process's own,
// so that no name a lookup of another program cached (perhaps a lie heard
// minutes ago) decides where a login goes, and nothing this process pins is
// seen by anyone else. The cache is opened and the folder removed at once:
// the open files live on, and a helper ended by a kill leaves nothing.
bool UsePrivateCacheFolder()
{
    std::string folder;
    const char *const parents[] = {std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), "/tmp"};
    for (const char *parent : parents) {
        if (!parent || !*parent)
            continue;
        folder = std::string(parent) + "/lanterra-smbhelper.XXXXXX";
        if (mkdtemp(folder.data()))
            break;
        folder.clear();
    }
    if (folder.empty())
        return false;
    bool ready = true;
    for (const char *name : {"lock directory", "cache directory", "state directory"})
        ready = ready && lp_set_cmdline(name, folder.c_str());
    // An entry that has expired already: it opens the cache and pins nothing.
    ready = ready && gencache_set("LANTERRA/OPEN", "1", 1);
    for (const char *file : {"/gencache.tdb", "/gencache_notrans.tdb"})
        unlink((folder + file).c_str());
    rmdir(folder.c_str());
    return ready;
}

// Whether `text` is a numeric address the library takes as it is.
bool IsAddress(const std::string &text)
{
    unsigned char bytes[16];
    return inet_pton(AF_INET, text.c_str(), bytes) == 1 || inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

} // namespace

namespace {

// The server has just answered (or refused) a connection: its negotiation
// takes a round trip.
constexpr int Smb1ProbeMs = 1500;

} // namespace

// The library says "could not connect" for a server that refused the login
// as well as for one that is not there. Only its diagnostics, which it
// prints on standard output, tell them apart: they are caught in a memory
// file while a listing runs.
uint32_t ShareLister::RefinedStatus(uint32_t status, int diagnostics)
{
    if (status != NetError::NotEnoughServers || diagnostics < 0)
        return status;
    std::string text;
    char buffer[4096];
    lseek(diagnostics, 0, SEEK_SET);
    for (ssize_t n; text.size() < 65536 && (n = read(diagnostics, buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    if (text.find("NT_STATUS_ACCESS_DENIED") != std::string::npos)
        return NetError::AccessDenied;
    if (text.find("NT_STATUS_LOGON_FAILURE") != std::string::npos
        || text.find("NT_STATUS_WRONG_PASSWORD") != std::string::npos
        || text.find("NT_STATUS_NO_SUCH_USER") != std::string::npos)
        return NetError::LogonFailure;
    return status;
}

bool ShareLister::Init(bool allowSmb1)
{
    m_allowSmb1 = allowSmb1;
    if (uint32_t(libnetapi_init(&m_ctx)) != 0)
        return false;
    libnetapi_set_debuglevel(m_ctx, "0");
    // A login answers with NTLMv2 (or Kerberos) only, whatever the
    // machine's smb.conf allows: LM and NTLMv1 responses can be cracked by
    // anyone who sees them, and a server on the LAN can ask for them.
    for (const auto &[name, value] : {std::pair{"client ntlmv2 auth", "yes"}, std::pair{"client lanman auth", "no"},
                                      std::pair{"client plaintext auth", "no"}}) {
        if (!lp_set_cmdline(name, value))
            return false;
    }
    // SMB1 only when the user allowed it, whatever the machine's smb.conf
    // says: it is old and insecure. The share list travels over the IPC
    // connection, which has a minimum of its own.
    const char *minimum = allowSmb1 ? "NT1" : "SMB2_02";
    if (!lp_set_cmdline("client min protocol", minimum) || !lp_set_cmdline("client ipc min protocol", minimum))
        return false;
    // Browsing is anonymous, as the network's own browser does it.
    libnetapi_set_username(m_ctx, "");
    libnetapi_set_password(m_ctx, "");
    m_canPin = UsePrivateCacheFolder();
    return true;
}

bool ShareLister::Pin(const std::string &name, const std::string &address)
{
    if (!m_canPin || name.empty() || !IsAddress(address))
        return false;
    std::string key = "NBT/" + name + "#20";
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    const std::string value = (address.find(':') != std::string::npos ? "[" + address + "]" : address) + ":0";
    // Long enough for one listing, however slow: the process ends after it.
    // Should the entry not be found after all, only the machine's own
    // lmhosts file is asked (the library knows no value for "none"): no
    // name service on the network says where the login goes.
    return gencache_set(key.c_str(), value.c_str(), std::time(nullptr) + 3600)
           && lp_set_cmdline("name resolve order", "lmhosts");
}

void ShareLister::ListWithLogin(const std::string &request, HelperOutput &out)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = request.find('\t', start);
        fields.push_back(request.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    if (fields.size() != 5 && fields.size() != 6) {
        out.End(NetError::InvalidParameter);
        return;
    }
    // The address the program decided on: the server's name, which a ticket
    // is issued for, is made to lead there and nowhere else. Where it cannot
    // be, the listing goes to the address itself, where a ticket cannot
    // serve and the login falls back to the password there.
    std::string server = fields[0];
    if (fields.size() == 6 && !fields[5].empty() && server != fields[5] && !IsAddress(server)
        && !Pin(server, fields[5]))
        server = fields[5];
    // Kerberos cannot be switched off again in a context; a process that
    // used it keeps it, which only matters when logins mix both kinds.
    const bool kerberos = fields[4] == "1";
    if (kerberos) {
        libnetapi_set_use_kerberos(m_ctx);
        libnetapi_set_use_ccache(m_ctx);
    }
    // With a ticket the user is its principal ("anna@REALM") and the
    // password empty: the library then takes the cache's ticket for the
    // server's name. Told no user, it has no principal and refuses.
    if (!kerberos || !fields[1].empty()) {
        libnetapi_set_username(m_ctx, fields[1].c_str());
        libnetapi_set_workgroup(m_ctx, fields[2].c_str());
        libnetapi_set_password(m_ctx, fields[3].c_str());
    }
    List(server, out);
    libnetapi_set_username(m_ctx, "");
    libnetapi_set_password(m_ctx, "");
    for (std::string &field : fields)
        std::fill(field.begin(), field.end(), '\0');
}

void ShareLister::List(const std::string &server, HelperOutput &out)
{
    // Standard output points at /dev/null (the replies have their own copy);
    // for this listing it points at a memory file.
    const int diagnostics = memfd_create("diagnostics", MFD_CLOEXEC);
    const int saved = diagnostics >= 0 ? dup(1) : -1;
    if (saved >= 0)
        dup2(diagnostics, 1);
    uint32_t resume = 0;
    uint32_t status = 0;
    do {
        uint8_t *buffer = nullptr;
        uint32_t read = 0;
        uint32_t total = 0;
        status = uint32_t(NetShareEnum(server.c_str(), 1, &buffer, uint32_t(-1), &read, &total, &resume));
        if ((status == NetError::Success || status == NetError::MoreData) && buffer) {
            const auto *info = reinterpret_cast<const SHARE_INFO_1 *>(buffer);
            for (uint32_t i = 0; i < read; ++i) {
                if (info[i].shi1_netname)
                    out.Item(info[i].shi1_type, info[i].shi1_netname);
            }
        }
        if (buffer)
            NetApiBufferFree(buffer);
        // A server that keeps answering "more data" without moving on
        // would loop forever; the program's deadline ends that too.
    } while (status == NetError::MoreData);
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, 1);
        close(saved);
    }
    uint32_t code = RefinedStatus(status, saved >= 0 ? diagnostics : -1);
    if (diagnostics >= 0)
        close(diagnostics);
    // A server that speaks only SMB1 drops an SMB2 negotiation, which the
    // library tells like a machine that is not there. One negotiation
    // offering both, without a login, tells them apart.
    if (code == NetError::NotEnoughServers && !m_allowSmb1
        && ProbeDialect(server, Smb1ProbeMs) == SmbNegotiate::Dialect::Smb1Only)
        code = NetError::Smb1NotAvailable;
    out.End(code);
}
