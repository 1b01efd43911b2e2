// SPDX-License-Identifier: GPL-3.0-or-later
// The window's memory over a loop of scans: the real main frame (offscreen)
// on the in-memory network, F5 pressed again and again, each scan waited for
// until the list is still. Prints the resident memory and the heap in use
// every few scans, and what each scan added over the second half of the
// loop, where start-up costs no longer count.
//
//   bench_scanmemory [--scans N] [--hosts N] [--shares N] [--locked N]
#include "app/lanterraapp.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "settings/settings.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"
#include "ui/view/lanterraview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <malloc.h>

namespace {

long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// What the program holds on the heap, without what the allocator keeps free.
long HeapKiB()
{
    return long(mallinfo2().uordblks / 1024);
}

bool WaitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("scans"), QStringLiteral("Scans in the loop."), QStringLiteral("n"), QStringLiteral("150")});
    parser.addOption(
        {QStringLiteral("hosts"), QStringLiteral("Hosts on the network."), QStringLiteral("n"), QStringLiteral("20")});
    parser.addOption(
        {QStringLiteral("shares"), QStringLiteral("Shares per host."), QStringLiteral("n"), QStringLiteral("10")});
    parser.addOption({QStringLiteral("locked"),
                      QStringLiteral("Every n-th host needs a login and every other scan has it (0: none)."),
                      QStringLiteral("n"), QStringLiteral("5")});
    parser.process(app);
    const int scans = std::max(2, parser.value(QStringLiteral("scans")).toInt());
    const int hosts = std::max(1, parser.value(QStringLiteral("hosts")).toInt());
    const int shares = std::max(1, parser.value(QStringLiteral("shares")).toInt());
    const int lockedEvery = parser.value(QStringLiteral("locked")).toInt();

    QTemporaryDir dir;
    CSettings settings;
    settings.setFilePath(dir.filePath(QStringLiteral("settings.xml")));
    settings.autoSave = false;
    CSettings::setInstance(&settings);
    ShareGroup all;
    all.name = QStringLiteral("All");
    all.includeKeywords = {QStringLiteral("*")};
    all.visible = 1;
    settings.GetScheme(settings.AddScheme(QStringLiteral("Bench")))->groups = {all};

    auto network = std::make_shared<CMemoryNetwork>();
    network->SetLocalWorkgroup(QStringLiteral("HOME"));
    QStringList names;
    for (int h = 0; h < hosts; ++h) {
        const QString name = QStringLiteral("host-%1").arg(h);
        const QString address = QStringLiteral("10.0.%1.%2").arg(h / 250).arg(h % 250 + 1);
        names.append(name);
        CMemoryNetwork::Server server;
        for (int s = 0; s < shares; ++s)
            server.shares.push_back({QStringLiteral("share %1").arg(s), ShareType::DiskTree});
        if (lockedEvery > 0 && h % lockedEvery == 1) {
            server.loginUser = QStringLiteral("alice");
            server.loginPassword = QStringLiteral("s3cret");
        }
        network->AddName(name, address);
        network->SetServer(address, server);
    }
    network->AddWorkgroup(QStringLiteral("HOME"), names);

    CLanterraApp lanterra(&settings);
    lanterra.setNetworksFolder(dir.filePath(QStringLiteral("networks")));
    lanterra.OnFileNew();
    CLanterraDoc &doc = lanterra.document();
    doc.SetNetwork(network);
    doc.SetCurrentWorkgroup(QStringLiteral("HOME"));
    doc.rules().searchNetCurrent = 1;
    Login alice;
    alice.user = QStringLiteral("alice");
    alice.password = QStringLiteral("s3cret");

    CMainFrame frame(&lanterra, &settings);
    // No secret store: the loop must not talk to the desktop's.
    frame.SetLoginKeeper({});
    frame.show();
    QCoreApplication::processEvents();

    std::printf("scans %d, hosts %d, shares per host %d, a login needed by every %d-th host\n", scans, hosts, shares,
                lockedEvery);
    std::printf("%6s %12s %10s\n", "scan", "resident KiB", "heap KiB");
    long residentHalf = 0;
    long heapHalf = 0;
    for (int scan = 1; scan <= scans; ++scan) {
        // The locked hosts alternate between listing and needing a login, so
        // entries come and go as on a network where logins expire.
        if (scan % 2)
            CLoginBook::Session().SetDefault(alice);
        else
            CLoginBook::Session().Clear();
        network->ForgetCalls();
        frame.RouteCommand(Cmd::Refresh);
        if (!WaitUntil([&] { return !doc.IsScanning() && !frame.View()->IsTimerActive(); }, 60000)) {
            std::fprintf(stderr, "scan %d did not end\n", scan);
            return 1;
        }
        if (scan == scans / 2) {
            residentHalf = ResidentKiB();
            heapHalf = HeapKiB();
        }
        if (scan == 1 || scan % 10 == 0 || scan == scans)
            std::printf("%6d %12ld %10ld\n", scan, ResidentKiB(), HeapKiB());
    }
    const int second = scans - scans / 2;
    std::printf("per scan over the second half: resident %+.2f KiB, heap %+.2f KiB\n",
                double(ResidentKiB() - residentHalf) / second, double(HeapKiB() - heapHalf) / second);
    CLoginBook::Session().Clear();
    doc.HaltAndWait();
    CSettings::setInstance(nullptr);
    return 0;
}
