// SPDX-License-Identifier: GPL-3.0-or-later
// The link control: how it acts, what it opens, what it says on failure.
#include "ui/toolkit/hyperlink.h"

#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Counts what would have been handed to the desktop.
struct Opener
{
    Opener() { CHyperLink::UrlOpener() = [this](const QUrl &url) { urls.append(url); return answer; }; }
    ~Opener()
    {
        CHyperLink::UrlOpener() = [](const QUrl &) { return false; };
    }
    QList<QUrl> urls;
    bool answer = true;
};


} // namespace

class TestHyperLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(QStringLiteral("Lanterra")); }

    void notifyingLinksOpenNothingAndStayUnvisited()
    {
        Opener opener;
        CHyperLink link(QStringLiteral("Show examples"));
        link.ModifyLinkStyle(0, CHyperLink::NotifyParent | CHyperLink::AutoSize);
        link.Attach();
        link.show();
        QSignalSpy clicked(&link, &CHyperLink::linkClicked);
        QTest::mouseClick(&link, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(opener.urls.isEmpty());
        QVERIFY(!link.IsVisited());
        QCOMPARE(link.LinkTarget(), QStringLiteral("Show examples"));
        QCOMPARE(link.toolTip(), link.LinkTarget());
    }

    void spaceActsAndASuccessfulOpenTurnsVisited()
    {
        Opener opener;
        CHyperLink link;
        link.SetLinkTarget(QStringLiteral("https://lanterra.example/"));
        link.Attach();
        // No caption: the target is shown.
        QCOMPARE(link.text(), QStringLiteral("https://lanterra.example/"));
        link.show();
        link.setFocus();
        QCOMPARE(link.CurrentColor(), CHyperLink::ActiveColor);
        QTest::keyClick(&link, Qt::Key_Space);
        QCOMPARE(opener.urls.size(), 1);
        QCOMPARE(opener.urls[0], QUrl(QStringLiteral("https://lanterra.example/")));
        QVERIFY(link.IsVisited());
        link.clearFocus();
        QCOMPARE(link.CurrentColor(), CHyperLink::VisitedColor);
    }

    void actOnPressActsOnce()
    {
        Opener opener;
        CHyperLink link(QStringLiteral("duplicate"));
        link.ModifyLinkStyle(0, CHyperLink::NotifyParent | CHyperLink::DownClick);
        link.Attach();
        link.show();
        QSignalSpy clicked(&link, &CHyperLink::linkClicked);
        QTest::mousePress(&link, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QTest::mouseRelease(&link, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        // Without it, the release acts.
        CHyperLink plain(QStringLiteral("x"));
        plain.ModifyLinkStyle(0, CHyperLink::NotifyParent);
        plain.Attach();
        plain.show();
        QSignalSpy plainClicked(&plain, &CHyperLink::linkClicked);
        QTest::mousePress(&plain, Qt::LeftButton);
        QCOMPARE(plainClicked.count(), 0);
        QTest::mouseRelease(&plain, Qt::LeftButton);
        QCOMPARE(plainClicked.count(), 1);
    }

    void styleFlagsChangeTheLook()
    {
        CHyperLink link(QStringLiteral("link"));
        link.ModifyLinkStyle(CHyperLink::Underline, CHyperLink::NoHandCursor | CHyperLink::NoActiveColor);
        link.Attach();
        QVERIFY(!link.font().underline());
        QCOMPARE(link.cursor().shape(), Qt::ArrowCursor);
        link.ModifyLinkStyle(CHyperLink::NoHandCursor, CHyperLink::Underline);
        QVERIFY(link.font().underline());
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        // Sized to its text, it is no wider than the text and its frame.
        link.setGeometry(0, 0, 300, 40);
        link.SizeToText();
        QCOMPARE(link.size(), link.TextSize());
    }

    void failuresAreReportedWithTheirReason()
    {
        Opener opener;
        opener.answer = false;
        CHyperLink link(QStringLiteral("nowhere:thing"));
        link.Attach();
        link.show();
        QString seen;
        QTimer::singleShot(0, [&seen] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen = box->windowTitle() + u'|' + box->text();
                box->close();
            }
        });
        QTest::mouseClick(&link, Qt::LeftButton);
        QCOMPARE(seen, QStringLiteral("Brevant Lanterra|Can't open link:\n\nThere is no application associated\nwith the given "
                                      "filename extension."));
        QVERIFY(!link.IsVisited());

        QTemporaryDir dir;
        QCOMPARE(CHyperLink::OpenTarget(dir.filePath(QStringLiteral("missing.txt"))), 2);
        QCOMPARE(CHyperLink::OpenTarget(dir.filePath(QStringLiteral("no/such/file.txt"))), 3);
        QCOMPARE(CHyperLink::OpenTargetReason(2), QStringLiteral("The specified file was not found."));
        QCOMPARE(CHyperLink::OpenTargetReason(1234), QStringLiteral("Unknown Error (1234) occurred."));
    }
};

QTEST_MAIN(TestHyperLink)
#include "tst_hyperlink.moc"
