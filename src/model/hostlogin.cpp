// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostlogin.h"

#include "model/hostrecord.h"
#include "net/neterrors.h"

bool IsLoginNeeded(const HostRecord &host)
{
    return !host.duplicate && host.lastState == int(NetError::AccessDenied);
}
