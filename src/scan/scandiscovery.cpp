// SPDX-License-Identifier: GPL-3.0-or-later
// Hosts that announce themselves (WS-Discovery, DNS-SD) join a scan as
// members of workgroups, like the hosts of a browse list: the cache, the
// scores, the exclusions and the probes treat them as any other host.
#include "scandriver.h"

#include "model/lanterradoc.h"
#include "net/netprovider.h"
#include "platform/logging.h"

#include <algorithm>

namespace {

// The workgroup of hosts whose announcement names none, when the machine
// has no workgroup of its own: DNS-SD's domain of the local link.
const QString LinkWorkgroup = QStringLiteral("local");

QStringView FirstLabel(QStringView name)
{
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

// One machine under the names that browse lists, WS-Discovery, DNS-SD and
// the user give it: "ALPHA", "alpha" and "alpha.local" are the same host,
// "alpha.lab" and "alpha.office" are not.
bool SameHostName(QStringView a, QStringView b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    if (a.contains(u'.') && b.contains(u'.'))
        return false;
    return FirstLabel(a).compare(FirstLabel(b), Qt::CaseInsensitive) == 0;
}

} // namespace

void CScanDriver::StartDiscovery()
{
    const ScanRules &rules = m_rules;
    if (!rules.searchAnnounced || !(rules.searchNetAll || rules.searchNetCurrent))
        return;
    m_discovery.state = NetPending;
    const bool started = Launch([this] {
        Network().DiscoverHosts(
            [this](const DiscoveredHost &host) {
                {
                    auto lock = Publish();
                    if (m_halted)
                        return;
                    m_discovery.arrived.push_back(host);
                }
                Wake();
            },
            HaltToken());
        {
            auto lock = Publish();
            if (m_halted)
                return;
            m_discovery.state = NetListed;
        }
        Wake();
    });
    if (!started)
        m_discovery.state = NetDone;
}

bool CScanDriver::MergeDiscovered(const std::unique_lock<std::mutex> &held)
{
    // Both sides hold the publish lock: once the state says finished,
    // nothing more arrives.
    const NetState state = m_discovery.state.load();
    if (state == NetDone || (state == NetPending && m_discovery.arrived.empty()))
        return false;
    std::vector<DiscoveredHost> arrived;
    arrived.swap(m_discovery.arrived);
    for (const DiscoveredHost &host : arrived)
        AddDiscoveredHost(held, host);
    if (state == NetListed)
        m_discovery.state = NetDone;
    return true;
}

void CScanDriver::AddDiscoveredHost(const std::unique_lock<std::mutex> &held, const DiscoveredHost &found)
{
    CLanterraDoc &doc = m_doc;
    const ScanRules &rules = m_rules;
    if (found.name.isEmpty() && found.address.isEmpty())
        return;

    QString group = found.workgroup;
    if (!rules.searchNetAll && !group.isEmpty() && group.compare(doc.currentWorkgroup(), Qt::CaseInsensitive) != 0)
        return; // only the machine's own workgroup was asked for
    // A host that names no workgroup answered on this machine's own link:
    // it goes with this machine's workgroup.
    if (group.isEmpty())
        group = doc.currentWorkgroup().isEmpty() ? LinkWorkgroup : doc.currentWorkgroup();
    if (rules.IsNetExcluded(group))
        return;

    // A host already known (from the cache, the host list, a browse list or
    // another method) stays one host. Anyone on the link can announce any
    // name at any address, so an announcement never moves, renames or
    // replaces a host the cache holds from another source: the name keeps
    // its address, and an address held under a name keeps that name (a
    // probe that finds two records at one address would rename the first
    // one). The address a running probe took counts as held before the
    // host record has it.
    const HostRecord *atAddress = nullptr;
    if (!found.address.isEmpty()) {
        {
            std::scoped_lock addresses(Session().addressLock);
            if (const auto taken = Session().addressMap.find(found.address); taken != Session().addressMap.end())
                atAddress = taken->second;
        }
        for (auto it = m_cache.hosts().cbegin(); !atAddress && it != m_cache.hosts().cend(); ++it) {
            if ((*it)->GetAddr() == found.address)
                atAddress = it->get();
        }
    }
    for (const auto &host : m_cache.hosts()) {
        const QString address = host->GetAddr();
        const QString name = host->GetName();
        const bool sameAddress = !found.address.isEmpty() && (address == found.address || atAddress == host.get());
        if (SameHostName(name, found.name) || (sameAddress && (name.isEmpty() || found.name.isEmpty()))) {
            // A listed name that no resolver knows is still reached, but
            // never at an address another host holds. The address stays a
            // hint: no login goes there, and the name's own answer wins.
            if (address.isEmpty() && !found.address.isEmpty() && !atAddress) {
                host->SetAddr(found.address);
                m_announcedAddress.insert(host.get());
            } else if (!address.isEmpty() && !found.address.isEmpty() && address != found.address) {
                qCInfo(lcScan).noquote() << "left out an announcement of" << found.name << "at" << found.address
                                         << "- the host is at" << address;
                return;
            }
            // A host the document keeps in no workgroup takes the one its
            // own announcement names, from its own address only.
            if (!found.workgroup.isEmpty() && (!host->net || host->net->name.isEmpty()) && !address.isEmpty()
                && address == found.address)
                host->SetToldWorkgroup(found.workgroup);
            return;
        }
        // Announced names at one address are left to the probe's address
        // check and to the cap per announcing address.
        if (sameAddress && !m_announcedOnly.contains(host.get())) {
            qCInfo(lcScan).noquote() << "left out an announcement of" << found.name << "at" << found.address
                                     << "- the address is held by" << name;
            return;
        }
    }

    // Counted by the sender: one answer may name many addresses.
    const QString &sender = found.source.isEmpty() ? found.address : found.source;
    int &fromSource = m_announcedBySource[sender];
    if (fromSource >= MaxAnnouncedPerSource) {
        if (fromSource++ == MaxAnnouncedPerSource)
            qCWarning(lcScan).noquote() << "announcements from" << sender << "name more than" << MaxAnnouncedPerSource
                                        << "hosts; the rest are left out";
        return;
    }
    ++fromSource;

    NetRecord *net = DiscoveredWorkgroup(group);
    auto host = std::make_unique<HostRecord>(found.name, net, found.address);
    if (!found.name.isEmpty())
        m_hostsByName.emplace(found.name, host.get());
    m_announcedOnly.insert(host.get());
    // Like the hosts of a browse list: to the head of the waiting queue.
    QueueNextHost(held, std::move(host));
}

NetRecord *CScanDriver::DiscoveredWorkgroup(const QString &name)
{
    if (const auto found = m_netsByName.find(name); found != m_netsByName.end())
        return found->second;
    // Browse lists tell workgroups in upper case, WS-Discovery as configured.
    for (const auto &[known, net] : m_netsByName) {
        if (!known.isEmpty() && known.compare(name, Qt::CaseInsensitive) == 0)
            return net;
    }
    // Its hosts are known already; the start loop passes over it once.
    NetRecord *record = m_cache.AddNet(name, NetDone);
    m_netsByName.emplace(name, record);
    ++Session().netsPending;
    ++Session().netsTotal;
    return record;
}

void CScanDriver::DropSilentAnnounced(const std::unique_lock<std::mutex> &held)
{
    // Anyone on the link can announce any number of names: only an answer
    // makes one a host worth keeping (and probing at every later scan). A
    // probe still running keeps its host until the next scan's look.
    const std::size_t dropped = m_cache.RemoveHostsIf(held, [this](HostRecord &record) {
        HostRecord *host = &record;
        if (!m_announcedOnly.contains(host) || m_probing.contains(host) || host->onlineCount > 0
            || !host->shares.empty())
            return false;
        {
            std::scoped_lock addresses(Session().addressLock);
            auto &byAddress = Session().addressMap;
            if (const auto found = byAddress.find(host->GetAddr()); found != byAddress.end() && found->second == host)
                byAddress.erase(found);
        }
        if (const auto found = m_hostsByName.find(host->GetName());
            found != m_hostsByName.end() && found->second == host)
            m_hostsByName.erase(found);
        std::erase(m_again, host);
        std::erase(m_awaiting, host);
        m_startedAhead.erase(host);
        m_announcedOnly.erase(host);
        m_announcedAddress.erase(host);
        m_listedMembers.erase(host);
        return true;
    });
    if (dropped > 0)
        qCInfo(lcScan) << "left out" << dropped << "announced hosts that never answered";
}
