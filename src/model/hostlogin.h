// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>
#include <vector>

class CLanterraDoc;
struct HostRecord;

// Why a host is shown as one entry of its own instead of its shares: it
// answered, but something the user can change stands in the way.
enum class HostEntry {
    None,
    // It refused to list its shares without a login.
    LoginNeeded,
    // It speaks only SMB1, which listings leave out unless the user allows it.
    Smb1Only,
};

// The host's entry by its last listing. Every front end shows such a host
// as one entry, whatever shares it had listed before, so the user sees that
// a login or a setting, not the network, stands in the way. Duplicates of
// another record are left to that record.
HostEntry HostEntryOf(const HostRecord &host);
// A host whose last listing ended with access denied.
bool IsLoginNeeded(const HostRecord &host);

// Every host of `doc` with an entry now, read while the running scan (if
// any) writes nothing, with the length of the document's host queue at that
// moment in `queued`: what the queue gets later is news.
std::vector<std::pair<HostRecord *, HostEntry>> EntryHosts(CLanterraDoc &doc, int &queued);

// The share indexes of `host`, in the order it listed them.
std::vector<int> ShareIndexesOf(const CLanterraDoc &doc, const HostRecord &host);
