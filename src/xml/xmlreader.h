// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "xmlmapper.h"

#include <algorithm>

// Takes values from text in the order the mapping routine asks for them.
// Element names are checked, attributes are taken by position whatever their
// names, and no tree is built. The first element whose name differs from the
// expected one freezes the reader: from then on strings read empty, integers
// 0, and every list ends.
//
// The reader never looks beyond the end of its text.
class CXmlReader final : public CXmlMapper
{
public:
    CXmlReader() = default;

    bool IsStoring() const override { return false; }
    bool HasNext(QStringView elementToken, int index) override;
    QStringView GetElement() const override { return m_pendingElement; }
    QString GetEndTag() const override { return EndTagFor(m_pendingElement); }
    QStringView GetAttribute() const override { return m_pendingAttribute; }
    void Token(QStringView token) override;
    void MapString(QString &buffer) override;
    void MapInt(int &value) override;
    void Text(QStringView &text) override;

    bool isFrozen() const { return m_frozenLevel != -1; }
    // After the root's close token: was the reader in step with the text all
    // the way to the root's end tag, with nothing but blanks and comments
    // after it? False for a text that ended early or held elements the
    // routine does not know where they would be lost on the next save.
    bool readToTheEnd();

private:
    QChar current() const { return m_pos < m_text.size() ? m_text[m_pos] : QChar(); }
    // Plain comparison: this runs at almost every character of a file.
    bool at(QStringView s) const
    {
        if (m_text.size() - m_pos < s.size())
            return false;
        const QChar *here = m_text.data() + m_pos;
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (here[i] != s[i])
                return false;
        }
        return true;
    }
    void stepPast(QStringView s);
    void stepTo(char16_t c);
    // Most calls find the text already at a name or value: keep that case inline.
    void skip()
    {
        if (m_pos < m_text.size()) {
            const char16_t c = m_text[m_pos].unicode();
            if (c != u'<' && c != u' ' && c != u'\r' && c != u'\n' && c != u'\t')
                return;
        }
        skipSlow();
    }
    void skipSlow();
    static bool sameName(QStringView a, QStringView b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }
    QStringView readName(bool stopAtSlash);
    void consumeStartTag();
    void stepOverEndOfElement();
    QStringView readValue();

    int m_depth = 0;
    QStringView m_pendingElement;
    QStringView m_lastClosed;
    QStringView m_pendingAttribute;
    int m_frozenLevel = -1;
    bool m_rootEndTagFound = false;
    QStringView m_text;
    qsizetype m_pos = 0;
};
