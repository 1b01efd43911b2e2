// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/scanengine.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <semaphore>
#include <thread>

class INetProvider;
struct HostRecord;

// Starts one of a scan's worker threads running `work`, or throws
// std::system_error when the system has no thread to give, as std::jthread
// does. An empty one starts a std::jthread.
using ThreadStarter = std::function<std::jthread(std::function<void()> work)>;

// What only a scan needs of its document: the slots that bound its workers,
// the address map that finds hosts seen under two names, the progress
// counters it keeps, the network it talks to and its driver. The document
// owns one for its whole life and keeps it private; it hands it to each
// scan engine it makes (ScanEngineFactory), whose driver and workers
// (src/scan) use it. Everyone else reads the counters through the
// document.
struct ScanSession
{
    static constexpr int NetSlotCount = 5;
    static constexpr int HostSlotCount = 15;

    std::counting_semaphore<NetSlotCount> netSlots{NetSlotCount};
    std::counting_semaphore<HostSlotCount> hostSlots{HostSlotCount};

    std::map<QString, HostRecord *> addressMap; // guarded by addressLock
    std::mutex addressLock;

    // Every write of every engine of the document is made under this one
    // lock (CScanDriver::Publish): a halted scan's last probes may still
    // write while a later engine runs or a save reads the cache.
    std::mutex publishLock;
    // Set by StartScan, cleared by the driver at the end of its scan and by
    // HaltScan; read without a lock.
    std::atomic<bool> scanning{false};
    // Which contents, and which scan, the running workers write into;
    // under publishLock. The document counts it up whenever a worker of an
    // earlier engine must no longer write (a new scan starts, the contents
    // are cleared or loaded); an engine keeps the value it was made with.
    std::uint64_t epoch = 0;
    // Probes past their name look-up that have not written their results
    // yet (a stop lets them finish); changed under publishLock, announced on
    // `listingEnded` when it drops, read by the view without a lock.
    std::atomic<int> listingProbes{0};
    std::condition_variable listingEnded;

    // Progress: written by the driver (and by a load), counted down by the
    // workers with atomic decrements, read by the view without a lock.
    std::atomic<int> netsTotal{0};
    std::atomic<int> netsPending{0};
    std::atomic<int> hostsTotal{0};
    std::atomic<int> hostsPending{0};
    std::atomic<int> sweepTotal{0};
    std::atomic<int> sweepDone{0};
    // Addresses the sweep checks at once when the open-file limit holds it
    // below its usual width; 0 when it runs at full width.
    std::atomic<int> sweepNarrowedTo{0};

    // The network scans talk to: the system's own when not set (tests set an
    // in-memory one). Workers keep it alive while they run.
    std::shared_ptr<INetProvider> network;
    // How the next scan starts its workers (tests give one that fails).
    ThreadStarter startThread;
    // Destroying the driver waits for every worker it started (they write
    // into the records); the document does so before it frees records.
    std::unique_ptr<IScanEngine> driver;
};
