// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

class CLanterraDoc;
struct HostRecord;

// A host that refused to list its shares without a login (its last listing
// ended with access denied). Every front end shows such a host as one entry
// of its own, whatever shares it had listed before, so the user sees that a
// login, not the network, stands in the way. Duplicates of another record are
// left to that record.
bool IsLoginNeeded(const HostRecord &host);

// Every host of `doc` that needs a login now, read while the running scan
// (if any) writes nothing, with the length of the document's host queue at
// that moment in `queued`: what the queue gets later is news.
std::vector<HostRecord *> LoginNeededHosts(CLanterraDoc &doc, int &queued);

// The share indexes of `host`, in the order it listed them.
std::vector<int> ShareIndexesOf(const CLanterraDoc &doc, const HostRecord &host);
