// SPDX-License-Identifier: GPL-3.0-or-later
#include "tcpsweep.h"

// No overlapped connect set here yet: without a transport the scan checks
// each host in its own probe, one connect at a time per probe slot.
std::unique_ptr<ISweepTransport> CreateTcpSweepTransport(std::vector<std::uint16_t>)
{
    return nullptr;
}
