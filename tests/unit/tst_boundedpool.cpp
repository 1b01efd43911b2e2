// SPDX-License-Identifier: GPL-3.0-or-later
// Metadata exchanges with hosts that accept and never answer hold a few
// threads and sockets at a time, however many hosts do it.
#include "net/boundedpool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A listening socket on loopback that accepts and never says a word.
struct MuteServer
{
    MuteServer()
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(fd, 128) != 0
            || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            fd = -1;
        port = ntohs(address.sin_port);
    }
    ~MuteServer()
    {
        if (fd >= 0)
            ::close(fd);
    }

    // The next connection, or -1 when none comes within a generous wait.
    int Accept() const
    {
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 20000) != 1)
            return -1;
        return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    }

    int fd = -1;
    std::uint16_t port = 0;
};

// What a metadata fetch does with a mute host: connect, ask, and wait for
// an answer that ends only when the server lets go.
void Fetch(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
        const char request[] = "GET / HTTP/1.1\r\n\r\n";
        [[maybe_unused]] const auto sent = ::send(fd, request, sizeof request - 1, MSG_NOSIGNAL);
        char reply[64];
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 30000) == 1 && ::recv(fd, reply, sizeof reply, 0) < 0)
            reply[0] = 0; // gone either way
    }
    ::close(fd);
}

TEST(BoundedPool, FetchesFromMuteHostsRunAtMostEightAtOnce)
{
    constexpr int Bound = 8;
    constexpr int Hosts = 40;
    MuteServer server;
    ASSERT_GE(server.fd, 0);
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    std::atomic<int> finished{0};
    {
        CBoundedPool pool(Bound);
        for (int i = 0; i < Hosts; ++i) {
            pool.Post([&] {
                const int now = ++running;
                for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
                }
                Fetch(server.port);
                --running;
                ++finished;
            });
        }
        // The server holds every connection until as many as the pool may
        // run are open (or all that are left), then lets them all go.
        int accepted = 0;
        while (accepted < Hosts) {
            std::vector<int> held;
            const int batch = std::min(Bound, Hosts - accepted);
            while (int(held.size()) < batch) {
                const int connection = server.Accept();
                ASSERT_GE(connection, 0) << "the pool stalled after " << accepted + held.size() << " fetches";
                held.push_back(connection);
            }
            accepted += batch;
            for (const int connection : held)
                ::close(connection);
        }
        pool.Finish();
        EXPECT_LE(pool.ThreadCount(), Bound);
    }
    EXPECT_EQ(finished.load(), Hosts);
    EXPECT_EQ(most.load(), Bound);
}

TEST(BoundedPool, JobsRunInTheirOrderOnOneThread)
{
    std::vector<int> order;
    CBoundedPool pool(1);
    for (int i = 0; i < 5; ++i)
        pool.Post([&order, i] { order.push_back(i); });
    pool.Finish();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(pool.ThreadCount(), 1);
}

} // namespace
