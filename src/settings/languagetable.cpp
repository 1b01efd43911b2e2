// SPDX-License-Identifier: GPL-3.0-or-later
#include "languagetable.h"

#include "xml/xmlmapping.h"

namespace {

// The strings of one section. They are read one element at a time rather
// than through the list protocol: a section element holds only its name
// attribute and its string children.
void MapSection(CXmlMapper &mapper, CLanguageTable::Section &section)
{
    if (mapper.IsStoring()) {
        for (auto &[number, text] : section) {
            int id = number;
            mapper.Token(u"<string>");
            mapper.Token(u"@id");
            mapper.MapInt(id);
            mapper.Token(u"@text");
            MapString(mapper, text);
            mapper.Token(u"</string>");
        }
        return;
    }
    while (mapper.HasNext(u"<string>", int(section.size()))) {
        int id = 0;
        QString text;
        mapper.Token(u"<string>");
        mapper.Token(u"@id");
        mapper.MapInt(id);
        mapper.Token(u"@text");
        MapString(mapper, text);
        mapper.Token(u"</string>");
        section[id] = text; // a number given twice keeps the later text
    }
}

} // namespace

QString CLanguageTable::LookupText(const QString &section, int number, const QString &defaultText)
{
    QString &text = m_sections[section][number];
    if (text.isEmpty())
        text = defaultText;
    return text;
}

void MapLanguageHeader(CXmlMapper &mapper, LanguageRecord &header)
{
    mapper.Token(u"@format");
    MapString(mapper, header.format);
    mapper.Token(u"@title");
    MapString(mapper, header.title);
    mapper.Token(u"@author");
    MapString(mapper, header.author);
}

void CLanguageTable::MapLanguageFile(CXmlMapper &mapper, LanguageRecord &header)
{
    MapLanguageHeader(mapper, header);
    mapper.Token(u"<sections>");
    mapper.Token(u"<section>");
    mapper.Token(u"@name");
    // A section given twice replaces the earlier one as a whole.
    MapList(mapper, m_sections, MapSection);
    mapper.Token(u"</section>");
    mapper.Token(u"</sections>");
}

CLanguageTable &LanguageTable()
{
    static CLanguageTable table;
    return table;
}

QString LookupText(const QString &section, int number, const QString &defaultText)
{
    return LanguageTable().LookupText(section, number, defaultText);
}

CLanguageNotifier &CLanguageNotifier::instance()
{
    static CLanguageNotifier notifier;
    return notifier;
}
