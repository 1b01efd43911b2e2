// SPDX-License-Identifier: GPL-3.0-or-later
// Preferences and Program For Browsing.
#include "guisupport.h"

#include "settings/languagetable.h"
#include "ui/commandids.h"
#include "ui/dialogs/preferencesdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

using Dlg = CPreferencesDlg;

template <class T> T *C(QWidget &dialog, int id)
{
    return dialog.findChild<T *>(QStringLiteral("control%1").arg(id));
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        LanguageTable().Clear();
        qunsetenv("LANTERRA_DATA_DIR");
    }

    void withoutLanguageFilesOnlyBuiltInEnglishIsOffered()
    {
        QTemporaryDir empty;
        qputenv("LANTERRA_DATA_DIR", empty.path().toLocal8Bit());
        gui::TestSettings test;
        ScanLanguages(test.settings);
        Dlg dialog(&test.settings);
        dialog.InitDialog();
        auto *box = C<QComboBox>(dialog, Dlg::IdLanguage);
        QCOMPARE(box->count(), 1);
        QCOMPARE(box->currentText(), QStringLiteral("English (Build-In)"));
        QVERIFY(!C<QPushButton>(dialog, Dlg::IdApply)->isEnabled());
    }

    void iconLibraries()
    {
        QTemporaryDir icons;
        QFile(icons.filePath(QStringLiteral("Glass.icl"))).open(QIODevice::WriteOnly);
        QFile(icons.filePath(QStringLiteral("Flat.icl"))).open(QIODevice::WriteOnly);
        QDir(icons.path()).mkdir(QStringLiteral("Folder.icl"));
        gui::TestSettings test;
        auto open = [&](const QString &setting) {
            test.settings.iconLibrary = setting;
            auto dialog = std::make_unique<Dlg>(&test.settings);
            dialog->iconsFolder = icons.path();
            dialog->InitDialog();
            return dialog;
        };
        auto dialog = open(QStringLiteral("Glass"));
        auto *box = C<QComboBox>(*dialog, Dlg::IdIconLibrary);
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->itemText(2), QStringLiteral("Build-in Icons"));
        QCOMPARE(box->currentText(), QStringLiteral("Glass"));
        // Gone from the folder, wrong case or empty: the built-in icons.
        for (const QString &setting : {QStringLiteral("Missing"), QStringLiteral("glass"), QString()})
            QCOMPARE(C<QComboBox>(*open(setting), Dlg::IdIconLibrary)->currentIndex(), 2);

        // Choosing takes effect at once and tells the main window.
        QSignalSpy reload(dialog.get(), &Dlg::iconLibraryChanged);
        box->setCurrentIndex(0);
        QCOMPARE(test.settings.iconLibrary, QStringLiteral("Flat"));
        box->setCurrentIndex(2);
        QCOMPARE(test.settings.iconLibrary, QString());
        QCOMPARE(reload.count(), 2);
        QVERIFY(C<QPushButton>(*dialog, Dlg::IdApply)->isEnabled());
    }

    // The boxes the dialog writes itself: each shows its setting and writes
    // it at Apply.
    void checkBoxesShowAndWriteTheirSettings_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("field");
        QTest::newRow("autoLoad") << int(Dlg::IdAutoLoad) << 0;
        QTest::newRow("autoScan") << int(Dlg::IdAutoScan) << 1;
        QTest::newRow("autoSave") << int(Dlg::IdAutoSave) << 2;
        QTest::newRow("allowSmb1") << int(Dlg::IdAllowSmb1) << 3;
        QTest::newRow("markAfterLoad") << int(Dlg::IdMarkAfter) << 4;
        QTest::newRow("markBeforeScan") << int(Dlg::IdMarkBefore) << 5;
    }
    void checkBoxesShowAndWriteTheirSettings()
    {
        QFETCH(int, id);
        QFETCH(int, field);
        static constexpr bool CSettings::*Fields[] = {&CSettings::autoLoad,      &CSettings::autoScan,
                                                      &CSettings::autoSave,      &CSettings::allowSmb1,
                                                      &CSettings::markAfterLoad, &CSettings::markBeforeScan};
        gui::TestSettings test;
        bool &setting = test.settings.*Fields[field];
        for (const bool before : {false, true}) {
            setting = before;
            Dlg dialog(&test.settings);
            dialog.InitDialog();
            auto *box = C<QCheckBox>(dialog, id);
            QCOMPARE(box->isChecked(), before);
            box->click();
            QCOMPARE(setting, before); // not before Apply
            C<QPushButton>(dialog, Dlg::IdApply)->click();
            QCOMPARE(setting, !before);
        }
    }

    void trayAndTaskbarArePostedOnlyWhenChanged()
    {
        gui::TestSettings test;
        test.settings.showInTray = false;
        {
            Dlg dialog(&test.settings);
            dialog.InitDialog();
            QSignalSpy posted(&dialog, &Dlg::postCommand);
            C<QCheckBox>(dialog, Dlg::IdTray)->click();
            C<QCheckBox>(dialog, Dlg::IdAutoScan)->click();
            C<QPushButton>(dialog, Dlg::IdOk)->click();
            QCOMPARE(posted.count(), 1);
            QCOMPARE(posted[0][0].toInt(), int(Cmd::ShowInTray));
            QCOMPARE(test.settings.autoScan, true);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        test.settings.showInTray = true; // what the main window did
        Dlg again(&test.settings);
        again.InitDialog();
        QSignalSpy posted(&again, &Dlg::postCommand);
        C<QPushButton>(again, Dlg::IdOk)->click();
        QCOMPARE(posted.count(), 0);
        QCOMPARE(again.result(), int(QDialog::Rejected));
    }

    void changingTheLanguageTranslatesTheOpenDialog()
    {
        // The build's own language files, beside the test program.
        gui::TestSettings test;
        test.settings.language = QStringLiteral("English");
        ScanLanguages(test.settings);
        QVERIFY(!test.settings.languages.isEmpty());
        Dlg dialog(&test.settings);
        dialog.InitDialog();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preferences"));
        auto *box = C<QComboBox>(dialog, Dlg::IdLanguage);
        QCOMPARE(box->currentIndex(), 0);
        box->setCurrentIndex(box->findText(QStringLiteral("Deutsch")));
        QCOMPARE(test.settings.language, QStringLiteral("German"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Einstellungen"));
        QCOMPARE(C<QGroupBox>(dialog, Dlg::IdGeneral)->title(), QStringLiteral(" Allgemein "));
        QCOMPARE(C<QCheckBox>(dialog, Dlg::IdAllowSmb1)->text(),
                 QStringLiteral("Hosts auflisten, die nur SMB1 sprechen (unsicher)"));
        auto *icons = C<QComboBox>(dialog, Dlg::IdIconLibrary);
        QCOMPARE(icons->itemText(icons->count() - 1), QStringLiteral("Eingebaute Symbole"));
        QVERIFY(C<QPushButton>(dialog, Dlg::IdApply)->isEnabled());
        // And back to the built-in texts.
        box->setCurrentIndex(0);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preferences"));
        QCOMPARE(test.settings.language, QStringLiteral("English"));
    }

    void programForBrowsing()
    {
        gui::TestSettings test;
        CProgramDlg dialog(&test.settings);
        dialog.InitDialog();
        auto *parameters = C<QLineEdit>(dialog, CProgramDlg::IdParm);
        parameters->clear();
        QTest::keyClicks(parameters, QString(200, u'x'));
        QCOMPARE(parameters->text().size(), 128);
        QCOMPARE(C<QLineEdit>(dialog, CProgramDlg::IdName)->maxLength(), 128);
        QCOMPARE(C<QLineEdit>(dialog, CProgramDlg::IdPath)->maxLength(), 512);

        // A program without version information leaves the name empty; Ok
        // stores its path as the name.
        dialog.chooseProgram = [] { return QStringLiteral("/opt/tools/browse"); };
        C<QPushButton>(dialog, CProgramDlg::IdBrowse)->click();
        QCOMPARE(C<QLineEdit>(dialog, CProgramDlg::IdPath)->text(), QStringLiteral("/opt/tools/browse"));
        QCOMPARE(C<QLineEdit>(dialog, CProgramDlg::IdName)->text(), QString());
        C<QCheckBox>(dialog, CProgramDlg::IdDefault)->setChecked(true);
        C<QPushButton>(dialog, CProgramDlg::IdOk)->click();
        QCOMPARE(test.settings.programName, QStringLiteral("/opt/tools/browse"));
        QCOMPARE(test.settings.programPath, QStringLiteral("/opt/tools/browse"));
        QCOMPARE(test.settings.programParameters, QString(128, u'x'));
        QVERIFY(test.settings.browseByDefault);

        // Cancel writes nothing; the Preferences row shows what is stored.
        CProgramDlg cancelled(&test.settings);
        cancelled.InitDialog();
        C<QLineEdit>(cancelled, CProgramDlg::IdName)->setText(QStringLiteral("Other"));
        C<QPushButton>(cancelled, CProgramDlg::IdCancel)->click();
        QCOMPARE(test.settings.programName, QStringLiteral("/opt/tools/browse"));
        Dlg preferences(&test.settings);
        preferences.InitDialog();
        QCOMPARE(C<QListWidget>(preferences, Dlg::IdProgramRow)->item(0)->text(), QStringLiteral("/opt/tools/browse"));
    }
    void programChooserListsTheProgramsOfAFolder_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("filters");
        QTest::newRow("English") << "English"
                                 << QStringList{QStringLiteral("Executable Files (*)"),
                                                QStringLiteral("All Files (*)")};
        QTest::newRow("German") << "German"
                                << QStringList{QStringLiteral("Ausführbare Dateien (*)"),
                                               QStringLiteral("Alle Dateien (*)")};
    }
    void programChooserListsTheProgramsOfAFolder()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, filters);
        QTemporaryDir folder;
        const QString program = folder.filePath(QStringLiteral("browse"));
        for (const QString &name : {QStringLiteral("browse"), QStringLiteral("notes.txt")}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("tools")));
        gui::TestSettings test;
        test.settings.programPath = program;
        test.settings.language = language;
        ScanLanguages(test.settings);
        QCOMPARE(test.settings.language, language);
        const auto builtIn = qScopeGuard([&] { SelectBuiltInLanguage(test.settings); });
        CProgramDlg dialog(&test.settings);
        dialog.InitDialog();

        // The program's own chooser, with its first filter and then "All Files".
        QStringList shown[2];
        QStringList shownFilters;
        QTimer::singleShot(0, [&] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!chooser)
                return;
            shownFilters = chooser->nameFilters();
            auto *view = chooser->findChild<QListView *>(QStringLiteral("listView"));
            auto *combo = chooser->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            auto names = [view] {
                QStringList names;
                for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                    names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
                names.sort();
                return names;
            };
            for (int filter = 0; filter < 2 && view && combo; ++filter) {
                if (filter > 0) {
                    combo->setCurrentIndex(filter);
                    // What a user's choice sends.
                    emit combo->activated(filter);
                    emit combo->textActivated(combo->currentText());
                }
                // The folder is read on a thread of the model's own.
                (void)QTest::qWaitFor([&] { return names().size() >= 2 + filter; }, 5000);
                shown[filter] = names();
            }
            chooser->reject();
        });
        C<QPushButton>(dialog, CProgramDlg::IdBrowse)->click();
        QCOMPARE(shownFilters, filters);
        QCOMPARE(shown[0], (QStringList{QStringLiteral("browse"), QStringLiteral("tools")}));
        QCOMPARE(shown[1],
                 (QStringList{QStringLiteral("browse"), QStringLiteral("notes.txt"), QStringLiteral("tools")}));
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
