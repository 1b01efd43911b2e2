#pragma once

#include <QString>

// How texts from the network or from files are put on screen: always as
// plain text, never as markup, and without hidden characters that could
// break the line or disguise the name.

// A name as the list shows it: hidden characters written out (\u202E...)
// and the whole isolated in its own direction (FSI ... PDI), so a name
// written right to left does not reorder what stands beside it.
QString DisplayName(const QString &name);

// A tool tip that shows `text` exactly as written. Qt takes any tool tip
// that looks like markup for rich text (a share named <img src=...> would
// make it load a file), so such a text goes in escaped, inside markup of
// our own that keeps its spaces and line breaks; any other stays as it is.
QString PlainToolTip(const QString &text);
