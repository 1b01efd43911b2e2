// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sharestate.h"

#include <QString>
#include <QStringList>

#include <atomic>

class CLanterraDoc;

// One workgroup or domain.
struct NetRecord
{
    NetRecord() = default;
    explicit NetRecord(QString netName, NetState initialState = NetDone)
        : name(std::move(netName)), state(initialState)
    {}
    NetRecord(const NetRecord &) = delete;
    NetRecord &operator=(const NetRecord &) = delete;

    // Empty for the workgroup that holds the hosts the user listed by hand.
    QString name;
    // True while an enumeration thread works on this record and has not yet
    // opened the enumeration.
    std::atomic<bool> isOpening{false};
    CLanterraDoc *owner = nullptr;
    // Filled by the enumeration thread; the driver reads it only after it has
    // seen NetListed (the state is stored with release, loaded with acquire).
    QStringList hostNames;
    std::atomic<NetState> state{NetDone};
};
