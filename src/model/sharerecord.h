// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sharestate.h"

#include <QString>

#include <atomic>

struct HostRecord;

// One disk share of a host.
struct ShareRecord
{
    ShareRecord() = default;
    ShareRecord(QString shareName, HostRecord *owningHost) : name(std::move(shareName)), host(owningHost) {}
    ShareRecord(const ShareRecord &) = delete;
    ShareRecord &operator=(const ShareRecord &) = delete;

    // As the server reports it; hidden shares keep their trailing '$'.
    QString name;
    // Position in the document's shareList; the list view's item identifier.
    int index = 0;
    // Group of the current scheme (-1: none) and that group's visible flag.
    // Written under the document's sharesLock.
    int groupIndex = 0;
    int groupVisible = 0;
    // Probes write it while the user interface reads it.
    std::atomic<ShareState> state{ShareUnknown};
    HostRecord *host = nullptr;
};
