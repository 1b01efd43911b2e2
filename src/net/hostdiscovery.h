// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netprovider.h"

#include <functional>
#include <stop_token>

struct HostDiscoveryOptions
{
    // How long answers are awaited after the last query went out. Responders
    // answer a WS-Discovery Probe within half a second and a DNS-SD query
    // within about 120 ms, so one second leaves room for a busy link.
    int windowMs = 1000;
    // The metadata exchange with one WS-Discovery host.
    int metadataTimeoutMs = 1500;
    bool wsDiscovery = true;
    bool dnsSd = true;

    // Defaults, changed by LANTERRA_DISCOVERY_WINDOW_MS.
    static HostDiscoveryOptions FromEnvironment();
};

// Asks every local IPv4 interface (not loopback) for announced hosts: a
// WS-Discovery Probe, followed by the metadata exchange with each computer
// that answers, and a one-shot DNS-SD query for SMB services. Queries go to
// the link-local multicast groups with a hop limit of 1, and only answers
// from an address on the interface's own subnet count. `found` is called
// (from one thread at a time) as hosts answer; one host per address and
// method. Returns when the window has closed and every exchange has ended,
// or soon after `stop` is requested.
void DiscoverAnnouncedHosts(const HostDiscoveryOptions &options,
                            const std::function<void(const DiscoveredHost &)> &found, std::stop_token stop);
