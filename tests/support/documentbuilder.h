#pragma once

#include "model/lanterradoc.h"

#include <QString>
#include <QStringList>

// Builds documents in memory the way a scan fills them.
inline NetRecord *AddNet(CLanterraDoc &doc, const QString &name)
{
    doc.cacheNets.push_back(std::make_unique<NetRecord>(name));
    return doc.cacheNets.back().get();
}

// A host with shares, appended the way a probe appends them.
inline HostRecord *AddHost(CLanterraDoc &doc, NetRecord *net, const QString &name, const QString &addr,
                           const QStringList &shares = {})
{
    doc.cacheHosts.push_back(std::make_unique<HostRecord>(name, net, addr));
    HostRecord *host = doc.cacheHosts.back().get();
    for (const QString &shareName : shares)
        doc.AppendShare(*host, shareName, ShareUnknown);
    return host;
}
