// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostscore.h"

#include "hostrecord.h"

#include <algorithm>

namespace {

qint64 NonNegative(int value)
{
    return value < 0 ? 0 : value;
}

} // namespace

qint64 HostScore(const HostRecord &host)
{
    const qint64 shares = qint64(host.shares.size());
    const qint64 weight = NonNegative(host.visibleShares) * 8 * (NonNegative(host.onlineCount) + 1);
    return shares + weight / (NonNegative(host.offlineCount) + 1);
}

qint64 HostAnswerRatio(const HostRecord &host)
{
    return NonNegative(host.onlineCount) / (NonNegative(host.offlineCount) + 1);
}

bool HostScoreBefore(const HostRecord &a, const HostRecord &b)
{
    const qint64 scoreA = HostScore(a);
    const qint64 scoreB = HostScore(b);
    if (scoreA != scoreB)
        return scoreA > scoreB;
    return HostAnswerRatio(a) > HostAnswerRatio(b);
}

void SortHostsByScore(std::vector<std::unique_ptr<HostRecord>> &hosts)
{
    // Both keys once per host rather than once per comparison.
    struct Keyed
    {
        qint64 score;
        qint64 ratio;
        std::unique_ptr<HostRecord> host;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(hosts.size());
    for (auto &host : hosts) {
        const qint64 score = HostScore(*host);
        const qint64 ratio = HostAnswerRatio(*host);
        keyed.push_back({score, ratio, std::move(host)});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        if (a.score != b.score)
            return a.score > b.score;
        return a.ratio > b.ratio;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        hosts[i] = std::move(keyed[i].host);
}
