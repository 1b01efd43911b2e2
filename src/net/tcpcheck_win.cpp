// SPDX-License-Identifier: GPL-3.0-or-later
#include "tcpcheck.h"

#include <winsock2.h>

#include <algorithm>
#include <chrono>

bool TcpReachable(std::uint32_t address, const std::vector<std::uint16_t> &ports, int timeoutMs,
                  std::stop_token stop)
{
    std::vector<SOCKET> pending;
    for (const std::uint16_t port : ports) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET)
            continue;
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(port);
        target.sin_addr.s_addr = htonl(address);
        if (connect(s, reinterpret_cast<const sockaddr *>(&target), sizeof target) == 0) {
            closesocket(s);
            for (SOCKET other : pending)
                closesocket(other);
            return true;
        }
        if (WSAGetLastError() == WSAEWOULDBLOCK)
            pending.push_back(s);
        else
            closesocket(s);
    }
    bool reached = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!reached && !pending.empty() && !stop.stop_requested()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        for (SOCKET s : pending) {
            FD_SET(s, &writable);
            FD_SET(s, &failed);
        }
        const long slice = long(std::min<long long>(left, 50));
        timeval wait{0, slice * 1000};
        if (select(0, nullptr, &writable, &failed, &wait) <= 0)
            continue;
        for (auto it = pending.begin(); it != pending.end();) {
            if (FD_ISSET(*it, &writable))
                reached = true;
            if (FD_ISSET(*it, &writable) || FD_ISSET(*it, &failed)) {
                closesocket(*it);
                it = pending.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (SOCKET s : pending)
        closesocket(s);
    return reached;
}
