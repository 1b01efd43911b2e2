// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

struct HostRecord;

// The probing and saving order of hosts: share count plus the visible shares
// weighted by the answer history. Computed in 64 bits so that large counters
// cannot overflow; negative counters (only possible in hand-edited files)
// count as 0.
qint64 HostScore(const HostRecord &host);
// onlineCount / (offlineCount + 1), the tie-breaker of equal scores.
qint64 HostAnswerRatio(const HostRecord &host);
// True when `a` goes before `b`: higher score first, then higher ratio.
bool HostScoreBefore(const HostRecord &a, const HostRecord &b);
// Puts the hosts in HostScoreBefore order. Equal hosts may come in any order.
void SortHostsByScore(std::vector<std::unique_ptr<HostRecord>> &hosts);
