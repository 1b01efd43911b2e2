// SPDX-License-Identifier: GPL-3.0-or-later
#include "lanterradoc.h"

#include "hostlogin.h"
#include "hostscore.h"
#include "net/netprovider.h"
#include "net/systemnetwork.h"
#include "platform/logging.h"
#include "settings/settings.h"
#include "settings/sharescheme.h"
#include "xml/xmldocument.h"

#include <QStringLiteral>

#include <algorithm>

namespace {

ScanEngineFactory &InstalledScanEngineFactory()
{
    static ScanEngineFactory factory;
    return factory;
}

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

void SetScanEngineFactory(ScanEngineFactory factory)
{
    InstalledScanEngineFactory() = std::move(factory);
}

CLanterraDoc::CLanterraDoc(CSettings *settings) : m_settings(settings)
{
    m_rules.Reset();
}

CLanterraDoc::~CLanterraDoc()
{
    if (IsScanning())
        HaltScan();
    StartNewEpoch();
    // Workers still running hold pointers into the records freed below.
    m_scan.driver.reset();
}

CSettings *CLanterraDoc::settings() const
{
    return m_settings ? m_settings : CSettings::instance();
}

void CLanterraDoc::AddView(DocumentView *view)
{
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CLanterraDoc::RemoveView(DocumentView *view)
{
    std::erase(m_views, view);
}

void CLanterraDoc::UpdateAllViews(ViewHint hint)
{
    // A view may register or unregister views while it handles the hint.
    const std::vector<DocumentView *> views = m_views;
    for (DocumentView *view : views) {
        if (std::find(m_views.begin(), m_views.end(), view) != m_views.end())
            view->OnDocumentUpdate(hint);
    }
}

int CLanterraDoc::GetShareCount() const
{
    return m_cache.ShareCount();
}

int CLanterraDoc::GetQueueCount() const
{
    std::lock_guard lock(m_queueLock);
    return int(m_changeQueue.size());
}

int CLanterraDoc::GetQueuedShareIndex(int i) const
{
    std::lock_guard lock(m_queueLock);
    if (i < 0 || size_t(i) >= m_changeQueue.size())
        return -1;
    return m_changeQueue[size_t(i)]->index;
}

void CLanterraDoc::QueueHost(HostRecord &host)
{
    const HostEntry entry = HostEntryOf(host);
    std::lock_guard lock(m_queueLock);
    m_hostQueue.emplace_back(&host, entry);
}

int CLanterraDoc::GetHostQueueCount() const
{
    std::lock_guard lock(m_queueLock);
    return int(m_hostQueue.size());
}

std::pair<HostRecord *, HostEntry> CLanterraDoc::GetQueuedHost(int i) const
{
    std::lock_guard lock(m_queueLock);
    if (i < 0 || size_t(i) >= m_hostQueue.size())
        return {nullptr, HostEntry::None};
    return m_hostQueue[size_t(i)];
}

ShareRecord *CLanterraDoc::GetShare(int i) const
{
    return m_cache.ShareAt(i);
}

int CLanterraDoc::GetShareGroup(int i) const
{
    return m_cache.ShareGroupAt(i);
}

ShareState CLanterraDoc::GetShareState(int i) const
{
    const ShareRecord *share = GetShare(i);
    return share ? share->state.load(std::memory_order_relaxed) : ShareUnknown;
}

QString CLanterraDoc::shareText(int i, int column) const
{
    const ShareRecord *share = GetShare(i);
    if (!share)
        return {};
    const HostRecord *host = share->host;
    switch (column) {
    case ColumnWorkgroup:
        return host ? host->GetWorkgroup() : QString();
    case ColumnHost:
        return host ? host->GetDisplayName() : QString();
    case ColumnShare:
        return share->name;
    case ColumnPath:
        return QStringLiteral("\\\\") + (host ? host->GetDisplayName() : QString()) + u'\\' + share->name;
    default:
        return {};
    }
}

std::vector<ShareRecord *> CLanterraDoc::SharesOf(const HostRecord &host) const
{
    return m_cache.SharesOf(host);
}

NetRecord *CLanterraDoc::AddNet(const QString &name)
{
    return m_cache.AddNet(name);
}

HostRecord *CLanterraDoc::AddHost(const QString &name, NetRecord *net, const QString &addr)
{
    return m_cache.AddHost(name, net, addr);
}

ShareRecord *CLanterraDoc::AppendShare(HostRecord &host, const QString &name, ShareState state)
{
    return m_cache.AppendShare(host, name, state);
}

void CLanterraDoc::QueueShares(std::span<ShareRecord *const> shares, std::optional<ShareState> state)
{
    std::scoped_lock queue(m_queueLock);
    for (auto it = shares.rbegin(); it != shares.rend(); ++it) {
        if (state)
            (*it)->state = *state;
        m_changeQueue.push_back(*it);
    }
}

void CLanterraDoc::applyScheme(const ShareScheme *newScheme)
{
    m_cache.ApplyScheme(newScheme);
}

void CLanterraDoc::StartScan()
{
    if (IsScanning())
        return;
    // An engine that probes a few hosts for the user may still run (the
    // engines of scans are halted already); it writes nothing from here on:
    // the new scan probes those hosts too.
    if (m_hostsOnlyEngine && m_scan.driver)
        m_scan.driver->Halt();
    m_hostsOnlyEngine = false;
    // Probes a stopped scan left listing must not count down this scan's
    // pending hosts nor queue into the emptied queue.
    StartNewEpoch();
    m_scan.netsTotal = 0;
    m_scan.netsPending = 0;
    m_scan.hostsTotal = 0;
    m_scan.hostsPending = 0;
    m_scan.sweepTotal = 0;
    m_scan.sweepDone = 0;
    m_scan.sweepNarrowedTo = 0;
    UpdateAllViews(HintScanStarted);
    {
        std::scoped_lock queue(m_queueLock);
        m_changeQueue.clear();
        m_hostQueue.clear();
    }
    {
        std::scoped_lock addresses(m_scan.addressLock);
        m_scan.addressMap.clear();
    }
    PrepareNetwork();
    if (m_currentWorkgroup.isEmpty())
        m_currentWorkgroup = m_scan.network->LocalWorkgroup();

    const ScanEngineFactory &factory = InstalledScanEngineFactory();
    if (!factory) {
        qCWarning(lcScan) << "no scan engine is installed";
        return;
    }
    m_scan.scanning.store(true, std::memory_order_release);
    m_scan.driver = factory(*this, m_scan, std::move(m_scan.driver));
    if (!m_scan.driver->Start())
        m_scan.scanning.store(false, std::memory_order_release);
}

void CLanterraDoc::PrepareNetwork()
{
    if (!m_scan.network)
        m_scan.network = SystemScanNetwork();
    // The preference may have changed since the last listing.
    const CSettings *s = settings();
    m_scan.network->AllowSmb1(s && s->allowSmb1);
}

bool CLanterraDoc::RescanHost(HostRecord &host)
{
    PrepareNetwork();
    if (m_scan.driver && m_scan.driver->ProbeAgain(host))
        return true;
    const ScanEngineFactory &factory = InstalledScanEngineFactory();
    if (!factory)
        return false;
    m_scan.driver = factory(*this, m_scan, std::move(m_scan.driver));
    m_hostsOnlyEngine = true;
    // Not started when the engine cannot probe single hosts: it stays as
    // the holder of the scans before it.
    if (!m_scan.driver->ProbeHostsOnly() || !m_scan.driver->ProbeAgain(host))
        return false;
    return m_scan.driver->Start();
}

std::unique_lock<std::mutex> CLanterraDoc::LockScanWrites()
{
    // Drivers of earlier scans were halted and write nothing any more.
    return m_scan.driver ? m_scan.driver->Publish() : std::unique_lock<std::mutex>();
}

void CLanterraDoc::StartNewEpoch()
{
    auto scanWrites = LockScanWrites();
    ++m_scan.epoch;
}

void CLanterraDoc::HaltScan()
{
    if (m_scan.driver)
        m_scan.driver->Halt();
    m_scan.scanning.store(false, std::memory_order_release);
}

Result<void> CLanterraDoc::StopScan()
{
    if (!IsScanning())
        return {};
    HaltScan();
    UpdateAllViews(HintScanStopped);
    if (const CSettings *s = settings(); s && s->autoSave)
        return OnSaveDocument(m_pathName);
    return {};
}

void CLanterraDoc::HaltAndWait()
{
    if (IsScanning()) {
        HaltScan();
        UpdateAllViews(HintScanStopped);
    }
    if (auto scanWrites = LockScanWrites(); scanWrites.owns_lock())
        m_scan.listingEnded.wait(scanWrites, [this] { return m_scan.listingProbes == 0; });
    m_scan.driver.reset();
}

Result<void> CLanterraDoc::DeleteContents()
{
    Result<void> saved = StopScan();
    // Probes that outlived the scan write nothing into what comes next; they
    // are cancelled and waited for, as they hold the records freed below.
    StartNewEpoch();
    m_scan.driver.reset();

    m_rules.Reset();
    {
        std::lock_guard lock(m_queueLock);
        m_changeQueue.clear();
        m_hostQueue.clear();
    }
    {
        std::lock_guard lock(m_scan.addressLock);
        m_scan.addressMap.clear();
    }
    m_cache.Clear();
    // The stopped scan's save above was the last one of that file.
    m_keepOriginalOf.clear();
    return saved;
}

void CLanterraDoc::SortHostsByScore()
{
    auto scanWrites = LockScanWrites();
    SortHostsUnder(scanWrites);
}

void CLanterraDoc::SortHostsUnder(std::unique_lock<std::mutex> &scanWrites)
{
    // No engine (an empty lock), or one whose writes are held off by a lock
    // of its own: the cache's order still changes only under its lock.
    if (scanWrites.mutex() != &m_scan.publishLock) {
        std::unique_lock order(m_scan.publishLock);
        m_cache.SortHostsByScore(order);
        return;
    }
    m_cache.SortHostsByScore(scanWrites);
}

Result<void> CLanterraDoc::OnSaveDocument(const QString &path)
{
    return WriteDocumentFile(path);
}

Result<void> CLanterraDoc::WriteDocumentFile(const QString &path, bool skipDuplicates, int *hostsWritten)
{
    std::vector<std::unique_ptr<NetRecord>> netCopies;
    std::vector<std::unique_ptr<HostRecord>> hostCopies;
    bool copied = false;
    // Held, no worker and not the driver changes a record or a list. After a
    // stop, the probes that were listing still write their hosts: the save
    // holds them off until it is done.
    auto scanWrites = LockScanWrites();
    {
        if (IsScanning()) {
            // The driver inserts into cacheHosts and indexes it by position,
            // so a save must not reorder it, nor walk it once the lock is
            // gone: it writes a copy taken in one piece.
            CopyCache(netCopies, hostCopies);
            copied = true;
        } else {
            for (const auto &host : m_cache.hosts()) {
                if (host->net)
                    host->group = host->net->name;
            }
            SortHostsUnder(scanWrites);
        }
    }
    if (copied)
        scanWrites.unlock();
    if (path.isEmpty())
        return Failed(QString());
    if (hostsWritten) {
        // As MapDocument leaves them out.
        const auto &written = copied ? hostCopies : m_cache.hosts();
        *hostsWritten = int(std::count_if(written.begin(), written.end(),
                                          [&](const auto &host) { return !(skipDuplicates && host->duplicate); }));
    }
    Result<void> saved = KeepOriginalBeforeSaving(path);
    if (saved && copied) {
        ::SortHostsByScore(hostCopies);
        saved = SaveXmlDocument(
            path, u"document", [&](CXmlMapper &mapper) { MapDocument(mapper, netCopies, hostCopies, skipDuplicates); });
    } else if (saved) {
        // Probes that outlived a stopped scan may still be adding shares to
        // their hosts: MapDocument walks the lists under the shares lock.
        saved = SaveXmlDocument(path, u"document", [&](CXmlMapper &mapper) { MapDocument(mapper, skipDuplicates); });
    }
    if (scanWrites.owns_lock())
        scanWrites.unlock();
    if (saved)
        NoteFileOnDisk(path);
    return saved;
}

void CLanterraDoc::CopyCache(std::vector<std::unique_ptr<NetRecord>> &nets,
                             std::vector<std::unique_ptr<HostRecord>> &hosts) const
{
    m_cache.CopyTo(nets, hosts);
}

void CLanterraDoc::LinkLoadedModel(bool maskUnknown)
{
    StartNewEpoch();
    m_cache.DropHostsWithoutTarget();
    m_scan.hostsTotal = int(m_cache.hosts().size());
    for (const auto &host : m_cache.hosts()) {
        // The view shows such a host as one entry, not its shares.
        if (HostEntryOf(*host) != HostEntry::None)
            QueueHost(*host);
    }
    m_cache.LinkLoaded(maskUnknown);
    m_scan.netsTotal = int(m_cache.nets().size());
    m_scan.netsPending = 0;
    m_scan.hostsPending = 0;
}
