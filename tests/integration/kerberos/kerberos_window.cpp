// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against a domain controller that refuses anonymous
// listing, with the user's Kerberos ticket: F5 lists the share. Runs only as
// kerberos.sh starts it, inside the client's network namespace with the
// ticket in KRB5CCNAME; elsewhere it skips.
//
//   LANTERRA_KRB_HOST   the server's name, listed in the document's host list
//   LANTERRA_KRB_SHARE  a share only a logged-in user sees listed
#include "app/lanterraapp.h"
#include "model/hostlogin.h"
#include "model/lanterradoc.h"
#include "settings/settings.h"
#include "ui/frame/mainframe.h"
#include "ui/view/lanterraview.h"
#include "ui/view/sharelistmodel.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

class KerberosWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void refreshListsTheShareWithTheTicket()
    {
        const QString host = qEnvironmentVariable("LANTERRA_KRB_HOST");
        const QString shareName = qEnvironmentVariable("LANTERRA_KRB_SHARE");
        if (host.isEmpty() || shareName.isEmpty())
            QSKIP("runs against the domain controller of kerberos.sh only");

        QTemporaryDir dir;
        CSettings settings;
        settings.setFilePath(dir.filePath(QStringLiteral("settings.xml")));
        CSettings::setInstance(&settings);
        settings.Startup();
        {
            CLanterraApp app(&settings);
            app.setNetworksFolder(dir.filePath(QStringLiteral("networks")));
            QVERIFY(app.OnFileNew());
            CLanterraDoc &doc = app.document();
            // The listed host only: no browse lists, no announcements.
            doc.rules().searchNetAll = 0;
            doc.rules().searchAnnounced = 0;
            doc.rules().searchHostByList = 1;
            doc.rules().hosts = {host};

            CMainFrame frame(&app, &settings);
            frame.show();
            frame.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&frame));
            QTest::keyClick(&frame, Qt::Key_F5);
            QVERIFY(doc.IsScanning());
            QTRY_VERIFY_WITH_TIMEOUT(frame.StatusPane()->text().startsWith(QStringLiteral("Ready. ")), 120000);

            CShareListModel *model = frame.View()->Model();
            QStringList listed;
            bool shown = false;
            for (int share : model->SharesInOrder()) {
                listed.append(doc.shareText(share, ColumnHost) + u'\\' + doc.shareText(share, ColumnShare));
                if (doc.shareText(share, ColumnHost).compare(host, Qt::CaseInsensitive) == 0
                    && doc.shareText(share, ColumnShare) == shareName)
                    shown = model->ItemImage(share) == int(ShareOnline);
            }
            qInfo("listed: %s", qPrintable(listed.join(u", ")));
            QVERIFY2(shown, qPrintable(frame.StatusPane()->text()));
            for (const auto &record : doc.cacheHosts())
                QVERIFY2(!IsLoginNeeded(*record), qPrintable(record->GetDisplayName()));

            frame.RouteCommand(57665); // File > Exit
            app.OnMainWindowClosing();
        }
        settings.Shutdown();
        CSettings::setInstance(nullptr);
    }
};

QTEST_MAIN(KerberosWindowTest)
#include "kerberos_window.moc"
