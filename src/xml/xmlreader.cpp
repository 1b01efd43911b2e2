// SPDX-License-Identifier: GPL-3.0-or-later
#include "xmlreader.h"

#include "xmlescape.h"

#include <limits>

namespace {

bool isBlank(QChar c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

// atol's reading: leading white space, an optional sign, then digits up to
// the first other character. Saturates instead of overflowing.
int parseDecimal(QStringView text)
{
    // The value passes through a multibyte buffer of at most 20 bytes.
    text = text.left(20);
    qsizetype i = 0;
    while (i < text.size() && (isBlank(text[i]) || text[i] == u'\v' || text[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            break;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(value);
}

} // namespace

void CXmlReader::stepPast(QStringView s)
{
    const qsizetype found = m_text.indexOf(s, m_pos);
    m_pos = found < 0 ? m_text.size() : found + s.size();
}

void CXmlReader::stepTo(char16_t c)
{
    // Values and tags are short: a plain loop beats a library search here.
    const QChar *text = m_text.data();
    const qsizetype size = m_text.size();
    while (m_pos < size && text[m_pos] != c)
        ++m_pos;
}

void CXmlReader::skipSlow()
{
    for (;;) {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
        if (current() != u'<')
            return;
        if (at(u"<!")) {
            m_pos += 2;
            stepPast(u"-->");
        } else if (at(u"<?")) {
            m_pos += 2;
            stepPast(u"?>");
        } else {
            return;
        }
    }
}

// A start tag's name: the '<' and what follows up to a blank, '>', end of
// text or (when asked) '/'.
QStringView CXmlReader::readName(bool stopAtSlash)
{
    const qsizetype start = m_pos;
    if (m_pos < m_text.size())
        ++m_pos;
    while (m_pos < m_text.size()) {
        const QChar c = m_text[m_pos];
        if (c == u' ' || c == u'>' || (stopAtSlash && c == u'/'))
            break;
        ++m_pos;
    }
    return m_text.mid(start, m_pos - start);
}

void CXmlReader::consumeStartTag()
{
    skip();
    if (current() == u'>')
        ++m_pos; // closes the parent's start tag
    skip();
    const QStringView name = readName(true);
    skip();
    if (name.isEmpty() || !sameName(name, m_pendingElement.chopped(1)))
        m_frozenLevel = m_depth;
    m_pendingElement = {};
}

void CXmlReader::stepOverEndOfElement()
{
    if (at(u"</")) {
        stepTo(u'>');
        if (m_pos < m_text.size())
            ++m_pos;
    } else if (at(u"/>")) {
        m_pos += 2;
    }
}

bool CXmlReader::HasNext(QStringView elementToken, int index)
{
    // Once out of step with the text nothing more is found, so lists end.
    if (isFrozen())
        return false;
    const qsizetype saved = m_pos;
    skip();
    if (current() == u'>')
        ++m_pos;
    skip();
    if (index != 0) {
        stepOverEndOfElement();
        skip();
    }
    bool found = false;
    if (current() == u'<' && !at(u"</")) {
        const QStringView name = readName(true);
        found = sameName(name, elementToken.chopped(1));
    }
    m_pos = saved;
    return found;
}

void CXmlReader::Token(QStringView token)
{
    if (IsAttributeToken(token)) {
        m_pendingAttribute = token;
    } else if (IsCommentToken(token)) {
        // comments carry nothing
    } else if (IsCloseToken(token)) {
        if (m_pendingElement.isNull()) {
            skip();
            if (current() == u'>')
                ++m_pos;
            skip();
            // The root's end tag is the only one whose name is checked: it
            // tells a whole text from one that ended or went astray earlier.
            if (m_depth == 1)
                m_rootEndTagFound = !isFrozen() && at(token);
            stepOverEndOfElement();
        }
        m_pendingElement = {};
        m_pendingAttribute = {};
        m_lastClosed = token;
        --m_depth;
    } else if (IsOpenToken(token)) {
        if (!m_pendingElement.isNull() && !isFrozen())
            consumeStartTag();
        m_pendingElement = token;
        m_lastClosed = {};
        m_pendingAttribute = {};
        ++m_depth;
    }
}

QStringView CXmlReader::readValue()
{
    if (isFrozen()) {
        stepTo(u'<');
        return {};
    }
    if (!m_pendingElement.isNull())
        consumeStartTag(); // a mismatch freezes later calls, this one goes on
    if (!m_pendingAttribute.isNull()) {
        skip();
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos];
            if (c == u'=' || c == u'\t' || c == u'\n' || c == u'\r')
                break;
            ++m_pos;
        }
        skip();
        if (current() == u'=')
            ++m_pos;
        skip();
        if (current() == u'"')
            ++m_pos;
        const qsizetype start = m_pos;
        stepTo(u'"');
        const QStringView value = m_text.mid(start, m_pos - start);
        if (current() == u'"')
            ++m_pos;
        skip();
        m_pendingAttribute = {};
        return value;
    }
    skip();
    if (current() == u'>')
        ++m_pos;
    const qsizetype start = m_pos;
    stepTo(u'<');
    return m_text.mid(start, m_pos - start);
}

void CXmlReader::MapString(QString &buffer)
{
    buffer = XmlUnescape(readValue());
}

void CXmlReader::MapInt(int &value)
{
    value = parseDecimal(readValue());
}

bool CXmlReader::readToTheEnd()
{
    if (!m_rootEndTagFound || isFrozen())
        return false;
    skip();
    return m_pos >= m_text.size();
}

void CXmlReader::Text(QStringView &text)
{
    m_text = text;
    m_pos = (!text.isEmpty() && text[0] == QChar(0xFEFF)) ? 1 : 0;
}
