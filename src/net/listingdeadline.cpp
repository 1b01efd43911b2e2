// SPDX-License-Identifier: GPL-3.0-or-later
#include "listingdeadline.h"

#include <algorithm>
#include <cmath>

void CListingDeadline::Answered(int ms)
{
    const double sample = std::max(ms, 0);
    std::scoped_lock guard(m_lock);
    if (m_samples++ == 0) {
        m_srtt = sample;
        m_rttvar = sample / 2;
        return;
    }
    m_rttvar = 0.75 * m_rttvar + 0.25 * std::abs(m_srtt - sample);
    m_srtt = 0.875 * m_srtt + 0.125 * sample;
}

int CListingDeadline::DeadlineMs(int knownAnswerMs) const
{
    double adaptive = m_limits.unknownMs;
    {
        std::scoped_lock guard(m_lock);
        if (m_samples > 0)
            adaptive = std::max(double(m_limits.floorMs), m_srtt + 4 * m_rttvar);
    }
    if (knownAnswerMs > 0) {
        adaptive =
            std::max({adaptive, double(m_limits.unknownMs), double(m_limits.historyMultiple) * double(knownAnswerMs)});
    }
    return int(std::min(std::ceil(adaptive), double(m_limits.ceilingMs)));
}
