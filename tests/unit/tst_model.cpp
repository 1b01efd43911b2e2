// SPDX-License-Identifier: GPL-3.0-or-later
// Records, read operations, scheme classification and the host order.
#include "model/hostscore.h"
#include "model/lanterradoc.h"
#include "settings/sharescheme.h"

#include "documentbuilder.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>

namespace {

class RecordingView : public DocumentView
{
public:
    void OnDocumentUpdate(ViewHint hint) override { hints.push_back(hint); }
    std::vector<ViewHint> hints;
};

ShareScheme MusicAndFilms()
{
    ShareScheme scheme;
    scheme.name = QStringLiteral("Media");
    ShareGroup music;
    music.name = QStringLiteral("Music");
    music.visible = 1;
    music.includeKeywords = {QStringLiteral("music"), QStringLiteral("mp3")};
    ShareGroup films;
    films.name = QStringLiteral("Films");
    films.visible = 0;
    films.includeKeywords = {QStringLiteral("film")};
    scheme.groups = {music, films};
    return scheme;
}

TEST(Records, HostTextIsSafeToReadWhileAProbeChangesIt)
{
    HostRecord host(QString(), nullptr, QStringLiteral("10.0.0.1"));
    std::atomic<bool> done{false};
    std::jthread probe([&] {
        for (int i = 0; i < 20000; ++i) {
            host.SetAddr(QStringLiteral("10.0.%1.%2").arg(i / 200).arg(i % 200));
            host.SetName(i % 2 ? QStringLiteral("RENAMED") : QString());
        }
        done = true;
    });
    // At least one read, even when the writer is done before this thread runs.
    int reads = 0;
    do {
        const QString text = host.GetDisplayName();
        EXPECT_FALSE(text.isEmpty());
        ++reads;
    } while (!done);
    EXPECT_GT(reads, 0);
}

TEST(ReadOperations, AnswerOutOfRangeIndexesWithNeutralValues)
{
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("WG"));
    AddHost(doc, net, QStringLiteral("PC"), QString(), {QStringLiteral("Docs")});
    doc.GetShare(0)->groupIndex = 2;
    doc.GetShare(0)->state = ShareOnline;

    EXPECT_EQ(doc.GetShareCount(), 1);
    EXPECT_EQ(doc.GetShareGroup(0), 2);
    EXPECT_EQ(doc.GetShareState(0), ShareOnline);
    EXPECT_EQ(doc.GetShareGroup(1), -1);
    EXPECT_EQ(doc.GetShareState(1), ShareUnknown);
    EXPECT_EQ(doc.GetShareGroup(-1), -1);
    EXPECT_EQ(doc.GetShareState(-1), ShareUnknown);
    EXPECT_EQ(doc.GetShare(1), nullptr);
    EXPECT_TRUE(doc.shareText(1, ColumnShare).isEmpty());
    EXPECT_TRUE(doc.shareText(-1, ColumnShare).isEmpty());
}

TEST(ReadOperations, ShareTextColumns)
{
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("OFFICE"));
    AddHost(doc, net, QStringLiteral("SERVER"), QStringLiteral("10.0.0.2"), {QStringLiteral("Music")});
    AddHost(doc, net, QString(), QStringLiteral("10.0.0.9"), {QStringLiteral("C$")});

    EXPECT_EQ(doc.shareText(0, ColumnWorkgroup), u"OFFICE");
    EXPECT_EQ(doc.shareText(0, ColumnHost), u"SERVER");
    EXPECT_EQ(doc.shareText(0, ColumnShare), u"Music");
    EXPECT_EQ(doc.shareText(0, ColumnPath), u"\\\\SERVER\\Music");
    // A host known by its address alone shows the address.
    EXPECT_EQ(doc.shareText(1, ColumnHost), u"10.0.0.9");
    EXPECT_EQ(doc.shareText(1, ColumnPath), u"\\\\10.0.0.9\\C$");
    for (int column : {0, 4, 5, 6, 8, -1})
        EXPECT_TRUE(doc.shareText(0, column).isEmpty()) << column;
}

TEST(ApplyScheme, ClassifiesEveryShareAndCountsVisibleOnes)
{
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("WG"));
    HostRecord *a = AddHost(doc, net, QStringLiteral("A"), QString(),
                            {QStringLiteral("MP3 archive"), QStringLiteral("Films"), QStringLiteral("Other")});
    HostRecord *b = AddHost(doc, net, QStringLiteral("B"), QString(), {QStringLiteral("music")});
    const ShareScheme scheme = MusicAndFilms();

    doc.applyScheme(&scheme);
    // The document keeps its own copy: the settings' scheme may go away.
    ASSERT_TRUE(doc.scheme());
    EXPECT_NE(doc.scheme(), &scheme);
    EXPECT_EQ(doc.scheme()->name, scheme.name);
    EXPECT_EQ(doc.GetShareGroup(0), 0);
    EXPECT_EQ(doc.GetShare(0)->groupVisible, 1);
    EXPECT_EQ(doc.GetShareGroup(1), 1);
    EXPECT_EQ(doc.GetShare(1)->groupVisible, 0);
    EXPECT_EQ(doc.GetShareGroup(2), -1);
    EXPECT_EQ(doc.GetShare(2)->groupVisible, 0);
    EXPECT_EQ(a->visibleShares, 1);
    EXPECT_EQ(b->visibleShares, 1);

    // The counts are of the scheme just applied, however often it is.
    doc.applyScheme(&scheme);
    EXPECT_EQ(a->visibleShares, 1);
    EXPECT_EQ(b->visibleShares, 1);

    doc.applyScheme(nullptr);
    EXPECT_EQ(doc.GetShareGroup(0), -1);
    EXPECT_EQ(doc.GetShare(0)->groupVisible, 0);
    EXPECT_EQ(a->visibleShares, 0);
    EXPECT_EQ(b->visibleShares, 0);
}

// The view applies the scheme again at every rebuild of its list (each
// Show Offline toggle): a cached host must not gain score by that against
// a host that was found later.
TEST(ApplyScheme, AgainAndAgainLeavesTheHostOrderAlone)
{
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("WG"));
    // 1 + 1 * 8 * 6 = 49 with its one music share counted once.
    HostRecord *cached = AddHost(doc, net, QStringLiteral("CACHED"), QString(), {QStringLiteral("music")});
    cached->onlineCount = 5;
    // 60 shares in no group: 60.
    QStringList others;
    for (int i = 0; i < 60; ++i)
        others.append(QStringLiteral("other%1").arg(i));
    HostRecord *found = AddHost(doc, net, QStringLiteral("FOUND"), QString(), others);
    const ShareScheme scheme = MusicAndFilms();

    for (int applied = 1; applied <= 4; ++applied) {
        SCOPED_TRACE(applied);
        doc.applyScheme(&scheme);
        EXPECT_EQ(cached->visibleShares, 1);
        EXPECT_EQ(found->visibleShares, 0);
        doc.SortHostsByScore();
        EXPECT_EQ(doc.cacheHosts()[0].get(), found);
        EXPECT_EQ(doc.cacheHosts()[1].get(), cached);
    }
}

TEST(HostScore, FollowsTheScoreFormula)
{
    HostRecord empty;
    EXPECT_EQ(HostScore(empty), 0);

    HostRecord host;
    for (int i = 0; i < 5; ++i)
        host.shares.push_back(std::make_unique<ShareRecord>(QString::number(i), &host));
    host.visibleShares = 2;
    host.onlineCount = 3;
    host.offlineCount = 0;
    EXPECT_EQ(HostScore(host), 69);

    host.offlineCount = 4; // 64 / 5, rounded toward zero
    EXPECT_EQ(HostScore(host), 5 + 12);
    EXPECT_EQ(HostAnswerRatio(host), 0);
}

TEST(HostScore, LargeCountersDoNotOverflow)
{
    HostRecord host;
    host.visibleShares = 100000;
    host.onlineCount = 100000;
    // 8 * 100000 * 100001 is far beyond 32 bits.
    EXPECT_EQ(HostScore(host), qint64(8) * 100000 * 100001);

    host.onlineCount = INT_MAX;
    host.offlineCount = INT_MAX;
    EXPECT_EQ(HostScore(host), (qint64(8) * 100000 * (qint64(INT_MAX) + 1)) / (qint64(INT_MAX) + 1));
}

TEST(HostScore, NegativeCountersFromEditedFilesCountAsZero)
{
    HostRecord host;
    host.visibleShares = 1;
    host.onlineCount = 1;
    host.offlineCount = -1; // would divide by zero
    EXPECT_EQ(HostScore(host), 16);
    host.visibleShares = -5;
    EXPECT_EQ(HostScore(host), 0);
}

TEST(HostScore, SortPutsHigherScoresFirstThenBetterAnswerRatios)
{
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("WG"));
    HostRecord *quiet = AddHost(doc, net, QStringLiteral("QUIET"), QString());
    quiet->onlineCount = 1;
    quiet->offlineCount = 5;
    HostRecord *big = AddHost(doc, net, QStringLiteral("BIG"), QString(),
                              {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    HostRecord *reliable = AddHost(doc, net, QStringLiteral("RELIABLE"), QString());
    reliable->onlineCount = 9;
    HostRecord *visible = AddHost(doc, net, QStringLiteral("VISIBLE"), QString(), {QStringLiteral("m")});
    visible->visibleShares = 1;

    doc.SortHostsByScore();
    ASSERT_EQ(doc.cacheHosts().size(), 4u);
    EXPECT_EQ(doc.cacheHosts()[0].get(), visible); // 1 + 8
    EXPECT_EQ(doc.cacheHosts()[1].get(), big); // 3
    EXPECT_EQ(doc.cacheHosts()[2].get(), reliable); // 0, ratio 9
    EXPECT_EQ(doc.cacheHosts()[3].get(), quiet); // 0, ratio 0
    for (size_t i = 1; i < doc.cacheHosts().size(); ++i)
        EXPECT_FALSE(HostScoreBefore(*doc.cacheHosts()[i], *doc.cacheHosts()[i - 1]));
}

TEST(Views, HintsReachRegisteredViewsOnly)
{
    CLanterraDoc doc;
    RecordingView first, second;
    doc.AddView(&first);
    doc.AddView(&second);
    doc.AddView(&first); // once is enough
    doc.UpdateAllViews(HintNewDocument);
    doc.RemoveView(&second);
    doc.UpdateAllViews(HintDocumentLoad);

    EXPECT_EQ(first.hints, (std::vector<ViewHint>{HintNewDocument, HintDocumentLoad}));
    EXPECT_EQ(second.hints, (std::vector<ViewHint>{HintNewDocument}));
}

TEST(DeleteContents, EmptiesTheModelAndKeepsViewStateAndCounters)
{
    CLanterraDoc doc;
    NetRecord *net = AddNet(doc, QStringLiteral("WG"));
    // Filled as a load fills it, which sets the counters.
    HostRecord *host = AddHost(doc, net, QStringLiteral("PC"), QStringLiteral("10.0.0.1"));
    host->shares.push_back(std::make_unique<ShareRecord>(QStringLiteral("s"), host));
    doc.LinkLoadedModel(false);
    ShareRecord *share = doc.GetShare(0);
    doc.QueueShares(std::span(&share, 1));
    doc.rules().searchNetAll = 0;
    doc.rules().hosts = {QStringLiteral("X")};
    doc.SetLastView(1);
    doc.SetLastSortCol(2);
    doc.SetLastSortRev(1);
    doc.SetShowOffline(false);

    doc.DeleteContents();
    EXPECT_TRUE(doc.cacheNets().empty());
    EXPECT_TRUE(doc.cacheHosts().empty());
    EXPECT_EQ(doc.GetShareCount(), 0);
    EXPECT_EQ(doc.GetQueueCount(), 0);
    EXPECT_EQ(doc.rules().searchNetAll, 1);
    EXPECT_TRUE(doc.rules().hosts.isEmpty());
    EXPECT_EQ(doc.lastView(), 1);
    EXPECT_EQ(doc.lastSortCol(), 2);
    EXPECT_EQ(doc.lastSortRev(), 1);
    EXPECT_FALSE(doc.showOffline());
    EXPECT_EQ(doc.GetHostsTotal(), 1);
}

} // namespace
