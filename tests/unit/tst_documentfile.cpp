// SPDX-License-Identifier: GPL-3.0-or-later
// What guards the user's files: files that are no network document, files
// read only in part, files that are not files at all, saves that cannot
// replace the old file, and the names in the file's text.
#include "app/lanterraapp.h"
#include "model/lanterradoc.h"
#include "settings/settings.h"
#include "xml/xmldocument.h"

#include "documentbuilder.h"
#include "laterescue.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Utf16LE(const QString &text, bool bom = true)
{
    QByteArray bytes = bom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

// A document with a workgroup, two hosts and three shares.
void Fill(CLanterraDoc &doc)
{
    NetRecord *net = AddNet(doc, QStringLiteral("WORKGROUP"));
    AddHost(doc, net, QStringLiteral("SERVER"), QStringLiteral("10.0.0.2"), {QStringLiteral("Music"), QStringLiteral("Films")});
    AddHost(doc, net, QStringLiteral("NAS"), QStringLiteral("10.0.0.3"), {QStringLiteral("Backup")});
}

class FileGuards : public ::testing::Test
{
protected:
    FileGuards()
    {
        // The copies that guard saves in place go to the user's cache.
        m_cacheBefore = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("cache"))));
        m_settings.setFilePath(m_dir.filePath(QStringLiteral("settings.xml")));
        m_settings.autoSave = true;
        app.setNetworksFolder(m_dir.filePath(QStringLiteral("My Networks")));
    }

    ~FileGuards() override
    {
        if (m_cacheBefore.isNull())
            qunsetenv("XDG_CACHE_HOME");
        else
            qputenv("XDG_CACHE_HOME", m_cacheBefore);
    }

    QString PathOf(const QString &name) const { return m_dir.filePath(name); }

    // A complete document on disk, as the program writes it.
    QString SavedDocument(const QString &name) const
    {
        CLanterraDoc doc;
        Fill(doc);
        const QString path = PathOf(name);
        EXPECT_TRUE(doc.WriteDocumentFile(path));
        return path;
    }

    QByteArray m_cacheBefore;
    QTemporaryDir m_dir;
    CSettings m_settings;
    CLanterraApp app{&m_settings};
};

// --- Files that are no network document of version 1.0 -----------------------

TEST_F(FileGuards, FilesThatAreNoDocumentAreRefusedAndLeftAlone)
{
    const QString good = SavedDocument(QStringLiteral("Office.net"));
    const QByteArray document = ReadBytes(good);
    QString asText = QString::fromUtf16(reinterpret_cast<const char16_t *>(document.constData() + 2),
                                        (document.size() - 2) / 2);
    QByteArray random(4096, Qt::Uninitialized);
    for (qsizetype i = 0; i < random.size(); ++i)
        random[i] = char((i * 7919 + 13) % 251);
    QByteArray utf16be("\xFE\xFF", 2);
    for (QChar c : asText) {
        utf16be.append(char(c.unicode() >> 8));
        utf16be.append(char(c.unicode() & 0xFF));
    }
    QString otherVersion = asText;
    otherVersion.replace(QStringLiteral("<document version=\"1.0\">"), QStringLiteral("<document version=\"2.0\">"));
    QString noVersion = asText;
    noVersion.replace(QStringLiteral("<document version=\"1.0\">"), QStringLiteral("<document>"));
    QString otherRoot = asText;
    otherRoot.replace(QStringLiteral("<document version=\"1.0\">"), QStringLiteral("<settings version=\"1.0\">"));

    const struct
    {
        const char *name;
        QByteArray bytes;
        const char *reason;
    } cases[] = {
        {"notes.txt", QByteArray("Shopping list\nmilk\n").repeated(500), "not a network document"},
        {"utf8.net", asText.toUtf8(), "UTF-8"},
        {"utf8bom.net", "\xEF\xBB\xBF" + asText.toUtf8(), "UTF-8"},
        {"utf16be.net", utf16be, "big-endian"},
        {"random.net", random, "not a network document"},
        {"version.net", Utf16LE(otherVersion), "version 1.0"},
        {"noversion.net", Utf16LE(noVersion), "version 1.0"},
        {"settings.net", Utf16LE(otherRoot), "version 1.0"},
        {"empty.net", QByteArray(), "not a network document"},
    };

    ASSERT_TRUE(app.OnFileOpen(good));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = PathOf(QString::fromLatin1(c.name));
        WriteBytes(path, c.bytes);
        const Result<QString> opened = app.OnFileOpen(path);
        EXPECT_FALSE(opened);
        EXPECT_TRUE(opened.reason().contains(path)) << qPrintable(opened.reason());
        EXPECT_TRUE(opened.reason().contains(QLatin1String(c.reason))) << qPrintable(opened.reason());
        // The open document stays, and so does the refused file.
        EXPECT_EQ(app.document().GetPathName(), good);
        EXPECT_EQ(app.document().GetShareCount(), 3);
        EXPECT_EQ(ReadBytes(path), c.bytes);
    }
    // Closing writes the open document, never one of the refused files.
    EXPECT_TRUE(app.OnCloseDocument());
    for (const auto &c : cases)
        EXPECT_EQ(ReadBytes(PathOf(QString::fromLatin1(c.name))), c.bytes);
}

TEST_F(FileGuards, ADocumentReadInPartIsKeptAsABackupAtTheFirstSave)
{
    const QString original = SavedDocument(QStringLiteral("Whole.net"));
    const QByteArray document = ReadBytes(original);
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(document.constData() + 2),
                                      (document.size() - 2) / 2);
    // One renamed element: every host after it would be lost on the next save.
    const QString cut = text.left(text.indexOf(QStringLiteral("<share name=\"Backup\"")));
    text.replace(QStringLiteral("<shares>\r\n     <share name=\"Music\""), QStringLiteral("<sharez>\r\n     <share name=\"Music\""));
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"Renamed.net", Utf16LE(text)},
        {"Cut.net", Utf16LE(cut)},
        {"Trailing.net", Utf16LE(QString::fromUtf16(reinterpret_cast<const char16_t *>(document.constData() + 2),
                                                    (document.size() - 2) / 2)
                                 + QStringLiteral("\r\n<extra />"))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = PathOf(QString::fromLatin1(c.name));
        WriteBytes(path, c.bytes);
        const Result<QString> opened = app.OnFileOpen(path);
        ASSERT_TRUE(opened);
        EXPECT_TRUE(opened.value().contains(path)) << qPrintable(opened.value());
        EXPECT_TRUE(opened.value().contains(path + QStringLiteral(".bak"))) << qPrintable(opened.value());
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral(".bak")));

        // The first save keeps the original beside the file, the next does not
        // touch that backup again.
        EXPECT_TRUE(app.OnFileSave());
        EXPECT_EQ(ReadBytes(path + QStringLiteral(".bak")), c.bytes);
        EXPECT_NE(ReadBytes(path), c.bytes);
        EXPECT_TRUE(app.OnFileSave());
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral(".2.bak")));
        EXPECT_EQ(ReadBytes(path + QStringLiteral(".bak")), c.bytes);
    }

    // A whole document opens without a warning and makes no backup.
    const Result<QString> opened = app.OnFileOpen(original);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened.value().isEmpty());
    EXPECT_TRUE(app.OnFileSave());
    EXPECT_FALSE(QFileInfo::exists(original + QStringLiteral(".bak")));
}

TEST_F(FileGuards, TheBackupOfADocumentReadInPartIsMadeAtCloseAndNeverOverwritten)
{
    const QString path = SavedDocument(QStringLiteral("Closing.net"));
    QByteArray bytes = ReadBytes(path);
    bytes.chop(40);
    WriteBytes(path, bytes);
    WriteBytes(path + QStringLiteral(".bak"), "an older backup");
    const Result<QString> opened = app.OnFileOpen(path);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened.value().contains(path + QStringLiteral(".2.bak")));
    EXPECT_TRUE(app.OnMainWindowClosing());
    EXPECT_EQ(ReadBytes(path + QStringLiteral(".bak")), QByteArray("an older backup"));
    EXPECT_EQ(ReadBytes(path + QStringLiteral(".2.bak")), bytes);
}

TEST_F(FileGuards, NoSaveWithoutTheBackup)
{
    const QString folder = PathOf(QStringLiteral("sub"));
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/Part.net");
    CLanterraDoc doc;
    Fill(doc);
    ASSERT_TRUE(doc.WriteDocumentFile(path));
    QByteArray bytes = ReadBytes(path);
    bytes.chop(40);
    WriteBytes(path, bytes);
    // Every backup name is taken: the copy fails, so must the save.
    WriteBytes(path + QStringLiteral(".bak"), "taken");
    for (int i = 2; i < 10000; ++i)
        WriteBytes(path + QStringLiteral(".%1.bak").arg(i), "taken");
    ASSERT_TRUE(app.OnFileOpen(path));
    QString failure;
    QObject::connect(&app, &CLanterraApp::saveFailed, [&](const QString &message) { failure = message; });
    app.OnFileSave();
    EXPECT_EQ(ReadBytes(path), bytes);
    EXPECT_TRUE(failure.contains(path)) << qPrintable(failure);
    EXPECT_TRUE(failure.contains(QStringLiteral("could not be kept"))) << qPrintable(failure);
}

// Names far beyond any server's are cut when read, with a warning; the
// first save keeps the file as it was.
TEST_F(FileGuards, NamesBeyondTheLimitAreCutAtLoadAndTheOriginalKept)
{
    const qsizetype limit = CLanterraDoc::MaxNameLength;
    const struct
    {
        const char *name;
        QString text;
        QString read;
    } cases[] = {
        {"at the limit", QString(limit, u'a'), QString(limit, u'a')},
        {"one beyond", QString(limit + 1, u'b'), QString(limit, u'b')},
        {"a pair across the cut", QString(limit - 1, u'c') + QStringLiteral("\U0001F3B5"), QString(limit - 1, u'c')},
        {"millions", QString(5'000'000, u'd'), QString(limit, u'd')},
    };
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QString(limit + 10, u'W'));
    QStringList names;
    for (const auto &c : cases)
        names << c.text;
    AddHost(doc, net, QStringLiteral("HOST"), QStringLiteral("10.0.0.1"), names);
    const QString path = PathOf(QStringLiteral("Long names.net"));
    ASSERT_TRUE(doc.WriteDocumentFile(path));
    const QByteArray original = ReadBytes(path);

    const Result<QString> opened = app.OnFileOpen(path);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened.value().contains(QStringLiteral("5 name(s)"))) << qPrintable(opened.value());
    EXPECT_TRUE(opened.value().contains(path + QStringLiteral(".bak"))) << qPrintable(opened.value());
    ASSERT_EQ(app.document().GetShareCount(), int(std::size(cases)));
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(app.document().GetShare(i)->name, cases[i].read);
    }
    // The workgroup, in its own list and as the host's group.
    EXPECT_EQ(app.document().cacheNets()[0]->name, QString(limit, u'W'));
    EXPECT_TRUE(app.OnFileSave());
    EXPECT_EQ(ReadBytes(path + QStringLiteral(".bak")), original);
}

// --- Things that are not regular files, and files too large -----------------

TEST_F(FileGuards, FoldersDevicesAndPipesAreRefusedWithoutWaiting)
{
    const QString fifo = PathOf(QStringLiteral("pipe.net"));
    const QByteArray fifoName = QFile::encodeName(fifo);
    ASSERT_EQ(::mkfifo(fifoName.constData(), 0600), 0);
    // An open that waits for a writer is given one late; the open succeeds
    // (without blocking) only while a reader waits.
    std::atomic<bool> readerWaited{false};
    LateRescue rescue([&] {
        if (const int writer = ::open(fifoName.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); writer >= 0) {
            readerWaited = true;
            ::close(writer);
        }
    });
    const QString folder = PathOf(QStringLiteral("folder.net"));
    QDir().mkpath(folder);
    const struct
    {
        QString path;
        const char *reason;
    } cases[] = {
        {folder, "folder"},
        {QStringLiteral("/dev/zero"), "not a regular file"},
        {fifo, "not a regular file"},
        {PathOf(QStringLiteral("missing.net")), "No such file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.path));
        const Result<QString> opened = app.OnFileOpen(c.path);
        EXPECT_FALSE(opened);
        EXPECT_TRUE(opened.reason().contains(c.path)) << qPrintable(opened.reason());
        EXPECT_TRUE(opened.reason().contains(QLatin1String(c.reason))) << qPrintable(opened.reason());
    }
    rescue.Cancel();
    EXPECT_FALSE(readerWaited.load()) << "the open waited for a writer of the pipe";
}

TEST_F(FileGuards, FilesBeyondTheSizeLimitAreRefused)
{
    const QString path = PathOf(QStringLiteral("huge.net"));
    {
        // Sparse: no disk space is taken.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Utf16LE(QStringLiteral("<document version=\"1.0\">")));
        ASSERT_TRUE(file.resize(MaxXmlFileBytes + 2));
    }
    const Result<QString> opened = app.OnFileOpen(path);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(opened.reason().contains(QStringLiteral("too large"))) << qPrintable(opened.reason());
    CSettings settings;
    settings.setFilePath(path);
    EXPECT_FALSE(settings.Load());
}

TEST(SettingsFileGuards, SettingsThatAreNoFileFallBackToTheDefaults)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.xml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir.filePath(QStringLiteral("folder.xml"));
    QDir().mkpath(folder);
    for (const QString &path : {fifo, folder, QStringLiteral("/dev/zero")}) {
        SCOPED_TRACE(qPrintable(path));
        CSettings settings;
        settings.setFilePath(path);
        settings.language = QStringLiteral("unset");
        EXPECT_FALSE(settings.Load());
        // As for a missing file: the first start's detection ran.
        EXPECT_NE(settings.language, u"unset");
    }
}

// --- Paths -------------------------------------------------------------------

TEST_F(FileGuards, DocumentsAreKnownByTheirFullPath)
{
    const QString saved = SavedDocument(QStringLiteral("Relative.net"));
    QDir().mkpath(PathOf(QStringLiteral("sub")));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(PathOf(QStringLiteral("sub"))));
    const bool opened = app.OnFileOpen(QStringLiteral("../Relative.net")).ok();
    const bool savedAs = opened && app.OnFileSaveAs(QStringLiteral("./Copy.net")).ok();
    QDir::setCurrent(before);
    ASSERT_TRUE(opened);
    ASSERT_TRUE(savedAs);
    EXPECT_EQ(app.document().GetPathName(), PathOf(QStringLiteral("sub/Copy.net")));
    EXPECT_EQ(app.title(), u"Copy");
    EXPECT_TRUE(QFileInfo::exists(PathOf(QStringLiteral("sub/Copy.net"))));

    // What the settings remember is the full path too.
    ASSERT_TRUE(QDir::setCurrent(PathOf(QStringLiteral("sub"))));
    const bool started = app.InitInstance({QStringLiteral("lanterra"), QStringLiteral("../Relative.net")}).ok();
    QDir::setCurrent(before);
    ASSERT_TRUE(started);
    EXPECT_EQ(app.document().GetPathName(), saved);
    app.OnMainWindowClosing();
    EXPECT_EQ(m_settings.documentPath, saved);
}

// --- Saves -------------------------------------------------------------------

TEST_F(FileGuards, EveryFailedSaveIsReportedWithTheFileAndTheReason)
{
    ASSERT_TRUE(app.OnFileNew());
    QStringList failures;
    QObject::connect(&app, &CLanterraApp::saveFailed, [&](const QString &message) { failures << message; });

    const QString blocked = PathOf(QStringLiteral("no/such/folder/Lost.net"));
    const Result<void> savedAs = app.OnFileSaveAs(blocked);
    EXPECT_FALSE(savedAs); // the command answers what happened
    EXPECT_EQ(app.document().GetPathName(), blocked); // and still takes the new name
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(blocked)) << qPrintable(failures[0]);
    EXPECT_FALSE(savedAs.reason().isEmpty());

    // The save at close reports too, and says so to its caller.
    const Result<void> closed = app.OnMainWindowClosing();
    EXPECT_FALSE(closed);
    EXPECT_TRUE(closed.reason().contains(blocked)) << qPrintable(closed.reason());
    EXPECT_EQ(failures.size(), 2);
}

// A save killed after the new text is written and synced, right before it
// replaces the old file: the old file is whole, the new text is not taken.
TEST_F(FileGuards, ASaveInterruptedBeforeTheRenameLeavesTheOldFile)
{
    const QString path = SavedDocument(QStringLiteral("Interrupted.net"));
    const QByteArray before = ReadBytes(path);
    ASSERT_FALSE(before.isEmpty());
    EXPECT_EXIT(
        {
            SetXmlSaveInterruptionForTests([] { std::raise(SIGKILL); });
            CLanterraDoc doc;
            Fill(doc);
            AddHost(doc, doc.cacheNets()[0].get(), QStringLiteral("NEW"), QStringLiteral("10.0.0.9"),
                    {QStringLiteral("New")});
            doc.WriteDocumentFile(path);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(ReadBytes(path), before);

    // Without the interruption the same save replaces the file.
    CLanterraDoc doc;
    Fill(doc);
    AddHost(doc, doc.cacheNets()[0].get(), QStringLiteral("NEW"), QStringLiteral("10.0.0.9"), {QStringLiteral("New")});
    ASSERT_TRUE(doc.WriteDocumentFile(path));
    EXPECT_NE(ReadBytes(path), before);
}

// The user's own file in a folder where they may not create files: the safe
// save cannot make its temporary file there, so the file is written in place.
TEST_F(FileGuards, AWritableFileInAFolderThatRefusesNewFilesIsWrittenInPlace)
{
    // Permissions do not bind root: the save runs as another user in a child.
    constexpr uid_t Nobody = 65534;
    const QString folder = PathOf(QStringLiteral("shared"));
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/Mine.net");
    const QString otherPath = folder + QStringLiteral("/Theirs.net");
    {
        CLanterraDoc doc;
        ASSERT_TRUE(doc.WriteDocumentFile(path));
        ASSERT_TRUE(doc.WriteDocumentFile(otherPath));
    }
    const QByteArray before = ReadBytes(path);
    const QByteArray dirPath = QFile::encodeName(m_dir.path());
    const QByteArray folderPath = QFile::encodeName(folder);
    const QByteArray filePath = QFile::encodeName(path);
    const QByteArray otherFilePath = QFile::encodeName(otherPath);
    ASSERT_EQ(::chmod(dirPath.constData(), 0755), 0);
    ASSERT_EQ(::chown(folderPath.constData(), 0, 0), 0);
    ASSERT_EQ(::chmod(folderPath.constData(), 0755), 0);
    ASSERT_EQ(::chown(filePath.constData(), Nobody, Nobody), 0);
    ASSERT_EQ(::chmod(filePath.constData(), 0644), 0);
    ASSERT_EQ(::chmod(otherFilePath.constData(), 0644), 0);
    const bool asRoot = ::geteuid() == 0;

    const QString cache = PathOf(QStringLiteral("nobodys-cache"));
    QDir().mkpath(cache);
    ASSERT_EQ(::chown(QFile::encodeName(cache).constData(), Nobody, Nobody), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (asRoot && (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(10);
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
        CLanterraDoc doc;
        Fill(doc);
        if (!doc.WriteDocumentFile(path))
            ::_exit(11);
        // A file the user may not write fails as before, with a reason.
        if (const Result<void> refused = doc.WriteDocumentFile(otherPath); refused || refused.reason().isEmpty())
            ::_exit(12);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (!asRoot)
        GTEST_SKIP() << "needs root to act as another user";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const QByteArray after = ReadBytes(path);
    EXPECT_NE(after, before);
    CLanterraDoc back;
    ASSERT_TRUE(back.ReadDocumentFile(path, false));
    EXPECT_EQ(back.GetShareCount(), 3);
    EXPECT_TRUE(back.GetPendingBackupOf().isEmpty());
    // Nothing else appeared in the folder, and the copy that guarded the
    // save is gone with it.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
    EXPECT_TRUE(QDir(cache + QStringLiteral("/Brevant/Lanterra/Saves")).isEmpty());
}

// A save in place killed after it began writing leaves the file empty or
// cut, and the complete text in its copy: the next open writes the copy
// back and says so. A copy the file does not begin is not used.
TEST_F(FileGuards, AFileCutByASaveInPlaceIsRestoredAtTheNextOpen)
{
    const QString whole = SavedDocument(QStringLiteral("Whole.net"));
    const QByteArray complete = ReadBytes(whole);
    QByteArray other;
    {
        CLanterraDoc doc;
        Fill(doc);
        AddHost(doc, doc.cacheNets()[0].get(), QStringLiteral("NEW"), QStringLiteral("10.0.0.9"),
                {QStringLiteral("New")});
        const QString path = PathOf(QStringLiteral("Other.net"));
        ASSERT_TRUE(doc.WriteDocumentFile(path));
        other = ReadBytes(path);
    }
    const struct
    {
        const char *name;
        QByteArray onDisk;
        bool restored;
        int shares;
    } cases[] = {
        {"Empty.net", QByteArray(), true, 3},
        {"Half.net", complete.left(complete.size() / 2), true, 3},
        {"All but the end.net", complete.chopped(2), true, 3},
        // The save ended; only the copy's removal was cut short.
        {"Ended.net", complete, false, 3},
        // Written since by another program.
        {"Moved on.net", other, false, 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = PathOf(QString::fromLatin1(c.name));
        WriteBytes(path, c.onDisk);
        const QString copy = InPlaceCopyPathFor(path);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(copy).absolutePath()));
        WriteBytes(copy, complete);

        const Result<QString> opened = app.OnFileOpen(path);
        ASSERT_TRUE(opened) << qPrintable(opened.reason());
        EXPECT_EQ(opened.value().contains(QStringLiteral("cut short")), c.restored) << qPrintable(opened.value());
        EXPECT_EQ(ReadBytes(path), c.restored ? complete : c.onDisk);
        EXPECT_EQ(app.document().GetShareCount(), c.shares);
        EXPECT_TRUE(app.document().GetPendingBackupOf().isEmpty());
        EXPECT_FALSE(QFileInfo::exists(copy));
    }
}

// QSaveFile's temporary files beside the file, which a kill before the
// rename leaves: a save of that file removes those that hold a whole file of
// its kind and are the user's and settled; nothing else.
TEST_F(FileGuards, SavesRemoveWhatKilledSavesLeftBesideTheFile)
{
    const QString folder = PathOf(QStringLiteral("left"));
    QDir().mkpath(folder);
    const QByteArray document = ReadBytes(SavedDocument(QStringLiteral("Doc.net")));
    const QString settingsPath = folder + QStringLiteral("/settings.xml");
    CSettings settings;
    settings.setFilePath(settingsPath);
    ASSERT_TRUE(settings.Save());
    const QByteArray settingsFile = ReadBytes(settingsPath);
    const bool asRoot = ::geteuid() == 0;

    enum Age { Settled, Fresh };
    const struct
    {
        const char *name;
        QByteArray bytes;
        Age age;
        bool othersFile;
        bool removed;
    } cases[] = {
        {"Doc.net.rQDELl", document, Settled, false, true},
        {"Doc.net.a1B2c3", document + QByteArray("\r\0\n\0", 4), Settled, false, true},
        {"Doc.net.Cut123", document.chopped(30), Settled, false, false},
        {"Doc.net.Fresh1", document, Fresh, false, false},
        {"Doc.net.Theirs", document, Settled, true, false},
        {"Doc.net.Seven12", document, Settled, false, false},
        {"Doc.net.a_b-c1", document, Settled, false, false},
        {"Doc.net.Sett1n", settingsFile, Settled, false, false},
        {"Other.net.rQDELl", document, Settled, false, false},
        {"settings.xml.TEgWzt", settingsFile, Settled, false, true},
        {"settings.xml.Docu12", document, Settled, false, false},
        {"settings.xml.Cut123", settingsFile.chopped(30), Settled, false, false},
    };
    for (const auto &c : cases) {
        const QString path = folder + u'/' + QString::fromLatin1(c.name);
        WriteBytes(path, c.bytes);
        if (c.othersFile && asRoot) {
            ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        }
        if (c.age == Settled)
            std::filesystem::last_write_time(QFile::encodeName(path).toStdString(),
                                             std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
    }
    CLanterraDoc doc;
    Fill(doc);
    ASSERT_TRUE(doc.WriteDocumentFile(folder + QStringLiteral("/Doc.net")));
    ASSERT_TRUE(settings.Save());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.othersFile && !asRoot)
            continue;
        EXPECT_EQ(QFileInfo::exists(folder + u'/' + QString::fromLatin1(c.name)), !c.removed);
    }
}

// What lanterra-scan says it saved is what the file holds.
TEST_F(FileGuards, TheSaveCountsTheHostsTheFileHolds)
{
    CLanterraDoc doc;
    Fill(doc);
    HostRecord *twin = AddHost(doc, doc.cacheNets()[0].get(), QStringLiteral("TWIN"), QStringLiteral("10.0.0.2"), {});
    twin->duplicate = true;
    const QString path = PathOf(QStringLiteral("Counted.net"));
    for (const bool skipDuplicates : {true, false}) {
        SCOPED_TRACE(skipDuplicates);
        int written = -1;
        ASSERT_TRUE(doc.WriteDocumentFile(path, skipDuplicates, &written));
        CLanterraDoc back;
        ASSERT_TRUE(back.ReadDocumentFile(path, false));
        EXPECT_EQ(written, int(back.cacheHosts().size()));
        EXPECT_EQ(written, skipDuplicates ? 2 : 3);
    }
}

// --- The file's text -----------------------------------------------------------

TEST_F(FileGuards, DocumentsGiveBackEveryName)
{
    const QStringList names = {
        QStringLiteral("lt<gt>"),
        QStringLiteral("amp&amp"),
        QStringLiteral("&quot;"),
        QStringLiteral("say \"hi\""),
        QStringLiteral("apos'"),
        QStringLiteral("&#65;"),
        QStringLiteral("]]>"),
        QStringLiteral("tab\there"),
        QStringLiteral("line\r\nbreak"),
        QStringLiteral("<b>bold</b>"),
        QStringLiteral("rlo\u202Etxt.exe"),
        QStringLiteral("\u2028sep"),
        QStringLiteral("Фильмы 音乐 🎵"),
        QStringLiteral("& lone"),
        QStringLiteral("\"/><share name=\""),
    };
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("W&<\"G"));
    AddHost(doc, net, QStringLiteral("HOST<&>"), QStringLiteral("10.0.0.1"), names);
    doc.rules().hosts = names;
    const QString path = PathOf(QStringLiteral("Hostile.net"));
    ASSERT_TRUE(doc.WriteDocumentFile(path));

    CLanterraDoc back;
    ASSERT_TRUE(back.ReadDocumentFile(path, false));
    // Read whole: nothing in a name ended its element early.
    EXPECT_TRUE(back.GetPendingBackupOf().isEmpty());
    ASSERT_EQ(back.cacheHosts().size(), 1u);
    EXPECT_EQ(back.cacheHosts()[0]->name, u"HOST<&>");
    EXPECT_EQ(back.cacheNets()[0]->name, u"W&<\"G");
    QStringList backNames;
    for (const auto &share : back.cacheHosts()[0]->shares)
        backNames << share->name;
    EXPECT_EQ(backNames, names);
    EXPECT_EQ(back.rules().hosts, names);
}

TEST_F(FileGuards, FilesWrittenWithEveryCharacterEscapedReadAsBefore)
{
    // Files of the version that escaped every '&', tab and line break.
    const QString body = QStringLiteral(
        "<document version=\"1.0\">\r\n"
        " <view lastView=\"4\" lastSortCol=\"3\" lastSortRev=\"0\" />\r\n"
        " <rules searchNetAll=\"1\" searchNetCurrent=\"0\" searchNetByList=\"0\" searchHostByList=\"1\">\r\n"
        "  <nets>\r\n  </nets>\r\n"
        "  <hosts>\r\n   <host>Tom &amp; Jerry&#13;\n&amp;amp; ]]&gt;</host>\r\n  </hosts>\r\n"
        "  <filters>\r\n   <nets>\r\n   </nets>\r\n   <hosts>\r\n   </hosts>\r\n  </filters>\r\n"
        " </rules>\r\n"
        " <cache>\r\n  <nets>\r\n   <net name=\"R&amp;D\" />\r\n  </nets>\r\n"
        "  <hosts>\r\n   <host name=\"H\" addr=\"\" group=\"R&amp;D\" onlineCount=\"1\" offlineCount=\"0\" "
        "lastState=\"0\" lastAnswerTime=\"0\">\r\n"
        "    <shares>\r\n     <share name=\"R&amp;D&#9;&lt;&#13;&#10;&quot;\" />\r\n    </shares>\r\n"
        "   </host>\r\n  </hosts>\r\n </cache>\r\n</document>");
    const QString path = PathOf(QStringLiteral("Escaped.net"));
    WriteBytes(path, Utf16LE(XmlFileHeader().toString() + body));
    CLanterraDoc doc;
    ASSERT_TRUE(doc.ReadDocumentFile(path, false));
    EXPECT_TRUE(doc.GetPendingBackupOf().isEmpty());
    ASSERT_EQ(doc.rules().hosts.size(), 1);
    EXPECT_EQ(doc.rules().hosts[0], u"Tom & Jerry\r\n&amp; ]]>");
    ASSERT_EQ(doc.cacheNets().size(), 1u);
    EXPECT_EQ(doc.cacheNets()[0]->name, u"R&D");
    ASSERT_EQ(doc.GetShareCount(), 1);
    EXPECT_EQ(doc.GetShare(0)->name, u"R&D\t<\r\n\"");
}

TEST_F(FileGuards, FilesOfOlderVersionsReadAsBefore)
{
    // Older versions wrote '&' and '<' bare where nothing followed that
    // would read as an escape, and escaped only '"' in attributes and '<' in
    // text (with &amp; in front of what looked like an escape).
    const QString body = QStringLiteral(
        "<document version=\"1.0\">\r\n"
        " <view lastView=\"4\" lastSortCol=\"3\" lastSortRev=\"0\" />\r\n"
        " <rules searchNetAll=\"1\" searchNetCurrent=\"0\" searchNetByList=\"0\" searchHostByList=\"1\">\r\n"
        "  <nets>\r\n  </nets>\r\n"
        "  <hosts>\r\n   <host>Tom & Jerry &lt;3 \"x\" &amp;lt;</host>\r\n  </hosts>\r\n"
        "  <filters>\r\n   <nets>\r\n   </nets>\r\n   <hosts>\r\n   </hosts>\r\n  </filters>\r\n"
        " </rules>\r\n"
        " <cache>\r\n  <nets>\r\n   <net name=\"A&B\" />\r\n  </nets>\r\n"
        "  <hosts>\r\n   <host name=\"H\" addr=\"\" group=\"A&B\" onlineCount=\"1\" offlineCount=\"0\" "
        "lastState=\"0\" lastAnswerTime=\"0\">\r\n"
        "    <shares>\r\n     <share name=\"R&D <new> &quot;q&quot; &amp;quot;\" />\r\n    </shares>\r\n"
        "   </host>\r\n  </hosts>\r\n </cache>\r\n</document>");
    const QString path = PathOf(QStringLiteral("Old.net"));
    WriteBytes(path, Utf16LE(XmlFileHeader().toString() + body));
    CLanterraDoc doc;
    ASSERT_TRUE(doc.ReadDocumentFile(path, false));
    EXPECT_TRUE(doc.GetPendingBackupOf().isEmpty());
    ASSERT_EQ(doc.rules().hosts.size(), 1);
    EXPECT_EQ(doc.rules().hosts[0], u"Tom & Jerry <3 \"x\" &lt;");
    ASSERT_EQ(doc.cacheNets().size(), 1u);
    EXPECT_EQ(doc.cacheNets()[0]->name, u"A&B");
    ASSERT_EQ(doc.GetShareCount(), 1);
    EXPECT_EQ(doc.GetShare(0)->name, u"R&D <new> \"q\" &quot;");
}

} // namespace
