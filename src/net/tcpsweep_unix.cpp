// SPDX-License-Identifier: GPL-3.0-or-later
#include "tcpsweep.h"

#include <arpa/inet.h>
#include <cerrno>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace {

// Descriptors left for everything else the process opens meanwhile
// (helper pipes, name queries, documents).
constexpr int SpareDescriptors = 128;
constexpr std::uint64_t InterruptTag = ~std::uint64_t(0);

int OpenDescriptors()
{
    int count = 0;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (const dirent *entry = readdir(dir)) {
            if (entry->d_name[0] != '.')
                ++count;
        }
        closedir(dir);
        return count;
    }
    return 64;
}

// One epoll set over every socket in flight, plus an eventfd to interrupt
// a wait from another thread.
class CEpollSweepTransport final : public ISweepTransport
{
public:
    explicit CEpollSweepTransport(std::vector<std::uint16_t> ports) : m_ports(std::move(ports))
    {
        m_epoll = epoll_create1(EPOLL_CLOEXEC);
        m_interrupt = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (m_epoll >= 0 && m_interrupt >= 0) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = InterruptTag;
            epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_interrupt, &event);
        }
        rlimit limit{};
        long available = 1024;
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            available = long(std::min<rlim_t>(limit.rlim_cur, 1 << 20));
        else if (limit.rlim_cur == RLIM_INFINITY)
            available = 1 << 20;
        available -= OpenDescriptors() + SpareDescriptors;
        m_capacity = int(std::max<long>(1, available / long(std::max<std::size_t>(1, m_ports.size()))));
    }

    ~CEpollSweepTransport() override
    {
        for (std::size_t slot = 0; slot < m_slots.size(); ++slot)
            CloseSlot(int(slot));
        if (m_interrupt >= 0)
            close(m_interrupt);
        if (m_epoll >= 0)
            close(m_epoll);
    }

    bool usable() const { return m_epoll >= 0 && m_interrupt >= 0 && !m_ports.empty(); }

    int Capacity() const override { return m_capacity; }

    SweepVerdict Begin(int slot, std::uint32_t address) override
    {
        if (std::size_t(slot) >= m_slots.size())
            m_slots.resize(std::size_t(slot) + 1, Slot{std::vector<int>(m_ports.size(), -1), 0});
        Slot &state = m_slots[std::size_t(slot)];
        state.waiting = 0;
        for (std::size_t port = 0; port < m_ports.size(); ++port) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0)
                continue;
            sockaddr_in target{};
            target.sin_family = AF_INET;
            target.sin_port = htons(m_ports[port]);
            target.sin_addr.s_addr = htonl(address);
            if (connect(fd, reinterpret_cast<const sockaddr *>(&target), sizeof target) == 0) {
                close(fd);
                CloseSlot(slot);
                return SweepVerdict::Open;
            }
            if (errno != EINPROGRESS) {
                close(fd);
                continue;
            }
            epoll_event event{};
            event.events = EPOLLOUT;
            event.data.u64 = (std::uint64_t(slot) << 8) | port;
            if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0) {
                close(fd);
                continue;
            }
            state.fds[port] = fd;
            ++state.waiting;
        }
        return state.waiting == 0 ? SweepVerdict::Refused : SweepVerdict::Pending;
    }

    void Wait(int timeoutMs, std::vector<Event> &decided) override
    {
        epoll_event events[256];
        const int count = epoll_wait(m_epoll, events, 256, timeoutMs);
        for (int i = 0; i < count; ++i) {
            const std::uint64_t tag = events[i].data.u64;
            if (tag == InterruptTag) {
                std::uint64_t value = 0;
                [[maybe_unused]] const ssize_t n = read(m_interrupt, &value, sizeof value);
                continue;
            }
            const int slot = int(tag >> 8);
            const std::size_t port = std::size_t(tag & 0xff);
            if (std::size_t(slot) >= m_slots.size())
                continue;
            Slot &state = m_slots[std::size_t(slot)];
            const int fd = state.fds[port];
            if (fd < 0)
                continue; // the slot was decided earlier in this batch
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
            if (error == 0) {
                CloseSlot(slot);
                decided.push_back({slot, SweepVerdict::Open});
                continue;
            }
            close(fd);
            state.fds[port] = -1;
            if (--state.waiting == 0)
                decided.push_back({slot, SweepVerdict::Refused});
        }
    }

    void Abort(int slot) override { CloseSlot(slot); }

    void Interrupt() override
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(m_interrupt, &one, sizeof one);
    }

private:
    struct Slot
    {
        std::vector<int> fds;
        int waiting = 0;
    };

    void CloseSlot(int slot)
    {
        if (std::size_t(slot) >= m_slots.size())
            return;
        Slot &state = m_slots[std::size_t(slot)];
        for (int &fd : state.fds) {
            if (fd >= 0) {
                close(fd); // closing also takes it out of the epoll set
                fd = -1;
            }
        }
        state.waiting = 0;
    }

    std::vector<std::uint16_t> m_ports;
    std::vector<Slot> m_slots;
    int m_epoll = -1;
    int m_interrupt = -1;
    int m_capacity = 1;
};

} // namespace

std::unique_ptr<ISweepTransport> CreateTcpSweepTransport(std::vector<std::uint16_t> ports)
{
    auto transport = std::make_unique<CEpollSweepTransport>(std::move(ports));
    if (!transport->usable())
        return nullptr;
    return transport;
}
