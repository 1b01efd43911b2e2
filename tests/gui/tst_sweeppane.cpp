// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar's part for the connect sweep of a large range.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "net/tcpsweep.h"
#include "platform/processlimits.h"
#include "ui/frame/mainframe.h"
#include "ui/commandids.h"

#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTest>

#include <netinet/in.h>
#include <optional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace gui;

namespace {

// The in-memory network, except that the sweep connects for real: to
// loopback addresses, on a port that is bound but never listened on, so
// that every address refuses at once.
class CLoopbackSweepNetwork : public CMemoryNetwork
{
public:
    explicit CLoopbackSweepNetwork(std::uint16_t port) : m_port(port) {}
    std::unique_ptr<ISweepTransport> CreateSweepTransport() override { return CreateTcpSweepTransport({m_port}); }

private:
    std::uint16_t m_port;
};

// A TCP port of no listener, held for the test's lifetime.
class ClosedPort
{
public:
    ClosedPort()
    {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        socklen_t length = sizeof any;
        if (m_fd >= 0 && bind(m_fd, reinterpret_cast<const sockaddr *>(&any), sizeof any) == 0
            && getsockname(m_fd, reinterpret_cast<sockaddr *>(&any), &length) == 0)
            m_port = ntohs(any.sin_port);
    }
    ~ClosedPort()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    ClosedPort(const ClosedPort &) = delete;
    ClosedPort &operator=(const ClosedPort &) = delete;
    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// Lowers the soft open-file limit for a while, as `ulimit -n` would.
class SoftDescriptorLimit
{
public:
    explicit SoftDescriptorLimit(rlim_t soft)
    {
        m_saved = getrlimit(RLIMIT_NOFILE, &m_previous) == 0;
        rlimit lowered = m_previous;
        lowered.rlim_cur = soft;
        m_lowered = m_saved && soft < m_previous.rlim_cur && setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~SoftDescriptorLimit()
    {
        if (m_lowered)
            setrlimit(RLIMIT_NOFILE, &m_previous);
    }
    SoftDescriptorLimit(const SoftDescriptorLimit &) = delete;
    SoftDescriptorLimit &operator=(const SoftDescriptorLimit &) = delete;
    bool lowered() const { return m_lowered; }

private:
    rlimit m_previous{};
    bool m_saved = false;
    bool m_lowered = false;
};

qsizetype OpenDescriptorCount()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size();
}

} // namespace

class SweepPaneTest : public QObject
{
    Q_OBJECT

private slots:
    void showsSweptOfTotalAddressesBesideTheUsualTexts()
    {
        TestSettings settings;
        CLanterraApp app(&settings.settings);
        app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
        app.OnFileNew();
        auto network = std::make_shared<CMemoryNetwork>();
        // 10.8.0.1 - 10.8.3.232: 1000 addresses that never answer, swept 10
        // at a time, so the sweep takes a while.
        CMemoryNetwork::Server silent;
        silent.reachable = false;
        for (int i = 1; i <= 1000; ++i)
            network->SetServer(QStringLiteral("10.8.%1.%2").arg(i / 256).arg(i % 256), silent);
        network->SetSweepCapacity(10);
        CLanterraDoc &doc = app.document();
        doc.SetNetwork(network);
        doc.rules().searchNetAll = 0;
        doc.rules().searchHostByList = 1;
        doc.rules().hosts = {QStringLiteral("10.8.0.1-10.8.3.232")};

        CMainFrame frame(&app, &settings.settings);
        frame.show();
        QLabel *pane = frame.SweepPane();
        QVERIFY(pane);
        QVERIFY(!pane->isVisible());
        QCOMPARE(pane->parentWidget(), frame.statusBar());

        doc.StartScan();
        QTRY_VERIFY_WITH_TIMEOUT(pane->isVisible(), 5000);
        const QString total = QLocale().toString(1000);
        QVERIFY(pane->text().contains(QStringLiteral("/%1 addresses").arg(total)));
        QTRY_VERIFY_WITH_TIMEOUT(!pane->text().startsWith(QStringLiteral("0/")), 5000);
        QVERIFY(frame.StatusPane()->text().startsWith(QStringLiteral("Searching... ")));
        doc.StopScan();
        QTRY_VERIFY_WITH_TIMEOUT(!pane->isVisible(), 5000);
    }

    void saysWhenTheOpenFileLimitNarrowsTheSweep_data()
    {
        QTest::addColumn<bool>("lowLimit");
        QTest::newRow("usual limit") << false;
        QTest::newRow("low soft limit") << true;
    }

    void saysWhenTheOpenFileLimitNarrowsTheSweep()
    {
        QFETCH(bool, lowLimit);
        // As the program does at its start: the soft limit is the hard one.
        ProcessLimits::RaiseDescriptorLimit();
        TestSettings settings;
        CLanterraApp app(&settings.settings);
        app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
        app.OnFileNew();
        ClosedPort closed;
        QVERIFY(closed.port() != 0);
        auto network = std::make_shared<CLoopbackSweepNetwork>(closed.port());
        // 200 loopback addresses that refuse, and one named server whose
        // listing waits, so that the scan goes on after the sweep.
        CMemoryNetwork::Server server;
        server.shares.push_back({QStringLiteral("Data"), ShareType::DiskTree});
        network->AddName(QStringLiteral("keeper"), QStringLiteral("10.0.0.2"));
        network->SetServer(QStringLiteral("10.0.0.2"), server);
        network->HoldListings(QStringLiteral("10.0.0.2"));
        CLanterraDoc &doc = app.document();
        doc.SetNetwork(network);
        doc.rules().searchNetAll = 0;
        doc.rules().searchHostByList = 1;
        doc.rules().hosts = {QStringLiteral("127.0.1.1-127.0.1.200"), QStringLiteral("keeper")};

        CMainFrame frame(&app, &settings.settings);
        frame.show();
        QLabel *pane = frame.SweepPane();
        QVERIFY(pane);
        {
            // Room for what is open now, the sweep's spare and a handful
            // of addresses at once.
            std::optional<SoftDescriptorLimit> limit;
            if (lowLimit) {
                limit.emplace(rlim_t(OpenDescriptorCount() + 128 + 24));
                QVERIFY(limit->lowered());
            }
            doc.StartScan();
            QTRY_VERIFY_WITH_TIMEOUT(pane->isVisible(), 5000);
        }
        const QString total = QLocale().toString(200);
        if (lowLimit) {
            const int narrowedTo = doc.GetSweepNarrowedTo();
            QVERIFY2(narrowedTo > 0 && narrowedTo < 200, qPrintable(QString::number(narrowedTo)));
            QTRY_COMPARE_WITH_TIMEOUT(pane->text(),
                                      QStringLiteral("%1/%1 addresses, only %2 at once (open-file limit)")
                                          .arg(total, QLocale().toString(narrowedTo)),
                                      10000);
        } else {
            if (doc.GetSweepNarrowedTo() > 0)
                QSKIP("the hard open-file limit is too low for a sweep of 200 addresses at once");
            QTRY_COMPARE_WITH_TIMEOUT(pane->text(), QStringLiteral("%1/%1 addresses").arg(total), 10000);
        }
        QVERIFY(doc.IsScanning());
        doc.StopScan();
        network->ReleaseListings(QStringLiteral("10.0.0.2"));
        doc.HaltAndWait();
        QTRY_VERIFY_WITH_TIMEOUT(!pane->isVisible(), 5000);
    }
};

QTEST_MAIN(SweepPaneTest)
#include "tst_sweeppane.moc"
