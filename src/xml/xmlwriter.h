// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "xmlmapper.h"

// Writes the mapped tokens and values as indented XML text: one blank per
// level, CRLF line breaks, elements into which nothing was written left out.
//
// Values are written as they stand and escaped only where the text would
// otherwise read back wrong (see XmlEscape).
class CXmlWriter final : public CXmlMapper
{
public:
    CXmlWriter();

    bool IsStoring() const override { return true; }
    bool HasNext(QStringView, int) override { return false; }
    QStringView GetElement() const override { return m_pendingElement; }
    QString GetEndTag() const override { return EndTagFor(m_pendingElement); }
    QStringView GetAttribute() const override { return m_pendingAttribute; }
    void Token(QStringView token) override;
    void MapString(QString &buffer) override;
    void MapInt(int &value) override;
    void Text(QStringView &text) override;

    const QString &output() const { return m_output; }

private:
    void flush(bool valueFollows);
    void appendValue(QStringView value, bool inAttribute);
    void appendLineBreak(int indent);

    int m_depth = 0;
    QStringView m_pendingElement;
    QStringView m_lastClosed;
    QStringView m_pendingAttribute;
    bool m_inStartTag = false;
    QString m_output;
};
