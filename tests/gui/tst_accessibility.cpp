// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader gets of the real window and dialogs, read through
// Qt's accessibility interfaces: every control named by its label or by
// what it does, list cells without the isolating marks, the shares' states
// in words, menu items without their shortcut text.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "net/memorynetwork.h"
#include "settings/languagetable.h"
#include "ui/commandids.h"
#include "ui/dialogs/groupeditdlg.h"
#include "ui/dialogs/preferencesdlg.h"
#include "ui/dialogs/scanoptionsdlg.h"
#include "ui/dialogs/schemenamedlg.h"
#include "ui/dialogs/schemeseditordlg.h"
#include "ui/frame/mainframe.h"
#include "ui/toolkit/accessibility.h"
#include "ui/toolkit/menubar.h"
#include "ui/view/filterfield.h"
#include "ui/view/lanterraview.h"
#include "ui/view/sharelistmodel.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTimer>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <functional>

using namespace gui;

namespace {

QString NameOf(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

bool HasIsolates(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x2066 && c.unicode() <= 0x2069)
            return true;
    return false;
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private:
    struct FrameFixture
    {
        TestSettings settings;
        CLanterraApp app{&settings.settings};
        std::unique_ptr<CMainFrame> frame;

        FrameFixture()
        {
            app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
            app.OnFileNew();
            app.document().SetNetwork(std::make_shared<CMemoryNetwork>());
            frame = std::make_unique<CMainFrame>(&app, &settings.settings);
            frame->SetLauncher(std::make_shared<RecordingLauncher>());
        }
        ~FrameFixture() { app.document().HaltScan(); }
    };

    // A dialog set up as its command opens it.
    static std::unique_ptr<CDialogBase> OpenDialog(const QString &which, CSettings &settings, QComboBox &mainBox,
                                                   SchemeEditRecord &record)
    {
        std::unique_ptr<CDialogBase> dialog;
        if (which == u"scan options")
            dialog = std::make_unique<CScanOptionsDlg>();
        else if (which == u"advanced editor")
            dialog = std::make_unique<CAdvancedEditorDlg>();
        else if (which == u"schemes editor") {
            record.settings = &settings;
            dialog = std::make_unique<CSchemesEditorDlg>(record, &mainBox);
        } else if (which == u"preferences")
            dialog = std::make_unique<CPreferencesDlg>(&settings);
        else if (which == u"program")
            dialog = std::make_unique<CProgramDlg>(&settings);
        else if (which == u"group")
            dialog = std::make_unique<CGroupEditDlg>(true);
        else if (which == u"scheme name")
            dialog = std::make_unique<CSchemeNameDlg>(settings, false);
        if (dialog)
            dialog->InitDialog();
        return dialog;
    }

private slots:
    void initTestCase() { InstallAccessibleInterfaces(); }
    void cleanup() { LanguageTable().Clear(); }

    void dialogControlNames_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        using S = CScanOptionsDlg;
        QTest::newRow("scan: workgroups ...")
            << "scan options" << int(S::IdNetsMore) << "Edit the workgroups to search";
        QTest::newRow("scan: hosts ...") << "scan options" << int(S::IdHostsMore)
                                         << "Edit the hosts and ip ranges to search";
        QTest::newRow("scan: excluded hosts ...")
            << "scan options" << int(S::IdExcHostsMore) << "Edit the hosts to exclude";
        QTest::newRow("scan: excluded workgroups ...")
            << "scan options" << int(S::IdExcNetsMore) << "Edit the workgroups to exclude";
        QTest::newRow("scan: workgroups edit") << "scan options" << int(S::IdNetsEdit) << "Add workgroups to search:";
        QTest::newRow("scan: hosts edit")
            << "scan options" << int(S::IdHostsEdit) << "Add hosts and ip ranges to search:";
        QTest::newRow("scan: excluded hosts edit")
            << "scan options" << int(S::IdExcHostsEdit) << "Exclude hosts from search:";
        QTest::newRow("scan: excluded workgroups edit")
            << "scan options" << int(S::IdExcNetsEdit) << "Exclude workgroups from search:";
        QTest::newRow("editor: its edit") << "advanced editor" << int(CAdvancedEditorDlg::IdEdit) << "Editor";
        using E = CSchemesEditorDlg;
        QTest::newRow("schemes: scheme box") << "schemes editor" << int(E::IdSchemeCombo) << "Scheme:";
        QTest::newRow("schemes: up") << "schemes editor" << int(E::IdUp) << "Move group up";
        QTest::newRow("schemes: down") << "schemes editor" << int(E::IdDown) << "Move group down";
        QTest::newRow("schemes: groups") << "schemes editor" << int(E::IdList) << "Scheme details";
        using P = CPreferencesDlg;
        QTest::newRow("preferences: language") << "preferences" << int(P::IdLanguage) << "Language:";
        QTest::newRow("preferences: icons") << "preferences" << int(P::IdIconLibrary) << "Use Icon Library (ICL):";
        QTest::newRow("preferences: program")
            << "preferences" << int(P::IdProgramRow) << "Program for share browsing :";
        QTest::newRow("preferences: program ...")
            << "preferences" << int(P::IdProgramButton) << "Choose the program for browsing";
        QTest::newRow("program: name") << "program" << int(CProgramDlg::IdName) << "Name:";
        QTest::newRow("program: path") << "program" << int(CProgramDlg::IdPath) << "Program to execute :";
        QTest::newRow("program: >>") << "program" << int(CProgramDlg::IdBrowse) << "Choose the program file";
        QTest::newRow("program: parameters") << "program" << int(CProgramDlg::IdParm) << "Parameters:";
        QTest::newRow("group: include") << "group" << int(CGroupEditDlg::IdInclude) << "Include:";
        QTest::newRow("group: exclude") << "group" << int(CGroupEditDlg::IdExclude) << "Exclude:";
        QTest::newRow("scheme name: name") << "scheme name" << int(CSchemeNameDlg::IdName) << "Name:";
    }

    void dialogControlNames()
    {
        QFETCH(QString, dialog);
        QFETCH(int, id);
        QFETCH(QString, name);
        TestSettings settings;
        QComboBox mainBox;
        mainBox.addItems({QStringLiteral("Media"), QStringLiteral("Hosts")});
        SchemeEditRecord record;
        auto window = OpenDialog(dialog, settings.settings, mainBox, record);
        QVERIFY(window);
        QWidget *control = window->Control(id);
        QVERIFY(control);
        QCOMPARE(NameOf(control), name);
    }

    // No button, field, box or list of a dialog is left without a name.
    void everyDialogControlIsNamed_data()
    {
        QTest::addColumn<QString>("dialog");
        for (const char *dialog :
             {"scan options", "advanced editor", "schemes editor", "preferences", "program", "group", "scheme name"})
            QTest::newRow(dialog) << dialog;
    }

    void everyDialogControlIsNamed()
    {
        QFETCH(QString, dialog);
        TestSettings settings;
        QComboBox mainBox;
        SchemeEditRecord record;
        auto window = OpenDialog(dialog, settings.settings, mainBox, record);
        QVERIFY(window);
        QList<QWidget *> controls;
        for (QWidget *widget : window->findChildren<QWidget *>()) {
            if (qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget)
                || qobject_cast<QPlainTextEdit *>(widget) || qobject_cast<QComboBox *>(widget)
                || (qobject_cast<QAbstractItemView *>(widget) && !qobject_cast<QComboBox *>(widget->parentWidget())))
                controls.append(widget);
        }
        for (QWidget *control : std::as_const(controls)) {
            // A combo box's own pop-up list and edit are parts of the box.
            // A header is its view's part too.
            if (qobject_cast<QComboBox *>(control->parentWidget()) || qobject_cast<QHeaderView *>(control)
                || control->window() != window.get())
                continue;
            const QString name = NameOf(control);
            QVERIFY2(!name.trimmed().isEmpty() && name != u"..." && name != u"&...",
                     qPrintable(QStringLiteral("%1 %2 is named \"%3\"")
                                    .arg(QString::fromLatin1(control->metaObject()->className()), control->objectName(),
                                         name)));
        }
    }

    void frameControlNames_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::newRow("scheme box") << "scheme box"
                                    << "Scheme:";
        QTest::newRow("filter field") << "filter field"
                                      << "Filter";
        QTest::newRow("filter field with a text") << "filter field with a text"
                                                  << "Filter";
        QTest::newRow("window menu button") << "window menu"
                                            << "Window menu";
        QTest::newRow("refresh button") << "refresh"
                                        << "Refresh:";
    }

    void frameControlNames()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        FrameFixture f;
        const std::map<QString, std::function<QWidget *()>> find = {
            {QStringLiteral("scheme box"), [&] { return f.frame->SchemeBox(); }},
            {QStringLiteral("filter field"), [&] { return f.frame->FilterField(); }},
            {QStringLiteral("filter field with a text"),
             [&] {
                 f.frame->FilterField()->setText(QStringLiteral("mus"));
                 return f.frame->FilterField();
             }},
            {QStringLiteral("window menu"), [&] { return f.frame->MenuBar()->cornerWidget(Qt::TopLeftCorner); }},
            {QStringLiteral("refresh"), [&] { return f.frame->RefreshButton(); }},
        };
        QWidget *widget = find.at(control)();
        QVERIFY(widget);
        QCOMPARE(NameOf(widget), name);
    }

    // The scheme box tells the scheme chosen as its value, not as its name.
    void schemeBoxValueIsTheScheme()
    {
        FrameFixture f;
        QComboBox *box = f.frame->SchemeBox();
        QVERIFY(box->count() > 0);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(box);
        QCOMPARE(iface->role(), QAccessible::ComboBox);
        QCOMPARE(iface->text(QAccessible::Value), box->currentText());
        QCOMPARE(iface->childCount(), 1);
        QCOMPARE(iface->child(0)->object(), box->view());
    }

    void menuItemNamesCarryNoShortcut_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("keys");
        QTest::newRow("New Network") << 0 << int(Cmd::FileNew) << "New Network"
                                     << "Ctrl+N";
        QTest::newRow("Save Network As") << 0 << int(Cmd::FileSaveAs) << "Save Network As..."
                                         << "";
        QTest::newRow("Share Properties") << 0 << int(Cmd::ShareProperties) << "Share Properties"
                                          << "Alt+Enter";
        QTest::newRow("Copy Address") << 1 << int(Cmd::EditCopy) << "Copy Address"
                                      << "Ctrl+C";
        QTest::newRow("Refresh") << 1 << int(Cmd::EditRefresh) << "Refresh"
                                 << "Ctrl+R";
        QTest::newRow("Preferences") << 3 << int(Cmd::Preferences) << "Preferences"
                                     << "Alt+P";
        QTest::newRow("Contents") << 4 << int(Cmd::HelpContents) << "Contents"
                                  << "F1";
    }

    void menuItemNamesCarryNoShortcut()
    {
        QFETCH(int, position);
        QFETCH(int, command);
        QFETCH(QString, name);
        QFETCH(QString, keys);
        FrameFixture f;
        CMenuBar *bar = f.frame->MenuBar();
        QMenu *menu = bar->PopupAt(position);
        bar->PrepareMenu(menu);
        QAction *action = bar->CommandAction(command);
        QVERIFY(action);
        QAccessibleInterface *menuIface = QAccessible::queryAccessibleInterface(menu);
        QAccessibleInterface *item = menuIface->child(int(menu->actions().indexOf(action)));
        QVERIFY(item);
        QCOMPARE(item->text(QAccessible::Name), name);
        // The menu still shows the keys: they are the item's shortcut.
        QCOMPARE(action->shortcut().toString(QKeySequence::NativeText), keys);
        // Every item of every menu alike.
        for (int p = 0; bar->PopupAt(p); ++p) {
            QMenu *popup = bar->PopupAt(p);
            bar->PrepareMenu(popup);
            QAccessibleInterface *popupIface = QAccessible::queryAccessibleInterface(popup);
            for (int i = 0; i < popupIface->childCount(); ++i) {
                const QString itemName = popupIface->child(i)->text(QAccessible::Name);
                QVERIFY2(!itemName.contains(u'\t') && !itemName.contains(u"Ctrl+"), qPrintable(itemName));
            }
        }
    }

    // A closed menu's items take no keys away from the window.
    void closedMenusLeaveTheKeysToTheWindow()
    {
        FrameFixture f;
        CMenuBar *bar = f.frame->MenuBar();
        QMenu *file = bar->PopupAt(0);
        bar->PrepareMenu(file);
        emit file->aboutToHide();
        QVERIFY(bar->CommandAction(Cmd::FileNew)->shortcut().isEmpty());
        QCOMPARE(bar->CommandAction(Cmd::FileNew)->text(), QStringLiteral("&New Network"));
    }

    void listCells_data()
    {
        QTest::addColumn<QString>("share");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::newRow("share name, online") << "Music" << int(ListColumnShare) << "Music"
                                            << "online";
        QTest::newRow("host name") << "Music" << int(ListColumnHost) << "mediaserver"
                                   << "";
        QTest::newRow("workgroup") << "Music" << int(ListColumnWorkgroup) << "HOME"
                                   << "";
        QTest::newRow("offline share") << "Films" << int(ListColumnShare) << "Films"
                                       << "offline";
        QTest::newRow("no workgroup") << "Films" << int(ListColumnWorkgroup) << ""
                                      << "";
        QTest::newRow("state unknown") << "Docs" << int(ListColumnShare) << "Docs"
                                       << "state unknown";
        // Hidden characters are written out for the ear as for the eye.
        QTest::newRow("a hidden character") << QStringLiteral("Mo\u202Evies") << int(ListColumnShare) << "Mo\\u202Evies"
                                            << "online";
    }

    void listCells()
    {
        QFETCH(QString, share);
        QFETCH(int, column);
        QFETCH(QString, name);
        QFETCH(QString, description);
        TestSettings settings;
        CLanterraDoc doc{&settings.settings};
        DocBuilder build{doc};
        HostRecord *media = build.Host(QStringLiteral("mediaserver"), QStringLiteral("HOME"));
        HostRecord *listed = build.Host(QStringLiteral("laptop"), QString());
        build.Share(media, QStringLiteral("Music"));
        build.Share(listed, QStringLiteral("Films"), ShareOffline);
        build.Share(media, QStringLiteral("Docs"), ShareUnknown);
        build.Share(media, QStringLiteral("Mo\u202Evies"));
        doc.SetShowOffline(true);
        CLanterraView view;
        view.SetDocument(&doc);
        view.resize(600, 400);
        view.OnInitialUpdate();
        view.SetViewMode(CLanterraView::ModeDetails);
        view.RebuildList(settings.Media());
        for (int i = 0; i < 1000 && view.IsTimerActive(); ++i)
            view.UpdateTick();
        view.show();

        int index = -1;
        for (int i = 0; i < doc.GetShareCount(); ++i)
            if (doc.shareText(i, ColumnShare) == share)
                index = i;
        const QModelIndex cell = view.Model()->IndexOfShare(index, column);
        QVERIFY(cell.isValid());
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(view.ItemView());
        QVERIFY(table && table->tableInterface());
        QAccessibleInterface *cellIface = table->tableInterface()->cellAt(cell.row(), cell.column());
        QVERIFY(cellIface);
        QCOMPARE(cellIface->text(QAccessible::Name), name);
        QCOMPARE(cellIface->text(QAccessible::Description), description);
        // Headings too are read without marks.
        for (int row = 0; row < view.Model()->rowCount(); ++row) {
            QAccessibleInterface *any = table->tableInterface()->cellAt(row, 0);
            QVERIFY2(any && !HasIsolates(any->text(QAccessible::Name)), qPrintable(QString::number(row)));
        }
    }

    // The same names as a screen reader reads them: over AT-SPI, from
    // another process, with the frame on a display. atspi.sh runs it on a
    // desktop of its own (Xvfb, a session bus, the accessibility bus);
    // elsewhere it is skipped.
    void atspiTreeOfTheFrame()
    {
        const QString dumper = qEnvironmentVariable("LANTERRA_ATSPI_DUMPER");
        if (dumper.isEmpty())
            QSKIP("needs a desktop with an accessibility bus: run by atspi.sh");
        FrameFixture f;
        DocBuilder build{f.app.document()};
        HostRecord *media = build.Host(QStringLiteral("mediaserver"), QString());
        build.Share(media, QStringLiteral("Music"));
        build.Share(media, QStringLiteral("Films"), ShareOffline);
        f.frame->show();
        CLanterraView *view = f.frame->View();
        view->SetViewMode(CLanterraView::ModeDetails);
        view->RebuildList(f.settings.Media());
        for (int i = 0; i < 1000 && view->IsTimerActive(); ++i)
            view->UpdateTick();
        QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));

        // The window must go on answering while the dump reads it.
        QProcess dump;
        QEventLoop loop;
        connect(&dump, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        dump.start(qEnvironmentVariable("LANTERRA_ATSPI_PYTHON", QStringLiteral("python3")), {dumper});
        loop.exec();
        QCOMPARE(dump.state(), QProcess::NotRunning);
        QVERIFY2(dump.exitCode() == 0, dump.readAllStandardError().constData());

        struct Node
        {
            QString role, name, description;
        };
        QList<Node> nodes;
        for (const QByteArray &line : dump.readAllStandardOutput().split('\n')) {
            const QJsonArray entry = QJsonDocument::fromJson(line).array();
            if (entry.size() == 4)
                nodes.append({entry[1].toString(), entry[2].toString(), entry[3].toString()});
        }
        QVERIFY2(nodes.size() > 20, qPrintable(QString::number(nodes.size())));
        qInfo("%d objects read over AT-SPI", int(nodes.size()));
        // Roles as AT-SPI names them; cells are "table cell" or "tree item"
        // as the view is a table or a tree, so only their words count.
        const auto has = [&nodes](const QStringList &roles, const QString &name, const QString &description = {}) {
            return std::any_of(nodes.cbegin(), nodes.cend(), [&](const Node &node) {
                return (roles.isEmpty() || roles.contains(node.role)) && node.name == name
                       && (description.isEmpty() || node.description == description);
            });
        };
        for (const Node &node : std::as_const(nodes))
            QVERIFY2(!HasIsolates(node.name) && !node.name.contains(u'\t'),
                     qPrintable(node.role + u' ' + QString::fromLatin1(QJsonDocument(QJsonArray{node.name}).toJson())));
        QVERIFY(has({QStringLiteral("combo box")}, QStringLiteral("Scheme:")));
        QVERIFY(has({QStringLiteral("text"), QStringLiteral("entry")}, QStringLiteral("Filter")));
        QVERIFY(has({QStringLiteral("menu item")}, QStringLiteral("New Network")));
        QVERIFY(has({}, QStringLiteral("Music"), QStringLiteral("online")));
        QVERIFY(has({}, QStringLiteral("Films"), QStringLiteral("offline")));
        QVERIFY(has({}, QStringLiteral("mediaserver")));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
