// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/iconlibrary.h"

#include <QIcon>
#include <QImage>

// Pictures of an icon library as Qt icons.

// One stored picture decoded; null when its data is damaged.
QImage IconLibraryImage(const IconImage &image);
// Icon group `number` with every size it has; a null icon when the library
// lacks it (callers then keep the picture they had).
QIcon IconFromLibrary(const CIconLibrary &library, int number);
// Replaces `icon` with the library's icon `number` when there is one.
bool ReplaceFromLibrary(QIcon &icon, const CIconLibrary *library, int number);
