// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Names come from other machines and from files the user was handed. Where
// they are printed or shown, characters without a shape of their own must
// not break lines, reorder the text around them or hide part of a name.
namespace VisibleText {

// Control characters (line feed, NEL...), the line and paragraph
// separators, and the invisible format characters: direction overrides,
// embeddings and isolates, zero-width spaces, the byte-order mark, soft
// hyphen. The joiners that emoji and several scripts need (U+200C, U+200D)
// and the emoji tag characters are not counted. A lone surrogate is.
bool IsHidden(char32_t c);

// `text` with every hidden character written as \uXXXX (\UXXXXXXXX past
// U+FFFF); the same text when it holds none.
QString EscapeHidden(const QString &text);

} // namespace VisibleText
