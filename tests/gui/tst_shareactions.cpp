// SPDX-License-Identifier: GPL-3.0-or-later
// Open, browse and properties of the focused share, and how they are reached.
#include "guisupport.h"

#include "settings/languagetable.h"
#include "ui/commandids.h"
#include "ui/dialogs/sharepropertiesdlg.h"
#include "ui/view/lanterraview.h"
#include "ui/toolkit/plaintext.h"
#include "ui/view/sharelistmodel.h"

#include "net/neterrors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QAbstractButton>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

using namespace gui;

class ShareActionsTest : public QObject
{
    Q_OBJECT

private:
    enum CopyWay { ByKey, ByMenu, AsWindowsPath };

    struct Fixture
    {
        TestSettings settings;
        CLanterraDoc doc{&settings.settings};
        DocBuilder build{doc};
        CLanterraView view;
        std::shared_ptr<RecordingLauncher> launcher = std::make_shared<RecordingLauncher>();
        int music = -1;
        int films = -1;

        Fixture()
        {
            view.SetDocument(&doc);
            view.SetLauncher(launcher);
            view.resize(500, 400);
            HostRecord *nas = build.Host(QStringLiteral("nas"), QStringLiteral("HOME"));
            music = build.Share(nas, QStringLiteral("My Music"));
            films = build.Share(build.Host(QString(), QStringLiteral("HOME"), QStringLiteral("10.0.0.5")),
                                QStringLiteral("films"));
            view.RebuildList(settings.Media());
            while (view.IsTimerActive())
                view.UpdateTick();
        }

        void DoubleClickEmptyPart(Qt::KeyboardModifiers modifiers = {})
        {
            QWidget *viewport = view.ItemView()->viewport();
            const QPoint empty(viewport->width() - 5, viewport->height() - 5);
            QVERIFY(!view.ItemView()->indexAt(empty).isValid());
            QTest::mouseDClick(viewport, Qt::LeftButton, modifiers, empty);
        }
    };

    // Closes the next properties dialog once it runs, remembering what it showed.
    void CloseNextPropertiesDialog()
    {
        m_seen.clear();
        QTimer::singleShot(0, this, [this] {
            auto *dialog = qobject_cast<CSharePropertiesDlg *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_seen << dialog->windowTitle();
            for (int id : {1126, 1004, 1005, 1006, 1007})
                m_seen << static_cast<QLineEdit *>(dialog->Control(id))->text();
            dialog->reject();
        });
    }
    QStringList m_seen;

    // Selects exactly these shares (the focus on the last).
    static void Select(CLanterraView &view, const QList<int> &shares)
    {
        QItemSelectionModel *selection = view.ItemView()->selectionModel();
        selection->clearSelection();
        for (int share : shares)
            selection->select(view.Model()->IndexOfShare(share),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(view.Model()->IndexOfShare(shares.last()), QItemSelectionModel::NoUpdate);
    }

    // Answers the next question box with `answer`, remembering its title and text.
    void AnswerNextQuestion(QMessageBox::StandardButton answer)
    {
        m_seen.clear();
        QTimer::singleShot(0, this, [this, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            m_seen << box->windowTitle() << box->text();
            box->button(answer)->click();
        });
    }

private slots:
    void cleanup() { LanguageTable().Clear(); }

    void doubleClickActsOnTheFocusedShare()
    {
        Fixture f;
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        f.view.SetFocusedShare(f.music);
        f.DoubleClickEmptyPart();
        QCOMPARE(f.launcher->opened, QList<QUrl>{QUrl(QStringLiteral("smb://nas/My Music"))});
        QVERIFY(f.launcher->programs.isEmpty());

        // Ctrl browses even with open as the default action.
        f.DoubleClickEmptyPart(Qt::ControlModifier);
        QCOMPARE(f.launcher->programs, QStringList{"/usr/bin/filebrowser"});
        QCOMPARE(f.launcher->argumentLists.value(0), (QStringList{"/O", "/L=smb://nas/My%20Music"}));
        QCOMPARE(f.launcher->opened.size(), 1);

        // Alt shows the properties.
        CloseNextPropertiesDialog();
        f.DoubleClickEmptyPart(Qt::AltModifier);
        QCOMPARE(m_seen, (QStringList{"Share Properties", "My Music", "nas", "HOME", "\\\\nas\\My Music",
                                      "smb://nas/My%20Music"}));
        QCOMPARE(f.launcher->opened.size(), 1);
        QCOMPARE(f.launcher->programs.size(), 1);
    }

    void enterFollowsTheSameRule()
    {
        Fixture f;
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        f.view.SetFocusedShare(f.films);
        f.view.ItemView()->setFocus();
        QTest::keyClick(f.view.ItemView(), Qt::Key_Return);
        // A host known only by its address opens by the address.
        QCOMPARE(f.launcher->opened, QList<QUrl>{QUrl(QStringLiteral("smb://10.0.0.5/films"))});
        CloseNextPropertiesDialog();
        QTest::keyClick(f.view.ItemView(), Qt::Key_Return, Qt::AltModifier);
        QCOMPARE(m_seen.value(2), QStringLiteral("10.0.0.5"));
    }

    void browseByDefault()
    {
        Fixture f;
        f.settings.settings.browseByDefault = true;
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        f.view.SetFocusedShare(f.music);
        f.DoubleClickEmptyPart();
        QCOMPARE(f.launcher->programs.size(), 1);
        QVERIFY(f.launcher->opened.isEmpty());

        std::unique_ptr<QMenu> menu(f.view.CreateContextMenu(nullptr));
        QVERIFY(menu);
        QCOMPARE(menu->defaultAction()->text(), QStringLiteral("Browse"));
        // "&Open" still opens.
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 8);
        QCOMPARE(actions[0]->text(), QStringLiteral("&Open"));
        QCOMPARE(actions[4]->text(), QStringLiteral("&Copy Address"));
        QCOMPARE(actions[5]->text(), QStringLiteral("Copy as &Windows Path"));
        QCOMPARE(actions[7]->text(), QStringLiteral("&Properties"));
        actions[0]->trigger();
        QCOMPARE(f.launcher->opened.size(), 1);
    }

    void contextMenu()
    {
        Fixture f;
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        // No focused item: no menu. (Qt gives a list that gains the
        // keyboard focus a current item; take it away again.)
        f.view.ItemView()->setCurrentIndex(QModelIndex());
        QCOMPARE(f.view.FocusedShare(), -1);
        QVERIFY(!f.view.CreateContextMenu(nullptr));
        f.view.ShowContextMenu(QPoint(10, 10));
        QVERIFY(!QApplication::activePopupWidget());

        f.view.SetFocusedShare(f.films);
        LookupText(QStringLiteral("Share Context Menu"), Cmd::ShareBrowse, QStringLiteral("Durchsuchen"));
        std::unique_ptr<QMenu> menu(f.view.CreateContextMenu(nullptr));
        QCOMPARE(menu->defaultAction()->text(), QStringLiteral("&Open"));
        QCOMPARE(menu->actions()[2]->text(), QStringLiteral("Durchsuchen"));
        menu->actions()[2]->trigger();
        QCOMPARE(f.launcher->argumentLists.value(0), (QStringList{"/O", "/L=smb://10.0.0.5/films"}));

        f.view.ShowContextMenu(QPoint(10, 10));
        QMenu *shown = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(shown);
        shown->close();
    }

    void contextMenuFromTheKeyboardOpensAtTheFocusedShare()
    {
        Fixture f;
        f.view.move(200, 150);
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QCursor::setPos(5, 5);
        const QRect window(f.view.mapToGlobal(QPoint(0, 0)), f.view.size());
        if (window.contains(QCursor::pos()))
            QSKIP("the pointer cannot be moved out of the window here");
        f.view.SetFocusedShare(f.films);
        QAbstractItemView *items = f.view.ItemView();
        const QRect item(items->viewport()->mapToGlobal(items->visualRect(items->currentIndex()).topLeft()),
                         items->visualRect(items->currentIndex()).size());
        QVERIFY(item.isValid());
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
        QApplication::sendEvent(items->viewport(), &key);
        QMenu *shown = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(shown);
        QVERIFY2(item.contains(shown->pos()),
                 qPrintable(QStringLiteral("menu at %1,%2").arg(shown->x()).arg(shown->y())));
        shown->close();
    }

    void filesShareProperties()
    {
        Fixture f;
        f.view.SetFocusedShare(f.films);
        LookupText(QStringLiteral("Share Properties"), 1151, QStringLiteral("Rechner :"));
        LookupText(QStringLiteral("Share Properties"), CSharePropertiesDlg::TemplateId, QStringLiteral("Freigabe"));
        QStringList captions;
        QTimer::singleShot(0, [&captions] {
            auto *dialog = qobject_cast<CSharePropertiesDlg *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            captions << dialog->windowTitle() << static_cast<QLabel *>(dialog->Control(1151))->text();
            QVERIFY(!dialog->Control(10)->isEnabled()); // Apply: nothing to apply
            dialog->reject();
        });
        QVERIFY(f.view.OnCommand(Cmd::ShareProperties));
        QCOMPARE(captions, (QStringList{"Freigabe", "Rechner :"}));
    }

    // Share Properties shows each field whole, the long percent-encoded
    // address too, with a larger font as well.
    void propertiesShowWholeFields_data()
    {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("usual font") << 9;
        QTest::newRow("larger font") << 16;
    }

    void propertiesShowWholeFields()
    {
        QFETCH(int, pointSize);
        CSharePropertiesDlg dialog;
        QFont font = dialog.font();
        font.setPointSize(pointSize);
        dialog.setFont(font);
        dialog.shareName = QString::fromUtf8("Übersicht Filme 2026");
        dialog.hostName = QStringLiteral("mediaserver");
        dialog.workgroup = QStringLiteral("HOME");
        dialog.address = QString::fromUtf8("\\\\mediaserver\\Übersicht Filme 2026");
        dialog.url = ShareAddressFromUnc(dialog.address);
        dialog.InitDialog();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (int id : {1126, 1004, 1005, 1006, 1007}) {
            auto *edit = static_cast<QLineEdit *>(dialog.Control(id));
            const int text = edit->fontMetrics().horizontalAdvance(edit->text());
            QVERIFY2(edit->width() > text,
                     qPrintable(
                         QStringLiteral("%1: %2 px for %3 px of text").arg(edit->text()).arg(edit->width()).arg(text)));
        }
    }

    // --- addresses, and several shares at once ------------------------------------

    // Ctrl+C and "Copy Address" copy the selected shares' addresses, one a
    // line, in list order, as smb:// addresses a file manager's location
    // bar and a shell take; "Copy as Windows Path" copies them as the
    // network names them. No direction marks of the list's display, nothing
    // hidden written out.
    void copyAddresses_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("text");
        const QString addresses =
            QStringLiteral("smb://nas/My%20Music\nsmb://10.0.0.5/films\nsmb://nas/r%E2%80%AEevil%20%231");
        const QString paths = QString::fromUtf8("\\\\nas\\My Music\n\\\\10.0.0.5\\films\n\\\\nas\\r\u202Eevil #1");
        const std::pair<const char *, int> modes[] = {{"details", CLanterraView::ModeDetails},
                                                      {"tiles", CLanterraView::ModeTiles},
                                                      {"list", CLanterraView::ModeList}};
        for (const auto &[name, mode] : modes) {
            QTest::addRow("%s, Ctrl+C", name) << mode << int(ByKey) << addresses;
            QTest::addRow("%s, context menu", name) << mode << int(ByMenu) << addresses;
            QTest::addRow("%s, as Windows path", name) << mode << int(AsWindowsPath) << paths;
        }
    }

    void copyAddresses()
    {
        QFETCH(int, mode);
        QFETCH(int, how);
        QFETCH(QString, text);
        Fixture f;
        const int odd = f.build.Share(f.build.Host(QStringLiteral("nas"), QStringLiteral("HOME")),
                                      QString::fromUtf8("r\u202Eevil #1"));
        f.view.RebuildList(f.settings.Media());
        while (f.view.IsTimerActive())
            f.view.UpdateTick();
        f.view.SetViewMode(mode);
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QGuiApplication::clipboard()->clear();
        Select(f.view, {odd, f.music, f.films});
        if (how == ByKey) {
            f.view.ItemView()->setFocus();
            QTest::keyClick(f.view.ItemView(), Qt::Key_C, Qt::ControlModifier);
        } else {
            std::unique_ptr<QMenu> menu(f.view.CreateContextMenu(nullptr));
            QAction *copy = menu->actions().value(how == ByMenu ? 4 : 5);
            QCOMPARE(copy->text(),
                     how == ByMenu ? QStringLiteral("&Copy Address") : QStringLiteral("Copy as &Windows Path"));
            QVERIFY(copy->isEnabled());
            copy->trigger();
        }
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        // List order: Music (My Music), then Other (films, then the odd one).
        QCOMPARE(data->text(), text);
        QCOMPARE(data->data(QStringLiteral("text/uri-list")),
                 QByteArray("smb://nas/My%20Music\r\nsmb://10.0.0.5/films\r\nsmb://nas/r%E2%80%AEevil%20%231\r\n"));
        QVERIFY(!data->text().contains(QChar(0x2068)) && !data->text().contains(QChar(0x2069)));
    }

    // A host that needs a login is no share: alone it copies nothing, among
    // shares it is passed over.
    void hostEntriesAreNoShares()
    {
        Fixture f;
        HostRecord *locked = f.build.Host(QStringLiteral("locked"), QStringLiteral("HOME"));
        locked->lastState = int(NetError::AccessDenied);
        f.view.RebuildList(f.settings.Media());
        while (f.view.IsTimerActive())
            f.view.UpdateTick();
        CShareListModel *model = f.view.Model();
        QCOMPARE(model->EntryCount(), 1);
        QModelIndex entry;
        for (int row = 0; row < model->rowCount() && !entry.isValid(); ++row)
            if (model->index(row, 0).data(CShareListModel::EntrySlotRole).toInt() >= 0)
                entry = model->index(row, 0);
        QItemSelectionModel *selection = f.view.ItemView()->selectionModel();
        selection->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
        QVERIFY(f.view.ActedShares().isEmpty());
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QVERIFY(!f.view.OnCommand(Cmd::EditCopy));
        QTest::keyClick(f.view.ItemView(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        std::unique_ptr<QMenu> menu(f.view.CreateContextMenu(nullptr));
        QVERIFY(!menu->actions().value(4)->isEnabled());

        selection->select(model->IndexOfShare(f.films), QItemSelectionModel::Select);
        QCOMPARE(f.view.ActedShares(), QList<int>{f.films});
        QVERIFY(f.view.OnCommand(Cmd::EditCopy));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("smb://10.0.0.5/films"));
        QVERIFY(f.view.OnCommand(Cmd::ShareOpen));
        QCOMPARE(f.launcher->opened, QList<QUrl>{QUrl(QStringLiteral("smb://10.0.0.5/films"))});
    }

    // Open and Browse take every selected share; more than ten make Open
    // ask once first.
    void severalShares_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("acted");
        QTest::newRow("open 3") << 3 << int(Cmd::ShareOpen) << 0 << 3;
        QTest::newRow("browse 3") << 3 << int(Cmd::ShareBrowse) << 0 << 3;
        QTest::newRow("open 10, no question") << 10 << int(Cmd::ShareOpen) << 0 << 10;
        QTest::newRow("open 11, yes") << 11 << int(Cmd::ShareOpen) << int(QMessageBox::Yes) << 11;
        QTest::newRow("open 11, no") << 11 << int(Cmd::ShareOpen) << int(QMessageBox::No) << 0;
        QTest::newRow("browse 12, no") << 12 << int(Cmd::ShareBrowse) << int(QMessageBox::No) << 0;
    }

    void severalShares()
    {
        QFETCH(int, count);
        QFETCH(int, command);
        QFETCH(int, answer);
        QFETCH(int, acted);
        Fixture f;
        HostRecord *host = f.build.Host(QStringLiteral("srv"), QStringLiteral("HOME"));
        QList<int> shares;
        for (int i = 0; i < count; ++i)
            shares.append(f.build.Share(host, QStringLiteral("s%1").arg(i, 2, 10, QLatin1Char('0'))));
        f.view.RebuildList(f.settings.Media());
        while (f.view.IsTimerActive())
            f.view.UpdateTick();
        Select(f.view, shares);
        if (answer)
            AnswerNextQuestion(QMessageBox::StandardButton(answer));
        else
            m_seen.clear();
        QVERIFY(f.view.OnCommand(command));
        QCOMPARE(m_seen.size(), answer ? 2 : 0); // asked once, or not at all
        if (answer) {
            QCOMPARE(m_seen[0], AppTitle());
            QVERIFY2(m_seen[1].contains(QString::number(count)), qPrintable(m_seen[1]));
        }
        QStringList expected;
        for (int i = 0; i < acted; ++i)
            expected.append(QStringLiteral("smb://srv/s%1").arg(i, 2, 10, QLatin1Char('0')));
        QStringList got;
        if (command == Cmd::ShareOpen) {
            for (const QUrl &url : std::as_const(f.launcher->opened))
                got.append(url.toString());
        } else {
            for (const QStringList &arguments : std::as_const(f.launcher->argumentLists))
                got.append(arguments.value(1).mid(3)); // "/L=..."
        }
        QCOMPARE(got, expected);
    }

    void browseArguments_data()
    {
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("default") << "/O /L=\"%s\"" << "\\\\nas\\My Music" << QStringList{"/O", "/L=\\\\nas\\My Music"};
        QTest::newRow("only the first") << "%s %s" << "p" << QStringList{"p", "%s"};
        QTest::newRow("other percents") << "--x=%n %d%% %s" << "p" << QStringList{"--x=%n", "%d%%", "p"};
        QTest::newRow("quotes in the path") << "%s" << "a\" --evil \"b" << QStringList{"a\" --evil \"b"};
        QTest::newRow("no placeholder") << "--new-window" << "p" << QStringList{"--new-window"};
        QTest::newRow("empty") << "" << "p" << QStringList{};
    }

    void browseArguments()
    {
        QFETCH(QString, parameters);
        QFETCH(QString, path);
        QFETCH(QStringList, arguments);
        QCOMPARE(BrowseArguments(parameters, path), arguments);
    }

    void shareUrls()
    {
        QCOMPARE(ShareUrlFromUnc(QStringLiteral("\\\\nas\\My Music")).toString(), QStringLiteral("smb://nas/My Music"));
        QCOMPARE(ShareUrlFromUnc(QStringLiteral("\\\\10.0.0.5\\C$")).toString(), QStringLiteral("smb://10.0.0.5/C$"));
        QCOMPARE(ShareUrlFromUnc(QStringLiteral("\\\\nas\\a#b")).path(), QStringLiteral("/a#b"));
        QVERIFY(!ShareUrlFromUnc(QStringLiteral("nas\\music")).isValid());
        QVERIFY(!ShareUrlFromUnc(QStringLiteral("\\\\\\music")).isValid());
    }
};

QTEST_MAIN(ShareActionsTest)
#include "tst_shareactions.moc"
