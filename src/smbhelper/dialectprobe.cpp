// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialectprobe.h"

#include <cerrno>
#include <chrono>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// A negotiation reply is a few hundred bytes; a server sending more is not
// answering this question.
constexpr std::size_t MaxReply = 64 * 1024;

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Waits for `events` on `fd` until the deadline.
bool Await(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd item{fd, events, 0};
        const int ready = poll(&item, 1, MillisecondsLeft(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

int Connect(const addrinfo &address, Clock::time_point deadline)
{
    const int fd = socket(address.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        int error = errno;
        if (error == EINPROGRESS && Await(fd, POLLOUT, deadline)) {
            socklen_t length = sizeof error;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
        if (error != 0) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

SmbNegotiate::Dialect Exchange(int fd, Clock::time_point deadline)
{
    const std::string request = SmbNegotiate::Request();
    std::size_t sent = 0;
    while (sent < request.size()) {
        if (!Await(fd, POLLOUT, deadline))
            return SmbNegotiate::Dialect::Unknown;
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return SmbNegotiate::Dialect::Unknown;
        if (n > 0)
            sent += std::size_t(n);
    }
    std::string reply;
    char buffer[4096];
    for (;;) {
        if (const auto length = SmbNegotiate::ReplyLength(reply); length && reply.size() >= *length)
            return SmbNegotiate::ReadReply(reply);
        if (reply.size() > MaxReply || !Await(fd, POLLIN, deadline))
            return SmbNegotiate::Dialect::Unknown;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return SmbNegotiate::Dialect::Unknown;
        if (n > 0)
            reply.append(buffer, std::size_t(n));
    }
}

} // namespace

SmbNegotiate::Dialect ProbeDialect(const std::string &server, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(server.c_str(), "445", &hints, &found) != 0)
        return SmbNegotiate::Dialect::Unknown;
    SmbNegotiate::Dialect dialect = SmbNegotiate::Dialect::Unknown;
    for (const addrinfo *address = found; address; address = address->ai_next) {
        const int fd = Connect(*address, deadline);
        if (fd < 0)
            continue;
        dialect = Exchange(fd, deadline);
        close(fd);
        break;
    }
    freeaddrinfo(found);
    return dialect;
}
