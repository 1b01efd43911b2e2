// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostsweep.h"

#include "model/hostcache.h"
#include "model/scanrules.h"
#include "net/resolver.h"
#include "platform/logging.h"

#include <algorithm>
#include <system_error>

CHostSweep::CHostSweep(std::unique_ptr<ISweepTransport> transport, const SweepOptions &options)
    : m_transport(std::move(transport)), m_options(options)
{}

CHostSweep::~CHostSweep()
{
    Stop();
}

std::unique_ptr<CHostSweep> CHostSweep::ForQueue(const CHostCache &cache, const ScanRules &rules,
                                                 std::unique_ptr<ISweepTransport> transport,
                                                 const SweepOptions &options)
{
    if (!transport)
        return nullptr;
    // An empty host filter is the only one that matches address-only hosts.
    if (rules.IsHostExcluded(QString()))
        return nullptr;
    std::unique_ptr<CHostSweep> sweep(new CHostSweep(std::move(transport), options));
    for (const auto &host : cache.hosts()) {
        // Named hosts are resolved first by their probes; an excluded host
        // is decided by its probe without a look at the network.
        if (!host->GetName().isEmpty())
            continue;
        const auto address = NumericIPv4(host->GetAddr());
        if (!address)
            continue;
        SweepTarget target;
        target.address = *address;
        // A host that answered before is given time in proportion to its
        // own last answer before it is called offline.
        if (host->onlineCount > 0)
            target.minTimeoutMs = std::max(options.knownFloorMs, 2 * host->lastAnswerTime);
        if (sweep->m_index.emplace(host.get(), int(sweep->m_targets.size())).second)
            sweep->m_targets.push_back(target);
    }
    if (sweep->m_targets.empty())
        return nullptr;
    const std::size_t count = sweep->m_targets.size();
    sweep->m_verdicts = std::make_unique<std::atomic<std::uint8_t>[]>(count);
    sweep->m_elapsed = std::make_unique<std::atomic<int>[]>(count);
    for (std::size_t i = 0; i < count; ++i) {
        sweep->m_verdicts[i].store(std::uint8_t(SweepVerdict::Pending), std::memory_order_relaxed);
        sweep->m_elapsed[i].store(0, std::memory_order_relaxed);
    }
    return sweep;
}

bool CHostSweep::Start(std::function<void()> wake, std::stop_token halt)
{
    // Said where the user sees it (standard error for lanterra-scan, the
    // sweep pane in the window): a sweep held to a few addresses at once
    // takes hours over a large range.
    if (const int width = NarrowedTo(); width > 0)
        qCWarning(lcScan).noquote()
            << QStringLiteral("the open-file limit lets the sweep check only %1 addresses at once instead of %2")
                   .arg(width)
                   .arg(m_options.maxInFlight);
    try {
        m_thread = std::jthread([this, wake = std::move(wake), halt] {
            std::stop_callback forward(halt, [this] { m_stop.request_stop(); });
            const auto sink = [this](std::size_t index, SweepVerdict verdict, int elapsedMs) {
                m_elapsed[index].store(elapsedMs, std::memory_order_relaxed);
                m_verdicts[index].store(std::uint8_t(verdict), std::memory_order_release);
                ++m_decided;
            };
            RunSweep(*m_transport, m_targets, m_options, sink, m_stop.get_token(), wake);
        });
    } catch (const std::system_error &error) {
        qCWarning(lcScan) << "cannot start the address sweep:" << error.what();
        return false;
    }
    return true;
}

int CHostSweep::NarrowedTo() const
{
    const int usual = std::min(m_options.maxInFlight, Total());
    const int width = std::min(usual, m_transport->Capacity());
    return width < usual ? std::max(1, width) : 0;
}

void CHostSweep::Stop()
{
    m_stop.request_stop();
    if (m_thread.joinable())
        m_thread.join();
}

int CHostSweep::IndexOf(const HostRecord *host) const
{
    const auto it = m_index.find(host);
    return it == m_index.end() ? -1 : it->second;
}

SweepVerdict CHostSweep::Verdict(int index) const
{
    return SweepVerdict(m_verdicts[std::size_t(index)].load(std::memory_order_acquire));
}

int CHostSweep::ElapsedMs(int index) const
{
    return m_elapsed[std::size_t(index)].load(std::memory_order_relaxed);
}
