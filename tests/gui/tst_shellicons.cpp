// SPDX-License-Identifier: GPL-3.0-or-later
// The shared file icons: which paths are asked of the desktop every time,
// which once, and that the answers land in the one shared list.
#include "ui/frame/shellicons.h"

#include <QTest>

class ShellIconsTest : public QObject
{
    Q_OBJECT

private:
    // A desktop that names icons by extension and counts the questions.
    static CShellIcons Counting(QStringList *asked)
    {
        return CShellIcons([asked](const QString &path, bool folder) {
            asked->append(path);
            if (folder)
                return CShellIcons::Answer{QStringLiteral("folder"), QIcon()};
            const qsizetype dot = path.lastIndexOf(u'.');
            return CShellIcons::Answer{dot < 0 ? QString() : path.mid(dot).toLower(), QIcon()};
        });
    }

private slots:
    void cachingRules()
    {
        QStringList asked;
        CShellIcons icons = Counting(&asked);
        // Programs: every time, even with the same name.
        const int first = icons.GetFileIconIndex(QStringLiteral("/opt/a/files.exe"), 0);
        const int second = icons.GetFileIconIndex(QStringLiteral("/opt/b/other.EXE"), 0);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(first, second);
        QVERIFY(first > 0);
        // Other files with options 0: the first one asked decides for all.
        const int bat = icons.GetFileIconIndex(QStringLiteral("/x/run.bat"), 0);
        QCOMPARE(icons.GetFileIconIndex(QStringLiteral("/x/other.bat"), 0), bat);
        QCOMPARE(icons.GetFileIconIndex(QStringLiteral("/x/notes.txt"), 0), bat);
        QCOMPARE(asked.size(), 3);
        // With options: one question per extension, any case.
        const int txt = icons.GetFileIconIndex(QStringLiteral("/x/notes.txt"), 1);
        QCOMPARE(icons.GetFileIconIndex(QStringLiteral("/y/MORE.TXT"), 1), txt);
        QVERIFY(txt != bat);
        QCOMPARE(asked.size(), 4);
        // Folders: once.
        const int folder = icons.GetFileIconIndex(QStringLiteral("/x"), CShellIcons::OptionFolder);
        QCOMPARE(icons.GetFileIconIndex(QStringLiteral("/y"), CShellIcons::OptionFolder), folder);
        QCOMPARE(asked.size(), 5);
        QCOMPARE(icons.ShellQuestions(), 5);
    }

    void answerZeroIsAskedAgain()
    {
        QStringList asked;
        CShellIcons icons = Counting(&asked);
        // No extension: the desktop has no icon for it (index 0).
        QCOMPARE(icons.GetFileIconIndex(QStringLiteral("/x/README"), 0), 0);
        QCOMPARE(icons.GetFileIconIndex(QStringLiteral("/x/run.bat"), 0), 1);
        QCOMPARE(asked.size(), 2);
    }

    void sharedListsHoldTheIcons()
    {
        CShellIcons icons;
        const CSystemImageList *small = icons.GetSystemImageList(true);
        const CSystemImageList *large = icons.GetSystemImageList(false);
        QCOMPARE(icons.GetSystemImageList(true), small);
        QCOMPARE(small->IconSize(), QSize(16, 16));
        QCOMPARE(large->IconSize(), QSize(32, 32));
        const int folder = icons.GetFileIconIndex(QStringLiteral("/tmp"), CShellIcons::OptionFolder);
        const int text = icons.GetFileIconIndex(QStringLiteral("/tmp/a.txt"), 1);
        QVERIFY(folder > 0 && text > 0 && folder != text);
        QCOMPARE(small->Count(), large->Count());
        QVERIFY(small->Count() > std::max(folder, text));
        // The process-wide service hands out the same list every time.
        QCOMPARE(GetSystemImageList(true), GetSystemImageList(true));
    }
};

QTEST_MAIN(ShellIconsTest)
#include "tst_shellicons.moc"
