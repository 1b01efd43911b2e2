// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <mutex>

class CLanterraDoc;
struct HostRecord;
struct ScanSession;

// One scan of a document, as the document sees it. The scan layer (src/scan)
// implements it; the model only starts, halts and waits for it, so that it
// needs nothing from src/scan.
//
// Stopping is cooperative: Halt() returns at once and from then on the scan
// starts nothing and writes nothing to the document (every write happens
// under Publish(), and Halt takes the same lock), except that probes already
// past their name look-up still write their host's results, as long as the
// document holds the contents and the scan they started on (ScanSession::
// epoch). Destroying the engine cancels the network calls still running and
// waits for every thread it started, and a probe cut short so writes
// nothing; the document does so before it frees records.
class IScanEngine
{
public:
    virtual ~IScanEngine() = default;
    // False when the scan's thread cannot be started.
    virtual bool Start() = 0;
    virtual void Halt() = 0;
    // The lock every write of the scan is made under (one per document,
    // shared by its engines).
    virtual std::unique_lock<std::mutex> Publish() = 0;

    // Before Start: probe only the hosts given to ProbeAgain, enumerate
    // nothing and leave the document's `scanning` flag alone. False when
    // the engine cannot.
    virtual bool ProbeHostsOnly() { return false; }
    // Probes `host` (once more) with the logins the session holds now.
    // Any thread. False when the engine takes no more work (halted, or its
    // last pass is over) or cannot.
    virtual bool ProbeAgain(HostRecord &host)
    {
        (void)host;
        return false;
    }
};

// Makes the engine of a new scan of `doc`, with the document's scan
// session (its network is set). `previous` is the engine of the scan before
// (halted); the new one keeps it until it is destroyed itself, so that
// workers the old scan left running are waited for without holding up the
// start. Both `doc` and `session` outlive the engine.
using ScanEngineFactory = std::function<std::unique_ptr<IScanEngine>(CLanterraDoc &doc, ScanSession &session,
                                                                     std::unique_ptr<IScanEngine> previous)>;

// The factory every document's StartScan uses. The program installs the
// scan driver's at start-up (CScanDriver::InstallAsScanEngine); set it
// before the first scan, on one thread. Without one a scan cannot start.
void SetScanEngineFactory(ScanEngineFactory factory);
