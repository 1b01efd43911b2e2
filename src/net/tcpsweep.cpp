// SPDX-License-Identifier: GPL-3.0-or-later
#include "tcpsweep.h"

#include <algorithm>
#include <cmath>

void CRttEstimator::Sample(double ms)
{
    ms = std::max(ms, 0.0);
    if (m_samples++ == 0) {
        m_srtt = ms;
        m_rttvar = ms / 2;
        return;
    }
    m_rttvar = 0.75 * m_rttvar + 0.25 * std::abs(m_srtt - ms);
    m_srtt = 0.875 * m_srtt + 0.125 * ms;
}

int CRttEstimator::TimeoutMs() const
{
    if (m_samples == 0)
        return std::clamp(m_limits.initialMs, m_limits.floorMs, m_limits.ceilingMs);
    const double timeout = std::ceil(m_srtt + 4 * m_rttvar);
    return int(std::clamp(timeout, double(m_limits.floorMs), double(m_limits.ceilingMs)));
}

void RunSweep(ISweepTransport &transport, const std::vector<SweepTarget> &targets, const SweepOptions &options,
              const SweepSink &sink, std::stop_token stop, const std::function<void()> &afterRound)
{
    using Clock = std::chrono::steady_clock;
    struct Flight
    {
        std::size_t index = 0;
        Clock::time_point start;
        bool busy = false;
    };

    CRttEstimator rtt(options.limits);
    const int capacity = std::max(1, std::min(options.maxInFlight, transport.Capacity()));
    std::vector<Flight> slots(static_cast<std::size_t>(capacity));
    std::vector<int> freeSlots;
    for (int slot = capacity - 1; slot >= 0; --slot)
        freeSlots.push_back(slot);
    int inFlight = 0;
    std::size_t next = 0;
    std::vector<ISweepTransport::Event> decided;

    // A cancel must not wait for the next deadline.
    std::stop_callback interrupt(stop, [&transport] { transport.Interrupt(); });

    auto elapsedMs = [](Clock::time_point start, Clock::time_point now) {
        return std::chrono::duration<double, std::milli>(now - start).count();
    };
    auto deadlineOf = [&](const Flight &flight, int timeoutMs) {
        const int known = targets[flight.index].minTimeoutMs;
        int ms = timeoutMs;
        if (known > ms)
            ms = std::min(known, std::max(options.knownCeilingMs, timeoutMs));
        return flight.start + std::chrono::milliseconds(ms);
    };
    auto finish = [&](int slot, SweepVerdict verdict, Clock::time_point now) {
        Flight &flight = slots[std::size_t(slot)];
        const double ms = elapsedMs(flight.start, now);
        if (verdict != SweepVerdict::Silent)
            rtt.Sample(ms);
        flight.busy = false;
        --inFlight;
        freeSlots.push_back(slot);
        sink(flight.index, verdict, int(ms));
    };

    while (!stop.stop_requested()) {
        bool decidedAny = false;
        while (next < targets.size() && !freeSlots.empty() && !stop.stop_requested()) {
            const int slot = freeSlots.back();
            freeSlots.pop_back();
            slots[std::size_t(slot)] = {next, Clock::now(), true};
            ++inFlight;
            const SweepVerdict verdict = transport.Begin(slot, targets[next].address);
            ++next;
            if (verdict != SweepVerdict::Pending) {
                finish(slot, verdict, Clock::now());
                decidedAny = true;
            }
        }
        if (inFlight == 0) {
            if (decidedAny && afterRound)
                afterRound();
            if (next >= targets.size())
                break;
            continue;
        }

        const int timeoutMs = rtt.TimeoutMs();
        auto now = Clock::now();
        auto earliest = Clock::time_point::max();
        for (const Flight &flight : slots) {
            if (flight.busy)
                earliest = std::min(earliest, deadlineOf(flight, timeoutMs));
        }
        const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(earliest - now).count();
        decided.clear();
        transport.Wait(int(std::clamp<long long>(waitMs, 0, 60000)), decided);
        if (stop.stop_requested())
            break;
        now = Clock::now();
        for (const ISweepTransport::Event &event : decided) {
            if (event.slot >= 0 && event.slot < capacity && slots[std::size_t(event.slot)].busy) {
                finish(event.slot, event.verdict, now);
                decidedAny = true;
            }
        }
        const int expiryMs = rtt.TimeoutMs();
        for (int slot = 0; slot < capacity; ++slot) {
            const Flight &flight = slots[std::size_t(slot)];
            if (flight.busy && now >= deadlineOf(flight, expiryMs)) {
                transport.Abort(slot);
                finish(slot, SweepVerdict::Silent, now);
                decidedAny = true;
            }
        }
        if (decidedAny && afterRound)
            afterRound();
    }

    for (int slot = 0; slot < capacity; ++slot) {
        if (slots[std::size_t(slot)].busy)
            transport.Abort(slot);
    }
}
