// SPDX-License-Identifier: GPL-3.0-or-later
#include "xmlmapping.h"

void MapString(CXmlMapper &mapper, QString &value)
{
    if (mapper.IsStoring()) {
        // The writer only reads the string.
        mapper.MapString(value);
        return;
    }
    // A value missing from the text reads as the empty string.
    QString buffer;
    mapper.MapString(buffer);
    value = std::move(buffer);
}

void MapBool(CXmlMapper &mapper, bool &value)
{
    QString text = value ? QStringLiteral("true") : QStringLiteral("false");
    MapString(mapper, text);
    if (!mapper.IsStoring())
        value = text == u"true";
}

void MapInt(CXmlMapper &mapper, int &value)
{
    mapper.MapInt(value);
}
