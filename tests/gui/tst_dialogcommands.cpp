// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands that open the dialogs, and what the window does
// with their results.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "net/memorynetwork.h"
#include "settings/languagetable.h"
#include "ui/commandids.h"
#include "ui/dialogs/aboutdlg.h"
#include "ui/dialogs/productinfo.h"
#include "ui/dialogs/preferencesdlg.h"
#include "ui/dialogs/scanoptionsdlg.h"
#include "ui/dialogs/schemeadvanceddlg.h"
#include "ui/dialogs/schemeseditordlg.h"
#include "ui/frame/mainframe.h"
#include "ui/toolkit/menubar.h"
#include "ui/view/lanterraview.h"
#include "ui/view/sharelistmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace gui;

namespace {

struct Fixture
{
    TestSettings settings;
    CLanterraApp app{&settings.settings};

    Fixture()
    {
        app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
        app.OnFileNew();
        app.document().SetNetwork(std::make_shared<CMemoryNetwork>());
    }
    ~Fixture() { app.document().HaltScan(); }
};

// Runs `step` on the dialog the command opens, once it is up.
template <class Dialog> bool RunCommand(CMainFrame &frame, int command, std::function<void(Dialog &)> step)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            seen = true;
            step(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        }
    });
    const bool handled = frame.RouteCommand(command);
    return handled && seen;
}

template <class T> T *C(QWidget &dialog, int id)
{
    return dialog.findChild<T *>(QStringLiteral("control%1").arg(id));
}

} // namespace

class TestDialogCommands : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { LanguageTable().Clear(); }

    void scanOptionsStoresTheRulesAndSavesTheDocument()
    {
        Fixture f;
        const QString path = f.settings.dir.filePath(QStringLiteral("office.net"));
        QVERIFY(f.app.OnFileSaveAs(path));
        const QDateTime before = QFileInfo(path).lastModified();
        CMainFrame frame(&f.app, &f.settings.settings);
        QTest::qWait(20);
        QVERIFY(RunCommand<CScanOptionsDlg>(frame, Cmd::ScanOptions, [](CScanOptionsDlg &dialog) {
            C<QCheckBox>(dialog, CScanOptionsDlg::IdHostsByList)->click();
            C<QPlainTextEdit>(dialog, CScanOptionsDlg::IdHostsEdit)->setPlainText(QStringLiteral("10.9.0.1-10.9.0.5"));
            C<QPushButton>(dialog, CScanOptionsDlg::IdOk)->click();
        }));
        QCOMPARE(f.app.document().rules().searchHostByList, 1);
        QCOMPARE(f.app.document().rules().hosts, QStringList{QStringLiteral("10.9.0.1-10.9.0.5")});
        QVERIFY(QFileInfo(path).lastModified() >= before);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf16(reinterpret_cast<const char16_t *>(file.readAll().constData() + 2))
                    .contains(QStringLiteral("10.9.0.1-10.9.0.5")));

        // Cancel stores nothing.
        QVERIFY(RunCommand<CScanOptionsDlg>(frame, Cmd::ScanOptions, [](CScanOptionsDlg &dialog) {
            C<QPlainTextEdit>(dialog, CScanOptionsDlg::IdHostsEdit)->setPlainText(QStringLiteral("other"));
            C<QPushButton>(dialog, CDialogBase::IdCancel)->click();
        }));
        QCOMPARE(f.app.document().rules().hosts, QStringList{QStringLiteral("10.9.0.1-10.9.0.5")});
    }

    void theSchemeCommandsOpenTheEditorAndRenamesReachTheSchemeBox()
    {
        Fixture f;
        CMainFrame frame(&f.app, &f.settings.settings);
        for (int command : {int(Cmd::EditScheme), int(Cmd::SchemeButton)})
            QVERIFY(RunCommand<CSchemesEditorDlg>(frame, command, [](CSchemesEditorDlg &) {}));
        // Duplicating fills the box again.
        QVERIFY(RunCommand<CSchemesEditorDlg>(frame, Cmd::EditScheme, [](CSchemesEditorDlg &dialog) {
            dialog.runNameDialog = [](QString &, bool) { return true; };
            dialog.OnDuplicate();
        }));
        QCOMPARE(frame.SchemeBox()->count(), 3);
        QCOMPARE(frame.SchemeBox()->itemText(2), QStringLiteral("Media (2)"));
        QCOMPARE(frame.SchemeBox()->currentIndex(), 0);
    }

    void theListFollowsTheSchemeBoxAfterASchemeAboveItWasRemoved()
    {
        Fixture f;
        CSettings &s = f.settings.settings;
        for (const QString &name : {QStringLiteral("Music resources"), QStringLiteral("Install")})
            s.AddScheme(name);
        s.selectedScheme = 2; // Media, Hosts, Music resources, Install
        DocBuilder doc(f.app.document());
        doc.Share(doc.Host(QStringLiteral("nas")), QStringLiteral("music"));
        CMainFrame frame(&f.app, &s);
        CLanterraView *view = frame.View();
        QCOMPARE(frame.SchemeBox()->currentText(), QStringLiteral("Music resources"));
        QCOMPARE(view->Updater().Scheme(), s.GetScheme(2));
        auto shownScheme = [&] { return view->Updater().Scheme() ? view->Updater().Scheme()->name : QString(); };

        // Apply on the main window's scheme, now one place higher.
        QVERIFY(RunCommand<CSchemesEditorDlg>(frame, Cmd::EditScheme, [&](CSchemesEditorDlg &dialog) {
            dialog.ask = [](const QString &) { return CSchemesEditorDlg::Yes; };
            auto *combo = C<QComboBox>(dialog, CSchemesEditorDlg::IdSchemeCombo);
            combo->setCurrentIndex(0);
            dialog.OnRemoveScheme();
            combo->setCurrentIndex(1);
            QCOMPARE(combo->currentText(), QStringLiteral("Music resources"));
            C<QCheckBox>(dialog, CSchemesEditorDlg::IdOnlineFirst)->click();
            C<QPushButton>(dialog, CDialogBase::IdApply)->click();
            QTRY_COMPARE(shownScheme(), QStringLiteral("Music resources"));
        }));
        QCOMPARE(frame.SchemeBox()->currentText(), QStringLiteral("Music resources"));
        QCOMPARE(shownScheme(), QStringLiteral("Music resources"));

        // Ok after a change to another scheme.
        QVERIFY(RunCommand<CSchemesEditorDlg>(frame, Cmd::EditScheme, [&](CSchemesEditorDlg &dialog) {
            dialog.ask = [](const QString &) { return CSchemesEditorDlg::Yes; };
            auto *combo = C<QComboBox>(dialog, CSchemesEditorDlg::IdSchemeCombo);
            combo->setCurrentIndex(0);
            dialog.OnRemoveScheme();
            combo->setCurrentIndex(1);
            QCOMPARE(combo->currentText(), QStringLiteral("Install"));
            C<QCheckBox>(dialog, CSchemesEditorDlg::IdGroupByHost)->click();
            C<QPushButton>(dialog, CDialogBase::IdOk)->click();
        }));
        QCOMPARE(frame.SchemeBox()->currentText(), QStringLiteral("Music resources"));
        QCOMPARE(s.selectedScheme, 0);
        QCOMPARE(shownScheme(), QStringLiteral("Music resources"));
        QTest::qWait(20); // nothing queued brings another scheme back
        QCOMPARE(shownScheme(), QStringLiteral("Music resources"));
    }

    void advancedThenCancelRebuildsTheList()
    {
        Fixture f;
        DocBuilder doc(f.app.document());
        HostRecord *nas = doc.Host(QStringLiteral("nas"));
        doc.Share(nas, QStringLiteral("music"));
        doc.Share(nas, QStringLiteral("backup$"));
        CMainFrame frame(&f.app, &f.settings.settings);
        CShareListModel *model = frame.View()->Model();
        QTRY_COMPARE(model->ItemCount(), 1);
        bool advancedSeen = false;
        QVERIFY(RunCommand<CSchemesEditorDlg>(frame, Cmd::EditScheme, [&](CSchemesEditorDlg &dialog) {
            QTimer::singleShot(0, [&] {
                auto *advanced = qobject_cast<CSchemeAdvancedDlg *>(QApplication::activeModalWidget());
                if (!advanced)
                    return;
                advancedSeen = true;
                C<QCheckBox>(*advanced, CSchemeAdvancedDlg::IdShowHidden)->click();
                C<QPushButton>(*advanced, CDialogBase::IdOk)->click();
            });
            C<QPushButton>(dialog, CSchemesEditorDlg::IdAdvanced)->click();
            C<QPushButton>(dialog, CDialogBase::IdCancel)->click();
        }));
        QVERIFY(advancedSeen);
        QCOMPARE(f.settings.Media()->showHiddenShares, 1);
        QTRY_COMPARE(model->ItemCount(), 2);
    }

    void preferencesApplyShowsItselfDisabledAfterATaskbarChange()
    {
        Fixture f;
        f.settings.settings.showOnTaskBar = true;
        CMainFrame frame(&f.app, &f.settings.settings);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(RunCommand<CPreferencesDlg>(frame, Cmd::Preferences, [&](CPreferencesDlg &dialog) {
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            auto *apply = C<QPushButton>(dialog, CDialogBase::IdApply);
            auto *taskbar = C<QCheckBox>(dialog, CPreferencesDlg::IdTaskbar);
            // What the window shows of the button, against the button as it is.
            auto shown = [&] {
                return dialog.screen()
                    ->grabWindow(dialog.winId(), apply->x(), apply->y(), apply->width(), apply->height())
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            };
            auto drawn = [&] { return apply->grab().toImage().convertToFormat(QImage::Format_RGB32); };
            for (bool onTaskbar : {false, true}) {
                QTest::mouseClick(taskbar, Qt::LeftButton, {}, QPoint(6, taskbar->height() / 2));
                QVERIFY(apply->isEnabled());
                QTest::mouseClick(apply, Qt::LeftButton);
                QVERIFY(!apply->isEnabled());
                QTRY_COMPARE(f.settings.settings.showOnTaskBar, onTaskbar);
                QTRY_COMPARE(shown(), drawn());
            }
        }));
    }

    void preferencesPostsTheTaskbarCommand()
    {
        Fixture f;
        f.settings.settings.showOnTaskBar = true;
        CMainFrame frame(&f.app, &f.settings.settings);
        QVERIFY(RunCommand<CPreferencesDlg>(frame, Cmd::Preferences, [](CPreferencesDlg &dialog) {
            C<QCheckBox>(dialog, CPreferencesDlg::IdTaskbar)->click();
            C<QPushButton>(dialog, CDialogBase::IdOk)->click();
        }));
        QTRY_VERIFY(!f.settings.settings.showOnTaskBar);
    }

    void aboutAndHelp()
    {
        Fixture f;
        CMainFrame frame(&f.app, &f.settings.settings);
        QVERIFY(RunCommand<CAboutDlg>(frame, Cmd::About, [](CAboutDlg &dialog) {
            QVERIFY(C<QLabel>(dialog, CAboutDlg::IdVersion)->text().startsWith(QStringLiteral("Version: ")));
            // The licence as it is, not a reservation of every right.
            const QString notice = C<QLabel>(dialog, CAboutDlg::IdLegal2)->text();
            QVERIFY2(notice.contains(QStringLiteral("GNU General Public License, version 3 or later")),
                     qPrintable(notice));
            for (const QLabel *label : dialog.findChildren<QLabel *>())
                QVERIFY(!label->text().contains(QStringLiteral("All rights reserved")));
            // Links only to addresses the build names.
            QCOMPARE(dialog.Control(CAboutDlg::IdHomePage) != nullptr, !ProductInfo::HomePage().isEmpty());
            QCOMPARE(dialog.Control(CAboutDlg::IdSupport) != nullptr, !ProductInfo::SupportAddress().isEmpty());
        }));
        QCOMPARE(frame.MenuBar()->CommandAction(Cmd::HomePage) != nullptr, !ProductInfo::HomePage().isEmpty());
        QCOMPARE(frame.MenuBar()->CommandAction(Cmd::SendFeedback) != nullptr,
                 !ProductInfo::SupportAddress().isEmpty());
    }
};

QTEST_MAIN(TestDialogCommands)
#include "tst_dialogcommands.moc"
