// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/tcpsweep.h"

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <unordered_map>
#include <vector>

class CHostCache;
struct HostRecord;
struct ScanRules;

// The connect sweep in front of the host probes: the hosts known only by an
// address are checked many at a time, in queue order, so that only those
// that accept a connection take a probe slot. Runs on a thread of its own
// and writes only its own verdicts; the driver reads them.
class CHostSweep
{
public:
    // A sweep over the address-only hosts of the cache's queue that
    // `rules` do not exclude, or null when there are none or the network
    // cannot sweep. `rules` are the scan's own, whose exclusion sets are
    // built. Call with the cache's lists held still (the driver's publish
    // lock).
    static std::unique_ptr<CHostSweep> ForQueue(const CHostCache &cache, const ScanRules &rules,
                                                std::unique_ptr<ISweepTransport> transport,
                                                const SweepOptions &options = SweepOptions());
    ~CHostSweep();
    CHostSweep(const CHostSweep &) = delete;
    CHostSweep &operator=(const CHostSweep &) = delete;

    // `wake` is called after each batch of verdicts; `halt` stops the sweep.
    bool Start(std::function<void()> wake, std::stop_token halt);
    // Stops the sweep and waits for its thread.
    void Stop();

    // Index of a host among the swept ones; -1 when the sweep skips it.
    int IndexOf(const HostRecord *host) const;
    SweepVerdict Verdict(int index) const;
    // Time the address took to answer or to be given up, in milliseconds.
    int ElapsedMs(int index) const;
    int Total() const { return int(m_targets.size()); }
    int Decided() const { return m_decided.load(); }
    int MaxInFlight() const { return m_options.maxInFlight; }
    // The addresses checked at once when the transport's capacity (the
    // open-file limit) holds the sweep below its usual width; 0 otherwise.
    int NarrowedTo() const;

private:
    CHostSweep(std::unique_ptr<ISweepTransport> transport, const SweepOptions &options);

    std::unique_ptr<ISweepTransport> m_transport;
    SweepOptions m_options;
    std::vector<SweepTarget> m_targets;
    std::unordered_map<const HostRecord *, int> m_index;
    std::unique_ptr<std::atomic<std::uint8_t>[]> m_verdicts;
    std::unique_ptr<std::atomic<int>[]> m_elapsed;
    std::atomic<int> m_decided{0};
    std::stop_source m_stop;
    std::jthread m_thread;
};
