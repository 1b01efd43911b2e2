// SPDX-License-Identifier: GPL-3.0-or-later
// Share and host names are whatever a machine on the network says. The list
// shows them as plain text in every mode and tool tip (a name that looks
// like markup never loads anything), isolated in their own direction and
// with hidden characters written out; Open and Browse hand each name over
// as one percent-encoded share.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "ui/dialogs/sharepropertiesdlg.h"
#include "ui/frame/mainframe.h"
#include "ui/view/lanterraview.h"
#include "ui/view/sharelistmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <sys/resource.h>

using namespace gui;

namespace {

const QChar FSI(0x2068);
const QChar PDI(0x2069);

QStringList HostileShareNames()
{
    return {
        QStringLiteral("<img src=\"/dev/zero\">"),
        QStringLiteral("<b>bold</b>"),
        QStringLiteral("<font size=20>big</font>"),
        QStringLiteral("<html><body><h1>page</h1><a href=\"x\">link</a></body></html>"),
        QStringLiteral("a & b &quot;c&quot; &lt;"),
        QStringLiteral("quote\" and 'single'"),
        QStringLiteral("%s%n%x"),
        QStringLiteral("$(touch /tmp/lanterra-pwned)"),
        QStringLiteral("`id`"),
        QStringLiteral("-rf"),
        QStringLiteral("=HYPERLINK(\"http://x\",\"click\")"),
        QStringLiteral("rlo") + QChar(0x202E) + QStringLiteral("exe.txt"),
        QStringLiteral("line") + QChar(0x2028) + QStringLiteral("break"),
        QStringLiteral("back\\slash"),
        QStringLiteral("for/ward"),
        QStringLiteral("hash#and?query%20"),
        QString::fromUtf8("Музыка"),
        QString::fromUtf8("音楽と映画"),
        QString::fromUtf8("🎵 emoji 👨‍👩‍👧"),
        QString(2000, u'x'),
    };
}

// The list's text for a name: isolated, hidden characters written out,
// otherwise the name itself.
QString Expected(const QString &name)
{
    QString shown = name;
    shown.replace(QChar(0x202E), QStringLiteral("\\u202E")).replace(QChar(0x2028), QStringLiteral("\\u2028"));
    return FSI + shown + PDI;
}

long ResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace

class HostileNamesTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        TestSettings settings;
        CLanterraDoc doc{&settings.settings};
        DocBuilder build{doc};
        CLanterraView view;
        std::shared_ptr<RecordingLauncher> launcher = std::make_shared<RecordingLauncher>();
        QStringList names = HostileShareNames();
        QList<int> shares;
        QString hostName = QStringLiteral("<i>nas</i>");
        QString workgroup = QStringLiteral("<u>HOME</u>");

        Fixture()
        {
            view.SetDocument(&doc);
            view.SetLauncher(launcher);
            view.resize(700, 500);
            HostRecord *host = build.Host(hostName, workgroup, QStringLiteral("10.0.0.5"));
            for (const QString &name : names)
                shares.append(build.Share(host, name));
            view.RebuildList(settings.Media());
            while (view.IsTimerActive())
                view.UpdateTick();
        }
    };

private slots:
    void initTestCase()
    {
        // Should a tool tip ever read a file again, the test fails here
        // instead of taking the machine's memory.
        rlimit limit{};
        QVERIFY(getrlimit(RLIMIT_AS, &limit) == 0);
        QFile status(QStringLiteral("/proc/self/status"));
        QVERIFY(status.open(QIODevice::ReadOnly));
        long virtualKb = 0;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmSize:"))
                virtualKb = line.mid(7).trimmed().split(' ').value(0).toLong();
        const rlim_t cap = rlim_t(virtualKb) * 1024 + (rlim_t(2) << 30);
        if (limit.rlim_max == RLIM_INFINITY || cap < limit.rlim_max) {
            limit.rlim_cur = cap;
            QVERIFY(setrlimit(RLIMIT_AS, &limit) == 0);
        }
    }

    void namesArePlainTextInEveryMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("tiles") << int(CLanterraView::ModeTiles);
        QTest::newRow("list") << int(CLanterraView::ModeList);
        QTest::newRow("details") << int(CLanterraView::ModeDetails);
    }

    void namesArePlainTextInEveryMode()
    {
        QFETCH(int, mode);
        Fixture f;
        f.view.SetViewMode(mode);
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        const CShareListModel *model = f.view.Model();
        QAbstractItemView *items = f.view.ItemView();
        QCOMPARE(model->ItemCount(), f.names.size());

        const long before = ResidentKilobytes();
        const int columns = mode == CLanterraView::ModeDetails ? 3 : 1;
        for (qsizetype i = 0; i < f.names.size(); ++i) {
            const QString texts[] = {f.names[i], f.hostName, f.workgroup};
            for (int column = 0; column < columns; ++column) {
                const QModelIndex index = model->IndexOfShare(f.shares[i], column);
                // The tool tip as the pointer brings it up over the item.
                items->scrollTo(index);
                const QPoint at = items->visualRect(index).center();
                QVERIFY2(items->viewport()->rect().contains(at), qPrintable(f.names[i].left(40)));
                QHelpEvent event(QEvent::ToolTip, at, items->viewport()->mapToGlobal(at));
                QApplication::sendEvent(items->viewport(), &event);
                QTRY_VERIFY(QToolTip::isVisible());
                QCOMPARE(ShownToolTip(QToolTip::text()), Expected(texts[column]));
                QTest::qWait(20);
                QCOMPARE(index.data().toString(), Expected(texts[column]));
                QCOMPARE(ShownToolTip(index.data(Qt::ToolTipRole).toString()), Expected(texts[column]));
            }
        }
        // Markup would have had the tip read /dev/zero: memory stays flat.
        QTest::qWait(300);
        QVERIFY2(ResidentKilobytes() - before < 64 * 1024,
                 qPrintable(QStringLiteral("grew by %1 kB").arg(ResidentKilobytes() - before)));
        QToolTip::hideText();
        // The host heading (grouping by host) is isolated as well.
        f.view.RebuildList(f.settings.Hosts());
        while (f.view.IsTimerActive())
            f.view.UpdateTick();
        QCOMPARE(f.view.Model()->index(0, 0).data().toString(), Expected(f.hostName));
        // Type-ahead finds a name by its first letters, not by how it is shown.
        f.view.RebuildList(f.settings.Media());
        while (f.view.IsTimerActive())
            f.view.UpdateTick();
        const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole, QString::fromUtf8("Муз"));
        QCOMPARE(found.size(), 1);
        QCOMPARE(model->ShareAt(found[0]), f.shares[f.names.indexOf(QString::fromUtf8("Музыка"))]);
    }

    void openAndBrowseHandOverOneShare()
    {
        Fixture f;
        f.view.show();
        for (qsizetype i = 0; i < f.names.size(); ++i) {
            f.launcher->opened.clear();
            f.launcher->argumentLists.clear();
            f.view.SetFocusedShare(f.shares[i]);
            f.view.OpenShare();
            f.view.BrowseShare();
            // QUrl takes no host name with markup in it: Open goes to the
            // host's address instead, with the name as one path segment.
            QCOMPARE(f.launcher->opened.size(), 1);
            const QUrl opened = f.launcher->opened[0];
            QCOMPARE(opened.host(), QStringLiteral("10.0.0.5"));
            QCOMPARE(opened.path(QUrl::FullyEncoded).count(u'/'), 1);
            QCOMPARE(opened.path(QUrl::FullyDecoded), u'/' + f.names[i]);
            // The browsing program gets the address with host and share
            // percent-encoded: one path segment that decodes to the name.
            const QString argument = f.launcher->argumentLists.value(0).value(1);
            const QString prefix = QStringLiteral("/L=smb://%3Ci%3Enas%3C%2Fi%3E/");
            QVERIFY2(argument.startsWith(prefix), qPrintable(argument.left(80)));
            const QString segment = argument.mid(prefix.size());
            for (const QChar c : segment)
                QVERIFY2(c.unicode() < 0x80 && (c.isLetterOrNumber() || QStringView(u"-._~%$").contains(c)),
                         qPrintable(segment.left(80)));
            QCOMPARE(QUrl::fromPercentEncoding(segment.toLatin1()), f.names[i]);
        }
        // With a host QUrl takes, Open hands the same one-share address.
        DocBuilder more(f.doc);
        const int plain = more.Share(more.Host(QStringLiteral("fileserver")), QStringLiteral("back\\sl/ash %s#?"));
        f.view.RebuildList(f.settings.Media());
        while (f.view.IsTimerActive())
            f.view.UpdateTick();
        f.launcher->opened.clear();
        f.view.SetFocusedShare(plain);
        f.view.OpenShare();
        QCOMPARE(f.launcher->opened.value(0).toString(QUrl::FullyEncoded),
                 QStringLiteral("smb://fileserver/back%5Csl%2Fash%20%25s%23%3F"));
        QCOMPARE(f.launcher->opened.value(0).path(QUrl::FullyDecoded), QStringLiteral("/back\\sl/ash %s#?"));
    }

    void propertiesAndStatusShowPlainText()
    {
        Fixture f;
        const QString rlo = f.names[11];
        CSharePropertiesDlg dialog;
        dialog.shareName = rlo;
        dialog.hostName = f.hostName;
        dialog.workgroup = f.workgroup;
        dialog.InitDialog();
        QCOMPARE(static_cast<QLineEdit *>(dialog.Control(1126))->text(), QStringLiteral("rlo\\u202Eexe.txt"));
        QCOMPARE(static_cast<QLineEdit *>(dialog.Control(1004))->text(), f.hostName);
        for (int id : {1151, 1152})
            QCOMPARE(static_cast<QLabel *>(dialog.Control(id))->textFormat(), Qt::PlainText);

        CLanterraApp app(&f.settings.settings);
        app.setNetworksFolder(f.settings.dir.filePath(QStringLiteral("networks")));
        app.OnFileNew();
        CMainFrame frame(&app, &f.settings.settings);
        frame.SetStatusText(f.names[0]);
        QCOMPARE(frame.StatusPane()->textFormat(), Qt::PlainText);
        QCOMPARE(frame.StatusPane()->text(), f.names[0]);
    }
};

QTEST_MAIN(HostileNamesTest)
#include "tst_hostilenames.moc"
