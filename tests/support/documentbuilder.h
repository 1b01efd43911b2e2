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
    return doc.AddNet(name);
}

// A host with shares, appended the way a probe appends them.
inline HostRecord *AddHost(CLanterraDoc &doc, NetRecord *net, const QString &name, const QString &addr,
                           const QStringList &shares = {})
{
    HostRecord *host = doc.AddHost(name, net, addr);
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
        for (auto &net : doc.cacheNets())
            if (net->name == name)
                return net.get();
        return doc.AddNet(name);
    }

    HostRecord *Host(const QString &name, const QString &workgroup = QStringLiteral("WORKGROUP"),
                     const QString &address = {})
    {
        HostRecord *host = doc.AddHost(name, Net(workgroup), address);
        host->group = workgroup;
        return host;
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
