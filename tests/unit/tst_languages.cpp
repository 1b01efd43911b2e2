// SPDX-License-Identifier: GPL-3.0-or-later
// Language table lookups, listing and loading of language files, help path,
// and the German translation that ships with the program.
#include "settings/languagetable.h"
#include "settings/settings.h"
#include "xml/xmldocument.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

using Sections = std::map<QString, CLanguageTable::Section>;

QByteArray languageFileBytes(const LanguageRecord &header, const Sections &sections)
{
    CLanguageTable table;
    table.sections() = sections;
    LanguageRecord copy = header;
    return WriteXmlDocument(u"language", [&](CXmlMapper &m) { table.MapLanguageFile(m, copy); });
}

// A file of hand-written text after the usual byte-order mark and header.
QByteArray rawFileBytes(const QString &rootText)
{
    const QString text = XmlFileHeader().toString() + rootText;
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QString sourceRoot()
{
    return QStringLiteral(LANTERRA_SOURCE_DIR);
}

// Points the program's data folder at a folder of the test's choosing and
// starts every test with an empty language table.
class DataDirScope
{
public:
    explicit DataDirScope(const QString &dir) : m_old(qgetenv("LANTERRA_DATA_DIR")), m_had(qEnvironmentVariableIsSet("LANTERRA_DATA_DIR"))
    {
        qputenv("LANTERRA_DATA_DIR", dir.toLocal8Bit());
        LanguageTable().Clear();
    }
    ~DataDirScope()
    {
        if (m_had)
            qputenv("LANTERRA_DATA_DIR", m_old);
        else
            qunsetenv("LANTERRA_DATA_DIR");
        LanguageTable().Clear();
    }

private:
    QByteArray m_old;
    bool m_had;
};

class LanguageFilesTest : public ::testing::Test
{
protected:
    QString locales() const { return m_dir.path() + QStringLiteral("/Locales/"); }

    void addLanguage(const QString &relativePath, const Sections &sections, const QString &title = QStringLiteral("T"))
    {
        LanguageRecord header;
        header.format = QStringLiteral("1");
        header.title = title;
        header.author = QStringLiteral("someone");
        writeFile(locales() + relativePath, languageFileBytes(header, sections));
    }

    void scan(const QString &language)
    {
        m_settings.language = language;
        ScanLanguages(m_settings);
    }

    QTemporaryDir m_dir;
    DataDirScope m_scope{m_dir.path()};
    CSettings m_settings;
};

// ---------------------------------------------------------------------------

TEST(LanguageLookup, MissingTextStoresTheFirstDefault)
{
    CLanguageTable table;
    EXPECT_EQ(table.LookupText(QStringLiteral("Columns"), 3, QStringLiteral("Share Name")), u"Share Name");
    // The stored default answers later lookups, whatever they offer.
    EXPECT_EQ(table.LookupText(QStringLiteral("Columns"), 3, QStringLiteral("Other")), u"Share Name");
    // Sections and numbers are told apart exactly.
    EXPECT_EQ(table.LookupText(QStringLiteral("columns"), 3, QStringLiteral("x")), u"x");
    EXPECT_EQ(table.LookupText(QStringLiteral("Columns"), 2, QStringLiteral("y")), u"y");

    table.Clear();
    EXPECT_EQ(table.LookupText(QStringLiteral("Columns"), 3, QStringLiteral("Other")), u"Other");
}

TEST_F(LanguageFilesTest, FileTextsWinAndEmptyTextsFallBack)
{
    addLanguage(QStringLiteral("French/French.lng"),
                {{QStringLiteral("Columns"), {{1, QStringLiteral("Groupe")}, {2, QString()}}}});
    scan(QStringLiteral("French"));

    ASSERT_EQ(m_settings.languageIndex, 0);
    EXPECT_EQ(LookupText(QStringLiteral("Columns"), 1, QStringLiteral("Workgroup")), u"Groupe");
    EXPECT_EQ(LookupText(QStringLiteral("Columns"), 2, QStringLiteral("Host Name")), u"Host Name");
    EXPECT_EQ(LookupText(QStringLiteral("Columns"), 3, QStringLiteral("Share Name")), u"Share Name");
}

TEST_F(LanguageFilesTest, ListsEveryFileAndLoadsTheLastMatch)
{
    addLanguage(QStringLiteral("Dutch/Dutch.lng"), {{QStringLiteral("S"), {{1, QStringLiteral("dutch")}}}}, QStringLiteral("Nederlands"));
    addLanguage(QStringLiteral("German/a.lng"), {{QStringLiteral("S"), {{1, QStringLiteral("from a")}}}}, QStringLiteral("A"));
    addLanguage(QStringLiteral("German/b.lng"), {{QStringLiteral("S"), {{1, QStringLiteral("from b")}}}}, QStringLiteral("B"));
    writeFile(locales() + QStringLiteral("German/notes.txt"), "not a language");
    QDir().mkpath(locales() + QStringLiteral("German/folder.lng"));
    writeFile(locales() + QStringLiteral("stray.lng"), "outside any language folder");

    // The folder's name is matched without regard to case.
    scan(QStringLiteral("gERMAN"));

    ASSERT_EQ(m_settings.languages.size(), 3);
    EXPECT_EQ(m_settings.languages[0].title, u"Nederlands");
    EXPECT_EQ(m_settings.languages[1].title, u"A");
    EXPECT_EQ(m_settings.languages[2].title, u"B");
    EXPECT_EQ(m_settings.languageIndex, 2);
    EXPECT_EQ(m_settings.language, u"German");
    EXPECT_EQ(LookupText(QStringLiteral("S"), 1, QStringLiteral("default")), u"from b");

    const LanguageRecord &b = m_settings.languages[2];
    EXPECT_EQ(b.format, u"1");
    EXPECT_EQ(b.author, u"someone");
    EXPECT_EQ(QFileInfo(b.filePath).canonicalFilePath(), QFileInfo(locales() + QStringLiteral("German/b.lng")).canonicalFilePath());
    EXPECT_EQ(b.folder, u"German");
    EXPECT_EQ(b.fileTitle, u"b");
    EXPECT_EQ(b.iconPath, locales() + QStringLiteral("German/b.ico"));
    EXPECT_EQ(m_settings.currentLanguage.title, u"B");
    EXPECT_TRUE(m_settings.currentLanguage.filePath.isEmpty());
}

TEST_F(LanguageFilesTest, NoMatchingLanguageMeansBuiltInEnglish)
{
    const QString fallback = locales() + QStringLiteral("English/English.hlp");

    // No Locales folder at all.
    scan(QStringLiteral("German"));
    EXPECT_EQ(m_settings.languageIndex, -1);
    EXPECT_TRUE(m_settings.languages.isEmpty());
    EXPECT_EQ(m_settings.language, u"English");
    EXPECT_EQ(m_settings.helpPath, fallback);

    // Languages installed, but not the configured one.
    addLanguage(QStringLiteral("Dutch/Dutch.lng"), {{QStringLiteral("S"), {{1, QStringLiteral("dutch")}}}});
    scan(QStringLiteral("German"));
    EXPECT_EQ(m_settings.languageIndex, -1);
    EXPECT_EQ(m_settings.languages.size(), 1);
    EXPECT_EQ(m_settings.language, u"English");
    EXPECT_EQ(m_settings.helpPath, fallback);
    EXPECT_EQ(LookupText(QStringLiteral("S"), 1, QStringLiteral("built-in")), u"built-in");
}

TEST_F(LanguageFilesTest, LoadingReplacesEveryTextOfThePreviousLanguage)
{
    addLanguage(QStringLiteral("Dutch/Dutch.lng"),
                {{QStringLiteral("S"), {{1, QStringLiteral("een")}, {2, QStringLiteral("twee")}}},
                 {QStringLiteral("Only Dutch"), {{7, QStringLiteral("zeven")}}}});
    addLanguage(QStringLiteral("German/German.lng"), {{QStringLiteral("S"), {{1, QStringLiteral("eins")}}}});
    scan(QStringLiteral("Dutch"));
    ASSERT_EQ(m_settings.languageIndex, 0);
    EXPECT_EQ(LookupText(QStringLiteral("S"), 2, QStringLiteral("two")), u"twee");
    EXPECT_EQ(LookupText(QStringLiteral("Other"), 5, QStringLiteral("first default")), u"first default");

    SelectLanguage(m_settings, 1);
    EXPECT_EQ(m_settings.language, u"German");
    EXPECT_EQ(LookupText(QStringLiteral("S"), 1, QStringLiteral("one")), u"eins");
    EXPECT_EQ(LookupText(QStringLiteral("S"), 2, QStringLiteral("two")), u"two");
    EXPECT_EQ(LookupText(QStringLiteral("Only Dutch"), 7, QStringLiteral("seven")), u"seven");
    // Defaults stored under the old language are gone as well.
    EXPECT_EQ(LookupText(QStringLiteral("Other"), 5, QStringLiteral("second default")), u"second default");
}

TEST_F(LanguageFilesTest, SectionsAndNumbersGivenTwiceKeepTheLaterOne)
{
    writeFile(locales() + QStringLiteral("Test/Test.lng"), rawFileBytes(QStringLiteral(
        "<language format=\"1\" title=\"T\" author=\"A\">\r\n"
        " <sections>\r\n"
        "  <section name=\"Twice\">\r\n"
        "   <string id=\"1\" text=\"old one\" />\r\n"
        "   <string id=\"2\" text=\"old two\" />\r\n"
        "  </section>\r\n"
        // The section's attribute names it, whatever it is called.
        "  <section title=\"First\">\r\n"
        "   <string id=\"3\" text=\"three\" />\r\n"
        "   <string id=\"3\" text=\"three again\" />\r\n"
        "  </section>\r\n"
        "  <section name=\"Twice\">\r\n"
        "   <string id=\"1\" text=\"new one\" />\r\n"
        "  </section>\r\n"
        "  <section name=\"Empty\" />\r\n"
        "  <section name=\"After\">\r\n"
        "   <!-- comments between elements are passed over -->\r\n"
        "   <string id=\"-4\" text=\"minus four\"></string>\r\n"
        "  </section>\r\n"
        // Only the first attribute counts; a second one ends the reading.
        "  <section key=\"Key\" name=\"Name\">\r\n"
        "   <string id=\"5\" text=\"lost\" />\r\n"
        "  </section>\r\n"
        " </sections>\r\n"
        "</language>")));
    scan(QStringLiteral("test"));
    ASSERT_EQ(m_settings.languageIndex, 0);

    const auto &sections = LanguageTable().sections();
    EXPECT_EQ(sections.size(), 5u);
    EXPECT_EQ(sections.count(QStringLiteral("Key")), 1u);
    EXPECT_EQ(sections.count(QStringLiteral("Name")), 0u);
    EXPECT_EQ(LookupText(QStringLiteral("Twice"), 1, QStringLiteral("d")), u"new one");
    EXPECT_EQ(LookupText(QStringLiteral("Twice"), 2, QStringLiteral("d")), u"d");
    EXPECT_EQ(LookupText(QStringLiteral("First"), 3, QStringLiteral("d")), u"three again");
    EXPECT_EQ(LookupText(QStringLiteral("After"), -4, QStringLiteral("d")), u"minus four");
}

TEST_F(LanguageFilesTest, BrokenFilesGiveWhatCouldBeRead)
{
    const QByteArray full = rawFileBytes(QStringLiteral(
        "<language format=\"1\" title=\"Cut\" author=\"A\">\r\n"
        " <sections>\r\n"
        "  <section name=\"S\">\r\n"
        "   <string id=\"1\" text=\"one\" />\r\n"
        "   <string id=\"2\" text=\"two\" />\r\n"
        "  </section>\r\n"
        " </sections>\r\n"
        "</language>"));
    const QString path = locales() + QStringLiteral("Cut/Cut.lng");
    // Cut inside the second string's text: the reader stops at the end.
    const qsizetype cut = full.indexOf(QByteArray("t\0w\0o\0", 6));
    ASSERT_GT(cut, 0);
    writeFile(path, full.left(cut + 3)); // an odd byte count as well
    scan(QStringLiteral("Cut"));
    ASSERT_EQ(m_settings.languageIndex, 0);
    EXPECT_EQ(LookupText(QStringLiteral("S"), 1, QStringLiteral("d")), u"one");
    EXPECT_EQ(LookupText(QStringLiteral("S"), 2, QStringLiteral("d")), u"t");

    // A renamed element freezes the reader: later texts are the built-in ones.
    QByteArray renamed = full;
    renamed.replace(QByteArray("<\0s\0e\0c\0t\0i\0o\0n\0 \0", 18), QByteArray("<\0s\0e\0k\0t\0i\0o\0n\0 \0", 18));
    writeFile(path, renamed);
    SelectLanguage(m_settings, 0);
    EXPECT_TRUE(LanguageTable().sections().empty());
    EXPECT_EQ(m_settings.currentLanguage.title, u"Cut");

    // Not a language file at all.
    writeFile(path, QByteArray("\x00\x01garbage<<<\"\"", 14));
    SelectLanguage(m_settings, 0);
    EXPECT_EQ(LookupText(QStringLiteral("S"), 1, QStringLiteral("d")), u"d");
}

// An owner that may not read the file: as root the check is made with the
// file-system identity of an ordinary user, which drops the override rights.
class FileSystemUserScope
{
public:
    FileSystemUserScope() : m_active(geteuid() == 0)
    {
        if (m_active)
            setfsuid(65534);
    }
    ~FileSystemUserScope()
    {
        if (m_active)
            setfsuid(0);
    }
    FileSystemUserScope(const FileSystemUserScope &) = delete;
    FileSystemUserScope &operator=(const FileSystemUserScope &) = delete;

private:
    bool m_active;
};

TEST_F(LanguageFilesTest, UnreadableFileIsListedAndStillSelected)
{
    addLanguage(QStringLiteral("Locked/Locked.lng"), {{QStringLiteral("S"), {{1, QStringLiteral("hidden")}}}}, QStringLiteral("Locked"));
    writeFile(locales() + QStringLiteral("Locked/Locked.hlp"), "help");
    const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    for (const QString &dir : {m_dir.path(), locales(), locales() + QStringLiteral("Locked")})
        ASSERT_TRUE(QFile::setPermissions(dir, open));
    QFile::setPermissions(locales() + QStringLiteral("Locked/Locked.hlp"), QFile::ReadOwner | QFile::ReadOther);
    ASSERT_TRUE(QFile::setPermissions(locales() + QStringLiteral("Locked/Locked.lng"), {}));

    {
        FileSystemUserScope user;
        if (QFile probe(locales() + QStringLiteral("Locked/Locked.lng")); probe.open(QIODevice::ReadOnly))
            GTEST_SKIP() << "the file stays readable for this user";
        scan(QStringLiteral("Locked"));
    }
    ASSERT_EQ(m_settings.languages.size(), 1);
    EXPECT_TRUE(m_settings.languages[0].title.isEmpty());
    EXPECT_EQ(m_settings.languages[0].fileTitle, u"Locked");
    // The language is still taken, with built-in texts and its own help file.
    EXPECT_EQ(m_settings.languageIndex, 0);
    EXPECT_EQ(m_settings.language, u"Locked");
    EXPECT_EQ(m_settings.helpPath, locales() + QStringLiteral("Locked/Locked.hlp"));
    EXPECT_EQ(LookupText(QStringLiteral("S"), 1, QStringLiteral("built-in")), u"built-in");
}

TEST_F(LanguageFilesTest, HelpFileOfTheLanguageElseTheFallback)
{
    addLanguage(QStringLiteral("German/German.lng"), {});
    addLanguage(QStringLiteral("Dutch/Dutch.lng"), {});
    writeFile(locales() + QStringLiteral("German/German.hlp"), "help");
    // A folder of the help file's name is no help file.
    QDir().mkpath(locales() + QStringLiteral("Dutch/Dutch.hlp"));

    scan(QStringLiteral("German"));
    EXPECT_EQ(m_settings.helpPath, locales() + QStringLiteral("German/German.hlp"));
    scan(QStringLiteral("Dutch"));
    EXPECT_EQ(m_settings.helpPath, locales() + QStringLiteral("English/English.hlp"));
}

TEST_F(LanguageFilesTest, EveryLoadIsAnnounced)
{
    addLanguage(QStringLiteral("German/German.lng"), {});
    int announced = 0;
    const QMetaObject::Connection connection = QObject::connect(
        &CLanguageNotifier::instance(), &CLanguageNotifier::languageChanged, [&announced] { ++announced; });

    scan(QStringLiteral("Klingon")); // nothing loaded, nothing to announce
    EXPECT_EQ(announced, 0);
    scan(QStringLiteral("German"));
    EXPECT_EQ(announced, 1);
    SelectLanguage(m_settings, 0);
    EXPECT_EQ(announced, 2);
    SelectLanguage(m_settings, 1); // outside the list: ignored
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(m_settings.languageIndex, 0);
    QObject::disconnect(connection);
}

// ---------------------------------------------------------------------------

class ShippedGermanTest : public ::testing::Test
{
protected:
    QString germanFile() const { return sourceRoot() + QStringLiteral("/Locales/German/German.lng"); }

    DataDirScope m_scope{sourceRoot()};
    CSettings m_settings;
};

TEST_F(ShippedGermanTest, LoadsAndTranslates)
{
    m_settings.language = QStringLiteral("German");
    ScanLanguages(m_settings);
    ASSERT_GE(m_settings.languageIndex, 0);
    EXPECT_EQ(m_settings.currentLanguage.title, u"Deutsch");
    EXPECT_EQ(LookupText(QStringLiteral("View messages"), 1, QStringLiteral("Ready. %d shares.")), u"Bereit. %d Freigaben.");
    EXPECT_EQ(LookupText(QStringLiteral("View messages"), 0, QString()),
              u"Suche läuft... %d Freigaben. Zeit: %d s. %d/%d Hosts");
    EXPECT_EQ(LookupText(QStringLiteral("Main Menu"), 57600, QStringLiteral("&New Network\tCtrl+N")),
              u"&Neues Netzwerk\tCtrl+N");
    EXPECT_EQ(LookupText(QStringLiteral("Top Menu"), 0, QStringLiteral("&File")), u"&Datei");
    EXPECT_EQ(LookupText(QStringLiteral("Scheme Editor"), 92, QString()), u"Möchten Sie das Schema „%s“ entfernen?");

    // Default schemes built in German still classify shares into the right groups.
    m_settings.BuildDefaultSchemes();
    ASSERT_EQ(m_settings.GetSchemeCount(), 7);
    const ShareScheme &all = *m_settings.GetScheme(0);
    EXPECT_EQ(all.name, u"Alle Ressourcen");
    ASSERT_EQ(all.groups.size(), 12);
    EXPECT_EQ(all.groups[6].name, u"Spiele");
    EXPECT_EQ(ClassifyShare(all, u"Spiele"), 6);
    EXPECT_EQ(ClassifyShare(all, u"MP3"), 0);
    EXPECT_EQ(ClassifyShare(all, u"Bücher"), 8);
    EXPECT_EQ(ClassifyShare(all, u"C$"), 11); // "*" is still the fallback
}

TEST_F(ShippedGermanTest, IsWhatOurWriterWritesForItsTexts)
{
    QFile file(germanFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));

    CLanguageTable table;
    LanguageRecord header;
    ReadXmlDocument(bytes, u"language", [&](CXmlMapper &m) { table.MapLanguageFile(m, header); });
    EXPECT_GE(table.sections().size(), 19u);
    EXPECT_EQ(languageFileBytes(header, table.sections()), bytes);
}

} // namespace

// Every file in the folder is read at each start: one far larger than any
// language file, a link to a device or to a pipe is listed without a header
// and loads nothing, and none of them holds the start.
TEST_F(LanguageFilesTest, FilesNoLanguageFileCanBeAreNotRead)
{
    addLanguage(QStringLiteral("Huge/Huge.lng"), {{QStringLiteral("S"), {{1, QStringLiteral("big")}}}},
                QStringLiteral("Huge"));
    {
        // Sparse: no disk space is taken.
        QFile huge(locales() + QStringLiteral("Huge/Huge.lng"));
        ASSERT_TRUE(huge.open(QIODevice::ReadWrite));
        ASSERT_TRUE(huge.resize(qint64(8) << 20));
    }
    QDir().mkpath(locales() + QStringLiteral("Odd"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), locales() + QStringLiteral("Odd/a-zero.lng")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(locales() + QStringLiteral("Odd/pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(locales() + QStringLiteral("Odd/pipe"), locales() + QStringLiteral("Odd/b-pipe.lng")));
    scan(QStringLiteral("Huge"));
    ASSERT_EQ(m_settings.languageIndex, 0);
    EXPECT_EQ(m_settings.languages[0].title, u"");
    EXPECT_EQ(LookupText(QStringLiteral("S"), 1, QStringLiteral("built-in")), u"built-in");
    for (const LanguageRecord &record : std::as_const(m_settings.languages))
        EXPECT_TRUE(record.title.isEmpty()) << qPrintable(record.filePath);
}
