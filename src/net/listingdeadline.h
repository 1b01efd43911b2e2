// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>

// How long a share listing may take before its host counts as not
// answering, learned from the listings that came back.
//
// Nothing known yet: `unknownMs`, long enough for a link that holds every
// packet 300 ms each way (about ten round trips). Once listings have come
// back: their smoothed time plus four deviations (as TCP times its
// retransmissions; three times the first one), at least `floorMs`, so a
// server that accepts
// connections and then says nothing costs little where the others answer
// fast. A host that answered before is never called offline sooner than
// an unknown one would be, nor sooner than three times its own last
// answer. Nothing waits longer than `ceilingMs`: a server that took the
// connection and stays mute holds its probe slot that long at most.
class CListingDeadline
{
public:
    struct Limits
    {
        int floorMs = 4000;
        int unknownMs = 12000;
        int ceilingMs = 20000; // what the SMB client library waits by default
        int historyMultiple = 3;
    };

    CListingDeadline() = default;
    explicit CListingDeadline(Limits limits) : m_limits(limits) {}

    // A listing came back from its server after `ms`.
    void Answered(int ms);
    // The deadline of a listing of a host whose last answer took
    // `knownAnswerMs` (0: not known to have answered).
    int DeadlineMs(int knownAnswerMs = 0) const;
    const Limits &limits() const { return m_limits; }

private:
    Limits m_limits;
    mutable std::mutex m_lock;
    int m_samples = 0;
    double m_srtt = 0;
    double m_rttvar = 0;
};
