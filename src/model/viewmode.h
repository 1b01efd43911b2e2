// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the share list is shown. The numbers are the document's lastView
// values (its view element's lastView attribute), so they must not move.
enum ViewMode : int { ModeDetails = 1, ModeList = 2, ModeTiles = 4 };
