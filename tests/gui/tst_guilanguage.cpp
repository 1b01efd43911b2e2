// SPDX-License-Identifier: GPL-3.0-or-later
// The window in the language chosen: Qt's own texts (message boxes, file
// dialogs, shortcut names) and our texts outside the dialogs (the tray's
// window menu, the sweep part of the status bar) follow a language change.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "net/memorynetwork.h"
#include "settings/languagetable.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"
#include "ui/frame/trayicon.h"
#include "ui/toolkit/menubar.h"
#include "ui/view/lanterraview.h"
#include "ui/view/shareitemdelegate.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace gui;

class LanguagesTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        TestSettings settings;
        CLanterraApp app{&settings.settings};
        std::unique_ptr<CMainFrame> frame;

        Fixture()
        {
            app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
            app.OnFileNew();
            settings.settings.language = QStringLiteral("English");
            ScanLanguages(settings.settings);
            frame = std::make_unique<CMainFrame>(&app, &settings.settings);
        }
        ~Fixture()
        {
            app.document().HaltScan();
            frame.reset();
            SelectBuiltInLanguage(settings.settings);
        }
        void Choose(const QString &folder)
        {
            for (int i = 0; i < settings.settings.languages.size(); ++i)
                if (settings.settings.languages[i].folder == folder)
                    return SelectLanguage(settings.settings, i);
            QFAIL(qPrintable(folder + QStringLiteral(": no such language file")));
        }
    };

    static QString Plain(QString text) { return text.remove(u'&'); }

private slots:
    void messageBoxButtons_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        const struct
        {
            QMessageBox::StandardButton button;
            const char *english;
            const char *german;
        } buttons[] = {
            {QMessageBox::Ok, "OK", "OK"},
            {QMessageBox::Cancel, "Cancel", "Abbrechen"},
            {QMessageBox::Yes, "Yes", "Ja"},
            {QMessageBox::No, "No", "Nein"},
            {QMessageBox::Save, "Save", "Speichern"},
            {QMessageBox::Close, "Close", "Schließen"},
        };
        for (const auto &b : buttons) {
            QTest::addRow("German %s", b.english) << "German" << int(b.button) << QString::fromUtf8(b.german);
            QTest::addRow("English %s", b.english) << "English" << int(b.button) << QString::fromUtf8(b.english);
        }
    }
    void messageBoxButtons()
    {
        QFETCH(QString, language);
        QFETCH(int, button);
        QFETCH(QString, text);
        Fixture f;
        f.Choose(QStringLiteral("German"));
        if (language == QLatin1String("English"))
            SelectBuiltInLanguage(f.settings.settings);
        QMessageBox box(QMessageBox::Question, QStringLiteral("Brevant Lanterra"), QStringLiteral("?"),
                        QMessageBox::StandardButton(button), f.frame.get());
        QCOMPARE(Plain(box.button(QMessageBox::StandardButton(button))->text()), text);
    }

    void fileDialogIsGerman()
    {
        Fixture f;
        f.Choose(QStringLiteral("German"));
        QFileDialog dialog(f.frame.get());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        QCOMPARE(Plain(buttons->button(QDialogButtonBox::Open)->text()), QStringLiteral("Öffnen"));
        QCOMPARE(Plain(buttons->button(QDialogButtonBox::Cancel)->text()), QStringLiteral("Abbrechen"));
        const QStringList labels = {Plain(dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"))->text()),
                                    Plain(dialog.findChild<QLabel *>(QStringLiteral("fileNameLabel"))->text()),
                                    Plain(dialog.findChild<QLabel *>(QStringLiteral("fileTypeLabel"))->text())};
        QCOMPARE(labels, (QStringList{"Suchen in:", "Dateiname:", "Dateien des Typs:"}));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        QCOMPARE(Plain(buttons->button(QDialogButtonBox::Save)->text()), QStringLiteral("Speichern"));
    }

    // The tray's window menu, the menu bar's window menu and the shortcuts
    // of the main menu, in German and back in English.
    void windowMenusAndShortcuts_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("windowMenu");
        QTest::addColumn<QString>("fileNew");
        QTest::newRow("German") << "German" << QStringList{"&Wiederherstellen", "&Verschieben", "&Größe ändern",
                                                           "Mi&nimieren",       "Ma&ximieren",  "-",
                                                           "&Schließen\tAlt+F4"}
                                << "&Neues Netzwerk\tStrg+N";
        QTest::newRow("English") << "English" << QStringList{"&Restore",  "&Move", "&Size",         "Mi&nimize",
                                                             "Ma&ximize", "-",     "&Close\tAlt+F4"}
                                 << "&New Network\tCtrl+N";
    }
    void windowMenusAndShortcuts()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, windowMenu);
        QFETCH(QString, fileNew);
        Fixture f;
        f.Choose(QStringLiteral("German"));
        if (language == QLatin1String("English"))
            SelectBuiltInLanguage(f.settings.settings);
        QStringList texts;
        for (QAction *action : f.frame->TrayIcon()->PrepareWindowMenu(f.frame.get())->actions())
            texts.append(ShownMenuText(action));
        QCOMPARE(texts, windowMenu);
        CMenuBar *menu = f.frame->MenuBar();
        QMenu *file = menu->PopupAt(0);
        menu->PrepareMenu(file);
        QCOMPARE(ShownMenuText(file->actions()[0]), fileNew);
        QCOMPARE(WindowMenuText(WindowMenuClose), windowMenu.last());
    }

    // A host that wants a login says so whole in Tiles and in List, in
    // German too ("Anmeldung nötig" was cut to "Anmeldun…").
    void loginNeededFitsInTilesAndList_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("German") << "German";
        QTest::newRow("English") << "English";
    }
    void loginNeededFitsInTilesAndList()
    {
        QFETCH(QString, language);
        Fixture f;
        f.Choose(QStringLiteral("German"));
        if (language == QLatin1String("English"))
            SelectBuiltInLanguage(f.settings.settings);
        const QString state = CLanterraView::LoginNeededText();
        QCOMPARE(state, language == QLatin1String("German") ? QStringLiteral("Anmeldung nötig")
                                                            : QStringLiteral("login needed"));
        CLanterraView *view = f.frame->View();
        const QFontMetrics metrics = view->ItemView()->fontMetrics();
        const QStyleOptionViewItem option;

        // Tiles: the state has the line beside the picture to itself.
        view->SetViewMode(ModeTiles);
        auto *delegate = qobject_cast<CShareItemDelegate *>(view->ItemView()->itemDelegate());
        QVERIFY(delegate);
        const int tileText = delegate->sizeHint(option, QModelIndex()).width() - 2 - 32 - 5 - 2;
        QVERIFY2(metrics.horizontalAdvance(state) <= tileText, qPrintable(QString::number(tileText)));

        // List: the host name gives way, the state stays whole.
        view->SetViewMode(ModeList);
        delegate = qobject_cast<CShareItemDelegate *>(view->ItemView()->itemDelegate());
        const int listText = delegate->sizeHint(option, QModelIndex()).width() - 2 - 16 - 5 - 2;
        for (const QString &host : {QStringLiteral("nas"), QStringLiteral("FILESERVER-BASEMENT")}) {
            const QString line = CShareItemDelegate::EntryLine(metrics, host, state, listText);
            QVERIFY2(line.endsWith(QStringLiteral(": ") + state), qPrintable(line));
            QVERIFY2(metrics.horizontalAdvance(line) <= listText, qPrintable(line));
        }
        QCOMPARE(CShareItemDelegate::EntryLine(metrics, QStringLiteral("nas"), state, listText),
                 QStringLiteral("nas: ") + state);
        // A state longer than the line: the host stays, the state gives way.
        const QString moved = state + QStringLiteral(": now answers at 192.168.100.200, was 192.168.100.100");
        for (const QString &host : {QStringLiteral("nas"), QStringLiteral("FILESERVER-BASEMENT")}) {
            const QString line = CShareItemDelegate::EntryLine(metrics, host, moved, listText);
            QVERIFY2(line.startsWith(host.left(3)), qPrintable(line));
            QVERIFY2(metrics.horizontalAdvance(line) <= listText, qPrintable(line));
        }
        QVERIFY(CShareItemDelegate::EntryLine(metrics, QStringLiteral("nas"), moved, listText)
                    .startsWith(QStringLiteral("nas: ") + state.left(3)));
        // So does the entry of a host that speaks only SMB1.
        const QString smb1 = CShareListUpdater::Smb1EntryText();
        QCOMPARE(smb1, language == QLatin1String("German") ? QStringLiteral("spricht nur das alte SMB1-Protokoll")
                                                           : QStringLiteral("speaks only the old SMB1 protocol"));
        for (const QString &host : {QStringLiteral("nas"), QStringLiteral("FILESERVER-BASEMENT")}) {
            const QString line = CShareItemDelegate::EntryLine(metrics, host, smb1, listText);
            QVERIFY2(line.startsWith(host.left(3)), qPrintable(line));
            QVERIFY2(metrics.horizontalAdvance(line) <= listText, qPrintable(line));
        }
        QVERIFY(CShareListUpdater::Smb1HintText(QStringLiteral("nas")).startsWith(QStringLiteral("nas ")));
    }

    void sweepPaneIsGerman()
    {
        Fixture f;
        f.Choose(QStringLiteral("German"));
        // 500 addresses of a network in memory that never answer.
        auto network = std::make_shared<CMemoryNetwork>();
        CMemoryNetwork::Server silent;
        silent.reachable = false;
        for (int i = 1; i <= 500; ++i)
            network->SetServer(QStringLiteral("10.9.%1.%2").arg(i / 256).arg(i % 256), silent);
        network->SetSweepCapacity(10);
        CLanterraDoc &doc = f.app.document();
        doc.SetNetwork(network);
        doc.rules().searchNetAll = 0;
        doc.rules().searchHostByList = 1;
        doc.rules().hosts = {QStringLiteral("10.9.0.1-10.9.1.244")};
        f.frame->show();
        doc.StartScan();
        QLabel *pane = f.frame->SweepPane();
        QTRY_VERIFY_WITH_TIMEOUT(pane->isVisible(), 5000);
        // Ten at a time is narrower than the sweep's usual width.
        QVERIFY2(pane->text().endsWith(QStringLiteral("/500 Adressen, nur 10 gleichzeitig (Grenze offener Dateien)")),
                 qPrintable(pane->text()));
        doc.StopScan();
    }
};

QTEST_MAIN(LanguagesTest)
#include "tst_guilanguage.moc"
