// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/toolkit/plaintext.h"

#include <QString>

// How texts from the network or from files are put on screen: always as
// plain text, never as markup, and without hidden characters that could
// break the line or disguise the name.

// A name as the list shows it: hidden characters written out (\u202E...)
// and the whole isolated in its own direction (FSI ... PDI), so a name
// written right to left does not reorder what stands beside it.
QString DisplayName(const QString &name);

