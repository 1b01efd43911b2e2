#pragma once

#include <QString>
#include <QStringView>

// The only escapes the files know: &quot; inside attribute values, &lt; inside
// element text, and &amp; in front of text that would read as one of the three.
void XmlEscape(QString &out, QStringView value, bool inAttribute);
QString XmlUnescape(QStringView value);
