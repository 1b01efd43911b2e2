// SPDX-License-Identifier: GPL-3.0-or-later
// What lanterra-scan prints for names a hostile server or file can hold:
// CSV cells a spreadsheet would run as formulas are neutralised, hidden
// characters never break a line or disguise a name in text and CSV, and
// JSON gives every name back exactly.
#include "cli/scanoptions.h"
#include "cli/shareoutput.h"
#include "model/scanrules.h"
#include "model/visibletext.h"
#include "net/neterrors.h"

#include "documentbuilder.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

ShareRow Row(const QString &share, const QString &host = QStringLiteral("nas"))
{
    ShareRow row;
    row.workgroup = QStringLiteral("HOME");
    row.host = host;
    row.address = QStringLiteral("10.0.0.5");
    row.share = share;
    row.unc = QStringLiteral("\\\\") + host + u'\\' + share;
    row.state = QStringLiteral("online");
    row.group = QStringLiteral("Other");
    return row;
}

// The CSV's lines after the header, split into raw cells (quotes kept).
QStringList CsvLines(const QList<ShareRow> &rows)
{
    QStringList lines = QString::fromUtf8(FormatShares(rows, ScanOptions::Format::Csv)).split(u'\n');
    EXPECT_EQ(lines.takeLast(), QString()); // the text ends with a line break
    lines.removeFirst();
    return lines;
}

// The share cell (fourth) of a CSV line whose other cells hold no separator.
QString ShareCell(const QString &line)
{
    const QString head = QStringLiteral("HOME,nas,10.0.0.5,");
    EXPECT_TRUE(line.startsWith(head)) << line.toStdString();
    const QString rest = line.mid(head.size());
    const QString tail = QStringLiteral(",online,Other");
    EXPECT_TRUE(rest.endsWith(tail)) << line.toStdString();
    // Drop the UNC cell too: the share cell is what comes before it.
    const QString cells = rest.left(rest.size() - tail.size());
    const qsizetype unc = cells.lastIndexOf(QStringLiteral(",\\\\nas\\"));
    const qsizetype quotedUnc = cells.lastIndexOf(QStringLiteral(",\"\\\\nas\\"));
    return cells.left(quotedUnc >= 0 ? quotedUnc : unc);
}

TEST(ShareOutput, CsvCellsThatStartLikeAFormulaAreNeutralised)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("=HYPERLINK(\"http://x\",\"click\")"),
         QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\",\"\"click\"\")\"")},
        {QStringLiteral("+cmd"), QStringLiteral("'+cmd")},
        {QStringLiteral("-2+3"), QStringLiteral("'-2+3")},
        {QStringLiteral("@SUM(A1)"), QStringLiteral("'@SUM(A1)")},
        {QStringLiteral("\t=1"), QStringLiteral("'\\u0009=1")},
        {QStringLiteral("\r=1"), QStringLiteral("'\\u000D=1")},
        {QStringLiteral("a=b"), QStringLiteral("a=b")},
        {QStringLiteral("music"), QStringLiteral("music")},
        {QStringLiteral("semi;colon"), QStringLiteral("\"semi;colon\"")},
        {QStringLiteral("com,ma"), QStringLiteral("\"com,ma\"")},
        {QStringLiteral("it's"), QStringLiteral("it's")},
    };
    for (const auto &[name, cell] : cases) {
        const QStringList lines = CsvLines({Row(name)});
        ASSERT_EQ(lines.size(), 1) << name.toStdString();
        EXPECT_EQ(ShareCell(lines[0]), cell) << name.toStdString();
    }
    // Every cell, not only the name: a workgroup from the network too.
    ShareRow row = Row(QStringLiteral("docs"));
    row.workgroup = QStringLiteral("=EVIL");
    EXPECT_TRUE(CsvLines({row}).value(0).startsWith(QStringLiteral("'=EVIL,nas,")));
}

TEST(ShareOutput, HiddenCharactersKeepEveryShareOnItsLine)
{
    const QString names[] = {
        QStringLiteral("line\nfeed"),
        QStringLiteral("carriage\rreturn"),
        QStringLiteral("next") + QChar(0x85) + QStringLiteral("line"),
        QStringLiteral("line") + QChar(0x2028) + QStringLiteral("sep"),
        QStringLiteral("para") + QChar(0x2029) + QStringLiteral("sep"),
        QStringLiteral("rlo") + QChar(0x202E) + QStringLiteral("exe.txt"),
    };
    QList<ShareRow> rows;
    for (const QString &name : names)
        rows.append(Row(name));
    for (const auto format : {ScanOptions::Format::Text, ScanOptions::Format::Csv}) {
        const QString text = QString::fromUtf8(FormatShares(rows, format));
        // One header line and one line per share, split however a reader
        // splits lines.
        EXPECT_EQ(text.split(QRegularExpression(QStringLiteral("\\R"))).size(), 1 + qsizetype(std::size(names)) + 1);
        for (const char32_t hidden : {0x0DU, 0x85U, 0x2028U, 0x2029U, 0x202EU})
            EXPECT_FALSE(text.contains(QString::fromUcs4(&hidden, 1))) << int(hidden);
        EXPECT_TRUE(text.contains(QStringLiteral("rlo\\u202Eexe.txt")));
        EXPECT_TRUE(text.contains(QStringLiteral("line\\u2028sep")));
        EXPECT_TRUE(text.contains(QStringLiteral("next\\u0085line")));
    }
}

TEST(ShareOutput, JsonGivesEveryNameBackExactly)
{
    const QString names[] = {
        QStringLiteral("=HYPERLINK(\"http://x\")"),
        QStringLiteral("line") + QChar(0x2028) + QStringLiteral("sep"),
        QStringLiteral("rlo") + QChar(0x202E) + QStringLiteral("exe.txt"),
        QStringLiteral("<img src=\"/dev/zero\">"),
        QStringLiteral("back\\slash"),
        QStringLiteral("a;b,c\"d"),
        QStringLiteral("\t-x"),
        QString::fromUtf8("Музыка 音楽 🎵"),
    };
    QList<ShareRow> rows;
    for (const QString &name : names)
        rows.append(Row(name));
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(FormatShares(rows, ScanOptions::Format::Json), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    const QJsonArray array = json.array();
    ASSERT_EQ(array.size(), qsizetype(std::size(names)));
    for (qsizetype i = 0; i < array.size(); ++i) {
        EXPECT_EQ(array[i].toObject().value(QStringLiteral("share")).toString(), names[i]);
        EXPECT_EQ(array[i].toObject().value(QStringLiteral("unc")).toString(), rows[i].unc);
    }
}

TEST(ShareOutput, ACutIsToldInJsonAndInTheTextSummary)
{
    ShareRow cut = Row(QStringLiteral("S0001"), QStringLiteral("huge"));
    cut.hostSharesLeftOut = 904;
    const QJsonArray array =
        QJsonDocument::fromJson(FormatShares({cut, Row(QStringLiteral("music"))}, ScanOptions::Format::Json)).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject().value(QStringLiteral("hostSharesLeftOut")).toInt(-1), 904);
    EXPECT_EQ(array[1].toObject().value(QStringLiteral("hostSharesLeftOut")).toInt(-1), 0);

    // The summary follows the table after a blank line, a note a line, and
    // a name from the network cannot break one.
    EXPECT_EQ(FormatSummary({}), QByteArray());
    EXPECT_EQ(FormatSummary({QStringLiteral("huge lists more"), QStringLiteral("bad\nname")}),
              QByteArray("\nhuge lists more\nbad\\u000Aname\n"));
}

TEST(VisibleText, WritesOutOnlyWhatHasNoShape)
{
    using VisibleText::EscapeHidden;
    // Letters of any script, emoji with their joiners, and spaces stay.
    const QString kept[] = {
        QString::fromUtf8("Музыка"),
        QString::fromUtf8("音楽"),
        QString::fromUtf8("עברית"),
        QString::fromUtf8("👨\u200D👩\u200D👧"),
        QString::fromUtf8("🏴\U000E0067\U000E0062\U000E007F"),
        QStringLiteral("two  spaces"),
        QString::fromUtf8("نیم\u200Cفاصله"),
    };
    for (const QString &text : kept)
        EXPECT_EQ(EscapeHidden(text), text) << text.toStdString();
    EXPECT_EQ(EscapeHidden(QStringLiteral("a\tb")), QStringLiteral("a\\u0009b"));
    EXPECT_EQ(EscapeHidden(QStringLiteral("zero") + QChar(0x200B) + QStringLiteral("width")),
              QStringLiteral("zero\\u200Bwidth"));
    EXPECT_EQ(EscapeHidden(QChar(0xFEFF) + QStringLiteral("bom")), QStringLiteral("\\uFEFFbom"));
    EXPECT_EQ(EscapeHidden(QStringLiteral("iso") + QChar(0x2066) + QStringLiteral("late") + QChar(0x2069)),
              QStringLiteral("iso\\u2066late\\u2069"));
    EXPECT_EQ(EscapeHidden(QString::fromUcs4(U"tag\U000E0001")), QStringLiteral("tag\\U000E0001"));
    EXPECT_EQ(EscapeHidden(QStringLiteral("lone") + QChar(0xD800)), QStringLiteral("lone\\uD800"));
}

// lanterra-scan names on standard error each host entry a scan cuts short.
struct CutCase
{
    const char *name;
    QStringList arguments;
    int searchHostByList; // of the document's rules before the options
    QStringList notes;
};

class CutRangeNotesOf : public testing::TestWithParam<CutCase>
{};

TEST_P(CutRangeNotesOf, TheRulesInEffect)
{
    const CutCase &c = GetParam();
    ScanOptions options;
    ASSERT_FALSE(options.Parse(QStringList{QStringLiteral("lanterra-scan")} + c.arguments));
    ScanRules rules;
    rules.searchHostByList = c.searchHostByList;
    rules.hosts = {QStringLiteral("10.0.0.0-10.3.255.255")};
    options.ApplyTo(rules);
    EXPECT_EQ(CutRangeNotes(rules), c.notes);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CutRangeNotesOf,
    testing::Values(
        CutCase{"GivenHosts",
                {QStringLiteral("--hosts"), QStringLiteral("nas;10.0.0.0-10.1.255.255;10.9.0.0-10.9.255.255")},
                0,
                {QStringLiteral("Only the first 65536 addresses of \"10.0.0.0-10.1.255.255\" are scanned; 65536 "
                                "addresses are left out.")}},
        CutCase{"DocumentHosts",
                {},
                1,
                {QStringLiteral("Only the first 65536 addresses of \"10.0.0.0-10.3.255.255\" are scanned; 196608 "
                                "addresses are left out.")}},
        CutCase{"GivenNetwork",
                {QStringLiteral("--hosts"), QStringLiteral("10.0.0.0/15;10.0.0.1-20")},
                0,
                {QStringLiteral("Only the first 65536 addresses of \"10.0.0.0/15\" are scanned; 65534 "
                                "addresses are left out.")}},
        CutCase{"HostListOff", {}, 0, {}}),
    [](const auto &info) { return std::string(info.param.name); });

// A --hosts entry written like an address that is none is a bad argument
// (exit status 2), named in the message; it is never probed as a name.
struct RefusedCase
{
    const char *name;
    QString hosts;
    QString refused; // empty: accepted
};

class HostsArgument : public testing::TestWithParam<RefusedCase>
{};

TEST_P(HostsArgument, RefusesWhatIsNoAddress)
{
    const RefusedCase &c = GetParam();
    ScanOptions options;
    const std::optional<QString> error =
        options.Parse({QStringLiteral("lanterra-scan"), QStringLiteral("--hosts"), c.hosts});
    if (c.refused.isEmpty()) {
        EXPECT_FALSE(error) << error->toStdString();
        return;
    }
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->startsWith(u'"' + c.refused + QStringLiteral("\" is neither an address nor an address range")))
        << error->toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cli, HostsArgument,
    testing::Values(RefusedCase{"PartAbove255", QStringLiteral("nas;10.0.0.300"), "10.0.0.300"},
                    RefusedCase{"PrefixAbove32", QStringLiteral("10.0.0.0/33"), "10.0.0.0/33"},
                    RefusedCase{"ThreeParts", QStringLiteral("10.0.0;10.1.2.3.4"), "10.0.0"},
                    RefusedCase{"RangesAndNames", QStringLiteral("10.0.0.0/24;10.0.0.1-20;nas;;10.0.0.9"), {}}),
    [](const auto &info) { return std::string(info.param.name); });

// A host whose last listing stands in the way of its shares is one row of its
// own, whatever it listed before; any other host gives its shares.
struct HostRowCase
{
    const char *name;
    std::uint32_t lastState;
    bool duplicate;
    QStringList states; // of the host's rows, in order
};

class HostRowsOf : public testing::TestWithParam<HostRowCase>
{};

TEST_P(HostRowsOf, TheLastListing)
{
    const HostRowCase &c = GetParam();
    CLanterraDoc doc(nullptr);
    DocBuilder build(doc);
    HostRecord *host = build.Host(QStringLiteral("NAS"), QStringLiteral("HOME"), QStringLiteral("10.0.0.5"));
    build.Share(host, QStringLiteral("old"), c.lastState == 0 ? ShareOnline : ShareOffline);
    host->lastState = int(c.lastState);
    host->duplicate = c.duplicate;
    QStringList states;
    for (const ShareRow &row : CollectShares(doc)) {
        states.append(row.state);
        if (row.share.isEmpty()) {
            EXPECT_EQ(row.host, QStringLiteral("NAS"));
            EXPECT_EQ(row.unc, QStringLiteral("\\\\NAS"));
        }
    }
    EXPECT_EQ(states, c.states);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, HostRowsOf,
    testing::Values(
        HostRowCase{"Listed", NetError::Success, false, {QStringLiteral("online")}},
        HostRowCase{"Offline", NetError::BadNetPath, false, {QStringLiteral("offline")}},
        HostRowCase{
            "LoginNeeded", NetError::AccessDenied, false, {QStringLiteral("offline"), QStringLiteral("login-needed")}},
        HostRowCase{
            "Smb1Only", NetError::Smb1NotAvailable, false, {QStringLiteral("offline"), QStringLiteral("smb1-only")}},
        HostRowCase{"DuplicateSmb1Only", NetError::Smb1NotAvailable, true, {QStringLiteral("offline")}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
