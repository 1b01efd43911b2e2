// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <stop_token>
#include <vector>

// Opens TCP connections to all `ports` of an IPv4 address at once and tells
// whether any of them was accepted within `timeoutMs`. A refusal answers at
// once; a host that drops packets costs the timeout, once for all ports.
bool TcpReachable(std::uint32_t address, const std::vector<std::uint16_t> &ports, int timeoutMs,
                  std::stop_token stop = {});
