// SPDX-License-Identifier: GPL-3.0-or-later
// The window tells the user about files it could not open or save: a
// message box with the application's title and the status bar, the file's
// name shown as plain text.
#include "guisupport.h"

#include "app/lanterraapp.h"
#include "ui/commandids.h"
#include "ui/frame/mainframe.h"

#include <QDropEvent>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

using namespace gui;

class FileProblemsTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        TestSettings settings;
        CLanterraApp app{&settings.settings};

        Fixture()
        {
            app.setNetworksFolder(settings.dir.filePath(QStringLiteral("networks")));
            app.OnFileNew();
        }

        QString Write(const QString &name, const QByteArray &bytes)
        {
            const QString path = settings.dir.filePath(name);
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            return path;
        }
    };

    static void Drop(QWidget *frame, const QString &path)
    {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: the application delivers drops only to a
        // target of a drag it has seen begin.
        static_cast<QObject *>(frame)->event(&drop);
    }

    // The box the window opened, once it is there (nullptr after 5 s).
    static QMessageBox *Box(QWidget *frame)
    {
        QMessageBox *box = nullptr;
        (void)QTest::qWaitFor([&] { return (box = frame->findChild<QMessageBox *>(QStringLiteral("fileProblemBox"))); },
                        5000);
        return box;
    }

private slots:
    void aDroppedFileThatIsNoDocumentIsNamedWithTheReason()
    {
        Fixture f;
        const QString before = f.app.document().GetPathName();
        // A name that would be markup if it were read as rich text.
        const QString path = f.Write(QStringLiteral("<b>notes<i>.txt"), "just some text\n");
        CMainFrame frame(&f.app, &f.settings.settings);
        frame.show();
        Drop(&frame, path);
        QMessageBox *box = Box(&frame);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("Brevant Lanterra"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QVERIFY2(box->text().contains(path), qPrintable(box->text()));
        QVERIFY2(box->text().contains(QStringLiteral("not a network document")), qPrintable(box->text()));
        QVERIFY(frame.statusBar()->currentMessage().contains(path));
        QCOMPARE(f.app.document().GetPathName(), before);
        box->accept();
    }

    void aDocumentReadInPartOpensWithAWarning()
    {
        Fixture f;
        QByteArray bytes("\xFF\xFE", 2);
        for (QChar c : QStringLiteral("<document version=\"1.0\">\r\n <view lastView=\"4\""))
            bytes.append(char(c.unicode())).append('\0');
        const QString path = f.Write(QStringLiteral("Part.net"), bytes);
        CMainFrame frame(&f.app, &f.settings.settings);
        frame.show();
        Drop(&frame, path);
        QCOMPARE(f.app.document().GetPathName(), path);
        QMessageBox *box = Box(&frame);
        QVERIFY(box);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QVERIFY2(box->text().contains(path + QStringLiteral(".bak")), qPrintable(box->text()));
        QCOMPARE(f.app.document().GetPathName(), path);
        box->accept();
    }

    void aFailedSaveIsShownInTheStatusBarAndABox()
    {
        Fixture f;
        CMainFrame frame(&f.app, &f.settings.settings);
        frame.show();
        const QString blocked = f.settings.dir.filePath(QStringLiteral("no/such/folder/Lost.net"));
        f.app.document().SetPathName(blocked);
        frame.RouteCommand(Cmd::FileSave);
        QMessageBox *box = Box(&frame);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("Brevant Lanterra"));
        QVERIFY2(box->text().contains(blocked), qPrintable(box->text()));
        QVERIFY(frame.statusBar()->currentMessage().contains(blocked));
        box->accept();
    }
};

QTEST_MAIN(FileProblemsTest)
#include "tst_fileproblems.moc"
