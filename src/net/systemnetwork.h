// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netprovider.h"

#include <memory>

// The platform's network: Windows networking on Windows, Samba elsewhere.
std::unique_ptr<INetProvider> CreateSystemNetwork();
