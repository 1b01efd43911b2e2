// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowsnetwork.h"

#include "credentials.h"
#include "ipclogin.h"
#include "neterrors.h"
#include "resolver.h"
#include "systemnetwork.h"
#include "tcpcheck.h"

#include <winsock2.h>
#include <windows.h>
#include <lm.h>
#include <winnetwk.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD EnumUsage = RESOURCEUSAGE_CONNECTABLE | RESOURCEUSAGE_CONTAINER | RESOURCEUSAGE_ATTACHED;
constexpr DWORD EntriesPerCall = 512;
constexpr DWORD BufferBytes = 16384;

// Remote names of one container's entries; `skip` leading characters are
// dropped from each (the two backslashes of a server name).
QStringList EnumerateContainer(NETRESOURCEW &container, DWORD type, int skip)
{
    QStringList names;
    HANDLE handle = nullptr;
    if (WNetOpenEnumW(RESOURCE_GLOBALNET, type, EnumUsage, &container, &handle) != NO_ERROR)
        return names;
    std::vector<BYTE> buffer(BufferBytes);
    for (;;) {
        DWORD count = EntriesPerCall;
        DWORD size = BufferBytes;
        if (WNetEnumResourceW(handle, &count, buffer.data(), &size) != NO_ERROR)
            break;
        const auto *entries = reinterpret_cast<const NETRESOURCEW *>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            if (!entries[i].lpRemoteName)
                continue;
            const QString name = QString::fromWCharArray(entries[i].lpRemoteName);
            names.append(name.mid(skip));
        }
    }
    WNetCloseEnum(handle);
    return names;
}

QString ReadProviderName()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\lanmanworkstation\\NetworkProvider",
                      0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    wchar_t value[64] = {};
    DWORD size = sizeof value;
    DWORD type = 0;
    QString name;
    if (RegQueryValueExW(key, L"Name", nullptr, &type, reinterpret_cast<BYTE *>(value), &size) == ERROR_SUCCESS
        && type == REG_SZ)
        name = QString::fromWCharArray(value, int(wcsnlen(value, 64)));
    RegCloseKey(key);
    return name;
}

ShareListing EnumerateShares(const QString &server)
{
    ShareListing listing;
    std::wstring target = (QStringLiteral("\\\\") + server).toStdWString();
    DWORD resume = 0;
    NET_API_STATUS status = 0;
    do {
        SHARE_INFO_1 *info = nullptr;
        DWORD read = 0;
        DWORD total = 0;
        status = NetShareEnum(target.data(), 1, reinterpret_cast<LPBYTE *>(&info), MAX_PREFERRED_LENGTH, &read, &total,
                              &resume);
        if (status != NERR_Success && status != ERROR_MORE_DATA)
            break;
        for (DWORD i = 0; i < read; ++i)
            listing.shares.push_back({QString::fromWCharArray(info[i].shi1_netname), info[i].shi1_type});
        NetApiBufferFree(info);
    } while (status == ERROR_MORE_DATA);
    listing.code = status;
    return listing;
}

} // namespace

CWindowsNetwork::CWindowsNetwork() : m_providerName(ReadProviderName())
{
    WSADATA data;
    WSAStartup(0x0202, &data);
}

QStringList CWindowsNetwork::ListWorkgroups(std::stop_token)
{
    std::wstring provider = m_providerName.toStdWString();
    NETRESOURCEW container{};
    container.dwScope = RESOURCE_GLOBALNET;
    container.dwType = RESOURCETYPE_ANY;
    container.dwDisplayType = RESOURCEDISPLAYTYPE_NETWORK;
    container.dwUsage = RESOURCEUSAGE_RESERVED | RESOURCEUSAGE_CONTAINER;
    container.lpRemoteName = provider.data();
    container.lpProvider = provider.data();
    return EnumerateContainer(container, RESOURCETYPE_DISK, 0);
}

QStringList CWindowsNetwork::ListHosts(const QString &workgroup, std::stop_token)
{
    std::wstring provider = m_providerName.toStdWString();
    std::wstring name = workgroup.toStdWString();
    NETRESOURCEW container{};
    container.dwScope = RESOURCE_GLOBALNET;
    container.dwType = RESOURCETYPE_DISK;
    container.dwDisplayType = RESOURCEDISPLAYTYPE_DOMAIN;
    container.dwUsage = RESOURCEUSAGE_CONTAINER;
    container.lpRemoteName = name.data();
    container.lpProvider = provider.data();
    return EnumerateContainer(container, RESOURCETYPE_DISK, 2);
}

QString CWindowsNetwork::LocalWorkgroup()
{
    WKSTA_INFO_102 *info = nullptr;
    if (NetWkstaGetInfo(nullptr, 102, reinterpret_cast<LPBYTE *>(&info)) != NERR_Success || !info)
        return {};
    const QString name = QString::fromWCharArray(info->wki102_langroup);
    NetApiBufferFree(info);
    return name;
}

std::optional<QString> CWindowsNetwork::ResolveIPv4(const QString &name, std::stop_token stop)
{
    if (const auto address = SystemResolveIPv4(name, stop))
        return DottedIPv4(*address);
    return SystemResolveIPv6(name, stop);
}

bool CWindowsNetwork::IsReachable(const QString &address, std::stop_token stop)
{
    const auto numeric = NumericIPv4(address);
    return !numeric || TcpReachable(*numeric, {445, 139}, 400, stop);
}

ShareListing CWindowsNetwork::ListSharesWith(const QString &server, const QString &address, int,
                                             const std::optional<Login> &login, std::stop_token)
{
    // A login goes to the address the scan checked, never to whatever the
    // name resolves to at the moment of the connection.
    const QString target = login && !login->IsEmpty() && !address.isEmpty() ? address : server;
    // A connection to the server's IPC$ share under the login: the server
    // service's calls to that server then run under it, not under the
    // user's own logon. It is temporary and cancelled after the listing,
    // so nothing else of the process or the user's session keeps it.
    const std::wstring remote = (QStringLiteral("\\\\") + target + QStringLiteral("\\IPC$")).toStdWString();
    IpcLoginSteps steps;
    steps.connect = [&remote](const Login &login) -> std::uint32_t {
        std::wstring user = (login.domain.isEmpty() ? login.user : login.domain + u'\\' + login.user).toStdWString();
        std::wstring password = login.password.toStdWString();
        std::wstring name = remote;
        NETRESOURCEW resource{};
        resource.dwType = RESOURCETYPE_ANY;
        resource.lpRemoteName = name.data();
        const DWORD status = WNetAddConnection2W(&resource, password.c_str(), user.c_str(), CONNECT_TEMPORARY);
        SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
        return status;
    };
    steps.disconnect = [&remote] { WNetCancelConnection2W(remote.c_str(), 0, TRUE); };
    steps.enumerate = [&target] { return EnumerateShares(target); };
    return ListThroughIpcLogin(login, steps);
}

std::unique_ptr<INetProvider> CreateSystemNetwork()
{
    return std::make_unique<CWindowsNetwork>();
}
