// SPDX-License-Identifier: GPL-3.0-or-later
// How a dialog's edit turns into a list and back.
#include "ui/toolkit/textlists.h"

#include <QtTest>

class TestTextLists : public QObject
{
    Q_OBJECT
private slots:
    void splittingAndJoining_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("list");
        QTest::newRow("typed exclusions")
            << QStringLiteral("host1;host2 ; host3") << QStringLiteral("; ") << QStringList{"host1", "host2", "host3"};
        QTest::newRow("trailing line break")
            << QStringLiteral("A\r\nB\r\n") << QStringLiteral("\r\n") << QStringList{"A", "B", ""};
        QTest::newRow("doubled line break")
            << QStringLiteral("A\r\n\r\nB") << QStringLiteral("\r\n") << QStringList{"A", "", "B"};
        QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("; ") << QStringList{};
        QTest::newRow("blanks around lines")
            << QStringLiteral("  A \r\n B") << QStringLiteral("\r\n") << QStringList{"A", "B"};
    }
    void splittingAndJoining()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QStringList, list);
        QCOMPARE(SplitText(text, separator), list);
        QCOMPARE(SplitText(JoinText(list, separator), separator), list);
    }
};

QTEST_MAIN(TestTextLists)
#include "tst_textlists.moc"
