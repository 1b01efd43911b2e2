// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's file manager as the program for browsing: which handler of
// folders is the default, and how its desktop entry's Exec line becomes a
// program and parameters with "%s" where the share's address goes.
#include "settings/desktopentry.h"
#include "settings/detectdefaults.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

class BrowsingDetectionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *folder : {"config", "sysconfig", "data/applications", "sysdata/applications", "bin"})
            QDir(dir.path()).mkpath(QLatin1String(folder));
        saved = {qgetenv("XDG_CONFIG_HOME"), qgetenv("XDG_CONFIG_DIRS"), qgetenv("XDG_DATA_HOME"),
                 qgetenv("XDG_DATA_DIRS"), qgetenv("XDG_CURRENT_DESKTOP"), qgetenv("PATH")};
        qputenv("XDG_CONFIG_HOME", path("config"));
        qputenv("XDG_CONFIG_DIRS", path("sysconfig"));
        qputenv("XDG_DATA_HOME", path("data"));
        qputenv("XDG_DATA_DIRS", path("sysdata"));
        qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
        // No xdg-mime either: only what the test writes.
        qputenv("PATH", path("bin"));
        program("files");
    }
    void TearDown() override
    {
        const char *names[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME",
                               "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP", "PATH"};
        for (int i = 0; i < 6; ++i)
            saved[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
    }
    QByteArray path(const char *relative) const { return dir.filePath(QLatin1String(relative)).toUtf8(); }
    void write(const QString &relative, const QByteArray &text)
    {
        QFile file(dir.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    void program(const QString &name)
    {
        write(QStringLiteral("bin/") + name, "#!/bin/sh\n");
        QFile(dir.filePath(QStringLiteral("bin/") + name))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void entry(const QString &id, const QByteArray &exec, const QByteArray &extra = {})
    {
        write(QStringLiteral("sysdata/applications/") + id,
              "[Desktop Entry]\nType=Application\nName=" + id.section(u'.', 0, 0).toUtf8() + "\nIcon=folder\nExec=" +
                  exec + "\n" + extra);
    }
    std::optional<BrowsingProgram> fromExec(const QByteArray &exec)
    {
        entry(QStringLiteral("probe.desktop"), exec);
        const auto read = DesktopEntry::Read(dir.filePath(QStringLiteral("sysdata/applications/probe.desktop")));
        return read ? BrowsingProgramFromEntry(*read) : std::nullopt;
    }
    // What browsing hands the program for a share.
    static QStringList argumentsFor(const BrowsingProgram &p, const QString &share)
    {
        QStringList arguments = QProcess::splitCommand(p.parameters);
        for (QString &a : arguments)
            if (a.contains(QStringLiteral("%s"))) {
                a.replace(QStringLiteral("%s"), share);
                break;
            }
        return arguments;
    }

    QTemporaryDir dir;
    QList<QByteArray> saved;
};

} // namespace

TEST_F(BrowsingDetectionTest, DefaultHandlerOfFoldersIsTheFileManager)
{
    entry("org.example.Files.desktop", "files --new-window %U");
    entry("other.desktop", "files %F", "MimeType=inode/directory;\n");
    write("sysdata/applications/mimeinfo.cache", "[MIME Cache]\ninode/directory=other.desktop;\n");
    // Without a choice, the entries' own claim decides.
    std::optional<BrowsingProgram> found = DesktopFileManager();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "other");

    // The desktop-specific list comes before the general one.
    write("config/mimeapps.list", "[Default Applications]\ninode/directory=other.desktop\n");
    write("config/test-mimeapps.list",
          "[Added Associations]\ntext/plain=x.desktop\n[Default Applications]\n"
          "inode/directory=missing.desktop;org.example.Files.desktop;\n");
    found = DesktopFileManager();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "org");
    EXPECT_EQ(found->path, dir.filePath("bin/files"));
    EXPECT_EQ(found->parameters, "--new-window %s");
    EXPECT_EQ(argumentsFor(*found, "smb://host/share"), (QStringList{"--new-window", "smb://host/share"}));

    // A first start takes it as the program for browsing.
    CSettings settings;
    settings.DetectDefaults();
    EXPECT_EQ(settings.programPath, dir.filePath("bin/files"));
    EXPECT_EQ(settings.programParameters, "--new-window %s");
}

TEST_F(BrowsingDetectionTest, NoHandlerTakesTheDesktopOpener)
{
    EXPECT_FALSE(DesktopFileManager());
    // A handler whose program is not installed does not count.
    entry("gone.desktop", "not-installed %U");
    write("config/mimeapps.list", "[Default Applications]\ninode/directory=gone.desktop\n");
    EXPECT_FALSE(DesktopFileManager());
    // Removed associations are not taken.
    entry("other.desktop", "files %U");
    write("data/applications/mimeinfo.cache", "[MIME Cache]\ninode/directory=other.desktop\n");
    write("config/mimeapps.list", "[Removed Associations]\ninode/directory=other.desktop\n");
    EXPECT_FALSE(DesktopFileManager());

    // Never a Windows program here: the desktop's opener takes the share's
    // address, by name until it is installed, by its path once it is.
    CSettings settings;
    settings.DetectDefaults();
    EXPECT_EQ(settings.programName, "xdg-open");
    EXPECT_EQ(settings.programPath, "xdg-open");
    EXPECT_EQ(settings.programParameters, "%s");
    program("xdg-open");
    settings.DetectDefaults();
    EXPECT_EQ(settings.programPath, dir.filePath("bin/xdg-open"));
    EXPECT_EQ(argumentsFor(BrowsingProgram{settings.programName, settings.programPath, settings.programParameters},
                           "smb://host/share"),
              QStringList{"smb://host/share"});
}

TEST_F(BrowsingDetectionTest, FieldCodesOfTheExecLine)
{
    const struct
    {
        const char *exec;
        const char *parameters;
    } cases[] = {
        {"files %u", "%s"},
        {"files %U", "%s"},
        {"files %f", "%s"},
        {"files --select=%F", "--select=%s"},
        {"files %U %f", "%s"},                 // only the first takes the share
        {"files", "%s"},                       // no code: the address goes last
        {"files %i %U", "--icon folder %s"},
        {"files --name %c %u", "--name probe %s"},
        {"files 100%% %d %u", "100% %s"},      // deprecated codes vanish
        {"\"files\" \"--title=My Files\" %U", "\"--title=My Files\" %s"},
    };
    for (const auto &c : cases) {
        const std::optional<BrowsingProgram> p = fromExec(c.exec);
        ASSERT_TRUE(p) << c.exec;
        EXPECT_EQ(p->path, dir.filePath("bin/files"));
        EXPECT_EQ(p->parameters, QLatin1String(c.parameters)) << c.exec;
    }
    const std::optional<BrowsingProgram> k = fromExec("files --entry %k %u");
    ASSERT_TRUE(k);
    EXPECT_EQ(argumentsFor(*k, "smb://h/s"),
              (QStringList{"--entry", dir.filePath("sysdata/applications/probe.desktop"), "smb://h/s"}));
    EXPECT_FALSE(fromExec(""));
}

TEST(DesktopEntries, ExecQuotingAndEscapes)
{
    EXPECT_EQ(SplitExecLine("a  \"b c\" \"d\\\"e\" \"f\\\\g\" h"), (QStringList{"a", "b c", "d\"e", "f\\g", "h"}));
    EXPECT_EQ(SplitExecLine(""), QStringList());
    EXPECT_EQ(SplitExecLine("\"\""), QStringList{""});
    // Arguments survive the round trip through the parameter text.
    const QStringList awkward{"plain", "with space", "quote\"inside", "%s"};
    EXPECT_EQ(QProcess::splitCommand(JoinArguments(awkward)), awkward);
}
