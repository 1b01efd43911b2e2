// SPDX-License-Identifier: GPL-3.0-or-later
// Announced hosts for the Samba network: the client side of WS-Discovery
// and DNS-SD runs here, in the program, with no daemon of its own. A
// one-shot DNS-SD query answered by unicast (RFC 6762's legacy resolver)
// needs neither a running Avahi nor its client library, works the same on
// machines without either, and keeps the scan free of D-Bus.
#include "sambanetwork.h"

#include "hostdiscovery.h"

void CSambaNetwork::DiscoverHosts(const std::function<void(const DiscoveredHost &)> &found, std::stop_token stop)
{
    DiscoverAnnouncedHosts(HostDiscoveryOptions::FromEnvironment(), found, std::move(stop));
}
