#include "xmlmapping.h"

void MapString(CXmlMapper &mapper, QString &value)
{
    QString buffer;
    if (mapper.IsStoring())
        buffer = value;
    mapper.MapString(buffer);
    if (!mapper.IsStoring())
        value = buffer;
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
