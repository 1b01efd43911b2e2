// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every test program: documents made by a test scan with the
// scan driver, as the program's documents do.
#include "scan/scandriver.h"

namespace {

[[maybe_unused]] const bool installed = [] {
    CScanDriver::InstallAsScanEngine();
    return true;
}();

} // namespace
