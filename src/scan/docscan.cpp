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
    m_scan.netsTotal = 0;
    m_scan.netsPending = 0;
    m_scan.hostsTotal = 0;
    m_scan.hostsPending = 0;
    m_scan.sweepTotal = 0;
    m_scan.sweepDone = 0;
    UpdateAllViews(HintScanStarted);
    {
        std::scoped_lock queue(m_queueLock);
        m_changeQueue.clear();
    }
    {
        std::scoped_lock addresses(m_scan.addressLock);
        m_scan.addressMap.clear();
    }
    if (!m_scan.network)
        m_scan.network = SystemScanNetwork();
    if (m_currentWorkgroup.isEmpty())
        m_currentWorkgroup = m_scan.network->LocalWorkgroup();

    m_scanning.store(true, std::memory_order_release);
    m_scan.driver.reset(new CScanDriver(*this, m_scan.network, std::move(m_scan.driver)));
    if (!m_scan.driver->Start())
        m_scanning.store(false, std::memory_order_release);
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
    m_scanning.store(false, std::memory_order_release);
}
