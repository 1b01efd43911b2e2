// SPDX-License-Identifier: GPL-3.0-or-later
#include "processlimits.h"

namespace ProcessLimits {

// Windows writes no core files of its own, and its sockets are not counted
// against a descriptor limit.
void KeepSecretsOutOfDumps() {}

bool IsDumpable()
{
    return true;
}

long RaiseDescriptorLimit()
{
    return -1;
}

} // namespace ProcessLimits
