// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// Values are written as they stand, as every program that reads these files
// expects: a bare '&', tabs and line breaks included. Only what would end
// the value early or read back as something else is escaped: '"' in an
// attribute value (&quot;), '<' in element text (&lt;), and a '&' that
// XmlUnescape would take as the start of a reference (&amp;). Such files
// are not well-formed XML for other tools; the format's own readers come
// first.
void XmlEscape(QString &out, QStringView value, bool inAttribute);

// Decodes the predefined entities (&amp; &lt; &gt; &quot; &apos;) and
// character references (&#10; &#x2028;). A '&' that starts none of them is
// taken as it stands: that is how the writer leaves it.
QString XmlUnescape(QStringView value);
