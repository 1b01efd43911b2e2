// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct HostRecord;

// A host that refused to list its shares without a login (its last listing
// ended with access denied). Every front end shows such a host as one entry
// of its own, whatever shares it had listed before, so the user sees that a
// login, not the network, stands in the way. Duplicates of another record are
// left to that record.
bool IsLoginNeeded(const HostRecord &host);
