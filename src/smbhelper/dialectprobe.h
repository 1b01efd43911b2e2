// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "net/smbnegotiate.h"

#include <string>

// Asks the server at `server` (a name or an address), on port 445, which
// protocol it speaks: one negotiation, no login. Unknown when it does not
// answer within `timeoutMs`.
SmbNegotiate::Dialect ProbeDialect(const std::string &server, int timeoutMs);
