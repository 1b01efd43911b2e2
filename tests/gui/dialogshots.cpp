// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of every dialog, for the documentation and for checking by eye:
//     lanterra-dialogshots OUTDIR [LANGUAGE]
// Each dialog is shown as the program shows it and its window (with the
// window manager's frame when one runs) is saved as OUTDIR/<name>.png.
#include "guisupport.h"

#include "settings/languagetable.h"
#include "ui/dialogs/aboutdlg.h"
#include "ui/dialogs/groupeditdlg.h"
#include "ui/dialogs/helpwindow.h"
#include "ui/dialogs/logindlg.h"
#include "ui/dialogs/preferencesdlg.h"
#include "ui/dialogs/scanoptionsdlg.h"
#include "ui/dialogs/schemeadvanceddlg.h"
#include "ui/dialogs/schemenamedlg.h"
#include "ui/dialogs/schemeseditordlg.h"
#include "ui/dialogs/sharepropertiesdlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QScreen>
#include <QThread>
#include <QLabel>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>

namespace {

void Settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

bool Shoot(QWidget &dialog, const QString &file)
{
    dialog.show();
    dialog.activateWindow();
    // The window manager maps and frames the window in its own time; a
    // picture taken before that is of nothing, or of a window without its
    // frame. Without a window manager the frame never comes.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000
           && !(dialog.windowHandle() && dialog.windowHandle()->isExposed()
                && dialog.frameGeometry().size() != dialog.size()))
        Settle(50);
    Settle(300);
    const QRect frame = dialog.frameGeometry();
    const QPixmap picture = dialog.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    dialog.hide();
    return picture.save(file);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Lanterra"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 2)
        return 2;
    const QString out = args[1];
    QDir().mkpath(out);
    gui::TestSettings test;
    CSettings &settings = test.settings;
    settings.programName = QStringLiteral("File Browser");
    settings.language = args.size() > 2 ? args[2] : QStringLiteral("English");
    ScanLanguages(settings);

    int failures = 0;
    auto shoot = [&](QWidget &dialog, const QString &name) {
        if (!Shoot(dialog, QDir(out).filePath(name + QStringLiteral(".png"))))
            ++failures;
    };

    {
        ScanRules rules;
        rules.searchNetByList = 1;
        rules.searchHostByList = 1;
        rules.nets = {QStringLiteral("HOME"), QStringLiteral("OFFICE")};
        rules.hosts = {QStringLiteral("nas"), QStringLiteral("192.168.1.10-192.168.1.40")};
        rules.excHosts = {QStringLiteral("printer"), QStringLiteral("laptop")};
        CScanOptionsDlg dialog;
        dialog.Exchange(rules, false);
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("scan-options"));
        dialog.resize(dialog.size() + QSize(120, 160));
        shoot(dialog, QStringLiteral("scan-options-larger"));
    }
    {
        CAdvancedEditorDlg dialog;
        dialog.text = QStringLiteral("HOME\r\nOFFICE\r\nLAB");
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("advanced-editor"));
    }
    {
        QComboBox mainBox;
        for (int i = 0; i < settings.GetSchemeCount(); ++i)
            mainBox.addItem(settings.GetScheme(i)->name);
        SchemeEditRecord record;
        record.settings = &settings;
        CSchemesEditorDlg dialog(record, &mainBox);
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("schemes-editor"));
        dialog.resize(dialog.size() + QSize(240, 120));
        shoot(dialog, QStringLiteral("schemes-editor-larger"));
    }
    {
        CGroupEditDlg dialog(false);
        dialog.row = {QStringLiteral("Music"), QStringLiteral("music; mp3"), QString(), true};
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("schemes-editor-group"));
    }
    {
        CSchemeAdvancedDlg dialog;
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("schemes-editor-advanced"));
    }
    {
        CSchemeNameDlg dialog(settings, false);
        dialog.name = QStringLiteral("Media (2)");
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("schemes-editor-duplicate"));
    }
    {
        CPreferencesDlg dialog(&settings);
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("preferences"));
    }
    {
        CProgramDlg dialog(&settings);
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("program-for-browsing"));
    }
    {
        CAboutDlg dialog;
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("about"));
    }
    {
        CSharePropertiesDlg dialog;
        dialog.shareName = QStringLiteral("Music");
        dialog.hostName = QStringLiteral("NAS");
        dialog.workgroup = QStringLiteral("HOME");
        dialog.address = QStringLiteral("\\\\NAS\\Music");
        dialog.url = QStringLiteral("smb://NAS/Music");
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("share-properties"));
    }
    {
        CLoginDlg dialog;
        dialog.host = QStringLiteral("LOCKED");
        dialog.login.user = QStringLiteral("alice");
        dialog.InitDialog();
        shoot(dialog, QStringLiteral("login"));
    }
    if (ShowHelpContents(settings.helpPath)) {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == QStringLiteral("helpWindow") && top->isVisible())
                shoot(*top, QStringLiteral("help"));
    } else {
        ++failures;
    }
    {
        QWidget owner;
        owner.resize(420, 300);
        owner.show();
        Settle(300);
        if (ShowHelpPopup(settings.helpPath, 30, &owner)) {
            Settle(300);
            if (auto *popup = owner.findChild<QLabel *>(QStringLiteral("helpPopup"))) {
                const QPixmap picture = popup->grab();
                if (!picture.save(QDir(out).filePath(QStringLiteral("help-popup-30.png"))))
                    ++failures;
                popup->close();
            }
        } else {
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
