// SPDX-License-Identifier: GPL-3.0-or-later
#include "tcpcheck.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int StopPollMs = 50;

int StartConnect(std::uint32_t address, std::uint16_t port, bool &connected)
{
    connected = false;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(address);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&target), sizeof target) == 0) {
        connected = true;
        return fd;
    }
    if (errno == EINPROGRESS)
        return fd;
    close(fd);
    return -1;
}

} // namespace

bool TcpReachable(std::uint32_t address, const std::vector<std::uint16_t> &ports, int timeoutMs,
                  std::stop_token stop)
{
    std::vector<pollfd> pending;
    bool reached = false;
    for (const std::uint16_t port : ports) {
        bool connected = false;
        const int fd = StartConnect(address, port, connected);
        if (fd < 0)
            continue;
        if (connected) {
            close(fd);
            reached = true;
            break;
        }
        pending.push_back({fd, POLLOUT, 0});
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!reached && !pending.empty() && !stop.stop_requested()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        const int ready = poll(pending.data(), nfds_t(pending.size()), int(std::min<long long>(left, StopPollMs)));
        if (ready < 0 && errno != EINTR)
            break;
        for (auto it = pending.begin(); ready > 0 && it != pending.end();) {
            if (it->revents == 0) {
                ++it;
                continue;
            }
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(it->fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                reached = true;
            close(it->fd);
            it = pending.erase(it);
        }
    }
    for (const pollfd &item : pending)
        close(item.fd);
    return reached;
}
