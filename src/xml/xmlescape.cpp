#include "xmlescape.h"

namespace {

bool startsEscape(QStringView rest)
{
    return rest.startsWith(u"&quot;") || rest.startsWith(u"&lt;") || rest.startsWith(u"&amp;");
}

} // namespace

void XmlEscape(QString &out, QStringView value, bool inAttribute)
{
    const char16_t special = inAttribute ? u'"' : u'<';
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        const char16_t *replacement = nullptr;
        if (c == special)
            replacement = inAttribute ? u"&quot;" : u"&lt;";
        else if (c == u'&' && startsEscape(value.mid(i)))
            replacement = u"&amp;";
        if (!replacement)
            continue;
        out += value.mid(plainFrom, i - plainFrom);
        out += QStringView(replacement);
        plainFrom = i + 1;
    }
    out += value.mid(plainFrom);
}

QString XmlUnescape(QStringView value)
{
    if (!value.contains(u'&'))
        return value.toString();
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QStringView rest = value.mid(i);
        if (rest.startsWith(u"&quot;")) {
            out += u'"';
            i += 5;
        } else if (rest.startsWith(u"&lt;")) {
            out += u'<';
            i += 3;
        } else if (rest.startsWith(u"&amp;")) {
            out += u'&';
            i += 4;
        } else {
            out += value[i];
        }
    }
    return out;
}
