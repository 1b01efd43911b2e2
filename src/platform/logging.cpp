// SPDX-License-Identifier: GPL-3.0-or-later
#include "logging.h"

Q_LOGGING_CATEGORY(lcScan, "lanterra.scan", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNet, "lanterra.net", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFile, "lanterra.file", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "lanterra.ui", QtWarningMsg)

namespace Logging {

void EnableVerbose()
{
    QLoggingCategory::setFilterRules(QStringLiteral("lanterra.*=true"));
}

} // namespace Logging
