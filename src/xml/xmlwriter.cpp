// SPDX-License-Identifier: GPL-3.0-or-later
#include "xmlwriter.h"

#include "xmlescape.h"

CXmlWriter::CXmlWriter()
{
    // Large network documents are built without reallocating.
    m_output.reserve(0x80000);
}

void CXmlWriter::appendLineBreak(int indent)
{
    m_output += u"\r\n";
    m_output.append(QString(indent, u' '));
}

void CXmlWriter::flush(bool valueFollows)
{
    if (!m_pendingElement.isNull()) {
        if (m_inStartTag) {
            m_output += u"\">";
            m_inStartTag = false;
        }
        if (m_depth != 1)
            m_output += u"\r\n";
        m_output.append(QString(m_depth - 1, u' '));
        if (!m_pendingAttribute.isNull()) {
            m_output += m_pendingElement.chopped(1);
            m_output += u' ';
            m_output += m_pendingAttribute.mid(1);
            m_output += u"=\"";
            m_inStartTag = true;
            m_pendingAttribute = {};
        } else {
            m_output += m_pendingElement;
        }
        m_pendingElement = {};
    } else if (valueFollows && m_inStartTag) {
        if (!m_pendingAttribute.isNull()) {
            m_output += u"\" ";
            m_output += m_pendingAttribute.mid(1);
            m_output += u"=\"";
            m_pendingAttribute = {};
        } else {
            m_output += u"\">";
            m_inStartTag = false;
        }
    }
}

void CXmlWriter::Token(QStringView token)
{
    if (IsAttributeToken(token)) {
        m_pendingAttribute = token;
    } else if (IsCommentToken(token)) {
        // comments are not written
    } else if (IsCloseToken(token)) {
        if (m_pendingElement.isNull()) {
            if (m_inStartTag) {
                m_output += u"\" />";
                m_inStartTag = false;
            } else if (!m_lastClosed.isNull()) {
                appendLineBreak(m_depth - 1);
                m_output += token;
            } else {
                m_output += token;
            }
        }
        m_pendingElement = {};
        m_pendingAttribute = {};
        m_lastClosed = token;
        --m_depth;
    } else if (IsOpenToken(token)) {
        flush(false);
        m_pendingElement = token;
        m_lastClosed = {};
        m_pendingAttribute = {};
        ++m_depth;
    }
}

void CXmlWriter::appendValue(QStringView value, bool inAttribute)
{
    XmlEscape(m_output, value, inAttribute);
}

void CXmlWriter::MapString(QString &buffer)
{
    flush(true);
    appendValue(buffer, m_inStartTag);
}

void CXmlWriter::MapInt(int &value)
{
    flush(true);
    m_output += QString::number(value);
}

void CXmlWriter::Text(QStringView &text)
{
    text = m_output;
}
