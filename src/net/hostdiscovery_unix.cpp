// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostdiscovery.h"

#include "boundedpool.h"
#include "mdns.h"
#include "resolver.h"
#include "wsdiscovery.h"

#include <QSet>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <ifaddrs.h>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int StopPollMs = 50;
// A second query goes out after this long, for a datagram lost on the way.
constexpr auto RepeatAfter = milliseconds(250);
// Hosts taken from one run: a link with more announced computers than this
// is not a home or office network.
constexpr int MaxHosts = 1024;
// Metadata exchanges at once: a LAN has a handful of WS-Discovery hosts,
// which answer in milliseconds; more only wait on hosts that do not answer.
constexpr int MaxMetadataFetches = 8;
constexpr qsizetype MaxHttpResponse = 256 * 1024;

struct Interface
{
    std::uint32_t address = 0; // host order
    std::uint32_t mask = 0;

    bool OnLink(std::uint32_t other) const
    {
        return other != 0 && (other & mask) == (address & mask) && other != address
               && (other | mask) != 0xFFFFFFFFu; // not the subnet's broadcast
    }
};

std::vector<Interface> LocalInterfaces()
{
    std::vector<Interface> found;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return found;
    for (ifaddrs *it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !it->ifa_netmask)
            continue;
        if (!(it->ifa_flags & IFF_UP) || (it->ifa_flags & IFF_LOOPBACK) || !(it->ifa_flags & IFF_MULTICAST))
            continue;
        Interface item;
        item.address = ntohl(reinterpret_cast<const sockaddr_in *>(it->ifa_addr)->sin_addr.s_addr);
        item.mask = ntohl(reinterpret_cast<const sockaddr_in *>(it->ifa_netmask)->sin_addr.s_addr);
        // A /32 (or /31) has no neighbours to find.
        if (item.mask >= 0xFFFFFFFEu)
            continue;
        bool known = false;
        for (const Interface &other : found)
            known = known || other.address == item.address;
        if (!known)
            found.push_back(item);
    }
    freeifaddrs(list);
    return found;
}

// A datagram socket bound to one interface's address, whose multicasts
// leave by that interface only and are not routed beyond the link.
int OpenLinkSocket(const Interface &interface)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(interface.address);
    in_addr outgoing{};
    outgoing.s_addr = htonl(interface.address);
    const unsigned char hops = 1;
    if (bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0
        || setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &outgoing, sizeof outgoing) != 0
        || setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendTo(int fd, const char *group, std::uint16_t port, const QByteArray &data)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    inet_pton(AF_INET, group, &target.sin_addr);
    (void)sendto(fd, data.constData(), size_t(data.size()), 0, reinterpret_cast<const sockaddr *>(&target),
                 sizeof target);
}

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// One HTTP exchange with a deadline: the whole response, or nothing.
std::optional<QByteArray> HttpExchange(std::uint32_t address, std::uint16_t port, const QByteArray &request,
                                       int timeoutMs, const std::stop_token &stop)
{
    const auto deadline = Clock::now() + milliseconds(timeoutMs);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    struct Closer
    {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(address);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&target), sizeof target) != 0 && errno != EINPROGRESS)
        return std::nullopt;

    qsizetype sent = 0;
    QByteArray response;
    char buffer[8192];
    for (;;) {
        if (stop.stop_requested())
            return std::nullopt;
        const int left = MillisecondsLeft(deadline);
        if (left == 0)
            return std::nullopt;
        pollfd item{fd, short(sent < request.size() ? POLLOUT : POLLIN), 0};
        const int ready = poll(&item, 1, std::min(left, StopPollMs));
        if (ready < 0 && errno != EINTR)
            return std::nullopt;
        if (ready <= 0)
            continue;
        if (item.revents & (POLLERR | POLLNVAL))
            return std::nullopt;
        if (sent < request.size()) {
            const ssize_t n = send(fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return std::nullopt;
            if (n > 0)
                sent += n;
            continue;
        }
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n == 0)
            return response; // the server closed: the response is complete
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return std::nullopt;
        }
        response.append(buffer, qsizetype(n));
        if (response.size() > MaxHttpResponse)
            return std::nullopt;
        // A response with a length (or chunks) need not wait for the close.
        if (WsDiscovery::HttpResponseBody(response)) {
            const QByteArray lower = response.toLower();
            if (lower.contains("\ncontent-length:") || lower.contains("chunked"))
                return response;
        }
    }
}

class Discovery
{
public:
    Discovery(const HostDiscoveryOptions &options, const std::function<void(const DiscoveredHost &)> &found,
              std::stop_token stop)
        : m_options(options), m_found(found), m_stop(std::move(stop))
    {}

    void Run();

private:
    enum class Kind { Wsd, Mdns };
    struct Socket
    {
        int fd = -1;
        Interface interface;
        Kind kind = Kind::Wsd;
    };

    void SendQueries();
    void Receive(const Socket &socket);
    void TakeWsdReply(const Socket &socket, std::uint32_t source, QByteArrayView data);
    void TakeMdnsReply(const Socket &socket, std::uint32_t source, QByteArrayView data);
    void FetchMetadata(std::uint32_t address, WsDiscovery::HttpUrl url, QString endpoint);
    void Report(const DiscoveredHost &host);

    const HostDiscoveryOptions m_options;
    const std::function<void(const DiscoveredHost &)> &m_found;
    std::stop_token m_stop;

    std::vector<Socket> m_sockets;
    WsDiscovery::CExchange m_wsd{WsDiscovery::NewMessageId(), MaxHosts};
    QSet<std::uint32_t> m_mdnsAddresses;
    std::uint16_t m_queryId = 0;

    std::mutex m_reportLock;
    QSet<std::uint32_t> m_wsdAddresses;
    int m_reported = 0;
    // Set when the window closes (0 before): queued exchanges end by then.
    std::atomic<Clock::rep> m_fetchUntil{0};
    CBoundedPool m_fetches{MaxMetadataFetches};
};

void Discovery::Run()
{
    for (const Interface &interface : LocalInterfaces()) {
        if (m_options.wsDiscovery) {
            if (const int fd = OpenLinkSocket(interface); fd >= 0)
                m_sockets.push_back({fd, interface, Kind::Wsd});
        }
        if (m_options.dnsSd) {
            if (const int fd = OpenLinkSocket(interface); fd >= 0)
                m_sockets.push_back({fd, interface, Kind::Mdns});
        }
    }
    if (!m_sockets.empty()) {
        m_queryId = std::uint16_t(std::random_device{}());
        SendQueries();
        const auto repeatAt = Clock::now() + RepeatAfter;
        bool repeated = false;
        auto deadline = repeatAt + milliseconds(m_options.windowMs);

        std::vector<pollfd> polled;
        for (const Socket &socket : m_sockets)
            polled.push_back({socket.fd, POLLIN, 0});
        while (!m_stop.stop_requested()) {
            if (!repeated && Clock::now() >= repeatAt) {
                SendQueries();
                repeated = true;
            }
            const int left = MillisecondsLeft(deadline);
            if (left == 0)
                break;
            const int wait = std::min({left, StopPollMs, repeated ? StopPollMs : MillisecondsLeft(repeatAt) + 1});
            const int ready = poll(polled.data(), nfds_t(polled.size()), wait);
            if (ready < 0 && errno != EINTR)
                break;
            for (std::size_t i = 0; ready > 0 && i < polled.size(); ++i) {
                if (polled[i].revents & POLLIN)
                    Receive(m_sockets[i]);
            }
        }
        for (const Socket &socket : m_sockets)
            close(socket.fd);
    }
    // Metadata exchanges still running, or waiting for a thread, end by
    // one exchange's deadline from now (or at a stop).
    m_fetchUntil = (Clock::now() + milliseconds(m_options.metadataTimeoutMs)).time_since_epoch().count();
    m_fetches.Finish();
}

void Discovery::SendQueries()
{
    static const QStringList smbService = {QStringLiteral("_smb"), QStringLiteral("_tcp"), QStringLiteral("local")};
    const QByteArray probe = WsDiscovery::BuildProbe(m_wsd.probeId());
    const QByteArray query = Mdns::BuildQuery(m_queryId, smbService, Mdns::TypePtr);
    for (const Socket &socket : m_sockets) {
        if (socket.kind == Kind::Wsd)
            SendTo(socket.fd, WsDiscovery::MulticastGroup, WsDiscovery::Port, probe);
        else
            SendTo(socket.fd, Mdns::MulticastGroup, Mdns::Port, query);
    }
}

void Discovery::Receive(const Socket &socket)
{
    static thread_local QByteArray buffer(int(WsDiscovery::MaxMessageSize), Qt::Uninitialized);
    for (int i = 0; i < 64; ++i) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = recvfrom(socket.fd, buffer.data(), size_t(buffer.size()), 0,
                                   reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (n < 0)
            return;
        const std::uint32_t source = ntohl(from.sin_addr.s_addr);
        // Only neighbours on this link are taken at their word.
        if (from.sin_family != AF_INET || !socket.interface.OnLink(source))
            continue;
        const QByteArrayView data(buffer.constData(), qsizetype(n));
        if (socket.kind == Kind::Wsd)
            TakeWsdReply(socket, source, data);
        else
            TakeMdnsReply(socket, source, data);
    }
}

void Discovery::TakeWsdReply(const Socket &socket, std::uint32_t source, QByteArrayView data)
{
    WsDiscovery::CExchange::Step step = m_wsd.Take(source, data);
    for (const WsDiscovery::CExchange::Resolve &resolve : step.resolves)
        SendTo(socket.fd, WsDiscovery::MulticastGroup, WsDiscovery::Port, resolve.datagram);
    for (WsDiscovery::CExchange::Fetch &fetch : step.fetches) {
        m_fetches.Post([this, address = fetch.address, url = std::move(fetch.url),
                        endpoint = std::move(fetch.endpoint)] { FetchMetadata(address, url, endpoint); });
    }
}

void Discovery::FetchMetadata(std::uint32_t address, WsDiscovery::HttpUrl url, QString endpoint)
{
    const Clock::rep until = m_fetchUntil.load();
    const int timeoutMs =
        until == 0 ? m_options.metadataTimeoutMs
                   : std::min(m_options.metadataTimeoutMs, MillisecondsLeft(Clock::time_point(Clock::duration(until))));
    if (timeoutMs <= 0 || m_stop.stop_requested())
        return;
    const QByteArray request = WsDiscovery::BuildGetRequest(url, WsDiscovery::NewMessageId(), endpoint);
    const auto response = HttpExchange(address, url.port, request, timeoutMs, m_stop);
    if (!response)
        return;
    const auto body = WsDiscovery::HttpResponseBody(*response);
    if (!body)
        return;
    const auto computer = WsDiscovery::ParseMetadata(*body);
    if (!computer)
        return;
    {
        std::scoped_lock guard(m_reportLock);
        if (m_wsdAddresses.contains(address))
            return;
        m_wsdAddresses.insert(address);
    }
    Report({computer->name, computer->workgroup, DottedIPv4(address), QString()});
}

void Discovery::TakeMdnsReply(const Socket &socket, std::uint32_t source, QByteArrayView data)
{
    static const QStringList smbService = {QStringLiteral("_smb"), QStringLiteral("_tcp"), QStringLiteral("local")};
    const auto message = Mdns::ParseMessage(data);
    if (!message || message->id != m_queryId)
        return;
    for (const Mdns::Service &service : Mdns::ServicesIn(*message, smbService)) {
        // The host's own address on this link, else the one that answered.
        std::uint32_t address = source;
        for (const std::uint32_t candidate : service.addresses) {
            if (socket.interface.OnLink(candidate)) {
                address = candidate;
                break;
            }
        }
        if (m_mdnsAddresses.contains(address) || m_mdnsAddresses.size() >= MaxHosts)
            continue;
        m_mdnsAddresses.insert(address);
        Report({service.host, QString(), DottedIPv4(address), address == source ? QString() : DottedIPv4(source)});
    }
}

void Discovery::Report(const DiscoveredHost &host)
{
    std::scoped_lock guard(m_reportLock);
    if (m_stop.stop_requested() || m_reported >= 2 * MaxHosts)
        return;
    ++m_reported;
    m_found(host);
}

} // namespace

HostDiscoveryOptions HostDiscoveryOptions::FromEnvironment()
{
    HostDiscoveryOptions options;
    bool ok = false;
    const int window = qEnvironmentVariableIntValue("LANTERRA_DISCOVERY_WINDOW_MS", &ok);
    if (ok && window > 0)
        options.windowMs = window;
    return options;
}

void DiscoverAnnouncedHosts(const HostDiscoveryOptions &options,
                            const std::function<void(const DiscoveredHost &)> &found, std::stop_token stop)
{
    Discovery discovery(options, found, std::move(stop));
    discovery.Run();
}
