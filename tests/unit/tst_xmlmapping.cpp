// SPDX-License-Identifier: GPL-3.0-or-later
// Writer and reader of the mapping library, driven through the same routines.
#include "xml/xmldocument.h"
#include "xml/xmlmapping.h"
#include "xml/xmlnullmapper.h"
#include "xml/xmlreader.h"
#include "xml/xmlwriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {

struct Sample
{
    QString version = QStringLiteral("1.0");
    QString document;
    bool browse = false;
    QString parm;
    int count = 0;
};

void mapSample(CXmlMapper &m, Sample &s)
{
    m.Token(u"@version");
    MapString(m, s.version);
    m.Token(u"<document>");
    m.Token(u"@name");
    MapString(m, s.document);
    m.Token(u"</document>");
    m.Token(u"<application>");
    m.Token(u"@default");
    MapBool(m, s.browse);
    m.Token(u"<parm>");
    MapString(m, s.parm);
    m.Token(u"</parm>");
    m.Token(u"</application>");
}

QString writeRoot(const std::function<void(CXmlMapper &)> &routine, QStringView root = u"settings")
{
    const QString open = u'<' + root.toString() + u'>';
    const QString close = QStringLiteral("</") + root.toString() + u'>';
    CXmlMapperRef writer(new CXmlWriter);
    writer->Token(open);
    routine(*writer);
    writer->Token(close);
    QStringView out;
    writer->Text(out);
    return out.toString();
}

void readRoot(const QString &text, const std::function<void(CXmlMapper &)> &routine, QStringView root = u"settings")
{
    const QString open = u'<' + root.toString() + u'>';
    const QString close = QStringLiteral("</") + root.toString() + u'>';
    CXmlMapperRef reader(new CXmlReader);
    QStringView view = text;
    reader->Text(view);
    reader->Token(open);
    routine(*reader);
    reader->Token(close);
}

} // namespace

TEST(XmlWriter, ProducesTheSixLineShape)
{
    Sample s;
    s.parm = QStringLiteral("/O /L=\"%s\"");
    const QString text = writeRoot([&](CXmlMapper &m) { mapSample(m, s); });
    EXPECT_EQ(text,
              u"<settings version=\"1.0\">\r\n"
              u" <document name=\"\" />\r\n"
              u" <application default=\"false\">\r\n"
              u"  <parm>/O /L=\"%s\"</parm>\r\n"
              u" </application>\r\n"
              u"</settings>");
}

TEST(XmlWriter, LeavesOutEmptyElementsAndKeepsEmptyContainers)
{
    const QString text = writeRoot([](CXmlMapper &m) {
        m.Token(u"<groups>");
        m.Token(u"<group>");
        m.Token(u"</group>");
        m.Token(u"</groups>");
        m.Token(u"<text>");
        QString empty;
        MapString(m, empty);
        m.Token(u"</text>");
        int minus = -42;
        m.Token(u"<n>");
        m.Token(u"@v");
        m.MapInt(minus);
        m.Token(u"</n>");
    });
    EXPECT_EQ(text, u"<settings>\r\n <groups>\r\n </groups>\r\n <text></text>\r\n <n v=\"-42\" />\r\n</settings>");
}

// Values are written as they stand; only what would end the value or read
// back as an escape is escaped. Every value comes back as it was.
struct WrittenValue
{
    const char *label;
    QString value;
    QString inAttribute; // as the attribute value is written
    QString inText; // as the element text is written
};

void PrintTo(const WrittenValue &row, std::ostream *out)
{
    *out << row.label;
}

class XmlValues : public ::testing::TestWithParam<WrittenValue>
{};

TEST_P(XmlValues, AreWrittenAsTheyStandAndReadBackExactly)
{
    const WrittenValue &row = GetParam();
    Sample s;
    s.document = row.value;
    s.parm = row.value;
    const QString text = writeRoot([&](CXmlMapper &m) { mapSample(m, s); });
    EXPECT_EQ(text, QStringLiteral("<settings version=\"1.0\">\r\n <document name=\"") + row.inAttribute
                        + QStringLiteral("\" />\r\n <application default=\"false\">\r\n  <parm>") + row.inText
                        + QStringLiteral("</parm>\r\n </application>\r\n</settings>"));

    Sample back;
    back.version.clear();
    readRoot(text, [&](CXmlMapper &m) { mapSample(m, back); });
    EXPECT_EQ(back.version, u"1.0");
    EXPECT_EQ(back.document, row.value);
    EXPECT_EQ(back.parm, row.value);
}

const QString Same = QStringLiteral("\x01same");

WrittenValue Row(const char *label, const QString &value, const QString &inAttribute = Same,
                 const QString &inText = Same)
{
    return {label, value, inAttribute == Same ? value : inAttribute, inText == Same ? value : inText};
}

INSTANTIATE_TEST_SUITE_P(
    Escaping, XmlValues,
    ::testing::Values(
        Row("RandD", QStringLiteral("R&D")), Row("TomAndJerry", QStringLiteral("Tom & Jerry")),
        Row("LoneAmpersand", QStringLiteral("&")), Row("AmpersandAtTheEnd", QStringLiteral("a&")),
        Row("AmpersandLetter", QStringLiteral("&x")), Row("AmpersandSemicolon", QStringLiteral("&;")),
        Row("TwoAmpersands", QStringLiteral("&&")),
        Row("EntityWithoutSemicolon", QStringLiteral("&amp &lt &#65 &#x41")),
        Row("NoCharacterReferences", QStringLiteral("&#; &#x; &#0; &#xD800; &#1114112; &unknown; &#X41;")),
        Row("AmpEntity", QStringLiteral("&amp;"), QStringLiteral("&amp;amp;"), QStringLiteral("&amp;amp;")),
        Row("EveryEntity", QStringLiteral("&lt;&gt;&quot;&apos;"),
            QStringLiteral("&amp;lt;&amp;gt;&amp;quot;&amp;apos;"),
            QStringLiteral("&amp;lt;&amp;gt;&amp;quot;&amp;apos;")),
        Row("DecimalReference", QStringLiteral("&#38;"), QStringLiteral("&amp;#38;"), QStringLiteral("&amp;#38;")),
        Row("HexReference", QStringLiteral("&#x26;"), QStringLiteral("&amp;#x26;"), QStringLiteral("&amp;#x26;")),
        Row("AmpersandBeforeEntity", QStringLiteral("&&amp;"), QStringLiteral("&&amp;amp;"),
            QStringLiteral("&&amp;amp;")),
        Row("QuoteAndLessThan", QStringLiteral("a\"b<c"), QStringLiteral("a&quot;b<c"), QStringLiteral("a\"b&lt;c")),
        Row("EscapesNextToAmpersands", QStringLiteral("&\"&<&"), QStringLiteral("&&quot;&<&"),
            QStringLiteral("&\"&&lt;&")),
        Row("GreaterThan", QStringLiteral("a>b ]]> >")), Row("Tab", QStringLiteral("a\tb")),
        Row("CarriageReturn", QStringLiteral("a\rb")), Row("LineFeed", QStringLiteral("a\nb")),
        Row("CrLf", QStringLiteral("\r\nline\r\n")), Row("Blanks", QStringLiteral("  both ends  ")),
        Row("MarkupLookalikes", QStringLiteral("<!-- c --><?pi?></parm>/>"),
            QStringLiteral("<!-- c --><?pi?></parm>/>"), QStringLiteral("&lt;!-- c -->&lt;?pi?>&lt;/parm>/>")),
        Row("NonBmp", QString::fromUcs4(U"\U0001F3B5 \U00020000")),
        Row("LoneSurrogates", QString(QChar(0xD800)) + u'x' + QChar(0xDC00)),
        Row("Nul", QStringLiteral("a") + QChar(0) + u'b'), Row("Empty", QString())),
    [](const ::testing::TestParamInfo<WrittenValue> &info) { return std::string(info.param.label); });

TEST(XmlReader, DecodesEntitiesAndTakesABareAmpersandAsItStands)
{
    auto readParm = [](const QString &value) {
        Sample back;
        readRoot(QStringLiteral("<settings version=\"1.0\"><document name=\"\" /><application default=\"false\">"
                                "<parm>%1</parm></application></settings>")
                     .arg(value),
                 [&](CXmlMapper &m) { mapSample(m, back); });
        return back.parm;
    };
    EXPECT_EQ(readParm(QStringLiteral("&amp;&lt;&gt;&quot;&apos;")), u"&<>\"'");
    EXPECT_EQ(readParm(QStringLiteral("&#65;&#x42;&#x1F3B5;&#10;")), u"AB\U0001F3B5\n");
    // What older versions wrote unescaped reads as it did then.
    EXPECT_EQ(readParm(QStringLiteral("Tom & Jerry")), u"Tom & Jerry");
    EXPECT_EQ(readParm(QStringLiteral("&amp &lt &#; &#x; &#0; &#xD800; &#1114112; &unknown; &")),
              u"&amp &lt &#; &#x; &#0; &#xD800; &#1114112; &unknown; &");
}

TEST(XmlReader, RoundTripsEveryValue)
{
    Sample s;
    s.document = QStringLiteral("C:\\My Networks\\Local Area Network.net");
    s.browse = true;
    s.parm = QStringLiteral("/O /L=\"%s\" ünï ✓");
    const QString text = writeRoot([&](CXmlMapper &m) { mapSample(m, s); });
    Sample back;
    back.version.clear();
    readRoot(text, [&](CXmlMapper &m) { mapSample(m, back); });
    EXPECT_EQ(back.version, u"1.0");
    EXPECT_EQ(back.document, s.document);
    EXPECT_TRUE(back.browse);
    EXPECT_EQ(back.parm, s.parm);
}

TEST(XmlReader, ReadsBooleansAndIntegersStrictly)
{
    auto readBool = [](const QString &value) {
        bool flag = true;
        readRoot(QStringLiteral("<settings a=\"") + value + QStringLiteral("\" />"), [&](CXmlMapper &m) {
            m.Token(u"@a");
            MapBool(m, flag);
        });
        return flag;
    };
    EXPECT_TRUE(readBool(QStringLiteral("true")));
    EXPECT_FALSE(readBool(QStringLiteral("True")));
    EXPECT_FALSE(readBool(QStringLiteral("1")));
    EXPECT_FALSE(readBool(QString()));

    auto readInt = [](const QString &value) {
        int n = 77;
        readRoot(QStringLiteral("<settings a=\"") + value + QStringLiteral("\" />"), [&](CXmlMapper &m) {
            m.Token(u"@a");
            m.MapInt(n);
        });
        return n;
    };
    EXPECT_EQ(readInt(QStringLiteral("-5")), -5);
    EXPECT_EQ(readInt(QStringLiteral("  +12abc")), 12);
    EXPECT_EQ(readInt(QStringLiteral("abc")), 0);
    EXPECT_EQ(readInt(QString()), 0);
    EXPECT_EQ(readInt(QStringLiteral("99999999999999")), 2147483647);
}

TEST(XmlReader, TakesAttributesByPosition)
{
    Sample back;
    back.version.clear();
    // Renamed attributes change nothing; the header comment and an
    // instruction are skipped; so is a comment between attributes.
    readRoot(QStringLiteral("<?xml version=\"1.0\"?>\n<!-- c -->\n<settings vers=\"1.0\">\r\n"
                            " <document <!-- inside --> other=\"doc\" />\r\n"
                            " <application default=\"true\">\r\n  <parm>p</parm>\r\n </application>\r\n</settings>"),
             [&](CXmlMapper &m) { mapSample(m, back); });
    EXPECT_EQ(back.version, u"1.0");
    EXPECT_EQ(back.document, u"doc");
    EXPECT_TRUE(back.browse);
    EXPECT_EQ(back.parm, u"p");
}

TEST(XmlReader, SwappedAttributesSwapValues)
{
    QString a, b;
    readRoot(QStringLiteral("<settings b=\"2\" a=\"1\" />"), [&](CXmlMapper &m) {
        m.Token(u"@a");
        MapString(m, a);
        m.Token(u"@b");
        MapString(m, b);
    });
    EXPECT_EQ(a, u"2");
    EXPECT_EQ(b, u"1");
}

TEST(XmlReader, RenamedElementFreezesAfterItsFirstValue)
{
    Sample back;
    back.version.clear();
    bool frozen = false;
    readRoot(QStringLiteral("<settings version=\"1.0\">\r\n <doc name=\"taken\" />\r\n"
                            " <application default=\"true\">\r\n  <parm>p</parm>\r\n </application>\r\n</settings>"),
             [&](CXmlMapper &m) {
                 mapSample(m, back);
                 frozen = static_cast<CXmlReader &>(m).isFrozen();
             });
    EXPECT_TRUE(frozen);
    EXPECT_EQ(back.document, u"taken");
    EXPECT_FALSE(back.browse);
    EXPECT_TRUE(back.parm.isEmpty());
}

namespace {

struct Item
{
    QString name;
    int value = 0;
};

void mapItems(CXmlMapper &m, QList<Item> &items)
{
    m.Token(u"<items>");
    m.Token(u"<item>");
    MapList(m, items, [](CXmlMapper &m, Item &item) {
        m.Token(u"@name");
        MapString(m, item.name);
        m.Token(u"@value");
        m.MapInt(item.value);
    });
    m.Token(u"</item>");
    m.Token(u"</items>");
}

} // namespace

TEST(XmlLists, ArraysOwnedPointersAndKeyedMapsRoundTrip)
{
    QList<Item> items{{QStringLiteral("a"), 1}, {QStringLiteral("b"), 2}, {QString(), -3}};
    std::vector<std::unique_ptr<Item>> owned;
    owned.push_back(std::make_unique<Item>(Item{QStringLiteral("x"), 9}));
    std::map<QString, int> byName{{QStringLiteral("b"), 2}, {QStringLiteral("B"), 1}, {QStringLiteral("a"), 3}};
    std::map<int, QString> byNumber{{10, QStringLiteral("ten")}, {-1, QStringLiteral("minus")}};

    auto routine = [&](CXmlMapper &m, QList<Item> &it, std::vector<std::unique_ptr<Item>> &ow,
                       std::map<QString, int> &bn, std::map<int, QString> &bi) {
        mapItems(m, it);
        m.Token(u"<owned>");
        m.Token(u"<o>");
        MapList(m, ow, [](CXmlMapper &m, Item &item) {
            m.Token(u"@name");
            MapString(m, item.name);
        });
        m.Token(u"</o>");
        m.Token(u"</owned>");
        m.Token(u"<names>");
        m.Token(u"<n>");
        m.Token(u"@key");
        MapList(m, bn, [](CXmlMapper &m, int &v) {
            m.Token(u"@v");
            m.MapInt(v);
        });
        m.Token(u"</n>");
        m.Token(u"</names>");
        m.Token(u"<numbers>");
        m.Token(u"<n>");
        m.Token(u"@key");
        MapList(m, bi, [](CXmlMapper &m, QString &v) {
            m.Token(u"@v");
            MapString(m, v);
        });
        m.Token(u"</n>");
        m.Token(u"</numbers>");
    };
    const QString text = writeRoot([&](CXmlMapper &m) { routine(m, items, owned, byName, byNumber); });
    // Keys in code-unit order: "B" before "a" before "b"; integers numerically.
    EXPECT_LT(text.indexOf(u"key=\"B\""), text.indexOf(u"key=\"a\""));
    EXPECT_LT(text.indexOf(u"key=\"a\""), text.indexOf(u"key=\"b\""));
    EXPECT_LT(text.indexOf(u"key=\"-1\""), text.indexOf(u"key=\"10\""));

    QList<Item> items2;
    std::vector<std::unique_ptr<Item>> owned2;
    std::map<QString, int> byName2;
    std::map<int, QString> byNumber2;
    readRoot(text, [&](CXmlMapper &m) { routine(m, items2, owned2, byName2, byNumber2); });
    ASSERT_EQ(items2.size(), 3);
    EXPECT_EQ(items2[1].name, u"b");
    EXPECT_EQ(items2[2].value, -3);
    ASSERT_EQ(owned2.size(), 1u);
    EXPECT_EQ(owned2[0]->name, u"x");
    EXPECT_EQ(byName2, byName);
    EXPECT_EQ(byNumber2, byNumber);
}

TEST(XmlLists, EmptyListIsAbsentAndReadsBackEmpty)
{
    QList<Item> none;
    const QString text = writeRoot([&](CXmlMapper &m) { mapItems(m, none); });
    EXPECT_EQ(text, u"<settings>\r\n <items>\r\n </items>\r\n</settings>");
    QList<Item> back;
    readRoot(text, [&](CXmlMapper &m) { mapItems(m, back); });
    EXPECT_TRUE(back.isEmpty());
}

TEST(XmlLists, DuplicateKeysKeepTheLaterValue)
{
    std::map<QString, int> map;
    readRoot(QStringLiteral("<settings><n key=\"a\" v=\"1\" /><n key=\"a\" v=\"2\" /></settings>"), [&](CXmlMapper &m) {
        m.Token(u"<n>");
        m.Token(u"@key");
        MapList(m, map, [](CXmlMapper &m, int &v) {
            m.Token(u"@v");
            m.MapInt(v);
        });
        m.Token(u"</n>");
    });
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map[QStringLiteral("a")], 2);
}

TEST(XmlLists, EveryListEndsOnceFrozen)
{
    // The container's name is wrong: the reader freezes and the list must end.
    QList<Item> items;
    readRoot(QStringLiteral("<settings>\r\n <things>\r\n  <item name=\"a\" value=\"1\" />\r\n </things>\r\n</settings>"),
             [&](CXmlMapper &m) { mapItems(m, items); });
    EXPECT_TRUE(items.isEmpty());
}

TEST(XmlReader, TruncatedTextsStopAtTheirEnd)
{
    Sample s;
    s.document = QStringLiteral("doc");
    s.browse = true;
    s.parm = QStringLiteral("parameter text");
    const QString full = writeRoot([&](CXmlMapper &m) { mapSample(m, s); });
    const qsizetype parmEnd = full.indexOf(u"</parm>");
    for (qsizetype cut = 0; cut <= full.size(); ++cut) {
        SCOPED_TRACE(cut);
        // A copy so that nothing beyond the cut exists in memory.
        const QString part = full.left(cut);
        Sample back;
        back.version.clear();
        const XmlReadEnd end = ReadXmlText(part, u"settings", [&](CXmlMapper &m) { mapSample(m, back); });
        // Only the whole text is whole; a cut one can see is never missed.
        EXPECT_EQ(end, cut == full.size() ? XmlReadEnd::Whole : XmlReadEnd::InPart);
        // Each value is what lies before the cut, never more and never
        // anything that was not there.
        EXPECT_TRUE(s.version.startsWith(back.version)) << qPrintable(back.version);
        EXPECT_TRUE(s.document.startsWith(back.document)) << qPrintable(back.document);
        EXPECT_TRUE(s.parm.startsWith(back.parm)) << qPrintable(back.parm);
        // Text ends only at a '<' or the end: once its end tag is there, all of it.
        if (cut >= parmEnd) {
            EXPECT_EQ(back.version, s.version);
            EXPECT_EQ(back.document, s.document);
            EXPECT_TRUE(back.browse);
            EXPECT_EQ(back.parm, s.parm);
        }
    }

    QList<Item> items{{QStringLiteral("alpha"), 1}, {QStringLiteral("beta"), 22}};
    const QString list = writeRoot([&](CXmlMapper &m) { mapItems(m, items); });
    const qsizetype secondItem = list.indexOf(u"<item name=\"beta\"");
    for (qsizetype cut = 0; cut <= list.size(); ++cut) {
        SCOPED_TRACE(cut);
        QList<Item> back;
        const XmlReadEnd end = ReadXmlText(list.left(cut), u"settings", [&](CXmlMapper &m) { mapItems(m, back); });
        EXPECT_EQ(end, cut == list.size() ? XmlReadEnd::Whole : XmlReadEnd::InPart);
        ASSERT_LE(back.size(), 2);
        for (qsizetype i = 0; i < back.size(); ++i)
            EXPECT_TRUE(items[i].name.startsWith(back[i].name)) << qPrintable(back[i].name);
        // Once the second item's name is there, both items are; the first whole.
        if (cut >= secondItem + 5) {
            ASSERT_EQ(back.size(), 2);
            EXPECT_EQ(back[0].name, u"alpha");
            EXPECT_EQ(back[0].value, 1);
        }
    }
}

TEST(XmlNullMapper, IsInert)
{
    CXmlMapperRef null(new CXmlNullMapper);
    EXPECT_FALSE(null->IsStoring());
    EXPECT_FALSE(null->HasNext(u"<x>", 0));
    EXPECT_EQ(null->GetElement(), u"<none>");
    EXPECT_EQ(null->GetEndTag(), u"</none>");
    EXPECT_TRUE(null->GetAttribute().isNull());
    QString s = QStringLiteral("kept");
    null->MapString(s);
    EXPECT_EQ(s, u"kept");
}

TEST(XmlMapper, ReferenceCounting)
{
    CXmlMapper *w = new CXmlWriter;
    EXPECT_EQ(w->AddRef(), w);
    EXPECT_EQ(w->Release(), w);
    EXPECT_EQ(w->Release(), nullptr);
}

TEST(XmlDocument, FileCarriesBomHeaderAndUtf16)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.xml"));
    Sample s;
    ASSERT_TRUE(SaveXmlDocument(path, u"settings", [&](CXmlMapper &m) { mapSample(m, s); }));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_GE(bytes.size(), 2 + 99 * 2);
    EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE", 2));
    EXPECT_EQ(XmlFileHeader().size(), 99);
    const QString header = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2), 99);
    EXPECT_EQ(header, XmlFileHeader());
    EXPECT_TRUE(header.startsWith(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n\n<!--\n  saved by xml mapping,\n  do not edit manually \n-->\n\n"));

    // Without the byte-order mark the file reads the same.
    QByteArray noBom = bytes.mid(2);
    Sample back;
    back.version.clear();
    ReadXmlDocument(noBom, u"settings", [&](CXmlMapper &m) { mapSample(m, back); });
    EXPECT_EQ(back.version, u"1.0");
    EXPECT_FALSE(LoadXmlDocument(dir.filePath(QStringLiteral("missing.xml")), u"settings", [](CXmlMapper &) {}));
}

TEST(XmlDocument, WriteFailingHalfWayLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.xml"));
    Sample s;
    ASSERT_TRUE(SaveXmlDocument(path, u"settings", [&](CXmlMapper &m) { mapSample(m, s); }));

    // A file size limit makes the disk "full" part-way through the next save.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    s.parm = QString(100000, u'x');
    const bool saved = SaveXmlDocument(path, u"settings", [&](CXmlMapper &m) { mapSample(m, s); }).ok();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    Sample back;
    ASSERT_TRUE(LoadXmlDocument(path, u"settings", [&](CXmlMapper &m) { mapSample(m, back); }));
    EXPECT_TRUE(back.parm.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("s.xml")});
}

TEST(XmlDocument, UnopenableFileWritesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("not-a-folder/s.xml"));
    QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(SaveXmlDocument(path, u"settings", [](CXmlMapper &) {}));
}

TEST(XmlLists, ItemsWithChildrenCommentsAndAForeignNeighbourReadInOrder)
{
    // Items with child elements, comments and odd spacing between
    // them, and a different element right after the list: each value must
    // land where the writer put it.
    struct Entry
    {
        QString name;
        QString text;
    };
    QList<Entry> entries;
    QString after;
    readRoot(QStringLiteral("<settings>\r\n <items>\r\n"
                            "  <item name=\"a\">\r\n   <t>first</t>\r\n  </item>\r\n"
                            "  <!-- between -->\r\n\t<item  name=\"b\"><t></t></item>"
                            "<?pi?><item name=\"c\"><t>third</t></item>\r\n"
                            "  <other name=\"x\" />\r\n"
                            " </items>\r\n <tail v=\"end\" />\r\n</settings>"),
             [&](CXmlMapper &m) {
                 m.Token(u"<items>");
                 m.Token(u"<item>");
                 MapList(m, entries, [](CXmlMapper &m, Entry &e) {
                     m.Token(u"@name");
                     MapString(m, e.name);
                     m.Token(u"<t>");
                     MapString(m, e.text);
                     m.Token(u"</t>");
                 });
                 m.Token(u"</item>");
                 m.Token(u"</items>");
                 m.Token(u"<tail>");
                 m.Token(u"@v");
                 MapString(m, after);
                 m.Token(u"</tail>");
             });
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].name, u"a");
    EXPECT_EQ(entries[0].text, u"first");
    EXPECT_EQ(entries[1].name, u"b");
    EXPECT_TRUE(entries[1].text.isEmpty());
    EXPECT_EQ(entries[2].name, u"c");
    EXPECT_EQ(entries[2].text, u"third");
    // The foreign <other> ends the list and is then taken for <tail>: the
    // name mismatch freezes the reader, but the value read in that same step
    // (other's attribute) is still taken.
    EXPECT_EQ(after, u"x");
}
