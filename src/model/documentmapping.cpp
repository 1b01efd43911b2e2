// SPDX-License-Identifier: GPL-3.0-or-later
// The mapping routine of the network document: one sequence of tokens and
// values, run by the writer to save and by the reader to load. Its order is
// the file format; attributes are taken by position.
#include "lanterradoc.h"

#include "xml/xmlmapping.h"

namespace {

// A name as the reader took it, cut to MaxNameLength (never inside a
// surrogate pair), counting the cut in `cut`.
void MapName(CXmlMapper &mapper, QString &name, int &cut)
{
    MapString(mapper, name);
    if (mapper.IsStoring() || name.size() <= CLanterraDoc::MaxNameLength)
        return;
    qsizetype keep = CLanterraDoc::MaxNameLength;
    if (name.at(keep - 1).isHighSurrogate())
        --keep;
    name.truncate(keep);
    name.squeeze();
    ++cut;
}

// A list of strings, each the text of one `item` element inside `container`.
void MapStringList(CXmlMapper &mapper, QStringList &list, QStringView container, QStringView containerEnd,
                   QStringView item, QStringView itemEnd, int &cut)
{
    mapper.Token(container);
    mapper.Token(item);
    MapList(mapper, list, [&cut](CXmlMapper &m, QString &text) { MapName(m, text, cut); });
    mapper.Token(itemEnd);
    mapper.Token(containerEnd);
}

void MapNet(CXmlMapper &mapper, NetRecord &net, int &cut)
{
    mapper.Token(u"@name");
    MapName(mapper, net.name, cut);
}

void MapShare(CXmlMapper &mapper, ShareRecord &share, int &cut)
{
    mapper.Token(u"@name");
    MapName(mapper, share.name, cut);
}

void MapHost(CXmlMapper &mapper, HostRecord &host, int &cut)
{
    const bool storing = mapper.IsStoring();
    // A probe may rename the record or change its address at any time.
    QString name = storing ? host.GetName() : QString();
    QString addr = storing ? host.GetAddr() : QString();
    mapper.Token(u"@name");
    MapName(mapper, name, cut);
    mapper.Token(u"@addr");
    MapName(mapper, addr, cut);
    if (!storing) {
        host.name = std::move(name);
        host.addr = std::move(addr);
    }
    mapper.Token(u"@group");
    MapName(mapper, host.group, cut);
    mapper.Token(u"@onlineCount");
    MapInt(mapper, host.onlineCount);
    mapper.Token(u"@offlineCount");
    MapInt(mapper, host.offlineCount);
    mapper.Token(u"@lastState");
    MapInt(mapper, host.lastState);
    mapper.Token(u"@lastAnswerTime");
    MapInt(mapper, host.lastAnswerTime);

    mapper.Token(u"<shares>");
    mapper.Token(u"<share>");
    MapList(
        mapper, host.shares, [&cut](CXmlMapper &m, ShareRecord &share) { MapShare(m, share, cut); },
        [&host] { return std::make_unique<ShareRecord>(QString(), &host); });
    mapper.Token(u"</share>");
    mapper.Token(u"</shares>");
}

// The host cache; storing can leave out the hosts marked duplicate, which the
// generic list cannot.
void MapHostList(CXmlMapper &mapper, std::vector<std::unique_ptr<HostRecord>> &hosts, bool skipDuplicates, int &cut)
{
    if (!mapper.IsStoring()) {
        MapList(mapper, hosts, [&cut](CXmlMapper &m, HostRecord &host) { MapHost(m, host, cut); });
        return;
    }
    const XmlMappingDetail::ListTokens tokens(mapper);
    bool first = true;
    for (const auto &host : hosts) {
        if (skipDuplicates && host->duplicate)
            continue;
        if (!first)
            tokens.nextItem(mapper);
        first = false;
        MapHost(mapper, *host, cut);
    }
}

} // namespace

bool CLanterraDoc::MapDocument(CXmlMapper &mapper, bool skipDuplicates)
{
    return m_cache.WithLists([&](CHostCache::NetList &nets, CHostCache::HostList &hosts) {
        return MapDocument(mapper, nets, hosts, skipDuplicates);
    });
}

bool CLanterraDoc::MapDocument(CXmlMapper &mapper, std::vector<std::unique_ptr<NetRecord>> &nets,
                               std::vector<std::unique_ptr<HostRecord>> &hosts, bool skipDuplicates)
{
    if (!mapper.IsStoring())
        m_namesCut = 0;
    int &cut = m_namesCut;
    QString version = QStringLiteral("1.0");
    mapper.Token(u"@version");
    MapString(mapper, version);
    if (version != u"1.0")
        return false;

    mapper.Token(u"<view>");
    mapper.Token(u"@lastView");
    MapInt(mapper, m_lastView);
    mapper.Token(u"@lastSortCol");
    MapInt(mapper, m_lastSortCol);
    mapper.Token(u"@lastSortRev");
    MapInt(mapper, m_lastSortRev);
    mapper.Token(u"</view>");

    mapper.Token(u"<rules>");
    mapper.Token(u"@searchNetAll");
    MapInt(mapper, m_rules.searchNetAll);
    mapper.Token(u"@searchNetCurrent");
    MapInt(mapper, m_rules.searchNetCurrent);
    mapper.Token(u"@searchNetByList");
    MapInt(mapper, m_rules.searchNetByList);
    mapper.Token(u"@searchHostByList");
    MapInt(mapper, m_rules.searchHostByList);
    MapStringList(mapper, m_rules.nets, u"<nets>", u"</nets>", u"<net>", u"</net>", cut);
    MapStringList(mapper, m_rules.hosts, u"<hosts>", u"</hosts>", u"<host>", u"</host>", cut);
    // Older versions kept a blank line of the host list as a host of neither
    // name nor address; such an entry names nothing and goes at the next save.
    // A host list read from a file is not the user's word: a file may come
    // from anyone, and must not steer remembered logins.
    if (!mapper.IsStoring()) {
        m_rules.DropBlankHosts();
        m_rules.hostListConfirmed = false;
    }
    mapper.Token(u"<filters>");
    MapStringList(mapper, m_rules.excNets, u"<nets>", u"</nets>", u"<exc>", u"</exc>", cut);
    MapStringList(mapper, m_rules.excHosts, u"<hosts>", u"</hosts>", u"<exc>", u"</exc>", cut);
    mapper.Token(u"</filters>");
    mapper.Token(u"</rules>");

    mapper.Token(u"<cache>");
    mapper.Token(u"<nets>");
    mapper.Token(u"<net>");
    MapList(mapper, nets, [&cut](CXmlMapper &m, NetRecord &net) { MapNet(m, net, cut); });
    mapper.Token(u"</net>");
    mapper.Token(u"</nets>");
    mapper.Token(u"<hosts>");
    mapper.Token(u"<host>");
    MapHostList(mapper, hosts, skipDuplicates, cut);
    mapper.Token(u"</host>");
    mapper.Token(u"</hosts>");
    mapper.Token(u"</cache>");

    // Rules added after the first version stand behind the cache: a reader
    // that predates them stops at the end of the cache and never sees them,
    // and a file that predates them ends there, so they keep their defaults.
    // At their defaults they are not written: such a file is the same, byte
    // for byte, as one written before they existed.
    const bool moreRules = mapper.IsStoring() ? m_rules.searchAnnounced != 1 : mapper.HasNext(u"<moreRules>", 0);
    if (moreRules) {
        mapper.Token(u"<moreRules>");
        mapper.Token(u"@searchAnnounced");
        MapInt(mapper, m_rules.searchAnnounced);
        mapper.Token(u"</moreRules>");
    }
    return true;
}
