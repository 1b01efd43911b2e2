// SPDX-License-Identifier: GPL-3.0-or-later
#include "processlimits.h"

#include <sys/resource.h>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace ProcessLimits {

void KeepSecretsOutOfDumps()
{
#ifdef __linux__
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
    // Elsewhere, and as a second guard: no core file at all.
    struct rlimit none = {0, 0};
    struct rlimit now = {};
    if (::getrlimit(RLIMIT_CORE, &now) == 0 && now.rlim_cur != 0) {
        none.rlim_max = now.rlim_max;
        ::setrlimit(RLIMIT_CORE, &none);
    }
}

bool IsDumpable()
{
#ifdef __linux__
    return ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0;
#else
    struct rlimit now = {};
    return ::getrlimit(RLIMIT_CORE, &now) != 0 || now.rlim_cur != 0;
#endif
}

long RaiseDescriptorLimit()
{
    struct rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    if (limit.rlim_cur < limit.rlim_max) {
        struct rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return limit.rlim_cur == RLIM_INFINITY ? -1 : long(limit.rlim_cur);
}

} // namespace ProcessLimits
