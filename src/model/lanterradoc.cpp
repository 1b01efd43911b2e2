// SPDX-License-Identifier: GPL-3.0-or-later
#include "lanterradoc.h"

#include "hostlogin.h"
#include "hostscore.h"
#include "settings/settings.h"
#include "settings/sharescheme.h"
#include "xml/xmldocument.h"

#include <QStringLiteral>

#include <algorithm>

CLanterraDoc::CLanterraDoc(CSettings *settings) : m_settings(settings)
{
    rules.Reset();
}

CLanterraDoc::~CLanterraDoc()
{
    if (IsScanning())
        HaltScan();
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
    std::lock_guard lock(sharesLock);
    return int(shareList.size());
}

int CLanterraDoc::GetQueueCount() const
{
    std::lock_guard lock(queueLock);
    return int(changeQueue.size());
}

int CLanterraDoc::GetQueuedShareIndex(int i) const
{
    std::lock_guard lock(queueLock);
    if (i < 0 || size_t(i) >= changeQueue.size())
        return -1;
    return changeQueue[size_t(i)]->index;
}

void CLanterraDoc::QueueHost(HostRecord &host)
{
    const bool loginNeeded = IsLoginNeeded(host);
    std::lock_guard lock(queueLock);
    m_hostQueue.emplace_back(&host, loginNeeded);
}

int CLanterraDoc::GetHostQueueCount() const
{
    std::lock_guard lock(queueLock);
    return int(m_hostQueue.size());
}

std::pair<HostRecord *, bool> CLanterraDoc::GetQueuedHost(int i) const
{
    std::lock_guard lock(queueLock);
    if (i < 0 || size_t(i) >= m_hostQueue.size())
        return {nullptr, false};
    return m_hostQueue[size_t(i)];
}

ShareRecord *CLanterraDoc::GetShare(int i) const
{
    std::lock_guard lock(sharesLock);
    if (i < 0 || size_t(i) >= shareList.size())
        return nullptr;
    return shareList[size_t(i)];
}

int CLanterraDoc::GetShareGroup(int i) const
{
    std::lock_guard lock(sharesLock);
    if (i < 0 || size_t(i) >= shareList.size())
        return -1;
    return shareList[size_t(i)]->groupIndex;
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
        return host && host->net ? host->net->name : QString();
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

ShareRecord *CLanterraDoc::AppendShare(HostRecord &host, const QString &name, ShareState state)
{
    auto share = std::make_unique<ShareRecord>(name, &host);
    share->state = state;
    ShareRecord *appended = share.get();
    std::scoped_lock shares(sharesLock);
    share->index = int(shareList.size());
    share->groupIndex = scheme ? ClassifyShare(*scheme, name) : -1;
    share->groupVisible = 0;
    if (scheme && share->groupIndex >= 0 && share->groupIndex < scheme->groups.size())
        share->groupVisible = scheme->groups[share->groupIndex].visible;
    if (share->groupVisible)
        ++host.visibleShares;
    shareList.push_back(appended);
    host.shares.push_back(std::move(share));
    return appended;
}

void CLanterraDoc::QueueShares(std::span<ShareRecord *const> shares, std::optional<ShareState> state)
{
    std::scoped_lock queue(queueLock);
    for (auto it = shares.rbegin(); it != shares.rend(); ++it) {
        if (state)
            (*it)->state = *state;
        changeQueue.push_back(*it);
    }
}

void CLanterraDoc::applyScheme(const ShareScheme *newScheme)
{
    std::shared_ptr<const ShareScheme> copy = newScheme ? std::make_shared<const ShareScheme>(*newScheme) : nullptr;
    std::lock_guard lock(sharesLock);
    // The old copy dies after the lock: probes only touch it under the lock.
    scheme.swap(copy);
    for (ShareRecord *share : shareList) {
        const int group = newScheme ? ClassifyShare(*newScheme, share->name) : -1;
        share->groupIndex = group;
        share->groupVisible =
            group >= 0 && group < newScheme->groups.size() && newScheme->groups[group].visible != 0 ? 1 : 0;
        if (share->groupVisible && share->host)
            ++share->host->visibleShares;
    }
}

void CLanterraDoc::StopScan()
{
    if (!IsScanning())
        return;
    HaltScan();
    UpdateAllViews(HintScanStopped);
    if (const CSettings *s = settings(); s && s->autoSave)
        OnSaveDocument(m_pathName);
}

void CLanterraDoc::HaltAndWait()
{
    if (IsScanning()) {
        HaltScan();
        UpdateAllViews(HintScanStopped);
    }
    m_scan.driver.reset();
}

void CLanterraDoc::DeleteContents()
{
    StopScan();
    // Workers that outlived the scan write into the records freed below.
    m_scan.driver.reset();

    rules.Reset();
    {
        std::lock_guard lock(sharesLock);
        shareList.clear();
    }
    {
        std::lock_guard lock(queueLock);
        changeQueue.clear();
        m_hostQueue.clear();
    }
    {
        std::lock_guard lock(m_scan.addressLock);
        m_scan.addressMap.clear();
    }
    while (!cacheNets.empty())
        cacheNets.pop_back();
    while (!cacheHosts.empty())
        cacheHosts.pop_back();
    // The stopped scan's save above was the last one of that file.
    m_keepOriginalOf.clear();
}

void CLanterraDoc::SortHostsByScore()
{
    ::SortHostsByScore(cacheHosts);
}

bool CLanterraDoc::OnSaveDocument(const QString &path)
{
    WriteDocumentFile(path);
    return true;
}

bool CLanterraDoc::WriteDocumentFile(const QString &path, bool skipDuplicates)
{
    std::vector<std::unique_ptr<NetRecord>> netCopies;
    std::vector<std::unique_ptr<HostRecord>> hostCopies;
    bool copied = false;
    {
        // Held, no worker and not the driver changes a record or a list.
        auto scanWrites = LockScanWrites();
        if (IsScanning()) {
            // The driver inserts into cacheHosts and indexes it by position,
            // so a save must not reorder it, nor walk it once the lock is
            // gone: it writes a copy taken in one piece.
            CopyCache(netCopies, hostCopies);
            copied = true;
        } else {
            for (const auto &host : cacheHosts) {
                if (host->net)
                    host->group = host->net->name;
            }
            SortHostsByScore();
        }
    }
    if (path.isEmpty())
        return false;
    QString why;
    bool saved = KeepOriginalBeforeSaving(path, &why);
    if (saved && copied) {
        ::SortHostsByScore(hostCopies);
        saved = SaveXmlDocument(
            path, u"document",
            [&](CXmlMapper &mapper) { MapDocument(mapper, netCopies, hostCopies, skipDuplicates); }, &why);
    } else if (saved) {
        // Probes that outlived a stopped scan may still be adding shares to
        // their hosts; they do so under sharesLock.
        std::lock_guard lock(sharesLock);
        saved = SaveXmlDocument(
            path, u"document", [&](CXmlMapper &mapper) { MapDocument(mapper, skipDuplicates); }, &why);
    }
    // Outside the lock: whoever is told may look at the document.
    if (!saved)
        ReportSaveFailure(path, why);
    return saved;
}

void CLanterraDoc::CopyCache(std::vector<std::unique_ptr<NetRecord>> &nets,
                             std::vector<std::unique_ptr<HostRecord>> &hosts) const
{
    nets.reserve(cacheNets.size());
    for (const auto &net : cacheNets)
        nets.push_back(std::make_unique<NetRecord>(net->name));
    hosts.reserve(cacheHosts.size());
    for (const auto &host : cacheHosts) {
        auto copy = std::make_unique<HostRecord>(host->GetName(), nullptr, host->GetAddr());
        copy->group = host->net ? host->net->name : host->group;
        copy->lastState = host->lastState;
        copy->lastAnswerTime = host->lastAnswerTime;
        copy->onlineCount = host->onlineCount;
        copy->offlineCount = host->offlineCount;
        copy->visibleShares = host->visibleShares;
        copy->duplicate = host->duplicate.load();
        copy->shares.reserve(host->shares.size());
        for (const auto &share : host->shares)
            copy->shares.push_back(std::make_unique<ShareRecord>(share->name, copy.get()));
        hosts.push_back(std::move(copy));
    }
}

void CLanterraDoc::LinkLoadedModel(bool maskUnknown)
{
    hostsTotal = int(cacheHosts.size());

    // The first workgroup of a name wins, as in a scan.
    std::map<QString, NetRecord *> netsByName;
    for (const auto &net : cacheNets)
        netsByName.try_emplace(net->name, net.get());

    size_t shareCount = 0;
    for (const auto &host : cacheHosts) {
        shareCount += host->shares.size();
        // The view shows such a host as one entry, not its shares.
        if (IsLoginNeeded(*host))
            QueueHost(*host);
    }

    std::lock_guard lock(sharesLock);
    shareList.reserve(shareCount);
    for (const auto &host : cacheHosts) {
        auto found = netsByName.find(host->group);
        if (found == netsByName.end()) {
            // A file edited by hand can name a workgroup it does not hold;
            // every host needs one before its workgroup is shown or saved.
            cacheNets.push_back(std::make_unique<NetRecord>(host->group));
            found = netsByName.emplace(host->group, cacheNets.back().get()).first;
        }
        host->net = found->second;
        host->visibleShares = 0;
        const ShareState state = maskUnknown ? ShareUnknown : host->lastState == 0 ? ShareOnline : ShareOffline;
        for (const auto &share : host->shares) {
            share->host = host.get();
            share->index = int(shareList.size());
            share->state.store(state, std::memory_order_relaxed);
            shareList.push_back(share.get());
        }
    }
    netsTotal = int(cacheNets.size());
    netsPending = 0;
    hostsPending = 0;
}
