// SPDX-License-Identifier: GPL-3.0-or-later
// The quick filter: Ctrl+F into the address bar's field, the list narrowed
// while typing in every view mode and grouping, the status line's count,
// Down/Enter into the list, Esc, and shares that come while it is set.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "net/neterrors.h"
#include "settings/languagetable.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"
#include "ui/toolkit/sizablerebar.h"
#include "ui/view/filterfield.h"
#include "ui/view/lanterraview.h"
#include "ui/view/sharelistmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

using namespace gui;

class QuickFilterTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        TestSettings settings;
        CLanterraApp app{&settings.settings};
        DocBuilder build{app.document()};
        std::unique_ptr<CMainFrame> frame;

        Fixture()
        {
            app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
            app.OnFileNew();
            HostRecord *nas = build.Host(QStringLiteral("nas"), QStringLiteral("HOME"));
            build.Share(nas, QStringLiteral("Music"));
            build.Share(nas, QStringLiteral("Films"));
            build.Share(nas, QStringLiteral("backup"));
            // Hidden shares have no item: the counts leave them out alike.
            build.Share(nas, QStringLiteral("C$"));
            HostRecord *laptop = build.Host(QStringLiteral("laptop"), QStringLiteral("HOME"));
            build.Share(laptop, QStringLiteral("music"));
            build.Share(laptop, QStringLiteral("Docs"));
            build.Share(build.Host(QStringLiteral("MUSEUM"), QStringLiteral("OFFICE")), QStringLiteral("Photos"));
            office = build.Host(QStringLiteral("office"), QStringLiteral("OFFICE"));
            install = build.Share(office, QStringLiteral("Install"));
            build.Share(office, QStringLiteral("public"));
            build.Share(office, QStringLiteral("print$"));
            // A host that wants a login: one entry, by its host name.
            build.Host(QStringLiteral("musicbox"), QStringLiteral("OFFICE"))->lastState = int(NetError::AccessDenied);
            frame = std::make_unique<CMainFrame>(&app, &settings.settings);
            frame->SetLauncher(std::make_shared<RecordingLauncher>());
            Settle();
        }
        ~Fixture() { app.document().HaltScan(); }

        CLanterraView *View() const { return frame->View(); }
        CShareListModel *Model() const { return frame->View()->Model(); }
        void Settle()
        {
            for (int i = 0; i < 1000 && View()->IsTimerActive(); ++i)
                View()->UpdateTick();
        }
        // The rows top to bottom: "[heading]" or "share@host" (an entry: "@host").
        QStringList Rows() const
        {
            QStringList rows;
            for (int row = 0; row < Model()->rowCount(); ++row) {
                const QModelIndex index = Model()->index(row, 0);
                if (Model()->IsHeadingRow(row))
                    rows.append(u'[' + index.data(CShareListModel::PlainTextRole).toString() + u']');
                else
                    rows.append((Model()->ShareAtRow(row) >= 0 ? index.data(CShareListModel::PlainTextRole).toString()
                                                               : QString())
                                + u'@' + Model()->index(row, 1).data(CShareListModel::PlainTextRole).toString());
            }
            return rows;
        }
        void Activate()
        {
            frame->show();
            frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        }
        HostRecord *office = nullptr;
        int install = -1;
    };

    // Every row is what the model says it is, both ways, and the counts agree.
    static void CheckRows(const CShareListModel &model)
    {
        int items = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            const int key = model.KeyAtRow(row);
            if (key == -1) {
                QVERIFY(model.IsHeadingRow(row));
                QVERIFY(row + 1 < model.rowCount() && !model.IsHeadingRow(row + 1)); // no empty group
                continue;
            }
            ++items;
            if (key >= 0)
                QCOMPARE(model.IndexOfShare(key).row(), row);
        }
        QCOMPARE(items, model.ShownItemCount());
    }

private slots:
    void cleanup() { LanguageTable().Clear(); }

    void narrowsByNameOrHost_data()
    {
        QTest::addColumn<bool>("byHost");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("status");
        // Media: Music, Films, Other (the catch-all, where the entry goes,
        // after the shares that answered).
        // The entry of the host that needs a login is named apart.
        QTest::newRow("mus, by kind") << false << "mus" << QStringList{"[Music]", "music@laptop",  "Music@nas",
                                                                       "[Other]", "Photos@MUSEUM", "@musicbox"}
                                      << "Ready. 3 of 8 shares shown. 1 host needs a login.";
        QTest::newRow("MUS, by host") << true << "MUS"
                                      << QStringList{"[MUSEUM]",   "Photos@MUSEUM", "[laptop]", "music@laptop",
                                                     "[musicbox]", "@musicbox",     "[nas]",    "Music@nas"}
                                      << "Ready. 3 of 8 shares shown. 1 host needs a login.";
        QTest::newRow("a host") << false << "office" << QStringList{"[Other]", "Install@office", "public@office"}
                                << "Ready. 2 of 8 shares shown.";
        QTest::newRow("nothing") << true << "zzz" << QStringList{} << "Ready. 0 of 8 shares shown.";
        QTest::newRow("blanks only") << false << "  "
                                     << QStringList{"[Music]",        "music@laptop",  "Music@nas",     "[Films]",
                                                    "Films@nas",      "[Other]",       "backup@nas",    "Docs@laptop",
                                                    "Install@office", "Photos@MUSEUM", "public@office", "@musicbox"}
                                     << "Ready. 8 shares. 1 host needs a login.";
    }

    void narrowsByNameOrHost()
    {
        QFETCH(bool, byHost);
        QFETCH(QString, filter);
        QFETCH(QStringList, rows);
        QFETCH(QString, status);
        Fixture f;
        f.View()->RebuildList(byHost ? f.settings.Hosts() : f.settings.Media());
        f.Settle();
        const QStringList unfiltered = f.Rows();
        // A message standing over the status line gives way to the count.
        f.frame->statusBar()->showMessage(QStringLiteral("Cannot save \"x.net\": disk full"), 15000);
        QTest::keyClicks(f.frame->FilterField(), filter);
        QCOMPARE(f.Rows(), rows);
        QCOMPARE(f.frame->StatusPane()->text(), status);
        QVERIFY(f.frame->statusBar()->currentMessage().isEmpty());
        CheckRows(*f.Model());
        // The same in every view mode: they show the one model.
        for (int mode : {CLanterraView::ModeDetails, CLanterraView::ModeList, CLanterraView::ModeTiles}) {
            f.frame->RouteCommand(mode == CLanterraView::ModeDetails ? Cmd::ViewDetails
                                  : mode == CLanterraView::ModeList  ? Cmd::ViewList
                                                                     : Cmd::ViewTiles);
            QCOMPARE(f.View()->ItemView()->model()->rowCount(), rows.size());
        }
        // A rebuild (another scheme, the offline switch) keeps the filter.
        f.frame->RouteCommand(Cmd::ShowOffline);
        f.frame->RouteCommand(Cmd::ShowOffline);
        f.Settle();
        QCOMPARE(f.Rows(), rows);
        // Taken away, everything is back.
        f.frame->FilterField()->clear();
        QCOMPARE(f.Rows(), unfiltered);
        QCOMPARE(f.frame->StatusPane()->text(), QStringLiteral("Ready. 8 shares. 1 host needs a login."));
        CheckRows(*f.Model());
    }

    void keyboard()
    {
        Fixture f;
        f.Activate();
        CFilterField *field = f.frame->FilterField();
        QAbstractItemView *list = f.View()->ItemView();
        QTRY_VERIFY(list->hasFocus());
        // Ctrl+F puts the focus in the field, also when the address bar is hidden.
        f.frame->RouteCommand(Cmd::ViewAddressBar);
        QVERIFY(!f.frame->ReBar()->IsBandVisible(Ctl::AddressBar));
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(f.frame->ReBar()->IsBandVisible(Ctl::AddressBar));
        QTRY_VERIFY(field->hasFocus());
        // Narrowed while typing, letter by letter.
        QTest::keyClick(field, Qt::Key_M);
        QCOMPARE(f.Model()->ShownItemCount(), 5); // Music, Films, music, Photos (MUSEUM), the entry
        QTest::keyClicks(field, QStringLiteral("us"));
        QCOMPARE(f.Model()->ShownItemCount(), 4);
        QCOMPARE(f.frame->StatusPane()->text(), QStringLiteral("Ready. 3 of 8 shares shown. 1 host needs a login."));
        // Down: the first share shown has the focus; Ctrl+C copies its address.
        QTest::keyClick(field, Qt::Key_Down);
        QTRY_VERIFY(list->hasFocus());
        QCOMPARE(f.app.document().shareText(f.View()->FocusedShare(), ColumnPath), QStringLiteral("\\\\laptop\\music"));
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("smb://laptop/music"));
        // Back in the field (its text selected), Enter does the same.
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(field->hasFocus());
        QCOMPARE(field->selectedText(), QStringLiteral("mus"));
        QTest::keyClicks(field, QStringLiteral("office"));
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_VERIFY(list->hasFocus());
        QCOMPARE(f.View()->FocusedShare(), f.install);
        // Esc in the field clears it (and stays there); once more goes back to the list.
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(field->text().isEmpty());
        QVERIFY(field->hasFocus());
        QCOMPARE(f.Model()->ShownItemCount(), 9);
        QCOMPARE(f.frame->StatusPane()->text(), QStringLiteral("Ready. 8 shares. 1 host needs a login."));
        QTest::keyClick(field, Qt::Key_Escape);
        QTRY_VERIFY(list->hasFocus());
        // Nothing shown: Down stays in the field.
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("zzz"));
        QTest::keyClick(field, Qt::Key_Down);
        QVERIFY(field->hasFocus());
    }

    // Shares that come while the filter is set, and changes to those in the
    // list, go by the filter; the focus and selection stay on what stays.
    void listKeepsUpUnderTheFilter()
    {
        Fixture f;
        CLanterraDoc &doc = f.app.document();
        f.settings.Media()->placeOnlineFirst = 1;
        f.View()->RebuildList(f.settings.Media());
        f.Settle();
        const QList<int> all = f.Model()->SharesInOrder();
        f.View()->SetFocusedShare(f.install);
        f.View()->SetFilterText(QStringLiteral("o"));
        QCOMPARE(f.View()->FocusedShare(), f.install); // "office" holds an o
        QCOMPARE(f.frame->StatusPane()->text(), QStringLiteral("Ready. 5 of 8 shares shown. 1 host needs a login."));

        // A scan brings a share that passes and one that does not.
        doc.SetShowOffline(true);
        f.View()->OnDocumentUpdate(HintScanStarted);
        const int tools = f.build.Share(f.office, QStringLiteral("tools"));
        const int music =
            f.build.Share(f.build.Host(QStringLiteral("pc"), QStringLiteral("HOME")), QStringLiteral("mp3"));
        f.View()->UpdateTick();
        QVERIFY(f.View()->StatusText().endsWith(QStringLiteral(" 6 of 10 shares shown. 1 host needs a login.")));
        QVERIFY(f.Model()->IndexOfShare(tools).isValid());
        QVERIFY(f.Model()->HasItem(music) && !f.Model()->IndexOfShare(music).isValid());
        CheckRows(*f.Model());
        // State changes move hidden and shown items alike (online first).
        for (int share : all)
            f.build.Change(share, ShareOffline);
        f.build.Change(music, ShareOffline);
        f.View()->UpdateTick();
        CheckRows(*f.Model());
        // The host renamed: its shares leave the filter, another's join it.
        f.office->SetName(QStringLiteral("srv"));
        for (int share : {f.install, tools})
            f.build.Change(share, ShareHostRenamed);
        f.View()->UpdateTick();
        QVERIFY(!f.Model()->IndexOfShare(f.install).isValid());
        f.View()->SetFilterText(QStringLiteral("srv"));
        QVERIFY(f.Model()->IndexOfShare(f.install).isValid());
        QVERIFY(f.Model()->IndexOfShare(tools).isValid());
        CheckRows(*f.Model());
        f.build.Change(tools, ShareRemoved);
        f.View()->UpdateTick();
        QVERIFY(!f.Model()->HasItem(tools));
        CheckRows(*f.Model());

        // Without the filter the list is the one a rebuild makes.
        f.View()->SetFilterText(QString());
        const QList<int> kept = f.Model()->SharesInOrder();
        f.View()->RebuildList(f.settings.Media());
        f.Settle();
        QCOMPARE(f.Model()->SharesInOrder(), kept);
        CheckRows(*f.Model());
    }

    void germanStatus()
    {
        Fixture f;
        LanguageTable().Clear();
        LookupText(QStringLiteral("View messages"), 20, QStringLiteral("Bereit. %d von %d Freigaben angezeigt."));
        LookupText(QStringLiteral("Address ToolBar"), 20, QStringLiteral("Filtern"));
        f.frame->OnLanguageChanged();
        QCOMPARE(f.frame->FilterField()->placeholderText(), QStringLiteral("Filtern"));
        f.View()->SetFilterText(QStringLiteral("nas"));
        QCOMPARE(f.frame->StatusPane()->text(), QStringLiteral("Bereit. 3 von 8 Freigaben angezeigt."));
    }
};

QTEST_MAIN(QuickFilterTest)
#include "tst_quickfilter.moc"
