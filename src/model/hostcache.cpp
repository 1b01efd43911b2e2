// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostcache.h"

#include "hostscore.h"
#include "platform/logging.h"
#include "settings/sharescheme.h"

#include <algorithm>
#include <map>

bool CHostCache::Holds(const WriteLock &held) const
{
    if (held.owns_lock() && held.mutex() == &m_writeLock)
        return true;
    // A caller that could move hosts under a running scan's cursors.
    qCCritical(lcScan) << "host cache: refused to change the order of hosts without the write lock";
    return false;
}

int CHostCache::ShareCount() const
{
    std::lock_guard lock(m_sharesLock);
    return int(m_shareList.size());
}

ShareRecord *CHostCache::ShareAt(int i) const
{
    std::lock_guard lock(m_sharesLock);
    if (i < 0 || size_t(i) >= m_shareList.size())
        return nullptr;
    return m_shareList[size_t(i)];
}

int CHostCache::ShareGroupAt(int i) const
{
    std::lock_guard lock(m_sharesLock);
    if (i < 0 || size_t(i) >= m_shareList.size())
        return -1;
    return m_shareList[size_t(i)]->groupIndex;
}

std::vector<ShareRecord *> CHostCache::SharesOf(const HostRecord &host) const
{
    std::vector<ShareRecord *> shares;
    std::lock_guard lock(m_sharesLock);
    shares.reserve(host.shares.size());
    for (const auto &share : host.shares)
        shares.push_back(share.get());
    return shares;
}

ShareRecord *CHostCache::AppendShare(HostRecord &host, const QString &name, ShareState state)
{
    auto share = std::make_unique<ShareRecord>(name, &host);
    share->state = state;
    ShareRecord *appended = share.get();
    std::scoped_lock shares(m_sharesLock);
    share->index = int(m_shareList.size());
    share->groupIndex = m_scheme ? ClassifyShare(*m_scheme, name) : -1;
    share->groupVisible = 0;
    if (m_scheme && share->groupIndex >= 0 && share->groupIndex < m_scheme->groups.size())
        share->groupVisible = m_scheme->groups[share->groupIndex].visible;
    if (share->groupVisible)
        ++host.visibleShares;
    m_shareList.push_back(appended);
    host.shares.push_back(std::move(share));
    return appended;
}

void CHostCache::MarkSharesUnknown()
{
    std::scoped_lock shares(m_sharesLock);
    for (ShareRecord *share : m_shareList)
        share->state = ShareUnknown;
}

void CHostCache::ApplyScheme(const ShareScheme *newScheme)
{
    std::shared_ptr<const ShareScheme> copy = newScheme ? std::make_shared<const ShareScheme>(*newScheme) : nullptr;
    std::lock_guard lock(m_sharesLock);
    // The old copy dies after the lock: probes only touch it under the lock.
    m_scheme.swap(copy);
    // The counts are of this scheme alone: the view applies it again at
    // every rebuild of its list, and counting on top of the last count
    // would let cached hosts outscore new ones without bound. No file
    // stores them, so nothing is lost.
    for (ShareRecord *share : m_shareList) {
        if (share->host)
            share->host->visibleShares = 0;
    }
    for (ShareRecord *share : m_shareList) {
        const int group = newScheme ? ClassifyShare(*newScheme, share->name) : -1;
        share->groupIndex = group;
        share->groupVisible =
            group >= 0 && group < newScheme->groups.size() && newScheme->groups[group].visible != 0 ? 1 : 0;
        if (share->groupVisible && share->host)
            ++share->host->visibleShares;
    }
}

NetRecord *CHostCache::AddNet(const QString &name, NetState state)
{
    m_nets.push_back(std::make_unique<NetRecord>(name, state));
    return m_nets.back().get();
}

HostRecord *CHostCache::AddHost(const QString &name, NetRecord *net, const QString &addr)
{
    return AddHost(std::make_unique<HostRecord>(name, net, addr));
}

HostRecord *CHostCache::AddHost(std::unique_ptr<HostRecord> host)
{
    m_hosts.push_back(std::move(host));
    return m_hosts.back().get();
}

NetRecord *CHostCache::MarkNetPending(const QString &name)
{
    const auto found =
        std::find_if(m_nets.begin(), m_nets.end(), [&name](const auto &net) { return net->name == name; });
    if (found == m_nets.end())
        return AddNet(name, NetPending);
    (*found)->state = NetPending;
    return found->get();
}

HostRecord *CHostCache::InsertHost(const WriteLock &held, std::size_t at, std::unique_ptr<HostRecord> host,
                                   std::span<std::size_t *const> cursors)
{
    if (!Holds(held))
        return nullptr;
    at = std::min(at, m_hosts.size());
    HostRecord *inserted = m_hosts.insert(m_hosts.begin() + std::ptrdiff_t(at), std::move(host))->get();
    // Without the shift a cursor would visit the host before it a second
    // time, and a host started twice finishes twice.
    for (std::size_t *cursor : cursors) {
        if (*cursor > at)
            ++*cursor;
    }
    return inserted;
}

std::size_t CHostCache::RemoveHostsIf(const WriteLock &held, const std::function<bool(HostRecord &host)> &drop)
{
    if (!Holds(held))
        return 0;
    return std::erase_if(m_hosts, [&drop](const std::unique_ptr<HostRecord> &host) { return drop(*host); });
}

bool CHostCache::SortHostsByScore(const WriteLock &held)
{
    if (!Holds(held))
        return false;
    std::scoped_lock shares(m_sharesLock);
    ::SortHostsByScore(m_hosts);
    return true;
}

void CHostCache::CopyTo(NetList &nets, HostList &hosts) const
{
    nets.reserve(m_nets.size());
    for (const auto &net : m_nets)
        nets.push_back(std::make_unique<NetRecord>(net->name));
    hosts.reserve(m_hosts.size());
    for (const auto &host : m_hosts) {
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

void CHostCache::DropHostsWithoutTarget()
{
    std::erase_if(m_hosts, [](const std::unique_ptr<HostRecord> &host) {
        return host->name.isEmpty() && host->addr.isEmpty() && host->shares.empty();
    });
}

void CHostCache::LinkLoaded(bool maskUnknown)
{
    std::map<QString, NetRecord *> netsByName;
    for (const auto &net : m_nets)
        netsByName.try_emplace(net->name, net.get());
    size_t shareCount = 0;
    for (const auto &host : m_hosts)
        shareCount += host->shares.size();

    std::lock_guard lock(m_sharesLock);
    m_shareList.reserve(shareCount);
    for (const auto &host : m_hosts) {
        auto found = netsByName.find(host->group);
        if (found == netsByName.end()) {
            // A file edited by hand can name a workgroup it does not hold;
            // every host needs one before its workgroup is shown or saved.
            m_nets.push_back(std::make_unique<NetRecord>(host->group));
            found = netsByName.emplace(host->group, m_nets.back().get()).first;
        }
        host->net = found->second;
        host->visibleShares = 0;
        const ShareState state = maskUnknown ? ShareUnknown : host->lastState == 0 ? ShareOnline : ShareOffline;
        for (const auto &share : host->shares) {
            share->host = host.get();
            share->index = int(m_shareList.size());
            share->state.store(state, std::memory_order_relaxed);
            m_shareList.push_back(share.get());
        }
    }
}

void CHostCache::Clear()
{
    {
        std::lock_guard lock(m_sharesLock);
        m_shareList.clear();
    }
    while (!m_nets.empty())
        m_nets.pop_back();
    while (!m_hosts.empty())
        m_hosts.pop_back();
}
