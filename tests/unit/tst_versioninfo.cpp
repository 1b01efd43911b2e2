// SPDX-License-Identifier: GPL-3.0-or-later
// Version information: the string table chosen for the user's language,
// the fixed part, and programs without a version resource.
#include "settings/resourcewriter.h"
#include "settings/versioninfo.h"

#include "resourcebuilders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace ResourceBuilders;

namespace {

constexpr quint16 German = 0x0407;
constexpr quint16 UsEnglish = 0x0409;

const StringTable English{UsEnglish, 1200, {{"ProductName", "Files"}, {"InternalName", "files"},
                                           {"FileVersion", "1.2.0"}, {"CompanyName", "Example"}}};
const StringTable Deutsch{German, 1252, {{"ProductName", "Dateien"}, {"FileVersion", "1.2.0"}}};

QString writeModule(const QTemporaryDir &dir, const QByteArray &version)
{
    CResourceModuleWriter writer;
    writer.Add(16, 1, version);
    const QString path = dir.filePath(QStringLiteral("program.exe"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(writer.Write());
    return path;
}

} // namespace

TEST(VersionInfo, EnglishTableServesAGermanUser)
{
    CVersionInfo info;
    ASSERT_TRUE(info.CreateFromResource(VersionResource({English}), German));
    EXPECT_EQ(info.GetProductName(), "Files");
    EXPECT_EQ(info.GetInternalName(), "files");
    EXPECT_EQ(info.GetCompanyName(), "Example");
    EXPECT_EQ(info.GetComments(), "");
    EXPECT_EQ(info.fixedInfo().signature, 0xFEEF04BDu);
    EXPECT_EQ(info.fixedInfo().fileVersionMS, 0x00010002u);
}

TEST(VersionInfo, TheUsersOwnLanguageWins)
{
    CVersionInfo info;
    ASSERT_TRUE(info.CreateFromResource(VersionResource({English, Deutsch}), German));
    EXPECT_EQ(info.GetProductName(), "Dateien");
    EXPECT_EQ(info.GetInternalName(), "") << "nothing is mixed in from other tables";
    ASSERT_TRUE(info.CreateFromResource(VersionResource({Deutsch, English}), UsEnglish));
    EXPECT_EQ(info.GetProductName(), "Files");
}

TEST(VersionInfo, NoTranslationArrayIsSuccessWithoutStrings)
{
    CVersionInfo info;
    ASSERT_TRUE(info.CreateFromResource(VersionResource({English}, false), UsEnglish));
    EXPECT_EQ(info.GetProductName(), "");
    EXPECT_EQ(info.fixedInfo().fileVersionMS, 0x00010002u);
}

TEST(VersionInfo, FixedPartOfAnotherLengthIsIgnored)
{
    CVersionInfo info;
    ASSERT_TRUE(info.CreateFromResource(VersionResource({English}, true, 48), UsEnglish));
    EXPECT_EQ(info.fixedInfo().signature, 0u);
    EXPECT_EQ(info.fixedInfo().fileVersionMS, 0u);
    EXPECT_EQ(info.GetProductName(), "Files");
}

TEST(VersionInfo, ChoiceRulesInOrder)
{
    struct Case
    {
        QList<quint32> languages;
        quint16 user;
        int expected;
    };
    const Case cases[] = {
        {{0x0409, 0x0407}, German, 1},         // exact
        {{0x0409, 0x0807}, German, 1},         // same primary language
        {{0x0410, 0x0000, 0x0409}, German, 1}, // neutral
        {{0x0410, 0x0400, 0x0409}, German, 1}, // neutral primary language
        {{0x0410, 0x0009, 0x0809}, German, 1}, // English, neutral sublanguage
        {{0x0410, 0x0809}, German, 1},         // any English
        {{0x0410, 0x040C}, German, 0},         // the first
        {{}, German, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChooseTranslation(c.languages, c.user), c.expected) << c.languages.value(c.expected);
}

TEST(VersionInfo, LocaleNamesGiveLanguageIds)
{
    EXPECT_EQ(LanguageIdForLocale("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(LanguageIdForLocale("de_AT"), 0x0C07);
    EXPECT_EQ(LanguageIdForLocale("en_GB.UTF-8"), 0x0809);
    EXPECT_EQ(LanguageIdForLocale("ru"), 0x0419);
    EXPECT_EQ(LanguageIdForLocale("C"), 0x0409);
}

TEST(VersionInfo, ReadsTheResourceOfAModuleFile)
{
    QTemporaryDir dir;
    CVersionInfo info;
    ASSERT_TRUE(info.Create(writeModule(dir, VersionResource({English, Deutsch})), German));
    EXPECT_EQ(info.GetProductName(), "Dateien");

    // A module without version resource, and a damaged block.
    CResourceModuleWriter empty;
    QFile file(dir.filePath("plain.dll"));
    file.open(QIODevice::WriteOnly);
    file.write(empty.Write());
    file.close();
    EXPECT_FALSE(info.Create(file.fileName(), German));
    EXPECT_FALSE(info.CreateFromResource(QByteArray("\x04\0", 2), German));
    const QByteArray whole = VersionResource({English, Deutsch});
    for (qsizetype length = 0; length < whole.size(); length += 3)
        info.CreateFromResource(whole.left(length), German);
}

TEST(VersionInfo, ProgramsWithoutResourceTakeTheirDesktopEntry)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin/filebrowser"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("data/applications")));
    QFile exe(program);
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write("#!/bin/sh\n");
    exe.close();
    exe.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile entry(dir.filePath(QStringLiteral("data/applications/org.example.Browser.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=File Browser\nName[de]=Dateibrowser\n"
                "Comment=Browse files\nIcon=system-file-manager\nExec=" + program.toUtf8() + " %U\n"
                "[Desktop Action new]\nName=Other\n");
    entry.close();
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_DATA_DIRS", dir.filePath(QStringLiteral("none")).toUtf8());
    qputenv("LC_ALL", "de_DE.UTF-8");
    // Names anyone may put there, listed before the real entry: the search
    // must neither wait on a pipe nor read a device without end.
    const QString applications = dir.filePath(QStringLiteral("data/applications/"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(applications + QStringLiteral("a-pipe.desktop")).constData(), 0600), 0);
    ASSERT_TRUE(
        QFile::link(applications + QStringLiteral("a-pipe.desktop"), applications + QStringLiteral("b-pipe.desktop")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), applications + QStringLiteral("c-zero.desktop")));

    CVersionInfo info;
    ASSERT_TRUE(info.Create(program, German));
    EXPECT_EQ(info.GetProductName(), "Dateibrowser");
    EXPECT_EQ(info.GetFileDescription(), "Browse files");
    EXPECT_EQ(info.GetInternalName(), "filebrowser");
    EXPECT_EQ(info.GetIconName(), "system-file-manager");

    qputenv("LC_ALL", "C");
    ASSERT_TRUE(info.Create(program, UsEnglish));
    EXPECT_EQ(info.GetProductName(), "File Browser");

    // A program no desktop entry launches has no version information.
    EXPECT_FALSE(info.Create(dir.filePath(QStringLiteral("data/applications/org.example.Browser.desktop")),
                             UsEnglish));
    EXPECT_EQ(info.GetProductName(), "");
    qunsetenv("LC_ALL");
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
}

// A program picked for browsing is parsed as a module: the crafted trees of
// an icon library must not hold the dialog either.
TEST(VersionInfo, CraftedProgramsGiveNoVersion)
{
    QTemporaryDir dir;
    const QByteArray modules[] = {LoopingModule(65535), LoopingModule(65535, 2), WideModule(65535, 4)};
    for (const QByteArray &bytes : modules) {
        QFile file(dir.filePath(QStringLiteral("crafted.exe")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        CVersionInfo info;
        EXPECT_FALSE(info.Create(file.fileName(), UsEnglish));
        EXPECT_EQ(info.GetProductName(), "");
    }
}
