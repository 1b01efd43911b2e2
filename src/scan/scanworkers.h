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
// Resolves one host, checks its address against the other hosts, lists its
// disk shares and keeps its history.
void ProbeHost(CScanDriver &driver, HostRecord &host);

} // namespace ScanWorkers
