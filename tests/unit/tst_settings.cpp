// SPDX-License-Identifier: GPL-3.0-or-later
// The settings object: its file (written byte for byte as the program has
// always written it), start-up with and without a file, and the first-run
// detection.
#include "settings/detectdefaults.h"
#include "settings/languagetable.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <array>

#include <sys/stat.h>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the helpers below read UTF-16LE in place");

namespace {

const QString StartCrc = QStringLiteral("8A3F5C21E09D4B7761C2F0A9E53B4");

const QString Header = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
                                      "\n"
                                      "<!--\n"
                                      "  saved by xml mapping,\n"
                                      "  do not edit manually \n"
                                      "-->\n"
                                      "\n");

struct Group
{
    const char *name;
    const char *include;
};

const std::array<Group, 12> Groups = {{
    {"Music", "musi; muz; mp3; sound"},
    {"Films", "film; cinema"},
    {"Clips", "clip; klip"},
    {"Video", "video"},
    {"Animation", "anime; cartoon; flash"},
    {"Installs", "inst; dist; prog; soft"},
    {"Games", "game"},
    {"Share", "incom; share; load"},
    {"Texts", "lib; book; text; doc"},
    {"Images", "image; pict; photo"},
    {"System", "vphome; vplogon; netlogon; sysvol"},
    {"Other", "*"},
}};

struct Scheme
{
    const char *name;
    const char *visible; // one digit per group
};

const std::array<Scheme, 7> Schemes = {{
    {"All resources", "111111111111"},
    {"Video resources", "011110000000"},
    {"Music resources", "101000000000"},
    {"Install and software", "000001100000"},
    {"Photo and Images", "000000000100"},
    {"Texts and books", "000000001000"},
    {"All hosts", "111111111111"},
}};

// The <schemes> element with the seven default schemes, one blank of
// indentation per level below the root.
QStringList defaultSchemeLines(int selected)
{
    QStringList lines;
    lines << QStringLiteral(" <schemes selected=\"%1\">").arg(selected);
    for (size_t s = 0; s < Schemes.size(); ++s) {
        lines << QStringLiteral("  <scheme name=\"%1\">").arg(QLatin1String(Schemes[s].name))
              << QStringLiteral("   <options groupByHost=\"%1\" placeOnlineFirst=\"1\" showHiddenShares=\"0\" "
                                "hideDiskShares=\"1\" />")
                     .arg(s == 6 ? 1 : 0)
              << QStringLiteral("   <groups>");
        for (size_t g = 0; g < Groups.size(); ++g) {
            lines << QStringLiteral("    <group name=\"%1\" visible=\"%2\">")
                         .arg(QLatin1String(Groups[g].name), QChar::fromLatin1(Schemes[s].visible[g]))
                  << QStringLiteral("     <include filter=\"%1\" />").arg(QLatin1String(Groups[g].include))
                  << QStringLiteral("     <exclude filter=\"\" />") << QStringLiteral("    </group>");
        }
        lines << QStringLiteral("   </groups>") << QStringLiteral("  </scheme>");
    }
    lines << QStringLiteral(" </schemes>");
    return lines;
}

// The program for browsing a first start finds on this machine: Windows
// has its file manager's old default, elsewhere the desktop's file manager
// or, without one, its opener of addresses.
BrowsingProgram FirstStartProgram()
{
#ifdef Q_OS_WIN
    return {u"Total Commander"_qs, u"\\TotalCmd.exe"_qs, u"/O /L=\"%s\""_qs};
#else
    return DesktopFileManager().value_or(DesktopOpener());
#endif
}

// The body of the file a first start writes (after the header).
QStringList defaultFileLines()
{
    QStringList lines = {
        QStringLiteral("<settings version=\"1.0\" crc=\"%1\">").arg(StartCrc),
        QStringLiteral(" <document name=\"\" />"),
        QStringLiteral(" <language name=\"English\" />"),
        QStringLiteral(" <iconlib name=\"\" />"),
        QStringLiteral(" <automation autoScan=\"false\" autoSave=\"true\" autoLoad=\"true\" />"),
        QStringLiteral(" <marking before=\"true\" after=\"true\" />"),
        QStringLiteral(" <application name=\"%1\" default=\"false\">").arg(FirstStartProgram().name),
        QStringLiteral("  <path>%1</path>").arg(FirstStartProgram().path),
        QStringLiteral("  <parm>%1</parm>").arg(FirstStartProgram().parameters),
        QStringLiteral(" </application>"),
        QStringLiteral(" <toolbars>"),
        QStringLiteral(" </toolbars>"),
        QStringLiteral(" <window showOnTaskBar=\"true\" showInTray=\"false\" />"),
        QStringLiteral(" <positions>"),
        QStringLiteral(" </positions>"),
    };
    lines << defaultSchemeLines(0) << QStringLiteral(" <network allowSmb1=\"false\" />")
          << QStringLiteral("</settings>");
    return lines;
}

QByteArray utf16le(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A settings file as the program writes it, around `body` (lines joined by CRLF).
QByteArray settingsFile(const QStringList &body, bool withBom = true)
{
    return (withBom ? QByteArray("\xFF\xFE", 2) : QByteArray()) + utf16le(Header + body.join(u"\r\n"));
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every test runs against its own folders: no data files (so no languages
// and no icon libraries) and the plain C locale.
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath(QStringLiteral("data"));
        qputenv("LANTERRA_DATA_DIR", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("LC_ALL", "C");
        LanguageTable().Clear();
        path = dir.filePath(QStringLiteral("Brevant/Lanterra/settings.xml"));
    }

    void TearDown() override
    {
        qunsetenv("LANTERRA_DATA_DIR");
        LanguageTable().Clear();
    }

    // A fresh settings object started over the file at `path`.
    std::unique_ptr<CSettings> start()
    {
        auto settings = std::make_unique<CSettings>();
        settings->setFilePath(path);
        settings->Startup();
        return settings;
    }

    void expectStartValues(const CSettings &s)
    {
        EXPECT_EQ(s.selectedScheme, 0);
        EXPECT_TRUE(s.autoLoad);
        EXPECT_TRUE(s.autoSave);
        EXPECT_FALSE(s.autoScan);
        EXPECT_TRUE(s.markBeforeScan);
        EXPECT_TRUE(s.markAfterLoad);
        EXPECT_TRUE(s.documentPath.isEmpty());
        EXPECT_FALSE(s.browseByDefault);
        EXPECT_TRUE(s.showOnTaskBar);
        EXPECT_FALSE(s.showInTray);
        EXPECT_TRUE(s.iconLibrary.isEmpty());
        EXPECT_EQ(s.checkValue, StartCrc);
        EXPECT_TRUE(s.placements.empty());
        EXPECT_TRUE(s.toolbarBands.isEmpty());
        ASSERT_EQ(s.GetSchemeCount(), 7);
        EXPECT_EQ(s.GetScheme(0)->name, u"All resources");
    }

    QTemporaryDir dir;
    QString path;
};

} // namespace

TEST_F(SettingsTest, FirstStartWritesTheDefaultFile)
{
    auto settings = start();
    expectStartValues(*settings);
    EXPECT_EQ(settings->language, u"English");
    EXPECT_EQ(settings->languageIndex, -1);
    EXPECT_EQ(settings->programName, FirstStartProgram().name);
    EXPECT_EQ(settings->programPath, FirstStartProgram().path);
    EXPECT_EQ(settings->programParameters, FirstStartProgram().parameters);
#ifndef Q_OS_WIN
    EXPECT_FALSE(settings->programPath.contains(u'\\')) << "never a Windows path here";
#endif
    EXPECT_FALSE(QFile::exists(path)) << "written only at shut-down";

    settings->Shutdown();
    const QByteArray bytes = readBytes(path);
    ASSERT_GE(bytes.size(), 2);
    EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE", 2));
    ASSERT_EQ(bytes.size() % 2, 0);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2),
                                            bytes.size() / 2 - 1);
    ASSERT_TRUE(text.startsWith(Header));
    const QStringList lines = text.mid(Header.size()).split(u"\r\n"_qs);
    const QStringList expected = defaultFileLines();
    for (qsizetype i = 0; i < qMin(lines.size(), expected.size()); ++i)
        ASSERT_EQ(lines[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(lines.size(), expected.size());
    EXPECT_EQ(bytes, settingsFile(expected));
}

TEST_F(SettingsTest, FirstStartDetectionPicksLanguageAndIconLibrary)
{
    const QString icons = dir.filePath(QStringLiteral("data/Icons"));
    QDir().mkpath(icons + QStringLiteral("/aaa.icl")); // a folder, skipped
    for (const char *name : {"zeta.icl", "Beta.icl", "notes.txt"})
        writeFile(icons + u'/' + QLatin1String(name), "x");
    // Locale data for German is usually not installed in test machines; the
    // user's choice is taken from the environment then.
    qputenv("LC_ALL", "de_DE.UTF-8");
    CSettings settings;
    settings.DetectDefaults();
    qputenv("LC_ALL", "C");
    EXPECT_EQ(settings.iconLibrary, u"Beta");
    EXPECT_EQ(settings.language, u"German");
    EXPECT_EQ(settings.programName, FirstStartProgram().name);

    // No library at all leaves the setting as it was.
    QDir(icons).removeRecursively();
    CSettings second;
    second.iconLibrary = u"kept"_qs;
    second.DetectDefaults();
    EXPECT_EQ(second.iconLibrary, u"kept");
    EXPECT_EQ(second.language, u"English");
}

TEST(LocaleNames, BecomeLanguageNames)
{
    EXPECT_EQ(LanguageFromLocaleName(u"de_DE.UTF-8"), u"German");
    EXPECT_EQ(LanguageFromLocaleName(u"en_US.utf8"), u"English");
    EXPECT_EQ(LanguageFromLocaleName(u"pt_BR"), u"Portuguese");
    EXPECT_EQ(LanguageFromLocaleName(u"sr_RS@latin"), u"Serbian");
    EXPECT_EQ(LanguageFromLocaleName(u"fr"), u"French");
    EXPECT_EQ(LanguageFromLocaleName(u"C"), u"English");
    EXPECT_EQ(LanguageFromLocaleName(u"C.UTF-8"), u"English");
    EXPECT_EQ(LanguageFromLocaleName(u"POSIX"), u"English");
    EXPECT_EQ(LanguageFromLocaleName(u""), u"English");
    EXPECT_EQ(LanguageFromLocaleName(u"zz_ZZ"), u"English");
    // Names that already are English language names stay as they are.
    EXPECT_EQ(LanguageFromLocaleName(u"English"), u"English");
    EXPECT_EQ(LanguageFromLocaleName(u"German_Germany.1252"), u"German");
    EXPECT_EQ(LanguageFromLocaleName(u"Russian_Russia"), u"Russian");
    EXPECT_EQ(LanguageFromLocaleName(u"Klingon"), u"Klingon");
}

TEST_F(SettingsTest, OtherVersionKeepsStartValuesWithoutDetection)
{
    QStringList body = defaultFileLines();
    body[1] = QStringLiteral(" <document name=\"/somewhere/x.net\" />");
    body[4] = QStringLiteral(" <automation autoScan=\"true\" autoSave=\"false\" autoLoad=\"false\" />");
    for (const char *version : {"1.00", "1.1", " 1.0", "", "1.0 "}) {
        body[0] = QStringLiteral("<settings version=\"%1\" crc=\"%2\">").arg(QLatin1String(version), u"0000"_qs);
        writeFile(path, settingsFile(body));
        auto settings = start();
        SCOPED_TRACE(version);
        expectStartValues(*settings);
        EXPECT_TRUE(settings->programName.isEmpty());
        EXPECT_TRUE(settings->programPath.isEmpty());
        EXPECT_TRUE(settings->programParameters.isEmpty());
        // What was not taken is kept beside it before the first write.
        EXPECT_EQ(settings->loadProblem(), SettingsLoadProblem::OtherVersion);
        EXPECT_TRUE(settings->LoadProblemText(true).contains(QStringLiteral("(\"%1\")").arg(QLatin1String(version))));
        const QString kept = settings->keptOriginalPath();
        EXPECT_FALSE(QFile::exists(kept));
        settings->Shutdown();
        EXPECT_EQ(readBytes(kept), settingsFile(body));
    }
}

// The kinds of file a user may find there after another version, an editor
// or a crash: the original must survive the first write, under a name that
// no earlier backup has, and the user is told which file and why.
TEST_F(SettingsTest, AFileReadOnlyInPartIsKeptBesideItBeforeTheFirstWrite)
{
    QStringList edited = defaultFileLines();
    edited[4] = u" <automation autoScan=\"true\" autoSave=\"false\" autoLoad=\"false\" />"_qs;
    edited[16] = u"  <scheme name=\"Mine\">"_qs;
    const QByteArray whole = settingsFile(edited);
    QStringList renamed = edited;
    renamed[5] = u" <markings before=\"true\" after=\"true\" />"_qs;
    QStringList otherVersion = edited;
    otherVersion[0] = u"<settings version=\"2.0\" crc=\"0\">"_qs;
    const QString text = Header + edited.join(u"\r\n");
    QByteArray bigEndian(text.size() * 2, '\0');
    qToBigEndian<quint16>(text.utf16(), text.size(), bigEndian.data());

    struct Case
    {
        const char *name;
        QByteArray bytes;
        SettingsLoadProblem problem;
        const char *reason;
    };
    const Case cases[] = {
        {"other version", settingsFile(otherVersion), SettingsLoadProblem::OtherVersion, "another version (\"2.0\")"},
        {"renamed element", settingsFile(renamed), SettingsLoadProblem::ReadInPart, "does not know"},
        {"UTF-8 by an editor", "\xEF\xBB\xBF" + text.toUtf8(), SettingsLoadProblem::Utf8, "UTF-8"},
        {"UTF-8 without a mark", text.toUtf8(), SettingsLoadProblem::Utf8, "UTF-8"},
        {"UTF-16 big-endian", "\xFE\xFF" + bigEndian, SettingsLoadProblem::Utf16BigEndian, "big-endian"},
        {"cut off", whole.left(whole.size() / 2), SettingsLoadProblem::ReadInPart, "ends early"},
        {"not XML", QByteArray("\x01\x02\x03\x04\x05\x06", 6), SettingsLoadProblem::NotSettings, "no settings file"},
        {"another root", settingsFile({u"<config version=\"1.0\">"_qs, u"</config>"_qs}),
         SettingsLoadProblem::NotSettings, "no settings file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(QFileInfo(path).absolutePath()).removeRecursively();
        // Twice: the second time an earlier backup is there and stays.
        for (const QString &suffix : {u".bak"_qs, u".2.bak"_qs}) {
            writeFile(path, c.bytes);
            auto settings = start();
            EXPECT_EQ(settings->loadProblem(), c.problem);
            const QString message = settings->LoadProblemText(true);
            EXPECT_TRUE(message.contains(u'"' + path + u'"')) << qPrintable(message);
            EXPECT_TRUE(message.contains(QLatin1String(c.reason))) << qPrintable(message);
            EXPECT_TRUE(message.contains(u'"' + path + suffix + u'"')) << qPrintable(message);
            EXPECT_EQ(settings->keptOriginalPath(), path + suffix);
            // lanterra-scan never writes: it leaves the file as it is.
            EXPECT_FALSE(settings->LoadProblemText(false).contains(suffix));
            EXPECT_FALSE(QFile::exists(path + suffix)) << "kept at the first write, not before";

            settings->Shutdown();
            EXPECT_EQ(readBytes(path + suffix), c.bytes);
            EXPECT_EQ(readBytes(path + u".bak"_qs), c.bytes) << "an earlier backup is never written over";
            // What was written instead reads whole again.
            EXPECT_EQ(start()->loadProblem(), SettingsLoadProblem::None);
        }
        EXPECT_FALSE(QFile::exists(path + u".3.bak"_qs));
    }
}

TEST_F(SettingsTest, NoFileOrAWholeOneIsNoProblem)
{
    auto first = start();
    EXPECT_EQ(first->loadProblem(), SettingsLoadProblem::None);
    EXPECT_TRUE(first->LoadProblemText(true).isEmpty());
    first->Shutdown();
    auto second = start();
    EXPECT_EQ(second->loadProblem(), SettingsLoadProblem::None);
    second->Shutdown();
    // An empty file holds nothing to lose.
    writeFile(path, QByteArray());
    auto empty = start();
    EXPECT_EQ(empty->loadProblem(), SettingsLoadProblem::None);
    empty->Shutdown();
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files), QStringList{u"settings.xml"_qs});
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsNeverWrittenOver)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    auto settings = start();
    EXPECT_EQ(settings->loadProblem(), SettingsLoadProblem::Unreadable);
    EXPECT_TRUE(settings->LoadProblemText(true).contains(u'"' + path + u'"'));
    EXPECT_TRUE(settings->LoadProblemText(true).contains(QStringLiteral("not a regular file")));
    settings->Shutdown();
    EXPECT_TRUE(QFileInfo(path).isSymLink() || !QFileInfo(path).isFile()) << "the pipe is still there";
    EXPECT_FALSE(QFile::exists(path + u".bak"_qs));
}

TEST_F(SettingsTest, FileWithoutSchemesGetsDefaultsAndKeepsTheRest)
{
    QStringList body = defaultFileLines().mid(0, 15);
    body[0] = u"<settings version=\"1.0\" crc=\"not hex at all\">"_qs;
    body[4] = u" <automation autoScan=\"true\" autoSave=\"false\" autoLoad=\"true\" />"_qs;
    body[6] = u" <application name=\"mc\" default=\"true\">"_qs;
    body << u" <schemes selected=\"5\">"_qs << u" </schemes>"_qs << u"</settings>"_qs;
    writeFile(path, settingsFile(body));
    auto settings = start();
    // A file of a build that knew no network element is whole.
    EXPECT_EQ(settings->loadProblem(), SettingsLoadProblem::None);
    EXPECT_FALSE(settings->allowSmb1);
    EXPECT_EQ(settings->GetSchemeCount(), 7);
    EXPECT_EQ(settings->selectedScheme, 0);
    EXPECT_EQ(settings->checkValue, u"not hex at all");
    EXPECT_TRUE(settings->autoScan);
    EXPECT_FALSE(settings->autoSave);
    EXPECT_EQ(settings->programName, u"mc");
    EXPECT_TRUE(settings->browseByDefault);

    settings->Shutdown();
    QStringList expected = body.mid(0, 15);
    expected << defaultSchemeLines(0) << u" <network allowSmb1=\"false\" />"_qs << u"</settings>"_qs;
    EXPECT_EQ(readBytes(path), settingsFile(expected));
}

TEST_F(SettingsTest, CheckValueIsKeptWhateverItHolds)
{
    QStringList body = defaultFileLines();
    for (const QString &crc : {u""_qs, u"DEADBEEF"_qs, u"lower case and ☃"_qs}) {
        body[0] = QStringLiteral("<settings version=\"1.0\" crc=\"%1\">").arg(crc);
        writeFile(path, settingsFile(body));
        auto settings = start();
        EXPECT_EQ(settings->checkValue, crc);
        settings->Shutdown();
        EXPECT_EQ(readBytes(path), settingsFile(body)) << crc.toStdString();
    }
}

TEST_F(SettingsTest, AttributesAreTakenByPosition)
{
    QStringList body = defaultFileLines();
    body[4] = u" <automation c=\"true\" b=\"false\" a=\"false\" />"_qs;
    body[13] = u" <positions>\r\n  <position name=\"mainwindow\" flags=\"2\" show=\"3\" "
               u"left=\"10\" right=\"20\" top=\"30\" bottom=\"-40\" />"_qs;
    writeFile(path, settingsFile(body));
    auto settings = start();
    EXPECT_TRUE(settings->autoScan);
    EXPECT_FALSE(settings->autoSave);
    EXPECT_FALSE(settings->autoLoad);
    ASSERT_EQ(settings->placements.count(u"mainwindow"_qs), 1u);
    const WindowPlacement &p = settings->placements.at(u"mainwindow"_qs);
    EXPECT_EQ(p.length, 44);
    EXPECT_EQ(p.flags, 2);
    EXPECT_EQ(p.showCmd, 3);
    EXPECT_EQ(p.left, 10);
    EXPECT_EQ(p.right, 20);
    EXPECT_EQ(p.top, 30);
    EXPECT_EQ(p.bottom, -40);
    EXPECT_EQ(p.minX, 0);
    EXPECT_EQ(p.maxY, 0);
}

TEST_F(SettingsTest, TruncatedFileKeepsWhatCameBeforeTheCut)
{
    const QString whole = Header + defaultFileLines().join(u"\r\n");
    const qsizetype cut = whole.indexOf(u"<application name=\"") + 19 + 3;
    writeFile(path, QByteArray("\xFF\xFE", 2) + utf16le(whole.left(cut)));
    auto settings = start();
    EXPECT_EQ(settings->language, u"English");
    EXPECT_FALSE(settings->autoScan);
    EXPECT_TRUE(settings->autoSave);
    EXPECT_EQ(settings->programName, FirstStartProgram().name.left(3));
    // Everything after the end of the text reads as empty, 0 or false.
    EXPECT_TRUE(settings->programPath.isEmpty());
    EXPECT_FALSE(settings->showOnTaskBar);
    EXPECT_EQ(settings->GetSchemeCount(), 7);

    // A cut inside an odd byte, or a file of nothing at all, still loads.
    writeFile(path, QByteArray("\xFF\xFE<\0s", 5));
    EXPECT_EQ(start()->GetSchemeCount(), 7);
    writeFile(path, QByteArray());
    auto empty = start();
    expectStartValues(*empty);
    EXPECT_TRUE(empty->programName.isEmpty()) << "an existing file is no first start";
}

TEST_F(SettingsTest, FileWithoutByteOrderMarkReadsTheSame)
{
    QStringList body = defaultFileLines();
    body[2] = u" <language name=\"Nowhere\" />"_qs;
    body[3] = u" <iconlib name=\"metal\" />"_qs;
    writeFile(path, settingsFile(body, false));
    auto settings = start();
    EXPECT_EQ(settings->iconLibrary, u"metal");
    EXPECT_EQ(settings->programName, FirstStartProgram().name);
    settings->Shutdown();
    // The language has no folder here, so it falls back to English.
    body[2] = u" <language name=\"English\" />"_qs;
    EXPECT_EQ(readBytes(path), settingsFile(body));
}

TEST_F(SettingsTest, EveryFieldSurvivesSaveAndLoad)
{
    CSettings out;
    out.setFilePath(path);
    out.selectedScheme = 2;
    out.autoLoad = false;
    out.autoSave = false;
    out.autoScan = true;
    out.markBeforeScan = false;
    out.markAfterLoad = false;
    out.documentPath = u"/home/u/My Networks/Büro \"2\".net"_qs;
    out.browseByDefault = true;
    out.programName = u"Files"_qs;
    out.programPath = u"/usr/bin/<files>"_qs;
    out.programParameters = u"--open \"%s\" &lt;"_qs;
    out.showOnTaskBar = false;
    out.showInTray = true;
    out.allowSmb1 = true;
    out.iconLibrary = u"metal"_qs;
    out.language = u"Deutsch"_qs;
    out.checkValue = u"0123456789ABCDEF0123456789ABC"_qs;
    out.toolbarBands = {{59393, 358, 0x244}, {59392, 290, -1}, {7, 0, 0}};
    out.placements[u"mainwindow"_qs] = {44, 2, 3, 0, 0, 0, 0, -8, 10, 1280, 700};
    out.placements[u"Main"_qs] = {44, 0, 1, 0, 0, 0, 0, 1, 2, 3, 4};
    out.placements[u"dialog"_qs] = {};
    out.AddScheme(u"One"_qs);
    out.AddScheme(u"Two"_qs);
    out.GetScheme(1)->groupByHost = 1;
    ShareGroup group;
    group.name = u"G"_qs;
    group.visible = 1;
    group.includeKeywords = {u"a"_qs, QString(), u"\"q\""_qs, u"<lt>"_qs};
    group.excludeKeywords = {u"&amp;"_qs, QString()};
    out.GetScheme(1)->groups << group;
    out.Save();

    // Placements are written in the order of their names' code units.
    const QByteArray bytes = readBytes(path);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2),
                                            bytes.size() / 2 - 1);
    EXPECT_LT(text.indexOf(u"name=\"Main\""), text.indexOf(u"name=\"dialog\""));
    EXPECT_LT(text.indexOf(u"name=\"dialog\""), text.indexOf(u"name=\"mainwindow\""));

    CSettings in;
    in.setFilePath(path);
    ASSERT_TRUE(in.Load());
    ASSERT_TRUE(in.Load()) << "loading twice must not add up lists";
    EXPECT_EQ(in.selectedScheme, 2);
    EXPECT_FALSE(in.autoLoad);
    EXPECT_FALSE(in.autoSave);
    EXPECT_TRUE(in.autoScan);
    EXPECT_FALSE(in.markBeforeScan);
    EXPECT_FALSE(in.markAfterLoad);
    EXPECT_EQ(in.documentPath, out.documentPath);
    EXPECT_TRUE(in.browseByDefault);
    EXPECT_EQ(in.programName, out.programName);
    EXPECT_EQ(in.programPath, out.programPath);
    EXPECT_EQ(in.programParameters, out.programParameters);
    EXPECT_FALSE(in.showOnTaskBar);
    EXPECT_TRUE(in.showInTray);
    EXPECT_TRUE(in.allowSmb1);
    EXPECT_EQ(in.iconLibrary, out.iconLibrary);
    EXPECT_EQ(in.language, out.language);
    EXPECT_EQ(in.checkValue, out.checkValue);
    ASSERT_EQ(in.toolbarBands.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(in.toolbarBands[i].id, out.toolbarBands[i].id);
        EXPECT_EQ(in.toolbarBands[i].cx, out.toolbarBands[i].cx);
        EXPECT_EQ(in.toolbarBands[i].style, out.toolbarBands[i].style);
    }
    ASSERT_EQ(in.placements.size(), 3u);
    for (const auto &[name, p] : out.placements) {
        const WindowPlacement &q = in.placements.at(name);
        EXPECT_EQ(q.length, 44);
        EXPECT_EQ(q.flags, p.flags);
        EXPECT_EQ(q.showCmd, p.showCmd);
        EXPECT_EQ(q.left, p.left);
        EXPECT_EQ(q.top, p.top);
        EXPECT_EQ(q.right, p.right);
        EXPECT_EQ(q.bottom, p.bottom);
    }
    ASSERT_EQ(in.GetSchemeCount(), 2);
    EXPECT_EQ(in.GetScheme(0)->name, u"One");
    EXPECT_TRUE(in.GetScheme(0)->groups.isEmpty());
    EXPECT_EQ(in.GetScheme(1)->groupByHost, 1);
    ASSERT_EQ(in.GetScheme(1)->groups.size(), 1);
    EXPECT_EQ(in.GetScheme(1)->groups[0].includeKeywords, group.includeKeywords);
    EXPECT_EQ(in.GetScheme(1)->groups[0].excludeKeywords, group.excludeKeywords);

    // Writing what was read gives the same file.
    in.Save();
    EXPECT_EQ(readBytes(path), bytes);
}

TEST_F(SettingsTest, FileLocation)
{
    CSettings settings;
    EXPECT_TRUE(settings.filePath().endsWith(u"/Brevant/Lanterra/settings.xml"));
    // Saving creates the missing folders.
    settings.setFilePath(path);
    EXPECT_FALSE(QDir(dir.filePath(u"Brevant"_qs)).exists());
    settings.Save();
    EXPECT_TRUE(QFile::exists(path));

    CSettings::setInstance(&settings);
    EXPECT_EQ(CSettings::instance(), &settings);
    CSettings::setInstance(nullptr);
}

TEST_F(SettingsTest, DefaultSchemesAreTranslatedOnlyAtFirstStart)
{
    const QStringList language = {
        u"<language format=\"1\" title=\"Deutsch\" author=\"test\">"_qs,
        u" <sections>"_qs,
        u"  <section name=\"Schemes names\">"_qs,
        u"   <string id=\"0\" text=\"Alle Ressourcen\" />"_qs,
        u"  </section>"_qs,
        u" </sections>"_qs,
        u"</language>"_qs,
    };
    writeFile(dir.filePath(u"data/Locales/German/German.lng"_qs), settingsFile(language));

    // First start: the language is detected and loaded before the schemes
    // are built.
    qputenv("LC_ALL", "de_DE.UTF-8");
    auto first = start();
    qputenv("LC_ALL", "C");
    EXPECT_EQ(first->language, u"German");
    EXPECT_EQ(first->languageIndex, 0);
    EXPECT_EQ(first->GetScheme(0)->name, u"Alle Ressourcen");
    EXPECT_EQ(first->GetScheme(1)->name, u"Video resources");

    // A file without schemes: they are built while reading it, before any
    // language is loaded.
    QStringList body = defaultFileLines().mid(0, 15);
    body[2] = u" <language name=\"german\" />"_qs;
    body << u" <schemes selected=\"1\">"_qs << u" </schemes>"_qs << u"</settings>"_qs;
    writeFile(path, settingsFile(body));
    LanguageTable().Clear();
    auto second = start();
    EXPECT_EQ(second->language, u"German");
    EXPECT_EQ(second->languageIndex, 0);
    EXPECT_EQ(second->GetScheme(0)->name, u"All resources");
    EXPECT_EQ(LookupText(u"Schemes names"_qs, 0, u"x"_qs), u"Alle Ressourcen");
}
