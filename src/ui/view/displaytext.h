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
// An empty name stays empty: there is nothing to isolate.
QString DisplayName(const QString &name);

// A name as a screen reader gets it: hidden characters written out as the
// list shows them, but without the isolating marks, which mean nothing to a
// listener.
QString AccessibleName(const QString &name);
