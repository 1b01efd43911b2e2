// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "xmlmapper.h"

// An inert mapper for places where a mapper reference must hold something.
class CXmlNullMapper final : public CXmlMapper
{
public:
    CXmlNullMapper() = default;

    bool IsStoring() const override { return false; }
    bool HasNext(QStringView, int) override { return false; }
    QStringView GetElement() const override { return u"<none>"; }
    QString GetEndTag() const override { return QStringLiteral("</none>"); }
    QStringView GetAttribute() const override { return {}; }
    void Token(QStringView) override {}
    void MapString(QString &) override {}
    void MapInt(int &) override {}
    void Text(QStringView &) override {}
};
