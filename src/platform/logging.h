// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// Where failures are reported. Warnings show by default, debug messages only
// when asked for (QT_LOGGING_RULES="lanterra.*.debug=true", or
// lanterra-scan --verbose). Never put a password into a message.
Q_DECLARE_LOGGING_CATEGORY(lcScan) // "lanterra.scan": the scan's steps and its threads
Q_DECLARE_LOGGING_CATEGORY(lcNet) // "lanterra.net": probes, name queries, the listing helper
Q_DECLARE_LOGGING_CATEGORY(lcFile) // "lanterra.file": reading and writing files
Q_DECLARE_LOGGING_CATEGORY(lcUi) // "lanterra.ui": what the window starts (browsers, file managers)

namespace Logging {

// Turns on every message of the categories above, debug included.
void EnableVerbose();

} // namespace Logging
