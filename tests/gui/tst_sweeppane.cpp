// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar's part for the connect sweep of a large range.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "net/memorynetwork.h"
#include "ui/frame/mainframe.h"
#include "ui/commandids.h"

#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTest>

using namespace gui;

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
        QVERIFY(pane->text().endsWith(QStringLiteral("/%1 addresses").arg(total)));
        QTRY_VERIFY_WITH_TIMEOUT(pane->text() != QStringLiteral("0/%1 addresses").arg(total), 5000);
        QVERIFY(frame.StatusPane()->text().startsWith(QStringLiteral("Searching... ")));
        doc.StopScan();
        QTRY_VERIFY_WITH_TIMEOUT(!pane->isVisible(), 5000);
    }
};

QTEST_MAIN(SweepPaneTest)
#include "tst_sweeppane.moc"
