// SPDX-License-Identifier: GPL-3.0-or-later
// The operations through which everyone outside the model and the scan
// changes a document: appending and queueing shares, ending a scan.
#include "model/lanterradoc.h"
#include "net/memorynetwork.h"
#include "settings/sharescheme.h"

#include "documentbuilder.h"

#include <gtest/gtest.h>

namespace {

class RecordingView : public DocumentView
{
public:
    void OnDocumentUpdate(ViewHint hint) override { hints.push_back(hint); }
    std::vector<ViewHint> hints;
};

ShareScheme MusicShown()
{
    ShareScheme scheme;
    ShareGroup music;
    music.name = QStringLiteral("Music");
    music.visible = 1;
    music.includeKeywords = {QStringLiteral("music")};
    ShareGroup films;
    films.name = QStringLiteral("Films");
    films.visible = 0;
    films.includeKeywords = {QStringLiteral("film")};
    scheme.groups = {music, films};
    return scheme;
}

TEST(AppendShare, ClassifiesWithTheCurrentSchemeAndCountsVisibleShares)
{
    CLanterraDoc doc;
    HostRecord *host = AddHost(doc, AddNet(doc, QStringLiteral("WG")), QStringLiteral("PC"), QString());
    // Without a scheme a share is in no group.
    ShareRecord *plain = doc.AppendShare(*host, QStringLiteral("music"), ShareOnline);
    EXPECT_EQ(plain->groupIndex, -1);

    const ShareScheme scheme = MusicShown();
    doc.applyScheme(&scheme);
    ShareRecord *music = doc.AppendShare(*host, QStringLiteral("Music 2"), ShareOffline);
    ShareRecord *films = doc.AppendShare(*host, QStringLiteral("films"), ShareOnline);

    EXPECT_EQ(doc.GetShareCount(), 3);
    EXPECT_EQ(music->index, 1);
    EXPECT_EQ(doc.GetShare(2), films);
    EXPECT_EQ(music->host, host);
    EXPECT_EQ(doc.GetShareState(1), ShareOffline);
    EXPECT_EQ(music->groupIndex, 0);
    EXPECT_EQ(music->groupVisible, 1);
    EXPECT_EQ(films->groupIndex, 1);
    EXPECT_EQ(films->groupVisible, 0);
    // The first share by applyScheme, the second on its own; hidden films not.
    EXPECT_EQ(host->visibleShares, 2);
    ASSERT_EQ(host->shares.size(), 3u);
    EXPECT_EQ(host->shares[1].get(), music);
}

TEST(QueueShares, QueuesLastFirstAndSetsTheStateWhenGiven)
{
    CLanterraDoc doc;
    AddHost(doc, AddNet(doc, QStringLiteral("WG")), QStringLiteral("PC"), QString(),
            {QStringLiteral("a"), QStringLiteral("b")});
    std::vector<ShareRecord *> shares{doc.GetShare(0), doc.GetShare(1)};
    doc.QueueShares(shares, ShareRemoved);
    doc.QueueShares(std::span(shares.data(), 1));

    ASSERT_EQ(doc.GetQueueCount(), 3);
    EXPECT_EQ(doc.GetQueuedShareIndex(0), 1);
    EXPECT_EQ(doc.GetQueuedShareIndex(1), 0);
    EXPECT_EQ(doc.GetQueuedShareIndex(2), 0);
    EXPECT_EQ(doc.GetShareState(0), ShareRemoved);
    EXPECT_EQ(doc.GetShareState(1), ShareRemoved);
}

TEST(HaltAndWait, TellsTheViewsOnlyWhenAScanRan)
{
    CLanterraDoc doc;
    auto network = std::make_shared<CMemoryNetwork>();
    doc.SetNetwork(network);
    RecordingView view;
    doc.AddView(&view);

    doc.HaltAndWait();
    EXPECT_TRUE(view.hints.empty());

    doc.StartScan();
    doc.HaltAndWait();
    EXPECT_FALSE(doc.IsScanning());
    // A scan of an empty network may end by itself before the halt.
    ASSERT_FALSE(view.hints.empty());
    EXPECT_EQ(view.hints.front(), HintScanStarted);
    EXPECT_LE(view.hints.size(), 2u);
    if (view.hints.size() == 2) {
        EXPECT_EQ(view.hints.back(), HintScanStopped);
    }
    doc.RemoveView(&view);
}

} // namespace
