// SPDX-License-Identifier: GPL-3.0-or-later
// New, Open, Save As, Close and the start-up choice of the document.
#include "app/documentnaming.h"
#include "app/lanterraapp.h"
#include "memoryscan.h"
#include "net/memorynetwork.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

class RecordingView : public DocumentView
{
public:
    void OnDocumentUpdate(ViewHint hint) override { hints.push_back(hint); }
    std::vector<ViewHint> hints;
};

void AddHost(CLanterraDoc &doc, const QString &name, const QStringList &shares, int lastState = 0)
{
    if (doc.cacheNets().empty())
        doc.AddNet(QStringLiteral("WG"));
    HostRecord *host = doc.AddHost(name, doc.cacheNets()[0].get());
    host->lastState = lastState;
    for (const QString &shareName : shares)
        doc.AppendShare(*host, shareName, ShareUnknown);
}

class Lifecycle : public ::testing::Test
{
protected:
    Lifecycle()
    {
        m_settings.setFilePath(m_dir.filePath(QStringLiteral("settings.xml")));
        app.setNetworksFolder(Folder());
        app.document().AddView(&view);
    }

    QString Folder() const { return m_dir.filePath(QStringLiteral("My Networks")); }
    QString InFolder(const QString &name) const { return Folder() + u'/' + name; }

    void Touch(const QString &name) const
    {
        QDir().mkpath(Folder());
        QFile file(InFolder(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    // A saved document with an answering and a silent host.
    QString SavedDocument(const QString &name)
    {
        CLanterraDoc doc;
        AddHost(doc, QStringLiteral("UP"), {QStringLiteral("Music"), QStringLiteral("Films")});
        AddHost(doc, QStringLiteral("DOWN"), {QStringLiteral("Old")}, 53);
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(doc.WriteDocumentFile(path));
        return path;
    }

    QTemporaryDir m_dir;
    CSettings m_settings;
    CLanterraApp app{&m_settings};
    RecordingView view;
};

TEST_F(Lifecycle, NewDocumentsTakeTheFirstFreeNumber)
{
    ASSERT_TRUE(app.OnFileNew());
    EXPECT_EQ(app.document().GetPathName(), InFolder(QStringLiteral("Local Area Network.net")));
    EXPECT_EQ(app.title(), u"Local Area Network");
    EXPECT_TRUE(QFileInfo::exists(InFolder(QStringLiteral("Local Area Network.net"))));

    Touch(QStringLiteral("Local Area Network 2.net"));
    ASSERT_TRUE(app.OnFileNew());
    EXPECT_EQ(app.document().GetPathName(), InFolder(QStringLiteral("Local Area Network 3.net")));
    EXPECT_EQ(app.title(), u"Local Area Network 3");
    EXPECT_TRUE(QFileInfo::exists(InFolder(QStringLiteral("Local Area Network 3.net"))));
    EXPECT_EQ(view.hints, (std::vector<ViewHint>{HintNewDocument, HintNewDocument}));
}

TEST_F(Lifecycle, DefaultNamesFillGapsAndCreateTheFolder)
{
    EXPECT_FALSE(QFileInfo::exists(Folder()));
    DocumentNaming::DefaultName name = DocumentNaming::DefaultDocumentName(Folder());
    EXPECT_TRUE(QFileInfo(Folder()).isDir());
    EXPECT_EQ(name.title, u"Local Area Network");

    Touch(QStringLiteral("Local Area Network.net"));
    Touch(QStringLiteral("Local Area Network 3.net"));
    name = DocumentNaming::DefaultDocumentName(Folder());
    EXPECT_EQ(name.path, InFolder(QStringLiteral("Local Area Network 2.net")));
    EXPECT_EQ(name.title, u"Local Area Network 2");
}

TEST_F(Lifecycle, TitlesLoseEveryDotNetCaseSensitively)
{
    app.SetTitle(QStringLiteral("my.network.net"));
    EXPECT_EQ(app.title(), u"mywork");
    app.SetTitle(QStringLiteral("Office.NET.net"));
    EXPECT_EQ(app.title(), u"Office.NET");
    Touch(QStringLiteral("Local Area Network.net"));
    app.SetTitle(QStringLiteral("-"));
    EXPECT_EQ(app.title(), u"Local Area Network 2");
}

TEST_F(Lifecycle, OpenReadsTheFileAndSetsPathAndTitle)
{
    const QString path = SavedDocument(QStringLiteral("Branch.net"));
    ASSERT_TRUE(app.OnFileOpen(path));
    const CLanterraDoc &doc = app.document();
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(app.title(), u"Branch");
    EXPECT_EQ(doc.GetShareCount(), 3);
    EXPECT_EQ(doc.GetHostsTotal(), 2);
    EXPECT_EQ(view.hints, (std::vector<ViewHint>{HintDocumentLoad}));
}

TEST_F(Lifecycle, OpenMarksSharesByHistoryOrAsUnknown)
{
    const QString path = SavedDocument(QStringLiteral("States.net"));
    m_settings.markAfterLoad = false;
    ASSERT_TRUE(app.OnFileOpen(path));
    const CLanterraDoc &doc = app.document();
    ASSERT_EQ(doc.GetShareCount(), 3);
    EXPECT_EQ(doc.GetShareState(0), ShareOnline);
    EXPECT_EQ(doc.GetShareState(1), ShareOnline);
    EXPECT_EQ(doc.GetShareState(2), ShareOffline);

    // (The open document itself would not be read again.)
    m_settings.markAfterLoad = true;
    ASSERT_TRUE(app.OnFileOpen(SavedDocument(QStringLiteral("Unknown.net"))));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(doc.GetShareState(i), ShareUnknown);
}

TEST_F(Lifecycle, FailedOpenKeepsTheOpenDocument)
{
    const QString path = SavedDocument(QStringLiteral("Kept.net"));
    ASSERT_TRUE(app.OnFileOpen(path));
    EXPECT_FALSE(app.OnFileOpen(m_dir.filePath(QStringLiteral("gone.net"))));
    EXPECT_EQ(app.document().GetPathName(), path);
    EXPECT_EQ(app.document().GetShareCount(), 3);
}

TEST_F(Lifecycle, SaveAsMovesTheDocument)
{
    ASSERT_TRUE(app.OnFileNew());
    const QString other = m_dir.filePath(QStringLiteral("Copy.net"));
    ASSERT_TRUE(app.OnFileSaveAs(other));
    EXPECT_TRUE(QFileInfo::exists(other));
    EXPECT_EQ(app.document().GetPathName(), other);
    EXPECT_EQ(app.title(), u"Copy");
    EXPECT_TRUE(app.OnFileSave());
}

TEST_F(Lifecycle, CloseWithAutosaveWritesWithoutDuplicates)
{
    const QString path = SavedDocument(QStringLiteral("Close.net"));
    m_settings.autoSave = true;
    ASSERT_TRUE(app.OnFileOpen(path));
    CLanterraDoc &doc = app.document();
    doc.cacheHosts()[1]->duplicate = true;
    AddHost(doc, QStringLiteral("FOUND"), {QStringLiteral("New")});

    app.OnMainWindowClosing();
    EXPECT_EQ(m_settings.documentPath, path);
    EXPECT_TRUE(doc.cacheHosts().empty());

    CLanterraDoc reread;
    reread.ReadDocumentFile(path, false);
    ASSERT_EQ(reread.cacheHosts().size(), 2u);
    EXPECT_EQ(reread.cacheHosts()[0]->name, u"UP");
    EXPECT_EQ(reread.cacheHosts()[1]->name, u"FOUND");
}

TEST_F(Lifecycle, CloseWithoutAutosaveLeavesTheFile)
{
    const QString path = SavedDocument(QStringLiteral("Untouched.net"));
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();

    m_settings.autoSave = false;
    ASSERT_TRUE(app.OnFileOpen(path));
    AddHost(app.document(), QStringLiteral("FOUND"), {});
    app.OnCloseDocument();

    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
}

TEST_F(Lifecycle, NewDuringAScanStopsItAndSavesTheOldDocument)
{
    const QString path = SavedDocument(QStringLiteral("Scanning.net"));
    m_settings.autoSave = true;
    ASSERT_TRUE(app.OnFileOpen(path));
    AddHost(app.document(), QStringLiteral("FOUND"), {QStringLiteral("New")});
    // A scan that stays busy asking for the workgroups until it is stopped.
    auto network = std::make_shared<CMemoryNetwork>();
    network->SetWorkgroupLatency(60000);
    app.document().SetNetwork(network);
    app.document().StartScan();
    ASSERT_TRUE(app.document().IsScanning());
    view.hints.clear();

    ASSERT_TRUE(app.OnFileNew());
    EXPECT_FALSE(app.document().IsScanning());
    EXPECT_EQ(view.hints, (std::vector<ViewHint>{HintScanStopped, HintNewDocument}));
    CLanterraDoc reread;
    reread.ReadDocumentFile(path, false);
    EXPECT_EQ(reread.cacheHosts().size(), 3u);
}

// Opening a file while a scan of the open document runs. The scan finds
// FOUND (with its share) in the workgroup WG and stays busy with the
// workgroup BUSY until it is stopped.
class OpenDuringScan : public Lifecycle
{
protected:
    void SetUp() override
    {
        m_settings.autoSave = true;
        first = SavedDocument(QStringLiteral("First.net"));
        second = SavedDocument(QStringLiteral("Second.net"));
        auto network = std::make_shared<CMemoryNetwork>();
        network->SetLocalWorkgroup(QStringLiteral("WG"));
        network->AddWorkgroup(QStringLiteral("WG"), {QStringLiteral("FOUND")});
        network->AddWorkgroup(QStringLiteral("BUSY"), {});
        network->SetHostListLatency(QStringLiteral("BUSY"), 600000);
        network->AddName(QStringLiteral("FOUND"), QStringLiteral("10.0.0.7"));
        network->SetServer(QStringLiteral("10.0.0.7"), DiskServer({QStringLiteral("Found")}));
        ASSERT_TRUE(app.OnFileOpen(first));
        CLanterraDoc &doc = app.document();
        doc.SetNetwork(network);
        doc.SetCurrentWorkgroup(QStringLiteral("WG"));
        doc.StartScan();
        ASSERT_TRUE(doc.IsScanning());
        // UP, DOWN and the scan's FOUND with their four shares.
        ASSERT_TRUE(WaitFor([&] { return doc.GetShareCount() == 4; }));
        ASSERT_TRUE(doc.IsScanning());
        view.hints.clear();
    }

    static QStringList HostsIn(const QString &path)
    {
        CLanterraDoc reread;
        reread.ReadDocumentFile(path, false);
        QStringList names;
        for (const auto &host : reread.cacheHosts())
            names << host->name;
        names.sort();
        return names;
    }

    // The hosts of the first document with what the scan found.
    static QStringList FirstAfterTheScan()
    {
        return {QStringLiteral("DOWN"), QStringLiteral("FOUND"), QStringLiteral("UP")};
    }

    static QByteArray Bytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString first;
    QString second;
};

// The document that is open already, by any name that leads to its file,
// brings nothing new in: the scan goes on, nothing is read or saved.
TEST_F(OpenDuringScan, TheOpenDocumentIsNeitherReadNorSaved)
{
    const QString link = m_dir.filePath(QStringLiteral("Link.net"));
    ASSERT_TRUE(QFile::link(first, link));
    const QString relative = QDir::current().relativeFilePath(first);
    const QByteArray before = Bytes(first);
    for (const QString &name : {first, relative, link}) {
        SCOPED_TRACE(qPrintable(name));
        const Result<QString> opened = app.OnFileOpen(name);
        EXPECT_FALSE(opened);
        EXPECT_TRUE(opened.reason().isEmpty()) << qPrintable(opened.reason());
        EXPECT_TRUE(app.document().IsScanning());
        EXPECT_EQ(app.document().GetShareCount(), 4);
        EXPECT_EQ(app.document().GetPathName(), first);
        EXPECT_EQ(app.title(), u"First");
        EXPECT_EQ(Bytes(first), before);
    }
    EXPECT_TRUE(view.hints.empty());

    // The scan's results reach the file when the document closes.
    ASSERT_TRUE(app.OnCloseDocument());
    EXPECT_EQ(HostsIn(first), FirstAfterTheScan());
}

// Any other file: the scan stops and the open document is saved before the
// other one is read.
TEST_F(OpenDuringScan, AnotherDocumentOpensAfterTheFirstWasSaved)
{
    ASSERT_TRUE(app.OnFileOpen(second));
    EXPECT_FALSE(app.document().IsScanning());
    EXPECT_EQ(app.document().GetPathName(), second);
    EXPECT_EQ(app.title(), u"Second");
    EXPECT_EQ(app.document().GetShareCount(), 3);
    EXPECT_EQ(view.hints, (std::vector<ViewHint>{HintScanStopped, HintDocumentLoad}));
    EXPECT_EQ(HostsIn(first), FirstAfterTheScan());
    EXPECT_EQ(HostsIn(second), (QStringList{QStringLiteral("DOWN"), QStringLiteral("UP")}));
}

// A file that is no network document is refused before the scan is touched.
TEST_F(OpenDuringScan, ARefusedFileLeavesTheScanRunning)
{
    const QString notes = m_dir.filePath(QStringLiteral("notes.txt"));
    QFile file(notes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a network\n");
    file.close();
    const QByteArray before = Bytes(first);
    const Result<QString> opened = app.OnFileOpen(notes);
    EXPECT_FALSE(opened);
    EXPECT_FALSE(opened.reason().isEmpty());
    EXPECT_TRUE(app.document().IsScanning());
    EXPECT_EQ(app.document().GetShareCount(), 4);
    EXPECT_EQ(Bytes(first), before);
}

// Two programs on one file (the window and lanterra-scan, each with its
// own document): the one that saves last keeps the other's version as a
// backup instead of writing over it unseen. Its own saves make none.
TEST_F(Lifecycle, AFileChangedByAnotherProgramIsKeptBeforeASave)
{
    m_settings.autoSave = true;
    for (const bool changedOutside : {false, true}) {
        SCOPED_TRACE(changedOutside ? "changed by another program" : "saved by this one only");
        const QString path = SavedDocument(changedOutside ? QStringLiteral("Shared.net") : QStringLiteral("Own.net"));
        ASSERT_TRUE(app.OnFileOpen(path));
        AddHost(app.document(), QStringLiteral("WINDOW"), {QStringLiteral("Mine")});
        ASSERT_TRUE(app.OnFileSave());
        if (changedOutside) {
            CLanterraApp other(&m_settings);
            ASSERT_TRUE(other.OnFileOpen(path));
            AddHost(other.document(), QStringLiteral("OTHER"), {QStringLiteral("Theirs")});
            ASSERT_TRUE(other.OnCloseDocument());
        }
        ASSERT_TRUE(app.OnFileSave());
        ASSERT_TRUE(app.OnCloseDocument());

        const QString backup = path + QStringLiteral(".bak");
        EXPECT_EQ(QFileInfo::exists(backup), changedOutside);
        CLanterraDoc saved;
        saved.ReadDocumentFile(path, false);
        EXPECT_EQ(saved.cacheHosts().size(), 3u);
        EXPECT_EQ(saved.cacheHosts().back()->name, u"WINDOW");
        if (changedOutside) {
            CLanterraDoc kept;
            kept.ReadDocumentFile(backup, false);
            ASSERT_EQ(kept.cacheHosts().size(), 4u);
            EXPECT_EQ(kept.cacheHosts().back()->name, u"OTHER");
        }
    }
}

class Startup : public Lifecycle
{
protected:
    QStringList Args(const QString &file = {}) const
    {
        QStringList args{QStringLiteral("lanterra")};
        if (!file.isEmpty())
            args << file;
        return args;
    }
};

TEST_F(Startup, AutoloadOpensTheLastDocument)
{
    m_settings.documentPath = SavedDocument(QStringLiteral("Last.net"));
    ASSERT_TRUE(app.InitInstance(Args()));
    EXPECT_EQ(app.document().GetPathName(), m_settings.documentPath);
    EXPECT_EQ(app.document().GetShareCount(), 3);
}

TEST_F(Startup, AutoloadIsSkippedWhenAFileIsNamed)
{
    m_settings.documentPath = SavedDocument(QStringLiteral("Last.net"));
    const QString named = SavedDocument(QStringLiteral("Named.net"));
    ASSERT_TRUE(app.InitInstance(Args(named)));
    EXPECT_EQ(app.document().GetPathName(), named);
}

TEST_F(Startup, AutoloadIsSkippedWithoutAPathOrAFile)
{
    for (const QString &remembered : {QString(), m_dir.filePath(QStringLiteral("Deleted.net"))}) {
        m_settings.documentPath = remembered;
        ASSERT_TRUE(app.InitInstance(Args()));
        EXPECT_EQ(QFileInfo(app.document().GetPathName()).dir().path(), Folder());
        EXPECT_EQ(app.document().GetShareCount(), 0);
    }
}

TEST_F(Startup, AutoloadIsSkippedWhenSwitchedOff)
{
    m_settings.documentPath = SavedDocument(QStringLiteral("Last.net"));
    m_settings.autoLoad = false;
    ASSERT_TRUE(app.InitInstance(Args()));
    EXPECT_EQ(app.document().GetPathName(), InFolder(QStringLiteral("Local Area Network.net")));
}

TEST_F(Startup, AFolderWhereTheLastDocumentWasGivesANewOne)
{
    m_settings.documentPath = m_dir.filePath(QStringLiteral("Folder.net"));
    QDir().mkpath(m_settings.documentPath);
    ASSERT_TRUE(app.InitInstance(Args()));
    EXPECT_EQ(app.document().GetPathName(), InFolder(QStringLiteral("Local Area Network.net")));
}

TEST_F(Startup, AnUnreadableLastDocumentGivesANewOne)
{
    m_settings.documentPath = SavedDocument(QStringLiteral("Locked.net"));
    QFile::setPermissions(m_settings.documentPath, QFileDevice::WriteOwner);
    QFile probe(m_settings.documentPath);
    if (probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "permissions do not apply to this user";
    ASSERT_TRUE(app.InitInstance(Args()));
    EXPECT_EQ(QFileInfo(app.document().GetPathName()).dir().path(), Folder());
}

TEST_F(Startup, ANamedFileThatCannotBeOpenedEndsTheStart)
{
    EXPECT_FALSE(app.InitInstance(Args(m_dir.filePath(QStringLiteral("missing.net")))));
}

} // namespace
