// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// Values are written as well-formed XML: '&' and '<' always escaped, '"' in
// attribute values too, and the line breaks and tabs that an XML parser
// would turn into blanks as character references. Element text escapes a
// '>' only where it would end "]]>".
void XmlEscape(QString &out, QStringView value, bool inAttribute);

// Decodes the predefined entities (&amp; &lt; &gt; &quot; &apos;) and
// character references (&#10; &#x2028;). A '&' that starts none of them is
// taken as it stands, as files of older versions wrote it.
QString XmlUnescape(QStringView value);
