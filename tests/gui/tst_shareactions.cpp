// SPDX-License-Identifier: GPL-3.0-or-later
// Open, browse and properties of the focused share, and how they are reached.
#include "guisupport.h"

#include "settings/languagetable.h"
#include "ui/commandids.h"
#include "ui/dialogs/sharepropertiesdlg.h"
#include "ui/view/lanterraview.h"
#include "ui/view/sharelistmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
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
            for (int id : {1126, 1004, 1005})
                m_seen << static_cast<QLineEdit *>(dialog->Control(id))->text();
            dialog->reject();
        });
    }
    QStringList m_seen;

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
        QCOMPARE(m_seen, (QStringList{"Share Properties", "My Music", "nas", "HOME"}));
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
        QCOMPARE(actions.size(), 5);
        QCOMPARE(actions[0]->text(), QStringLiteral("&Open"));
        QCOMPARE(actions[4]->text(), QStringLiteral("&Properties"));
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
