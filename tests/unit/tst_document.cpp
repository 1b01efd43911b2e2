// SPDX-License-Identifier: GPL-3.0-or-later
// The .net document file: exact bytes, round trips and hand-edited files.
#include "model/hostscore.h"
#include "model/lanterradoc.h"
#include "xml/xmldocument.h"

#include "documentbuilder.h"
#include "documentlines.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray Utf16File(const QString &body)
{
    QByteArray bytes("\xFF\xFE", 2);
    const QString text = XmlFileHeader().toString() + body;
    for (QChar c : text) {
        char unit[2];
        qToLittleEndian<quint16>(c.unicode(), unit);
        bytes.append(unit, 2);
    }
    return bytes;
}

QString Lines(const QStringList &lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

const QStringList &EmptyDocumentLines = NewDocumentHeadLines();

QStringList SmallDocumentLines()
{
    return EmptyDocumentLines + QStringList{
        QStringLiteral("   <net name=\"WORKGROUP\" />"),
        QStringLiteral("  </nets>"),
        QStringLiteral("  <hosts>"),
        QStringLiteral("   <host name=\"SERVER\" addr=\"192.168.0.2\" group=\"WORKGROUP\" onlineCount=\"3\" "
                       "offlineCount=\"1\" lastState=\"0\" lastAnswerTime=\"40\">"),
        QStringLiteral("    <shares>"),
        QStringLiteral("     <share name=\"Music\" />"),
        QStringLiteral("    </shares>"),
        QStringLiteral("   </host>"),
        QStringLiteral("  </hosts>"),
        QStringLiteral(" </cache>"),
        QStringLiteral("</document>"),
    };
}

class DocumentFile : public ::testing::Test
{
protected:
    QString PathOf(const QString &name) const { return m_dir.filePath(name); }

    QByteArray ReadBytes(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString WriteText(const QString &name, const QString &body) const
    {
        const QString path = PathOf(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(Utf16File(body));
        return path;
    }

private:
    QTemporaryDir m_dir;
};

TEST_F(DocumentFile, SmallDocumentComesOutByteForByte)
{
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("WORKGROUP"));
    HostRecord *host = AddHost(doc, net, QStringLiteral("SERVER"), QStringLiteral("192.168.0.2"),
                               {QStringLiteral("Music")});
    host->onlineCount = 3;
    host->offlineCount = 1;
    host->lastAnswerTime = 40;

    const QString path = PathOf(QStringLiteral("small.net"));
    ASSERT_TRUE(doc.WriteDocumentFile(path));
    EXPECT_EQ(ReadBytes(path), Utf16File(Lines(SmallDocumentLines())));
    // The group is refreshed from the workgroup at every save.
    EXPECT_EQ(host->group, u"WORKGROUP");
}

// Ordinary names are written as they stand, a bare '&' included, so that
// every program reading the format finds the same names; only what would
// end a value or read back as an escape is escaped.
TEST_F(DocumentFile, NamesWithAmpersandsAreWrittenAsTheyStandAndReadBack)
{
    const QStringList names = {QStringLiteral("R&D"), QStringLiteral("Tom & Jerry"), QStringLiteral("a\"b"),
                               QStringLiteral("x<y"), QStringLiteral("&amp;")};
    CLanterraDoc doc;
    doc.rules().hosts = {QStringLiteral("Tom & Jerry"), QStringLiteral("R&D"), QStringLiteral("x<y"),
                         QStringLiteral("a\"b"), QStringLiteral("&amp;")};
    NetRecord *net = AddNet(doc, QStringLiteral("R&D"));
    HostRecord *host = AddHost(doc, net, QStringLiteral("Tom & Jerry"), QStringLiteral("192.168.0.2"), names);
    host->onlineCount = 3;
    host->offlineCount = 1;
    host->lastAnswerTime = 40;

    const QString path = PathOf(QStringLiteral("names.net"));
    ASSERT_TRUE(doc.WriteDocumentFile(path));
    QStringList lines = NewDocumentHeadLines();
    lines.replace(6, QStringLiteral("   <host>Tom & Jerry</host>"));
    lines.insert(7, QStringLiteral("   <host>R&D</host>"));
    lines.insert(8, QStringLiteral("   <host>x&lt;y</host>"));
    lines.insert(9, QStringLiteral("   <host>a\"b</host>"));
    lines.insert(10, QStringLiteral("   <host>&amp;amp;</host>"));
    lines.insert(11, QStringLiteral("  </hosts>"));
    lines += QStringList{
        QStringLiteral("   <net name=\"R&D\" />"),
        QStringLiteral("  </nets>"),
        QStringLiteral("  <hosts>"),
        QStringLiteral("   <host name=\"Tom & Jerry\" addr=\"192.168.0.2\" group=\"R&D\" onlineCount=\"3\" "
                       "offlineCount=\"1\" lastState=\"0\" lastAnswerTime=\"40\">"),
        QStringLiteral("    <shares>"),
        QStringLiteral("     <share name=\"R&D\" />"),
        QStringLiteral("     <share name=\"Tom & Jerry\" />"),
        QStringLiteral("     <share name=\"a&quot;b\" />"),
        QStringLiteral("     <share name=\"x<y\" />"),
        QStringLiteral("     <share name=\"&amp;amp;\" />"),
        QStringLiteral("    </shares>"),
        QStringLiteral("   </host>"),
        QStringLiteral("  </hosts>"),
        QStringLiteral(" </cache>"),
        QStringLiteral("</document>"),
    };
    const QByteArray bytes = ReadBytes(path);
    // The text first, for a readable difference; then every byte.
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2), bytes.size() / 2 - 1),
              XmlFileHeader().toString() + Lines(lines));
    EXPECT_EQ(bytes, Utf16File(Lines(lines)));

    CLanterraDoc back;
    ASSERT_TRUE(back.ReadDocumentFile(path, false));
    EXPECT_EQ(back.rules().hosts, doc.rules().hosts);
    ASSERT_EQ(back.cacheNets().size(), 1u);
    EXPECT_EQ(back.cacheNets()[0]->name, u"R&D");
    ASSERT_EQ(back.cacheHosts().size(), 1u);
    EXPECT_EQ(back.cacheHosts()[0]->name, u"Tom & Jerry");
    EXPECT_EQ(back.cacheHosts()[0]->group, u"R&D");
    QStringList backNames;
    for (const auto &share : back.cacheHosts()[0]->shares)
        backNames << share->name;
    EXPECT_EQ(backNames, names);
}

TEST_F(DocumentFile, NewDocumentHoldsDefaultRulesAndAnEmptyCache)
{
    CLanterraDoc doc;
    const QString path = PathOf(QStringLiteral("empty.net"));
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const QStringList tail = {QStringLiteral("  </nets>"), QStringLiteral("  <hosts>"),
                              QStringLiteral("  </hosts>"), QStringLiteral(" </cache>"),
                              QStringLiteral("</document>")};
    EXPECT_EQ(ReadBytes(path), Utf16File(Lines(EmptyDocumentLines + tail)));
}

TEST_F(DocumentFile, RoundTripKeepsRulesCacheAndScoreOrder)
{
    CLanterraDoc doc;
    doc.SetLastView(1);
    doc.SetLastSortCol(2);
    doc.SetLastSortRev(1);
    doc.rules().searchNetAll = 0;
    doc.rules().searchNetCurrent = 1;
    doc.rules().searchNetByList = 1;
    doc.rules().searchHostByList = 1;
    doc.rules().nets = {QStringLiteral("OFFICE"), QString(), QStringLiteral("LAB")};
    doc.rules().hosts = {QStringLiteral("10.0.0.1 - 10.0.0.3"), QStringLiteral("printer")};
    doc.rules().excNets = {QStringLiteral("GUESTS")};
    doc.rules().excHosts = {QStringLiteral("laptop"), QString()};

    NetRecord *office = AddNet(doc, QStringLiteral("OFFICE"));
    NetRecord *manual = AddNet(doc, QString());
    HostRecord *small = AddHost(doc, office, QStringLiteral("SMALL"), QStringLiteral("10.1.0.5"), {QStringLiteral("x")});
    small->onlineCount = 2;
    small->offlineCount = 7;
    small->lastState = 1003;
    small->lastAnswerTime = 35;
    HostRecord *range = AddHost(doc, manual, QString(), QStringLiteral("10.0.0.2"));
    range->offlineCount = 1;
    range->lastState = 53;
    HostRecord *big = AddHost(doc, office, QStringLiteral("BIG"), QStringLiteral("10.1.0.9"),
                              {QStringLiteral("Music"), QStringLiteral("C$"), QStringLiteral("Films & more")});
    big->onlineCount = 12;
    big->lastAnswerTime = 120;

    const QString path = PathOf(QStringLiteral("round.net"));
    ASSERT_TRUE(doc.WriteDocumentFile(path));

    CLanterraDoc loaded;
    ASSERT_TRUE(loaded.ReadDocumentFile(path, false));
    EXPECT_EQ(loaded.lastView(), 1);
    EXPECT_EQ(loaded.lastSortCol(), 2);
    EXPECT_EQ(loaded.lastSortRev(), 1);
    EXPECT_EQ(loaded.rules().searchNetAll, 0);
    EXPECT_EQ(loaded.rules().searchNetCurrent, 1);
    EXPECT_EQ(loaded.rules().searchNetByList, 1);
    EXPECT_EQ(loaded.rules().searchHostByList, 1);
    EXPECT_EQ(loaded.rules().nets, doc.rules().nets);
    EXPECT_EQ(loaded.rules().hosts, doc.rules().hosts);
    EXPECT_EQ(loaded.rules().excNets, doc.rules().excNets);
    EXPECT_EQ(loaded.rules().excHosts, doc.rules().excHosts);

    ASSERT_EQ(loaded.cacheNets().size(), 2u);
    EXPECT_EQ(loaded.cacheNets()[0]->name, u"OFFICE");
    EXPECT_EQ(loaded.cacheNets()[1]->name, u"");

    // Saved in score order: BIG (3 shares), SMALL (1), the range host (0).
    ASSERT_EQ(loaded.cacheHosts().size(), 3u);
    const HostRecord &first = *loaded.cacheHosts()[0];
    EXPECT_EQ(first.name, u"BIG");
    EXPECT_EQ(first.addr, u"10.1.0.9");
    EXPECT_EQ(first.group, u"OFFICE");
    EXPECT_EQ(first.net, loaded.cacheNets()[0].get());
    EXPECT_EQ(first.onlineCount, 12);
    EXPECT_EQ(first.lastAnswerTime, 120);
    ASSERT_EQ(first.shares.size(), 3u);
    EXPECT_EQ(first.shares[2]->name, u"Films & more");
    const HostRecord &second = *loaded.cacheHosts()[1];
    EXPECT_EQ(second.name, u"SMALL");
    EXPECT_EQ(second.onlineCount, 2);
    EXPECT_EQ(second.offlineCount, 7);
    EXPECT_EQ(second.lastState, 1003);
    EXPECT_EQ(second.lastAnswerTime, 35);
    const HostRecord &third = *loaded.cacheHosts()[2];
    EXPECT_EQ(third.name, u"");
    EXPECT_EQ(third.addr, u"10.0.0.2");
    EXPECT_EQ(third.net, loaded.cacheNets()[1].get());
    EXPECT_EQ(third.lastState, 53);

    // Linked and indexed in host order.
    ASSERT_EQ(loaded.GetShareCount(), 4);
    EXPECT_EQ(loaded.shareText(0, ColumnShare), u"Music");
    EXPECT_EQ(loaded.shareText(3, ColumnPath), u"\\\\SMALL\\x");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(loaded.GetShare(i)->index, i);
        EXPECT_EQ(loaded.GetShare(i)->groupIndex, 0);
    }
    EXPECT_EQ(loaded.GetHostsTotal(), 3);
    EXPECT_EQ(loaded.GetNetsTotal(), 2);
    EXPECT_EQ(loaded.GetHostsPending(), 0);
    EXPECT_EQ(loaded.GetNetsPending(), 0);

    // Saved again, it is the same file.
    const QString again = PathOf(QStringLiteral("again.net"));
    ASSERT_TRUE(loaded.WriteDocumentFile(again));
    EXPECT_EQ(ReadBytes(again), ReadBytes(path));
}

TEST_F(DocumentFile, ShareStatesAfterLoadFollowTheMaskSetting)
{
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("WG"));
    AddHost(doc, net, QStringLiteral("UP"), QString(), {QStringLiteral("a"), QStringLiteral("b")})->onlineCount = 5;
    HostRecord *down = AddHost(doc, net, QStringLiteral("DOWN"), QString(), {QStringLiteral("c")});
    down->lastState = 53;
    HostRecord *denied = AddHost(doc, net, QStringLiteral("DENIED"), QString(), {QStringLiteral("d")});
    denied->lastState = 5;
    const QString path = PathOf(QStringLiteral("states.net"));
    ASSERT_TRUE(doc.WriteDocumentFile(path));

    CLanterraDoc byHistory;
    byHistory.ReadDocumentFile(path, false);
    ASSERT_EQ(byHistory.GetShareCount(), 4);
    for (int i = 0; i < 4; ++i) {
        const HostRecord *host = byHistory.GetShare(i)->host;
        EXPECT_EQ(byHistory.GetShareState(i), host->lastState == 0 ? ShareOnline : ShareOffline)
            << host->name.toStdString();
    }

    CLanterraDoc masked;
    masked.ReadDocumentFile(path, true);
    ASSERT_EQ(masked.GetShareCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(masked.GetShareState(i), ShareUnknown);
}

TEST_F(DocumentFile, SaveAtCloseLeavesOutDuplicates)
{
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("WG"));
    AddHost(doc, net, QStringLiteral("KEEP"), QStringLiteral("10.0.0.1"), {QStringLiteral("a")});
    HostRecord *dup = AddHost(doc, net, QString(), QStringLiteral("10.0.0.1"), {QStringLiteral("b")});
    dup->duplicate = true;
    AddHost(doc, net, QStringLiteral("ALSO"), QString());

    const QString all = PathOf(QStringLiteral("all.net"));
    const QString close = PathOf(QStringLiteral("close.net"));
    ASSERT_TRUE(doc.WriteDocumentFile(all));
    ASSERT_TRUE(doc.WriteDocumentFile(close, true));

    CLanterraDoc withAll;
    withAll.ReadDocumentFile(all, false);
    EXPECT_EQ(withAll.cacheHosts().size(), 3u);
    CLanterraDoc closed;
    closed.ReadDocumentFile(close, false);
    ASSERT_EQ(closed.cacheHosts().size(), 2u);
    EXPECT_EQ(closed.cacheHosts()[0]->name, u"KEEP");
    EXPECT_EQ(closed.cacheHosts()[1]->name, u"ALSO");
    EXPECT_EQ(closed.GetShareCount(), 1);
}

TEST_F(DocumentFile, AttributesAreTakenByPosition)
{
    QStringList lines = SmallDocumentLines();
    lines[19] = QStringLiteral("   <host addr=\"192.168.0.2\" name=\"SERVER\" group=\"WORKGROUP\" offlineCount=\"1\" "
                               "onlineCount=\"3\" lastState=\"0\" lastAnswerTime=\"40\">");
    const QString path = WriteText(QStringLiteral("swapped.net"), Lines(lines));

    CLanterraDoc doc;
    ASSERT_TRUE(doc.ReadDocumentFile(path, false));
    ASSERT_EQ(doc.cacheHosts().size(), 1u);
    EXPECT_EQ(doc.cacheHosts()[0]->name, u"192.168.0.2");
    EXPECT_EQ(doc.cacheHosts()[0]->addr, u"SERVER");
    EXPECT_EQ(doc.cacheHosts()[0]->onlineCount, 1);
    EXPECT_EQ(doc.cacheHosts()[0]->offlineCount, 3);
}

TEST_F(DocumentFile, OtherVersionsAreRefused)
{
    for (const QString &version : {QStringLiteral("<document version=\"1.1\">"), QStringLiteral("<document>")}) {
        QStringList lines = SmallDocumentLines();
        lines[0] = version;
        lines[1] = QStringLiteral(" <view lastView=\"1\" lastSortCol=\"1\" lastSortRev=\"1\" />");
        lines[2] = QStringLiteral(" <rules searchNetAll=\"0\" searchNetCurrent=\"1\" searchNetByList=\"0\" "
                                  "searchHostByList=\"0\">");
        const QString path = WriteText(QStringLiteral("version.net"), Lines(lines));

        // Not read at all: a save could only lose what the file holds.
        CLanterraDoc doc;
        doc.SetLastView(2);
        EXPECT_FALSE(doc.ReadDocumentFile(path, false));
        EXPECT_EQ(doc.lastView(), 2);
        EXPECT_EQ(doc.lastSortCol(), 3);
        EXPECT_EQ(doc.rules().searchNetAll, 1);
        EXPECT_EQ(doc.rules().searchNetCurrent, 0);
        EXPECT_TRUE(doc.cacheNets().empty());
        EXPECT_TRUE(doc.cacheHosts().empty());
        EXPECT_EQ(doc.GetShareCount(), 0);
        const Result<QString> text = CLanterraDoc::LoadDocumentText(path);
        EXPECT_FALSE(text);
        EXPECT_TRUE(text.reason().contains(u"version 1.0")) << qPrintable(text.reason());
    }
}

TEST_F(DocumentFile, HostWithAnUnknownGroupGetsItsWorkgroup)
{
    QStringList lines = SmallDocumentLines();
    lines[19].replace(QStringLiteral("group=\"WORKGROUP\""), QStringLiteral("group=\"ELSEWHERE\""));
    const QString path = WriteText(QStringLiteral("group.net"), Lines(lines));

    CLanterraDoc doc;
    ASSERT_TRUE(doc.ReadDocumentFile(path, false));
    ASSERT_EQ(doc.cacheNets().size(), 2u);
    EXPECT_EQ(doc.cacheNets()[1]->name, u"ELSEWHERE");
    EXPECT_EQ(doc.cacheHosts()[0]->net, doc.cacheNets()[1].get());
    EXPECT_EQ(doc.GetNetsTotal(), 2);
    EXPECT_EQ(doc.shareText(0, ColumnWorkgroup), u"ELSEWHERE");
}

TEST_F(DocumentFile, UnreadableFilesLeaveAnEmptyDocument)
{
    CLanterraDoc doc;
    EXPECT_FALSE(doc.ReadDocumentFile(PathOf(QStringLiteral("missing.net")), false));
    EXPECT_TRUE(doc.cacheHosts().empty());
    EXPECT_EQ(doc.rules().searchNetAll, 1);
}

TEST_F(DocumentFile, EveryCutIsReadUpToItAndMarkedAsReadInPart)
{
    const QString body = Lines(SmallDocumentLines());
    const QString version = QStringLiteral("version=\"1.0");
    const qsizetype versionRead = body.indexOf(version) + version.size();
    const QString hostTag = QStringLiteral("lastAnswerTime=\"40\"");
    const qsizetype hostRead = body.indexOf(hostTag) + hostTag.size();
    const QString shareTag = QStringLiteral("name=\"Music\"");
    const qsizetype shareRead = body.indexOf(shareTag) + shareTag.size();
    for (qsizetype cut = 0; cut <= body.size(); ++cut) {
        SCOPED_TRACE(cut);
        const QString path = WriteText(QStringLiteral("cut.net"), body.left(cut));
        CLanterraDoc doc;
        const bool opened = doc.ReadDocumentFile(path, false).ok();
        // Before its version the file is no document at all.
        ASSERT_EQ(opened, cut >= versionRead);
        if (!opened)
            continue;
        // Anything short of the whole text is kept as a backup at the next save.
        EXPECT_EQ(doc.GetPendingBackupOf().isEmpty(), cut == body.size());
        // What lies before the cut is read.
        if (cut >= hostRead) {
            ASSERT_EQ(doc.cacheHosts().size(), 1u);
            EXPECT_EQ(doc.cacheHosts()[0]->name, u"SERVER");
            EXPECT_EQ(doc.cacheHosts()[0]->lastAnswerTime, 40);
        }
        if (cut >= shareRead) {
            ASSERT_EQ(doc.GetShareCount(), 1);
            EXPECT_EQ(doc.GetShare(0)->name, u"Music");
        } else {
            // A share whose element has begun may come with part of its name.
            ASSERT_LE(doc.GetShareCount(), 1);
            if (doc.GetShareCount() == 1) {
                EXPECT_TRUE(QStringLiteral("Music").startsWith(doc.GetShare(0)->name));
            }
        }
    }
}

TEST_F(DocumentFile, AFailedWriteKeepsTheOldFile)
{
    CLanterraDoc doc;
    const QString path = PathOf(QStringLiteral("kept.net"));
    ASSERT_TRUE(doc.WriteDocumentFile(path));
    const QByteArray before = ReadBytes(path);

    // The next save of the same file runs out of room half-way (a file size
    // limit stands in for a full disk).
    NetRecord *net = AddNet(doc, QStringLiteral("WG"));
    for (int i = 0; i < 200; ++i)
        AddHost(doc, net, QStringLiteral("HOST-%1").arg(i), QStringLiteral("10.0.0.1"), {QStringLiteral("Share")});
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 8192;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result<void> written = doc.WriteDocumentFile(path);
    const Result<void> saved = doc.OnSaveDocument(path);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_FALSE(written.reason().isEmpty());
    // The save command answers what happened, with the same reason.
    EXPECT_FALSE(saved);
    EXPECT_EQ(saved.reason(), written.reason());
    EXPECT_EQ(ReadBytes(path), before);
    // No half-written temporary file is left beside it.
    EXPECT_EQ(QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("kept.net")});
    EXPECT_FALSE(doc.WriteDocumentFile(QString()));
    EXPECT_EQ(ReadBytes(path), before);

    // With room again the same save goes through.
    EXPECT_TRUE(doc.WriteDocumentFile(path));
    EXPECT_GT(ReadBytes(path).size(), 8192);
}

} // namespace
