// SPDX-License-Identifier: GPL-3.0-or-later
// The document's scan entry points; the work is done by CScanDriver.
#include "model/lanterradoc.h"

#include "net/netprovider.h"
#include "net/systemnetwork.h"
#include "scan/scandriver.h"

#include <mutex>

void ScanDriverDeleter::operator()(CScanDriver *driver) const noexcept
{
    delete driver;
}

namespace {

// One system network for the whole process: its helper processes are
// shared by every document.
std::shared_ptr<INetProvider> SystemScanNetwork()
{
    static std::mutex lock;
    static std::shared_ptr<INetProvider> network;
    std::scoped_lock guard(lock);
    if (!network)
        network = CreateSystemNetwork();
    return network;
}

} // namespace

void CLanterraDoc::StartScan()
{
    if (IsScanning())
        return;
    // A driver that probes a few hosts for the user writes nothing from
    // here on: the new scan probes them too.
    if (m_scan.driver)
        m_scan.driver->Halt();
    netsTotal = 0;
    netsPending = 0;
    hostsTotal = 0;
    hostsPending = 0;
    sweepTotal = 0;
    sweepDone = 0;
    UpdateAllViews(HintScanStarted);
    {
        std::scoped_lock queue(queueLock);
        changeQueue.clear();
        m_hostQueue.clear();
    }
    {
        std::scoped_lock addresses(m_scan.addressLock);
        m_scan.addressMap.clear();
    }
    if (!m_scan.network)
        m_scan.network = SystemScanNetwork();
    if (currentWorkgroup.isEmpty())
        currentWorkgroup = m_scan.network->LocalWorkgroup();

    scanning.store(true, std::memory_order_release);
    m_scan.driver.reset(new CScanDriver(*this, m_scan.network, std::move(m_scan.driver)));
    if (!m_scan.driver->Start())
        scanning.store(false, std::memory_order_release);
}

bool CLanterraDoc::RescanHost(HostRecord &host)
{
    if (m_scan.driver && m_scan.driver->ProbeAgain(host))
        return true;
    if (!m_scan.network)
        m_scan.network = SystemScanNetwork();
    m_scan.driver.reset(new CScanDriver(*this, m_scan.network, std::move(m_scan.driver), CScanDriver::Mode::HostsOnly));
    m_scan.driver->ProbeAgain(host);
    return m_scan.driver->Start();
}

std::unique_lock<std::mutex> CLanterraDoc::LockScanWrites()
{
    // Drivers of earlier scans were halted and write nothing any more.
    return m_scan.driver ? m_scan.driver->Publish() : std::unique_lock<std::mutex>();
}

void CLanterraDoc::HaltScan()
{
    if (m_scan.driver)
        m_scan.driver->Halt();
    scanning.store(false, std::memory_order_release);
}
