// SPDX-License-Identifier: GPL-3.0-or-later
#include "xmlmapper.h"

CXmlMapper *CXmlMapper::AddRef()
{
    ++m_refs;
    return this;
}

CXmlMapper *CXmlMapper::Release()
{
    if (--m_refs > 0)
        return this;
    delete this;
    return nullptr;
}

QString CXmlMapper::EndTagFor(QStringView openToken)
{
    return QStringLiteral("</") + openToken.mid(1).toString();
}
