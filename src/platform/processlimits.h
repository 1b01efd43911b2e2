// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the process asks of the system for itself: no core dumps once it
// holds a password, and as many descriptors as it may have.
namespace ProcessLimits {

// From now on the process writes no core dump and other processes of the
// user cannot read its memory (Linux: not dumpable). A password typed or
// read from the store must not end up in a core file. Idempotent; safe
// from any thread.
void KeepSecretsOutOfDumps();

// Whether the process may be dumped (true where the system cannot say).
bool IsDumpable();

// Raises the soft limit of open descriptors to the hard one. Returns the
// soft limit in force afterwards (-1 when unknown or unlimited). A desktop
// session's default soft limit (often 1,024, sometimes far less) would
// otherwise cap how many addresses a sweep checks at once.
long RaiseDescriptorLimit();

} // namespace ProcessLimits
