// SPDX-License-Identifier: GPL-3.0-or-later
// The share list: batches, filters, change rules, ordering, groups, texts.
#include "guisupport.h"

#include "settings/languagetable.h"
#include "ui/commandids.h"
#include "ui/view/lanterraview.h"
#include "ui/view/sharelistmodel.h"
#include "ui/view/sharelistrules.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

using namespace gui;

class ShareViewTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        TestSettings settings;
        CLanterraDoc doc{&settings.settings};
        DocBuilder build{doc};
        CLanterraView view;

        Fixture()
        {
            view.SetDocument(&doc);
            view.resize(500, 400);
        }
        // Builds for `scheme` and runs ticks until the timer stops.
        void Fill(ShareScheme *scheme)
        {
            view.RebuildList(scheme);
            for (int i = 0; i < 10000 && view.IsTimerActive(); ++i)
                view.UpdateTick();
        }
        QStringList Names()
        {
            QStringList names;
            for (int share : view.Model()->SharesInOrder())
                names.append(doc.shareText(share, ColumnShare));
            return names;
        }
    };

    // Every row is what the model says it is, both ways.
    static void CheckRows(const CShareListModel &model)
    {
        int items = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            const int share = model.ShareAtRow(row);
            if (share < 0) {
                QVERIFY(model.IsHeadingRow(row));
                QVERIFY(row + 1 < model.rowCount() && !model.IsHeadingRow(row + 1)); // no empty group
                continue;
            }
            ++items;
            QCOMPARE(model.IndexOfShare(share).row(), row);
        }
        QCOMPARE(items, model.ItemCount());
    }

private slots:
    void cleanup() { LanguageTable().Clear(); }

    void emptyDocumentAsksForF5()
    {
        Fixture f;
        f.view.OnInitialUpdate();
        f.view.SetViewMode(CLanterraView::ModeDetails);
        f.view.show();
        f.view.UpdateTick();
        QCOMPARE(f.view.StatusText(), QStringLiteral("Hit F5 for list refreshing"));
        QVERIFY(!f.view.IsTimerActive());
        QCOMPARE(f.view.EmptyMessage(), QStringLiteral("Hit F5 for list refreshing"));

        // Drawn into the list, starting 10 pixels below the header.
        QWidget *viewport = f.view.ItemView()->viewport();
        const QImage image = viewport->grab().toImage();
        const QColor background = image.pixelColor(2, image.height() - 2);
        int firstInk = -1;
        for (int y = 0; y < image.height() && firstInk < 0; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) != background) {
                    firstInk = y;
                    break;
                }
        QVERIFY2(firstInk >= 10 && firstInk < 10 + f.view.fontMetrics().height(), qPrintable(QString::number(firstInk)));
        QVERIFY(f.view.Header()->isVisible());

        // A share makes the message go.
        f.build.Share(f.build.Host(QStringLiteral("nas")), QStringLiteral("music"));
        QVERIFY(f.view.EmptyMessage().isEmpty());
    }

    void fillsInTicksOfAHundred()
    {
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        for (int i = 0; i < 350; ++i)
            f.build.Share(host, QStringLiteral("share%1").arg(349 - i, 3, 10, QLatin1Char('0')));
        f.view.RebuildList(f.settings.Media());
        QVERIFY(f.view.IsTimerActive());
        QCOMPARE(f.view.TimerInterval(), CLanterraView::BuildInterval);

        const int expected[] = {100, 200, 300, 350};
        for (int tick = 0; tick < 4; ++tick) {
            f.view.UpdateTick();
            QCOMPARE(f.view.Model()->ItemCount(), expected[tick]);
            QCOMPARE(f.view.Updater().SortCount(), tick + 1);
            QVERIFY(f.view.StatusText().startsWith(QStringLiteral("Searching... 350 shares. Time: 0 sec.")));
            QVERIFY(f.view.IsTimerActive());
            const QStringList names = f.Names();
            QStringList sorted = names;
            sorted.sort();
            QCOMPARE(names, sorted);
        }
        f.view.UpdateTick();
        QCOMPARE(f.view.StatusText(), QStringLiteral("Ready. 350 shares."));
        QVERIFY(!f.view.IsTimerActive());
        QCOMPARE(f.view.Updater().SortCount(), 4);
        CheckRows(*f.view.Model());
    }

    // A host whose share list was cut says so where the scan says it is ready.
    void readyTellsTheSharesLeftOut()
    {
        Fixture f;
        HostRecord *nas = f.build.Host(QStringLiteral("nas"));
        HostRecord *pc = f.build.Host(QStringLiteral("pc"));
        f.build.Share(nas, QStringLiteral("music"));
        f.build.Share(pc, QStringLiteral("films"));
        f.Fill(f.settings.Media());
        QCOMPARE(f.view.StatusText(), QStringLiteral("Ready. 2 shares."));

        const struct
        {
            int nasLeftOut;
            int pcLeftOut;
            QString status;
        } rows[] = {
            {904, 0,
             QStringLiteral("Ready. 2 shares. ") + QChar(0x2068) + QStringLiteral("nas") + QChar(0x2069)
                 + QStringLiteral(" lists more shares than a host keeps: 904 left out.")},
            {904, 10, QStringLiteral("Ready. 2 shares. 2 hosts list more shares than a host keeps: 914 left out.")},
            {0, 0, QStringLiteral("Ready. 2 shares.")},
        };
        for (const auto &row : rows) {
            nas->sharesLeftOut = row.nasLeftOut;
            pc->sharesLeftOut = row.pcLeftOut;
            f.Fill(f.settings.Media());
            QCOMPARE(f.view.StatusText(), row.status);
        }
    }

    void hiddenShares_data()
    {
        QTest::addColumn<bool>("showHidden");
        QTest::addColumn<bool>("hideDisk");
        QTest::addColumn<QStringList>("shown");
        const QStringList all = {"C$", "ADMIN$", "music$", "music", "tv", "print$", "Print$", "admin$"};
        QTest::newRow("hidden off") << false << true << QStringList{"music", "tv"};
        QTest::newRow("hidden on, disks off") << true << true << QStringList{"music$", "music", "Print$", "admin$"};
        QTest::newRow("everything") << true << false << all;
    }

    void hiddenShares()
    {
        QFETCH(bool, showHidden);
        QFETCH(bool, hideDisk);
        QFETCH(QStringList, shown);
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        for (const char *name : {"C$", "ADMIN$", "music$", "music", "tv", "print$", "Print$", "admin$"})
            f.build.Share(host, QString::fromLatin1(name));
        ShareScheme *scheme = f.settings.Media();
        scheme->showHiddenShares = showHidden;
        scheme->hideDiskShares = hideDisk;
        f.Fill(scheme);
        QStringList names = f.Names();
        names.sort();
        shown.sort();
        QCOMPARE(names, shown);
    }

    void invisibleGroupStaysOut_data()
    {
        QTest::addColumn<bool>("byHost");
        QTest::newRow("scheme groups") << false;
        QTest::newRow("host groups") << true;
    }

    void invisibleGroupStaysOut()
    {
        QFETCH(bool, byHost);
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        f.build.Share(host, QStringLiteral("music"));
        f.build.Share(host, QStringLiteral("films"));
        f.build.Share(f.build.Host(QStringLiteral("films-only")), QStringLiteral("film archive"));
        f.build.Share(f.build.Host(QStringLiteral("hidden-only")), QStringLiteral("C$"));
        ShareScheme *scheme = byHost ? f.settings.Hosts() : f.settings.Media();
        scheme->groups[1].visible = 0;
        f.Fill(scheme);
        QCOMPARE(f.Names(), QStringList{"music"});
        // Empty groups (Films, Other, a host whose only share is hidden) take no rows.
        QCOMPARE(f.view.Model()->ShownGroupHeaders(), QStringList{byHost ? "nas" : "Music"});
        // A host group is made before the name test, not before the group test.
        if (byHost)
            QCOMPARE(f.view.Updater().HostGroupNames(), (QStringList{"nas", "hidden-only"}));
        CheckRows(*f.view.Model());
    }

    void offlineComesAndGoesWithoutShowOffline()
    {
        Fixture f;
        f.doc.SetShowOffline(false);
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        const int music = f.build.Share(host, QStringLiteral("music"));
        const int films = f.build.Share(host, QStringLiteral("films"), ShareOffline);
        f.Fill(f.settings.Media());
        QCOMPARE(f.Names(), QStringList{"music"}); // offline at insertion: not shown

        f.build.Change(music, ShareOffline);
        f.view.RebuildList(f.settings.Media()); // reads the whole queue again
        f.view.UpdateTick();
        QVERIFY(f.Names().isEmpty());

        f.build.Change(music, ShareOnline);
        f.build.Change(films, ShareOnline);
        f.view.UpdateTick();
        QCOMPARE(f.Names(), (QStringList{"music", "films"}));
    }

    void changesLeftByAScanAreAppliedAfterItEnds()
    {
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        for (int i = 0; i < 250; ++i)
            f.build.Share(host, QStringLiteral("s%1").arg(i), ShareUnknown);
        f.Fill(f.settings.Media());
        // A scan starts, its probes report, and it ends before the list has
        // taken a single change.
        f.view.OnDocumentUpdate(HintScanStarted);
        for (int i = 0; i < 250; ++i)
            f.build.Change(i, ShareOnline);
        int ticks = 0;
        while (f.view.IsTimerActive() && ticks < 10) {
            f.view.UpdateTick();
            ++ticks;
            QCOMPARE(f.view.StatusText(), QStringLiteral("Ready. 250 shares."));
        }
        // Once the scan has ended, what it queued goes in by time, not by
        // the hundred (100, 100, 50 would hold stale states for 1.5 s): in
        // one slice here, unless the machine is very slow.
        QVERIFY2(ticks < 3, qPrintable(QString::number(ticks)));
        for (int share : f.view.Model()->SharesInOrder())
            QCOMPARE(f.view.Model()->ItemImage(share), int(ShareOnline));
    }

    void changeRules()
    {
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"), QStringLiteral("WORKGROUP"), QStringLiteral("10.0.0.2"));
        const int music = f.build.Share(host, QStringLiteral("music"));
        const int films = f.build.Share(host, QStringLiteral("films"), ShareOffline);
        f.Fill(f.settings.Media());
        CShareListModel *model = f.view.Model();
        QCOMPARE(model->ItemImage(films), int(ShareOffline));

        // The view reads the state when it applies a change, not when it was queued.
        f.build.Change(films, ShareOffline);
        f.doc.GetShare(films)->state = ShareOnline;
        host->SetName(QStringLiteral("renamed"));
        f.build.Change(music, ShareHostRenamed);
        f.view.OnDocumentUpdate(HintScanStopped); // one tick at once
        QCOMPARE(model->ItemImage(films), int(ShareOnline));
        QCOMPARE(model->ItemHostText(music), QStringLiteral("renamed"));
        QCOMPARE(model->ItemImage(music), int(ShareOnline)); // a rename keeps the picture

        f.build.Change(films, ShareUnknown);
        f.view.UpdateTick();
        QCOMPARE(model->ItemImage(films), int(ShareOnline));

        f.build.Change(music, ShareRemoved);
        f.view.UpdateTick();
        QVERIFY(!model->HasItem(music));
        CheckRows(*model);

        // A removed share (its host duplicates another) stays out of a rebuild too.
        f.Fill(f.settings.Media());
        QCOMPARE(f.Names(), QStringList{"films"});
    }

    void onlineFirst_data()
    {
        QTest::addColumn<bool>("onlineFirst");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("on") << true << QStringList{"zz", "mm", "aa"};
        QTest::newRow("off") << false << QStringList{"aa", "mm", "zz"};
    }

    void onlineFirst()
    {
        QFETCH(bool, onlineFirst);
        QFETCH(QStringList, order);
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        f.build.Share(host, QStringLiteral("aa"), ShareUnknown);
        f.build.Share(host, QStringLiteral("zz"), ShareOnline);
        f.build.Share(host, QStringLiteral("mm"), ShareOffline);
        f.settings.Media()->placeOnlineFirst = onlineFirst;
        f.Fill(f.settings.Media());
        QCOMPARE(f.Names(), order);
        QCOMPARE(f.doc.placeOnlineFirstCopy(), onlineFirst);
    }

    void stateChangeMovesItemWhenOnlineFirst()
    {
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        for (const char *name : {"a", "b", "c", "d"})
            f.build.Share(host, QString::fromLatin1(name), ShareOffline);
        f.Fill(f.settings.Media());
        f.view.SetFocusedShare(2);
        f.build.Change(2, ShareOnline);
        f.view.UpdateTick();
        QCOMPARE(f.Names(), (QStringList{"c", "a", "b", "d"}));
        QCOMPARE(f.view.FocusedShare(), 2); // the focus follows its item
        CheckRows(*f.view.Model());
    }

    void manyStateChangesSortAsOne()
    {
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        const int count = 900;
        for (int i = 0; i < count; ++i)
            f.build.Share(host, QStringLiteral("s%1").arg((i * 7919) % count), ShareState(i % 3));
        f.Fill(f.settings.Media());
        f.view.SetFocusedShare(17);
        // A scan start turns most states round at once.
        for (int i = 0; i < count; ++i)
            if (i % 5 != 0)
                f.doc.GetShare(i)->state = ShareState((i + 1) % 3);
        f.build.Change(1, f.doc.GetShareState(1));
        f.view.UpdateTick();

        QList<int> expected = f.view.Model()->SharesInOrder();
        std::sort(expected.begin(), expected.end(), [&f](int a, int b) {
            const auto key = [&f](int i) {
                ShareSortKey k;
                k.group = f.doc.GetShareGroup(i);
                k.state = f.doc.GetShareState(i);
                k.text = f.doc.shareText(i, ColumnShare);
                k.folded = k.text.toCaseFolded();
                return k;
            };
            const int c = CompareShareKeys(key(a), key(b), true, false);
            return c != 0 ? c < 0 : a < b;
        });
        QCOMPARE(f.view.Model()->SharesInOrder(), expected);
        QCOMPARE(f.view.FocusedShare(), 17);
        CheckRows(*f.view.Model());
    }

    void caseOrder_data()
    {
        QTest::addColumn<int>("reverse");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("ascending") << 0 << QStringList{"docs", "Docs", "E"};
        QTest::newRow("descending") << 1 << QStringList{"E", "Docs", "docs"};
    }

    void caseOrder()
    {
        QFETCH(int, reverse);
        QFETCH(QStringList, order);
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        for (const char *name : {"E", "Docs", "docs"})
            f.build.Share(host, QString::fromLatin1(name));
        f.doc.SetLastSortRev(reverse);
        f.Fill(f.settings.Media());
        QCOMPARE(f.Names(), order);
    }

    // Shares equal in the sort column go by the other columns (share name,
    // host, workgroup), whatever order the document holds them in, in the
    // list's direction.
    void tiesGoByTheOtherColumns_data()
    {
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<int>("reverse");
        QTest::addColumn<QStringList>("order"); // "share@host/workgroup"
        // Names equal but for case keep the first key's rule: lower case first.
        QTest::newRow("name, ascending") << int(ColumnShare) << 0
                                         << QStringList{"music@beta/A", "Music@alpha/B", "Music@Beta/A", "Music@Beta/b",
                                                        "Music@Gamma/A"};
        QTest::newRow("name, descending")
            << int(ColumnShare) << 1
            << QStringList{"Music@Gamma/A", "Music@Beta/b", "Music@Beta/A", "Music@alpha/B", "music@beta/A"};
        QTest::newRow("host: then name, then workgroup")
            << int(ColumnHost) << 0
            << QStringList{"Music@alpha/B", "music@beta/A", "Music@Beta/A", "Music@Beta/b", "Music@Gamma/A"};
        QTest::newRow("workgroup: then name, then host")
            << int(ColumnWorkgroup) << 0
            << QStringList{"music@beta/A", "Music@Beta/A", "Music@Gamma/A", "Music@Beta/b", "Music@alpha/B"};
    }

    void tiesGoByTheOtherColumns()
    {
        QFETCH(int, sortColumn);
        QFETCH(int, reverse);
        QFETCH(QStringList, order);
        // The same shares, put into the document in two different orders,
        // give one list.
        for (bool backwards : {false, true}) {
            Fixture f;
            QStringList entries = {"Music@Gamma/A", "Music@Beta/b", "Music@alpha/B", "Music@Beta/A", "music@beta/A"};
            if (backwards)
                std::reverse(entries.begin(), entries.end());
            for (const QString &entry : std::as_const(entries)) {
                const QStringList parts = entry.split(QRegularExpression(QStringLiteral("[@/]")));
                f.build.Share(f.build.Host(parts[1], parts[2]), parts[0]);
            }
            f.doc.SetLastSortCol(sortColumn);
            f.doc.SetLastSortRev(reverse);
            f.Fill(f.settings.Media());
            QStringList shown;
            for (int share : f.view.Model()->SharesInOrder())
                shown.append(f.doc.shareText(share, ColumnShare) + u'@' + f.doc.shareText(share, ColumnHost) + u'/'
                             + f.doc.shareText(share, ColumnWorkgroup));
            QCOMPARE(shown, order);
            CheckRows(*f.view.Model());
        }
    }

    void columnClicks()
    {
        Fixture f;
        f.build.Share(f.build.Host(QStringLiteral("b-host")), QStringLiteral("a-share"));
        f.build.Share(f.build.Host(QStringLiteral("c-host")), QStringLiteral("b-share"));
        f.build.Share(f.build.Host(QStringLiteral("a-host")), QStringLiteral("c-share"));
        f.view.SetViewMode(CLanterraView::ModeDetails);
        f.Fill(f.settings.Media());
        QCOMPARE(f.Names(), (QStringList{"a-share", "b-share", "c-share"}));

        QHeaderView *header = f.view.Header();
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        const auto click = [header](int section) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
        };
        click(1); // "Host Name": ascending, the direction stays
        QCOMPARE(f.doc.lastSortCol(), 2);
        QCOMPARE(f.doc.lastSortRev(), 0);
        QCOMPARE(f.Names(), (QStringList{"c-share", "a-share", "b-share"}));
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);

        click(1); // again: descending
        QCOMPARE(f.doc.lastSortRev(), 1);
        QCOMPARE(f.Names(), (QStringList{"b-share", "a-share", "c-share"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

        click(2); // another column keeps the direction
        QCOMPARE(f.doc.lastSortCol(), 1);
        QCOMPARE(f.doc.lastSortRev(), 1);

        // A rebuild keeps the column and direction and shows the arrow again.
        f.view.OnCommand(Cmd::ShowOffline);
        QCOMPARE(header->sortIndicatorSection(), 2);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    // Column widths follow the list's font: a host name like
    // "mediaserver" and the header texts are never cut, at a larger font too.
    void columnWidthsFollowTheFont_data()
    {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("usual font") << 9;
        QTest::newRow("larger font") << 16;
        QTest::newRow("much larger font") << 24;
    }

    void columnWidthsFollowTheFont()
    {
        QFETCH(int, pointSize);
        Fixture f;
        QFont font = f.view.font();
        font.setPointSize(pointSize);
        f.view.setFont(font);
        f.build.Share(f.build.Host(QStringLiteral("mediaserver"), QStringLiteral("WORKGROUP")),
                      QStringLiteral("Photographs"));
        f.view.SetViewMode(CLanterraView::ModeDetails);
        f.Fill(f.settings.Media());
        QHeaderView *header = f.view.Header();
        const QFontMetrics metrics(f.view.ItemView()->font());
        const QString widest[] = {QStringLiteral("Photographs"), QStringLiteral("mediaserver"),
                                  QStringLiteral("WORKGROUP")};
        for (int section = 0; section < 3; ++section) {
            const QString caption = f.view.Model()->headerData(section, Qt::Horizontal).toString();
            // The share's state picture stands before its name.
            const int needed = std::max(metrics.horizontalAdvance(widest[section]) + (section == 0 ? 20 : 0),
                                        metrics.horizontalAdvance(caption))
                               + 12;
            QVERIFY2(header->sectionSize(section) >= needed, qPrintable(QStringLiteral("column %1: %2 px, needs %3")
                                                                            .arg(section)
                                                                            .arg(header->sectionSize(section))
                                                                            .arg(needed)));
        }
    }

    void hostGroupsInCodeUnitOrder()
    {
        Fixture f;
        for (const char *host : {"alpha", "Beta", "Alpha", "_under"})
            f.build.Share(f.build.Host(QString::fromLatin1(host)), QStringLiteral("music"));
        f.Fill(f.settings.Hosts());
        QCOMPARE(f.view.Model()->ShownGroupHeaders(), (QStringList{"Alpha", "Beta", "_under", "alpha"}));
        CheckRows(*f.view.Model());
    }

    void groupsInSchemeOrderWithItemsByName()
    {
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        for (const char *name : {"zeta", "films b", "music", "films a", "alpha"})
            f.build.Share(host, QString::fromLatin1(name));
        f.Fill(f.settings.Media());
        QCOMPARE(f.view.Model()->ShownGroupHeaders(), (QStringList{"Music", "Films", "Other"}));
        QCOMPARE(f.Names(), (QStringList{"music", "films a", "films b", "alpha", "zeta"}));
        QCOMPARE(f.view.Model()->rowCount(), 8); // three headings, five items
        CheckRows(*f.view.Model());
    }

    void scanStartMarksUnknownAndSlowsTheTimer()
    {
        Fixture f;
        const int music = f.build.Share(f.build.Host(QStringLiteral("nas")), QStringLiteral("music"));
        f.Fill(f.settings.Media());
        f.settings.settings.markBeforeScan = true;
        f.view.OnDocumentUpdate(HintScanStarted);
        QCOMPARE(f.view.Model()->ItemImage(music), int(ShareUnknown));
        QVERIFY(f.view.IsTimerActive());
        QCOMPARE(f.view.TimerInterval(), CLanterraView::ScanInterval);
        f.view.OnDocumentUpdate(HintNewDocument);
        QCOMPARE(f.view.Model()->rowCount(), 0);
    }

    void modeSwitchKeepsTheFocus()
    {
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("nas"));
        f.build.Share(host, QStringLiteral("music"));
        const int films = f.build.Share(host, QStringLiteral("films"));
        f.Fill(f.settings.Media());
        f.view.SetFocusedShare(films);
        for (int mode : {CLanterraView::ModeDetails, CLanterraView::ModeList, CLanterraView::ModeTiles}) {
            f.view.SetViewMode(mode);
            QCOMPARE(f.view.GetViewMode(), mode);
            QCOMPARE(f.view.FocusedShare(), films);
        }
    }

    void languageChangeRetranslatesHeaders()
    {
        Fixture f;
        f.view.SetViewMode(CLanterraView::ModeDetails);
        f.Fill(f.settings.Media());
        QCOMPARE(f.view.Model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Share Name"));
        LanguageTable().Clear();
        LookupText(QStringLiteral("Columns"), 3, QStringLiteral("Freigabe"));
        LookupText(QStringLiteral("View messages"), 2, QStringLiteral("F5 drücken"));
        f.view.OnLanguageChanged();
        QCOMPARE(f.view.Model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Freigabe"));
        QCOMPARE(f.view.Model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Host Name"));
        QCOMPARE(f.view.StatusText(), QStringLiteral("F5 drücken"));
    }
};

QTEST_MAIN(ShareViewTest)
#include "tst_shareview.moc"
