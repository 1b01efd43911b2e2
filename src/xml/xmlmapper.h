// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// A mapper takes the fixed sequence of tokens and values that a record's
// mapping routine issues, and either writes them out as text (CXmlWriter)
// or takes them from text (CXmlReader). Tokens are views of strings that
// outlive the mapping run (string literals in practice); they are not copied.
//
// Token forms: "<name>" opens an element, "</name>" closes it, "@name" names
// the attribute of the next value, "<!..." is a comment that is ignored.
class CXmlMapper
{
public:
    CXmlMapper(const CXmlMapper &) = delete;
    CXmlMapper &operator=(const CXmlMapper &) = delete;

    // Mappers are reference counted and start with one reference; Release
    // deletes the mapper at zero and then answers nullptr.
    CXmlMapper *AddRef();
    CXmlMapper *Release();

    virtual bool IsStoring() const = 0;
    // Reader only: does the text continue with an `elementToken` element?
    // `index` is the number of list items read so far.
    virtual bool HasNext(QStringView elementToken, int index) = 0;
    // The pending open-element token, or a null view.
    virtual QStringView GetElement() const = 0;
    // "</name>" for the pending "<name>" element.
    virtual QString GetEndTag() const = 0;
    // The pending attribute token, or a null view.
    virtual QStringView GetAttribute() const = 0;
    virtual void Token(QStringView token) = 0;
    virtual void MapString(QString &buffer) = 0;
    virtual void MapInt(int &value) = 0;
    // The writer hands out its whole output; the reader takes `text` as input.
    virtual void Text(QStringView &text) = 0;

protected:
    CXmlMapper() = default;
    virtual ~CXmlMapper() = default;

    static QString EndTagFor(QStringView openToken);

private:
    int m_refs = 1;
};

// Token kinds by their first characters; plain character tests, since every
// value of a file passes through them.
inline bool IsAttributeToken(QStringView t) { return !t.isEmpty() && t[0] == u'@'; }
inline bool IsOpenToken(QStringView t) { return !t.isEmpty() && t[0] == u'<'; }
inline bool IsCloseToken(QStringView t) { return t.size() > 1 && t[0] == u'<' && t[1] == u'/'; }
inline bool IsCommentToken(QStringView t) { return t.size() > 1 && t[0] == u'<' && t[1] == u'!'; }

// Drops the caller's reference at scope exit.
class CXmlMapperRef
{
public:
    explicit CXmlMapperRef(CXmlMapper *mapper) : m_mapper(mapper) {}
    ~CXmlMapperRef() { if (m_mapper) m_mapper->Release(); }
    CXmlMapperRef(const CXmlMapperRef &) = delete;
    CXmlMapperRef &operator=(const CXmlMapperRef &) = delete;
    CXmlMapper &operator*() const { return *m_mapper; }
    CXmlMapper *operator->() const { return m_mapper; }

private:
    CXmlMapper *m_mapper;
};
