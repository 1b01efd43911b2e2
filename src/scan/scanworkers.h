// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CScanDriver;
struct HostRecord;
struct NetRecord;

// The three workers of a scan, each run on its own thread by the driver.
namespace ScanWorkers {

// Asks the network for every workgroup it announces (the driver's job).
void EnumerateAllNets(CScanDriver &driver);
// Lists the hosts of one workgroup into its record.
void EnumerateNet(CScanDriver &driver, NetRecord &net);
// What the connect sweep found out about a host before its probe. Unknown:
// not swept, the probe checks the host itself. Open: it accepted a
// connection, the probe lists at once. Dead: refused or silent, the probe
// ends offline and holds no slot.
enum class SweepReach { Unknown, Open, Dead };

// Resolves one host, checks its address against the other hosts, lists its
// disk shares and keeps its history. A Dead host's probe runs on the
// caller's thread; `sweptMs` is how long its sweep waited for it.
void ProbeHost(CScanDriver &driver, HostRecord &host, SweepReach reach = SweepReach::Unknown, int sweptMs = 0);

} // namespace ScanWorkers
