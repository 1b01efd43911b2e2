// SPDX-License-Identifier: GPL-3.0-or-later
#include "nbtquery.h"

#include "nbtname.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int StopPollMs = 50;
// Queries are sent again this many times within the timeout (UDP may drop).
constexpr int Sends = 3;

std::vector<std::uint32_t> BroadcastAddresses()
{
    std::vector<std::uint32_t> out;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (const ifaddrs *item = list; item; item = item->ifa_next) {
        if (!item->ifa_addr || item->ifa_addr->sa_family != AF_INET || !item->ifa_netmask)
            continue;
        if (!(item->ifa_flags & IFF_UP) || !(item->ifa_flags & IFF_BROADCAST) || (item->ifa_flags & IFF_LOOPBACK))
            continue;
        // Computed from the subnet: an address configured without its
        // broadcast address reports 0.0.0.0 as one.
        const auto *address = reinterpret_cast<const sockaddr_in *>(item->ifa_addr);
        const auto *mask = reinterpret_cast<const sockaddr_in *>(item->ifa_netmask);
        const std::uint32_t broadcast = ntohl(address->sin_addr.s_addr) | ~ntohl(mask->sin_addr.s_addr);
        if (std::find(out.begin(), out.end(), broadcast) == out.end())
            out.push_back(broadcast);
    }
    freeifaddrs(list);
    return out;
}

} // namespace

namespace {

std::vector<std::uint32_t> Query(const QString &name, const NbtQueryOptions &options, bool wholeWindow,
                                 const std::stop_token &stop)
{
    const QByteArray netbiosName = NbtName::NetBiosForm(name);
    if (netbiosName.isEmpty())
        return {};

    std::vector<std::uint32_t> targets;
    const bool broadcast = options.winsServers.isEmpty();
    if (broadcast) {
        targets = BroadcastAddresses();
    } else {
        for (const QString &server : options.winsServers) {
            in_addr parsed{};
            if (inet_pton(AF_INET, server.toLatin1().constData(), &parsed) == 1)
                targets.push_back(ntohl(parsed.s_addr));
        }
    }
    if (targets.empty())
        return {};

    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);

    thread_local std::mt19937 random(std::random_device{}());
    const auto id = std::uint16_t(random());
    const QByteArray query = NbtName::BuildQuery(id, netbiosName, NbtName::FileServerSuffix, broadcast);

    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(options.timeoutMs);
    const auto interval = std::chrono::milliseconds(std::max(1, options.timeoutMs / Sends));
    auto nextSend = start;
    int sent = 0;
    std::vector<std::uint32_t> result;
    char buffer[1500];
    while ((wholeWindow || result.empty()) && !stop.stop_requested()) {
        const auto now = Clock::now();
        if (now >= deadline)
            break;
        if (sent < Sends && now >= nextSend) {
            for (const std::uint32_t target : targets) {
                sockaddr_in to{};
                to.sin_family = AF_INET;
                to.sin_port = htons(options.port);
                to.sin_addr.s_addr = htonl(target);
                sendto(fd, query.constData(), size_t(query.size()), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
            }
            ++sent;
            nextSend = now + interval;
        }
        const auto until = std::min(deadline, sent < Sends ? nextSend : deadline);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, int(std::clamp<long long>(left, 0, StopPollMs))) <= 0)
            continue;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            continue;
        const auto addresses = NbtName::ParseResponse(QByteArrayView(buffer, n), id, netbiosName,
                                                      NbtName::FileServerSuffix);
        if (addresses && std::find(result.begin(), result.end(), addresses->front()) == result.end())
            result.push_back(addresses->front());
    }
    close(fd);
    return result;
}

} // namespace

std::optional<std::uint32_t> NbtResolve(const QString &name, const NbtQueryOptions &options, std::stop_token stop)
{
    const std::vector<std::uint32_t> answers = Query(name, options, false, stop);
    if (answers.empty())
        return std::nullopt;
    return answers.front();
}

std::vector<std::uint32_t> NbtResolveAll(const QString &name, const NbtQueryOptions &options, std::stop_token stop)
{
    return Query(name, options, true, stop);
}

QString NbtHostWorkgroup(std::uint32_t address, const NbtQueryOptions &options, std::stop_token stop)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(options.port);
    to.sin_addr.s_addr = htonl(address);
    // Connected, so that a host without a name service refuses at once
    // (the port's refusal comes back as an error) and only it is heard.
    if (connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
        close(fd);
        return {};
    }
    thread_local std::mt19937 random(std::random_device{}());
    const auto id = std::uint16_t(random());
    const QByteArray query = NbtName::BuildNodeStatusQuery(id);

    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(options.timeoutMs);
    const auto interval = std::chrono::milliseconds(std::max(1, options.timeoutMs / Sends));
    auto nextSend = start;
    int sent = 0;
    std::optional<QString> result;
    char buffer[1500];
    while (!result && !stop.stop_requested()) {
        const auto now = Clock::now();
        if (now >= deadline)
            break;
        if (sent < Sends && now >= nextSend) {
            if (send(fd, query.constData(), size_t(query.size()), 0) < 0 && errno == ECONNREFUSED)
                break;
            ++sent;
            nextSend = now + interval;
        }
        const auto until = std::min(deadline, sent < Sends ? nextSend : deadline);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, int(std::clamp<long long>(left, 0, StopPollMs))) <= 0)
            continue;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == ECONNREFUSED)
            break;
        if (n <= 0)
            continue;
        if (const auto names = NbtName::ParseNodeStatus(QByteArrayView(buffer, n), id))
            result = NbtName::WorkgroupOf(*names);
    }
    close(fd);
    return result.value_or(QString());
}
