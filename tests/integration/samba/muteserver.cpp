// SPDX-License-Identifier: GPL-3.0-or-later
// A server that takes TCP connections and never says a word: the kind of
// host that makes a client wait for its full timeout.
//
//   lanterra-test-muteserver PIDFILE ADDRESS[:PORT]...   (port 445 by default)
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PIDFILE ADDRESS[:PORT]...\n", argv[0]);
        return 2;
    }
    std::vector<pollfd> listeners;
    for (int i = 2; i < argc; ++i) {
        std::string endpoint = argv[i];
        int port = 445;
        if (const auto colon = endpoint.find(':'); colon != std::string::npos) {
            port = std::atoi(endpoint.c_str() + colon + 1);
            endpoint.resize(colon);
        }
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(uint16_t(port));
        if (inet_pton(AF_INET, endpoint.c_str(), &address.sin_addr) != 1
            || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(fd, 64) != 0) {
            std::fprintf(stderr, "cannot listen on %s:%d: %s\n", endpoint.c_str(), port, std::strerror(errno));
            return 1;
        }
        listeners.push_back({fd, POLLIN, 0});
    }
    if (FILE *file = std::fopen(argv[1], "w")) {
        std::fprintf(file, "%d\n", int(getpid()));
        std::fclose(file);
    }
    std::signal(SIGPIPE, SIG_IGN);
    // Accepted connections are kept open and never read.
    std::vector<int> held;
    for (;;) {
        if (poll(listeners.data(), listeners.size(), -1) < 0 && errno != EINTR)
            return 1;
        for (pollfd &listener : listeners) {
            if (listener.revents & POLLIN) {
                const int client = accept(listener.fd, nullptr, nullptr);
                if (client >= 0)
                    held.push_back(client);
            }
        }
        // Bounded: the oldest connections go once there are too many.
        while (held.size() > 512) {
            close(held.front());
            held.erase(held.begin());
        }
    }
}
