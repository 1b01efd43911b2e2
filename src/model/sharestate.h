// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the last probe (or the load) said about a share. The numbers are the
// image indexes of the list view and its sort weight, so they must not move.
enum ShareState : int {
    ShareUnknown = 0,
    ShareOffline = 1,
    ShareOnline = 2,
    ShareHostRenamed = 3,
    ShareRemoved = 4,
};

// Where a workgroup stands within one scan.
enum NetState : int {
    NetPending = 1, // to be enumerated, or being enumerated
    NetListed = 2,  // enumeration finished, hostNames ready to be merged
    NetDone = 3,    // merged, or not enumerated in this scan
};
