// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/lanterradoc.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <span>

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

// Builds a network into a document the way a load or a probe would.
class DocBuilder
{
public:
    explicit DocBuilder(CLanterraDoc &document) : doc(document) {}

    NetRecord *Net(const QString &name)
    {
        for (auto &net : doc.cacheNets)
            if (net->name == name)
                return net.get();
        doc.cacheNets.push_back(std::make_unique<NetRecord>(name));
        return doc.cacheNets.back().get();
    }

    HostRecord *Host(const QString &name, const QString &workgroup = QStringLiteral("WORKGROUP"),
                     const QString &address = {})
    {
        doc.cacheHosts.push_back(std::make_unique<HostRecord>(name, Net(workgroup), address));
        doc.cacheHosts.back()->group = workgroup;
        return doc.cacheHosts.back().get();
    }

    // Appends a share to its host and to the share list; its index.
    int Share(HostRecord *host, const QString &name, ShareState state = ShareOnline)
    {
        return doc.AppendShare(*host, name, state)->index;
    }

    // A probe's state change, queued for the view.
    void Change(int index, ShareState state)
    {
        ShareRecord *share = doc.GetShare(index);
        doc.QueueShares(std::span(&share, 1), state);
    }

    CLanterraDoc &doc;
};
