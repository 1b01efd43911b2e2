// SPDX-License-Identifier: GPL-3.0-or-later
// One program per user and display: a later start hands its file to the
// running one and ends; a lock and socket left by a crash do not block the
// next start; the window opens a handed-over file through File Open's path;
// a file never goes to, nor comes from, another user's process.
// The later starts and the crashing owner are this test program started
// again in a role (see main below), as real other processes.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "app/singleinstance.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "ui/frame/mainframe.h"

#include <QDataStream>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace gui;

namespace {

// Exit codes of a start in the role "--start": how its claim ended.
int ExitCodeOf(SingleInstance::Claim claim)
{
    switch (claim) {
    case SingleInstance::Claim::HandedOver:
        return 0;
    case SingleInstance::Claim::Owner:
        return 10;
    case SingleInstance::Claim::NoAnswer:
        return 11;
    case SingleInstance::Claim::Alone:
        return 13;
    }
    return 12;
}
constexpr int StartedAsOwner = 10;
constexpr int StartedAlone = 13;

// Another local user for the roles that play one.
constexpr uid_t Nobody = 65534;
// A role runs as this user when the environment names one.
constexpr const char *RoleUser = "LANTERRA_TEST_ROLE_UID";

bool BecomeRoleUser()
{
    const QByteArray uid = qgetenv(RoleUser);
    if (uid.isEmpty())
        return true;
    const auto id = uid_t(uid.toUInt());
    return ::setgroups(0, nullptr) == 0 && ::setgid(gid_t(id)) == 0 && ::setuid(id) == 0;
}

// The roles:
//   --start NAME [FILE]  claims as the program does with its command line
//                        (FILE relative to the current folder) and exits
//                        with ExitCodeOf(the claim)
//   --own NAME           claims, says "owner" on standard output and runs
//                        until it is killed, saying "message: FILE" for
//                        every hand-over
//   --default [FILE]     claims with the default name; says the claim's
//                        reason and exits with ExitCodeOf(the claim)
//   --hijack NAME        another user's program: holds NAME's lock, listens
//                        on NAME, confirms whatever comes and says "got"
//                        with it on standard output; runs until killed
//   --race NAME FILE N   hands FILE over, or owns: then writes the files of
//                        the N-1 other starts to standard output as they
//                        come and exits with StartedAsOwner
int RunRole(int argc, char **argv)
{
    if (!BecomeRoleUser())
        return 20;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.at(1) == u"--hijack") {
        QLockFile lock(args.at(2) + QStringLiteral(".lock"));
        QLocalServer server;
        if (!lock.tryLock(0) || !server.listen(args.at(2)))
            return 1;
        QObject::connect(&server, &QLocalServer::newConnection, [&server] {
            while (QLocalSocket *socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QLocalSocket::readyRead, [socket] {
                    std::printf("got %s\n", socket->readAll().toHex().constData());
                    std::fflush(stdout);
                    socket->write("\x06", 1);
                    socket->flush();
                });
            }
        });
        std::printf("listening\n");
        std::fflush(stdout);
        return app.exec();
    }
    if (args.at(1) == u"--default") {
        SingleInstance instance;
        const SingleInstance::Claim claim = instance.ClaimOrHandOver(args.mid(2), std::chrono::seconds(10));
        std::printf("%s\n", qPrintable(instance.reason()));
        return ExitCodeOf(claim);
    }
    SingleInstance instance(args.at(2));
    if (args.at(1) == u"--race") {
        const SingleInstance::Claim claim = instance.ClaimOrHandOver({args.at(3)}, std::chrono::seconds(60));
        if (claim != SingleInstance::Claim::Owner)
            return ExitCodeOf(claim);
        int left = args.at(4).toInt() - 1;
        QObject::connect(&instance, &SingleInstance::messageReceived, [&](const QStringList &message) {
            std::printf("%s\n", qPrintable(message.value(0)));
            if (--left == 0)
                app.exit(StartedAsOwner);
        });
        return left == 0 ? StartedAsOwner : app.exec();
    }
    if (args.at(1) == u"--own") {
        if (instance.ClaimOrHandOver({}) != SingleInstance::Claim::Owner)
            return 1;
        QObject::connect(&instance, &SingleInstance::messageReceived, [](const QStringList &message) {
            std::printf("message: %s\n", qPrintable(message.value(0)));
            std::fflush(stdout);
        });
        std::printf("owner\n");
        std::fflush(stdout);
        return app.exec();
    }
    QStringList commandLine{QStringLiteral("lanterra")};
    commandLine << args.mid(3);
    const QString named = CLanterraApp::CommandLineFile(commandLine);
    return ExitCodeOf(
        instance.ClaimOrHandOver(named.isEmpty() ? QStringList() : QStringList{named}, std::chrono::seconds(60)));
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_shared;

    QString Name(const QString &tag) const { return m_dir.filePath(QStringLiteral("lanterra-") + tag); }

    // This program in a role; started, not waited for.
    static std::unique_ptr<QProcess>
    Role(const QStringList &arguments, const QString &folder = {},
         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setProcessEnvironment(environment);
        if (!folder.isEmpty())
            process->setWorkingDirectory(folder);
        process->start(QCoreApplication::applicationFilePath(), arguments);
        return process;
    }

    // A role that runs as Nobody.
    static std::unique_ptr<QProcess> NobodysRole(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(RoleUser), QString::number(Nobody));
        return Role(arguments, {}, environment);
    }

    // The first line a role says, once it says one.
    static QByteArray FirstLine(QProcess &process)
    {
        if (!QTest::qWaitFor([&] { return process.canReadLine() || process.state() == QProcess::NotRunning; }, 30000))
            return {};
        return process.readLine().trimmed();
    }

    // A folder of its own for each case that plays another user, in a
    // folder that user can pass through.
    QString SharedFolder(const QString &tag, uid_t owner)
    {
        const QString folder = m_shared.filePath(tag);
        if (!QDir().mkpath(folder) || ::chmod(QFile::encodeName(m_shared.path()).constData(), 0711) != 0
            || ::chown(QFile::encodeName(folder).constData(), owner, owner) != 0
            || ::chmod(QFile::encodeName(folder).constData(), 0700) != 0)
            return {};
        return folder;
    }

    static bool IsEmptyFolder(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty();
    }

    // Waits for the end of a role with the event loop running (the owner in
    // this process answers from it); its exit code, or -1.
    static int ExitCode(QProcess &process)
    {
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private slots:
    void laterStartsHandTheirFileOver_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected");
        const QString folder = m_dir.filePath(QStringLiteral("cwd"));
        QTest::newRow("a file relative to the start's folder")
            << QStringList{QStringLiteral("Office.net")} << QStringList{folder + QStringLiteral("/Office.net")};
        QTest::newRow("a full path, cleaned")
            << QStringList{QStringLiteral("/x/./y/../Home.net")} << QStringList{QStringLiteral("/x/Home.net")};
        QTest::newRow("switches before the file") << QStringList{QStringLiteral("-style"), QStringLiteral("../A B.net")}
                                                  << QStringList{m_dir.filePath(QStringLiteral("A B.net"))};
        QTest::newRow("nothing: the window only comes to the front") << QStringList{} << QStringList{};
    }

    void laterStartsHandTheirFileOver()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("cwd"))));
        const QString name = Name(QStringLiteral("handover"));
        SingleInstance owner(name);
        QCOMPARE(owner.ClaimOrHandOver({}), SingleInstance::Claim::Owner);
        QSignalSpy received(&owner, &SingleInstance::messageReceived);

        auto later =
            Role(QStringList{QStringLiteral("--start"), name} + arguments, m_dir.filePath(QStringLiteral("cwd")));
        QCOMPARE(ExitCode(*later), 0);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).toStringList(), expected);
    }

    // An owner killed outright leaves its socket file and its lock file;
    // the next start takes both over and answers later starts itself.
    void aCrashedOwnerDoesNotBlockTheNextStart()
    {
        const QString name = Name(QStringLiteral("crash"));
        auto crashing = Role({QStringLiteral("--own"), name});
        QVERIFY(QTest::qWaitFor([&] { return crashing->canReadLine() || crashing->state() == QProcess::NotRunning; },
                                30000));
        QCOMPARE(crashing->readLine().trimmed(), QByteArray("owner"));
        crashing->kill();
        QVERIFY(crashing->waitForFinished(30000));
        QVERIFY(QFileInfo::exists(name));
        QVERIFY(QFileInfo::exists(name + QStringLiteral(".lock")));

        SingleInstance next(name);
        QCOMPARE(next.ClaimOrHandOver({}, std::chrono::seconds(30)), SingleInstance::Claim::Owner);
        QSignalSpy received(&next, &SingleInstance::messageReceived);
        auto later = Role({QStringLiteral("--start"), name, QStringLiteral("/n/After.net")});
        QCOMPARE(ExitCode(*later), 0);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).toStringList(), QStringList{QStringLiteral("/n/After.net")});
    }

    // Several starts at once: one owns, and every other hands over to it.
    void startsAtOnceFindOneOwner()
    {
        const QString name = Name(QStringLiteral("race"));
        constexpr int Starts = 4;
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < Starts; ++i) {
            starts.push_back(
                Role({QStringLiteral("--race"), name, QStringLiteral("/n/%1.net").arg(i), QString::number(Starts)}));
        }
        int owners = 0;
        QStringList handedOver;
        QStringList expected;
        for (int i = 0; i < Starts; ++i) {
            const int code = ExitCode(*starts[i]);
            QVERIFY2(code == 0 || code == StartedAsOwner, qPrintable(QString::number(code)));
            if (code == StartedAsOwner) {
                ++owners;
                handedOver = QString::fromUtf8(starts[i]->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            } else {
                expected << QStringLiteral("/n/%1.net").arg(i);
            }
        }
        QCOMPARE(owners, 1);
        handedOver.sort();
        QCOMPARE(handedOver, expected);
    }

    // An owner that has stopped answering (its window is closing) keeps
    // later starts waiting until it has ended; then they own.
    void aStartWhileTheOwnerEndsWaitsForIt()
    {
        const QString name = Name(QStringLiteral("ending"));
        auto owner = std::make_unique<SingleInstance>(name);
        QCOMPARE(owner->ClaimOrHandOver({}), SingleInstance::Claim::Owner);
        QSignalSpy received(owner.get(), &SingleInstance::messageReceived);
        owner->StopAnswering();

        auto later = Role({QStringLiteral("--start"), name, QStringLiteral("/n/Later.net")});
        QVERIFY(later->waitForStarted(30000));
        QTest::qWait(500);
        QCOMPARE(later->state(), QProcess::Running);
        owner.reset();
        QCOMPARE(ExitCode(*later), StartedAsOwner);
        QCOMPARE(received.size(), 0);
    }

    // Without a folder that only the user may enter there is no hand-over:
    // the start runs on its own, says why, and leaves no file anywhere (the
    // temporary folder and the current folder included).
    void noPrivateFolderMeansNoHandOverAndNoFiles_data()
    {
        QTest::addColumn<QString>("runtime"); // "": unset
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("othersFolder");
        QTest::addColumn<QString>("reason");
        QTest::newRow("XDG_RUNTIME_DIR unset") << QString() << -1 << false << QStringLiteral("not set");
        QTest::newRow("a folder open to others")
            << QStringLiteral("open") << 0755 << false << QStringLiteral("open to other users");
        QTest::newRow("another user's folder")
            << QStringLiteral("theirs") << 0700 << true << QStringLiteral("another user");
        QTest::newRow("no such folder") << QStringLiteral("missing") << -1 << false << QStringLiteral("does not exist");
    }

    void noPrivateFolderMeansNoHandOverAndNoFiles()
    {
        QFETCH(QString, runtime);
        QFETCH(int, mode);
        QFETCH(bool, othersFolder);
        QFETCH(QString, reason);
        if (othersFolder && ::geteuid() != 0)
            QSKIP("needs root to make another user's folder");
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
        const QString cwd = m_dir.filePath(tag + QStringLiteral("-cwd"));
        const QString tmp = m_dir.filePath(tag + QStringLiteral("-tmp"));
        QVERIFY(QDir().mkpath(cwd) && QDir().mkpath(tmp));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), tmp);
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        QString folder;
        if (!runtime.isEmpty()) {
            folder = m_dir.filePath(tag + u'-' + runtime);
            if (mode >= 0) {
                QVERIFY(QDir().mkpath(folder));
                QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(mode)), 0);
                if (othersFolder)
                    QCOMPARE(::chown(QFile::encodeName(folder).constData(), Nobody, Nobody), 0);
            }
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder);
        }

        auto start = Role({QStringLiteral("--default"), QStringLiteral("/n/Mine.net")}, cwd, environment);
        QCOMPARE(ExitCode(*start), StartedAlone);
        const QString said = QString::fromLocal8Bit(start->readAllStandardOutput());
        QVERIFY2(said.contains(reason), qPrintable(said));
        QVERIFY(IsEmptyFolder(cwd));
        QVERIFY(IsEmptyFolder(tmp));
        if (mode >= 0) {
            QVERIFY(IsEmptyFolder(folder));
            // Left as the user made it.
            struct stat info = {};
            QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
            QCOMPARE(int(info.st_mode & 0777), mode);
        }
    }

    // Another user's program holds the name (it got there while the folder
    // was open to it) and answers like the owner: the file the user opens
    // never reaches it, and the start runs on its own.
    void anotherUsersProgramNeverGetsTheFile()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to act as another user");
        const QString folder = SharedFolder(QStringLiteral("hijacked"), Nobody);
        QVERIFY(!folder.isEmpty());
        const QString name = folder + QStringLiteral("/lanterra-hijacked");
        auto thief = NobodysRole({QStringLiteral("--hijack"), name});
        QCOMPARE(FirstLine(*thief), QByteArray("listening"));
        // The folder is the user's own again, but the socket and lock stay.
        QCOMPARE(::chown(QFile::encodeName(folder).constData(), 0, 0), 0);

        auto start = Role({QStringLiteral("--start"), name, QStringLiteral("/n/Secret.net")});
        QCOMPARE(ExitCode(*start), StartedAlone);
        QTest::qWait(200);
        thief->kill();
        thief->waitForFinished(30000);
        QCOMPARE(thief->readAllStandardOutput(), QByteArray());
    }

    // A process of another user that reaches the owner's socket is not heard.
    void anotherUsersHandOverIsRefused()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to act as another user");
        const QString folder = SharedFolder(QStringLiteral("nobodys"), Nobody);
        QVERIFY(!folder.isEmpty());
        const QString name = folder + QStringLiteral("/lanterra-nobodys");
        auto owner = NobodysRole({QStringLiteral("--own"), name});
        QCOMPARE(FirstLine(*owner), QByteArray("owner"));

        // Root passes the folder's and the socket's modes, not the check.
        QByteArray payload;
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << QStringLiteral("lanterra-hand-over-1") << QStringList{QStringLiteral("/n/Planted.net")};
        QByteArray packet;
        QDataStream header(&packet, QIODevice::WriteOnly);
        header << quint32(payload.size());
        QLocalSocket intruder;
        intruder.connectToServer(name);
        QVERIFY(intruder.waitForConnected(10000));
        intruder.write(packet + payload);
        intruder.flush();
        QTRY_COMPARE_WITH_TIMEOUT(intruder.state(), QLocalSocket::UnconnectedState, 10000);
        QCOMPARE(intruder.readAll(), QByteArray());

        // The owner's own user is still heard.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(RoleUser), QString::number(Nobody));
        auto later = Role({QStringLiteral("--start"), name, QStringLiteral("/n/Own.net")}, {}, environment);
        QCOMPARE(ExitCode(*later), 0);
        QTRY_VERIFY(owner->canReadLine());
        QCOMPARE(owner->readLine().trimmed(), QByteArray("message: /n/Own.net"));
        owner->kill();
        owner->waitForFinished(30000);
        QCOMPARE(owner->readAllStandardOutput(), QByteArray());
    }

    // The window as the program wires it: a handed-over file is opened as
    // File Open opens it, so the scan of the open document is stopped and
    // that document saved first; the minimised window comes back.
    void theWindowOpensAHandedOverFileAsFileOpenDoes()
    {
        TestSettings settings;
        settings.settings.autoSave = true;
        CLanterraApp app(&settings.settings);
        app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
        QVERIFY(app.OnFileNew());
        const QString first = app.document().GetPathName();
        const QString second = settings.dir.filePath(QStringLiteral("Second.net"));
        QVERIFY(QFile::copy(first, second));

        // A scan that finds FOUND and stays busy with the workgroup BUSY.
        auto network = std::make_shared<CMemoryNetwork>();
        network->SetLocalWorkgroup(QStringLiteral("WG"));
        network->AddWorkgroup(QStringLiteral("WG"), {QStringLiteral("FOUND")});
        network->AddWorkgroup(QStringLiteral("BUSY"), {});
        network->SetHostListLatency(QStringLiteral("BUSY"), 600000);
        network->AddName(QStringLiteral("FOUND"), QStringLiteral("10.0.0.7"));
        CMemoryNetwork::Server server;
        server.shares.push_back({QStringLiteral("Found"), ShareType::DiskTree});
        network->SetServer(QStringLiteral("10.0.0.7"), server);
        app.document().SetNetwork(network);
        app.document().SetCurrentWorkgroup(QStringLiteral("WG"));

        CMainFrame frame(&app, &settings.settings);
        frame.show();
        const QString name = Name(QStringLiteral("window"));
        SingleInstance instance(name);
        QCOMPARE(instance.ClaimOrHandOver({}), SingleInstance::Claim::Owner);
        QObject::connect(&instance, &SingleInstance::messageReceived, &frame, &CMainFrame::OnHandOver);

        app.document().StartScan();
        QTRY_COMPARE_WITH_TIMEOUT(app.document().GetShareCount(), 1, 30000);
        QVERIFY(app.document().IsScanning());
        frame.showMinimized();
        QTRY_VERIFY(frame.isMinimized());

        auto later = Role({QStringLiteral("--start"), name, second});
        QCOMPARE(ExitCode(*later), 0);
        QTRY_COMPARE(frame.windowTitle(), QStringLiteral("Second - Brevant Lanterra"));
        QVERIFY(!frame.isMinimized());
        QVERIFY(frame.isVisible());
        QVERIFY(!app.document().IsScanning());
        CLanterraDoc saved;
        saved.ReadDocumentFile(first, false);
        QCOMPARE(saved.cacheHosts().size(), size_t(1));
        QCOMPARE(saved.cacheHosts().front()->name, QStringLiteral("FOUND"));

        // While a dialog is open the file waits for it to close.
        const QString third = settings.dir.filePath(QStringLiteral("Third.net"));
        QVERIFY(QFile::copy(second, third));
        auto *dialog = new QDialog(&frame);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
        QTRY_VERIFY(QApplication::activeModalWidget() == dialog);
        later = Role({QStringLiteral("--start"), name, third});
        QCOMPARE(ExitCode(*later), 0);
        QTest::qWait(500);
        QCOMPARE(frame.windowTitle(), QStringLiteral("Second - Brevant Lanterra"));
        dialog->reject();
        QTRY_COMPARE(frame.windowTitle(), QStringLiteral("Third - Brevant Lanterra"));

        // Its own file again: nothing is read, the window only comes forward.
        frame.showMinimized();
        QTRY_VERIFY(frame.isMinimized());
        later = Role({QStringLiteral("--start"), name, third});
        QCOMPARE(ExitCode(*later), 0);
        QTRY_VERIFY(!frame.isMinimized());
        QCOMPARE(frame.windowTitle(), QStringLiteral("Third - Brevant Lanterra"));
        app.OnCloseDocument();
    }
};

int main(int argc, char **argv)
{
    if (argc >= 3
        && (qstrcmp(argv[1], "--start") == 0 || qstrcmp(argv[1], "--own") == 0 || qstrcmp(argv[1], "--race") == 0
            || qstrcmp(argv[1], "--hijack") == 0 || qstrcmp(argv[1], "--default") == 0))
        return RunRole(argc, argv);
    QApplication app(argc, argv);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
