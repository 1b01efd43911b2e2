// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <vector>

// What a connect sweep learned about one address.
// Open: a connection to one of the ports completed. Refused: every port
// refused, or the network said the host is unreachable. Silent: nothing came
// back before the address's deadline. Pending: not decided yet.
enum class SweepVerdict : std::uint8_t { Pending, Open, Refused, Silent };

// A set of non-blocking connects, the part of a sweep that touches sockets.
// A slot is one address being checked on all of its ports at once. Used by
// one thread at a time, except Interrupt, which any thread may call.
class ISweepTransport
{
public:
    struct Event
    {
        int slot = -1;
        SweepVerdict verdict = SweepVerdict::Pending;
    };

    virtual ~ISweepTransport() = default;
    // How many addresses may be in flight at once (descriptor limits).
    virtual int Capacity() const = 0;
    // Starts the connects of `slot` to `address`. A verdict known at once
    // is returned; Pending means the answer comes through Wait.
    virtual SweepVerdict Begin(int slot, std::uint32_t address) = 0;
    // Waits up to `timeoutMs` for answers and appends the slots that were
    // decided (their sockets are closed by then). Returns early when
    // interrupted.
    virtual void Wait(int timeoutMs, std::vector<Event> &decided) = 0;
    // Gives up on a slot still in flight and closes its sockets.
    virtual void Abort(int slot) = 0;
    // Wakes a Wait in progress.
    virtual void Interrupt() = 0;
};

// The connect timeout of a sweep, learned from the answers as TCP learns
// its retransmission timeout: smoothed round-trip time plus four times its
// mean deviation, between a floor and a ceiling. Answers of both kinds
// (accepted and refused) are samples; a silent address teaches nothing.
class CRttEstimator
{
public:
    struct Limits
    {
        // Before the first answer: a LAN resolves an address and answers a
        // SYN in milliseconds, and nothing is known to live there yet.
        int initialMs = 500;
        // A LAN answers in well under a millisecond, but a busy host or a
        // Wi-Fi hop can take tens: TCP's own minimum timeout.
        int floorMs = 200;
        // No one waits longer for the answer to a SYN on a LAN.
        int ceilingMs = 3000;
    };

    CRttEstimator() = default;
    explicit CRttEstimator(Limits limits) : m_limits(limits) {}

    void Sample(double ms);
    int TimeoutMs() const;
    bool HasSamples() const { return m_samples > 0; }
    double SmoothedMs() const { return m_srtt; }
    const Limits &limits() const { return m_limits; }

private:
    Limits m_limits;
    int m_samples = 0;
    double m_srtt = 0;
    double m_rttvar = 0;
};

struct SweepOptions
{
    int maxInFlight = 256; // addresses at once: a LAN's neighbour table
                           // overflows near 1,024 unanswered entries
    CRttEstimator::Limits limits;
    // A host that answered before gets at least TCP's initial timeout, and
    // this long at most.
    int knownFloorMs = 1000;
    int knownCeilingMs = 10000;
};

struct SweepTarget
{
    std::uint32_t address = 0;
    // At least this long before the address counts as silent (a host that
    // answered before gets a multiple of its own answer time); 0: none.
    int minTimeoutMs = 0;
};

// Called from the sweep's thread as each address is decided, with the
// index of its target and how long it took.
using SweepSink = std::function<void(std::size_t index, SweepVerdict verdict, int elapsedMs)>;

// Checks `targets` in their order, at most `maxInFlight` (and the transport's
// capacity) at a time, each until it answers or its deadline passes. Every
// target is decided exactly once unless `stop` is asked, which makes it
// return at once with every socket closed. `afterRound` is called after
// each batch of decisions (to wake a consumer once per batch).
void RunSweep(ISweepTransport &transport, const std::vector<SweepTarget> &targets, const SweepOptions &options,
              const SweepSink &sink, std::stop_token stop, const std::function<void()> &afterRound = {});

// Non-blocking TCP connects to ports 445 and 139 (or `ports`) through the
// system's sockets; null where the platform has none yet, and then each
// probe checks its host itself.
std::unique_ptr<ISweepTransport> CreateTcpSweepTransport(std::vector<std::uint16_t> ports = {445, 139});
