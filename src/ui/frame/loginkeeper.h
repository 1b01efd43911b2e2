// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/hostlogins.h"

// The desktop's secret store as the window's keeper of logins; a keeper that
// keeps nothing in a build without one.
LoginKeeper DesktopLoginKeeper();
