// SPDX-License-Identifier: GPL-3.0-or-later
// What every dialog shares (captions, fonts, grip, its set-up on every modal
// run), the About box's version line and the help pages.
#include "guisupport.h"

#include "settings/languagetable.h"
#include "ui/dialogs/aboutdlg.h"
#include "ui/dialogs/helpwindow.h"
#include "ui/dialogs/productinfo.h"
#include "ui/dialogs/scanoptionsdlg.h"
#include "ui/dialogs/schemenamedlg.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A real dialog that counts how often it was set up.
template <class Dialog> class CountedInit : public Dialog
{
public:
    using Dialog::Dialog;
    int inits = 0;
    void InitDialog() override
    {
        ++inits;
        Dialog::InitDialog();
    }
};

} // namespace

class TestDialogBase : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { LanguageTable().Clear(); }

    void captionsAndTitleAreLookedUpUnderTheDialogsSection()
    {
        LanguageTable().sections()[QStringLiteral("Scan Options")][1056] = QStringLiteral("Alle Gruppen");
        LanguageTable().sections()[QStringLiteral("Scan Options")][30980] = QStringLiteral("Suchoptionen");
        CScanOptionsDlg dialog;
        dialog.InitDialog();
        QCOMPARE(dialog.ControlAs<QCheckBox>(CScanOptionsDlg::IdAllVisible)->text(), QStringLiteral("Alle Gruppen"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Suchoptionen"));
        // A missing text is the built-in one, stored as the entry's default.
        QCOMPARE(LanguageTable().sections()[QStringLiteral("Scan Options")][1057],
                 QStringLiteral("Add current workgroup to search"));
    }

    void groupBoxesAreBoldAndOnlyResizableDialogsHaveAGrip()
    {
        CScanOptionsDlg scan;
        scan.InitDialog();
        for (int id : {CScanOptionsDlg::IdHostsGroup, CScanOptionsDlg::IdAdvancedGroup, CScanOptionsDlg::IdFiltersGroup})
            QVERIFY(scan.ControlAs<QGroupBox>(id)->font().bold());
        QVERIFY(!scan.ControlAs<QCheckBox>(CScanOptionsDlg::IdAllVisible)->font().bold());
        QVERIFY(scan.isSizeGripEnabled());
        QVERIFY(!scan.windowIcon().isNull());

        CAboutDlg about;
        about.InitDialog();
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(!about.isSizeGripEnabled());
        QCOMPARE(about.minimumSize(), about.maximumSize());
    }

    void setUpRunsOncePerModalRun_data()
    {
        QTest::addColumn<int>("runs");
        QTest::newRow("one run") << 1;
        QTest::newRow("run again") << 2;
        QTest::newRow("third run") << 3;
    }

    void setUpRunsOncePerModalRun()
    {
        QFETCH(int, runs);
        gui::TestSettings test;
        CountedInit<CSchemeNameDlg> dialog(test.settings, false);
        for (int run = 1; run <= runs; ++run) {
            // Each run shows the fields as they are when it starts.
            dialog.name = QStringLiteral("Copy %1").arg(run);
            QTimer::singleShot(0, &dialog, &QDialog::reject);
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
            QCOMPARE(dialog.inits, run);
            QCOMPARE(dialog.ControlAs<QLineEdit>(CSchemeNameDlg::IdName)->text(), dialog.name);
        }
    }

    void aboutShowsVersionAndRevision()
    {
        QCOMPARE(ProductInfo::VersionLine(QStringLiteral("5, 1, 0, 0"), QStringLiteral("$Revision: 229 $")),
                 QStringLiteral("Version: 5.1.0  (Revision: 229)"));
        QCOMPARE(ProductInfo::RevisionNumber(QStringLiteral("no stamp")), QString());
        // The build's own: its project version and a revision number.
        const QString line = ProductInfo::VersionLine(ProductInfo::FileVersion(), ProductInfo::RevisionStamp());
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^Version: \d+\.\d+\.\d+  \(Revision: \d+\)$)")).match(line).hasMatch(),
                 qPrintable(line));
        const QString mail = ProductInfo::FeedbackMailUrl(QStringLiteral("help@example.org"));
        QVERIFY2(mail.startsWith(QStringLiteral("mailto:help@example.org?")), qPrintable(mail));
        QVERIFY(mail.contains(QStringLiteral("(Revision%20")));
        // Without an address there is nothing to write to, and no link.
        QVERIFY(ProductInfo::FeedbackMailUrl(QString()).isEmpty());
        QCOMPARE(ProductInfo::SupportMailUrl().isEmpty(), ProductInfo::SupportAddress().isEmpty());
    }

    void helpPagesAndTopics()
    {
        QCOMPARE(HelpHtmlPath(QStringLiteral("/x/Locales/German/German.hlp")),
                 QStringLiteral("/x/Locales/German/German.html"));
        const QString html = QStringLiteral(
            "<p>x</p><div class=\"popup\" id=\"topic-20\"><b>HOME</b></div><div class=\"popup\" id=\"topic-30\">"
            "10.0.0.1-10.0.0.9</div>");
        QCOMPARE(HelpTopic(html, 20), QStringLiteral("<b>HOME</b>"));
        QCOMPARE(HelpTopic(html, 30), QStringLiteral("10.0.0.1-10.0.0.9"));
        QCOMPARE(HelpTopic(html, 40), QString());

        QTemporaryDir dir;
        const QString hlp = dir.filePath(QStringLiteral("English.hlp"));
        QVERIFY(!ShowHelpPopup(hlp, 20, nullptr));
        QFile page(dir.filePath(QStringLiteral("English.html")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(html.toUtf8());
        page.close();
        QCOMPARE(HelpPage(hlp), page.fileName());
        QWidget owner;
        QVERIFY(ShowHelpPopup(hlp, 30, &owner));
        QVERIFY(!ShowHelpPopup(hlp, 99, &owner));
    }

    void theShippedHelpHasBothPopupTopicsInEveryLanguage()
    {
        const QDir locales(QStringLiteral(LANTERRA_SOURCE_DIR "/Locales"));
        for (const QString &language : {QStringLiteral("English"), QStringLiteral("German")}) {
            QFile page(locales.filePath(language + u'/' + language + QStringLiteral(".html")));
            QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
            const QString html = QString::fromUtf8(page.readAll());
            QVERIFY(!HelpTopic(html, 20).isEmpty());
            QVERIFY(!HelpTopic(html, 30).isEmpty());
            QVERIFY(html.contains(QStringLiteral("lanterra-scan")));
        }
    }
};

QTEST_MAIN(TestDialogBase)
#include "tst_dialogbase.moc"
