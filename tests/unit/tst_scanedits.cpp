// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// Scan rules and schemes changed by the user while a scan runs: the scan
// keeps what it started with, and nothing races (run under ThreadSanitizer
// by scripts/test-scanner-tsan.sh).
#include "memoryscan.h"
#include "model/lanterradoc.h"
#include "net/memorynetwork.h"
#include "net/neterrors.h"
#include "scan/scandriver.h"
#include "settings/settings.h"
#include "settings/sharescheme.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

class ScanEditTest : public MemoryScanTest
{
protected:
    static ShareScheme MusicScheme(const QString &name)
    {
        ShareScheme scheme;
        scheme.name = name;
        scheme.groups.append(ShareGroup{QStringLiteral("Music"), 1, {}, {}, {QStringLiteral("music")}, {}});
        scheme.groups.append(ShareGroup{QStringLiteral("Films"), 1, {}, {}, {QStringLiteral("film")}, {}});
        return scheme;
    }
};

TEST_F(ScanEditTest, ASchemeEditedOrRemovedAfterItWasAppliedDoesNotChangeHowTheScanClassifies)
{
    auto owned = std::make_unique<ShareScheme>(MusicScheme(QStringLiteral("Media")));
    doc->applyScheme(owned.get());
    // The settings' scheme changes and then goes away without a new apply.
    owned->groups[0].includeKeywords = {QStringLiteral("nothing")};
    owned.reset();

    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("alpha")};
    AddHost(QStringLiteral("alpha"), QStringLiteral("10.0.0.1"), {QStringLiteral("MyMusic")}, 0);
    doc->StartScan();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(doc->GetShareCount(), 1);
    EXPECT_EQ(doc->GetShareGroup(0), 0);
    EXPECT_EQ(doc->GetShare(0)->groupVisible, 1);
}

TEST_F(ScanEditTest, RulesChangedDuringAScanCountFromTheNextScan)
{
    doc->rules().searchNetAll = 0;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("alpha"), QStringLiteral("beta")};
    AddHost(QStringLiteral("alpha"), QStringLiteral("10.0.0.1"), {QStringLiteral("a")}, 150);
    AddHost(QStringLiteral("beta"), QStringLiteral("10.0.0.2"), {QStringLiteral("b")}, 150);
    network->SetResolveLatency(100);

    doc->StartScan();
    // Excluded and delisted while the probes still resolve: this scan keeps
    // its own rules.
    doc->rules().excHosts = {QStringLiteral("beta")};
    doc->rules().hosts = {QStringLiteral("alpha")};
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(doc->GetShareCount(), 2);

    doc->StartScan();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(doc->GetShareCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const ShareRecord *share = doc->GetShare(i);
        EXPECT_EQ(share->state, share->name == QStringLiteral("a") ? ShareOnline : ShareOffline) << share->name.toStdString();
    }
}

// What the dialogs do on the user-interface thread while a scan runs:
// schemes are edited, added, renamed, removed and re-applied, and the rules
// are stored, in a loop. Under ThreadSanitizer any unguarded access fails.
TEST_F(ScanEditTest, EditingSchemesAndRulesInALoopDuringScansIsRaceFree)
{
    QStringList hosts;
    for (int i = 1; i <= 40; ++i) {
        const QString name = QStringLiteral("host%1").arg(i);
        hosts.append(name);
        AddHost(name, QStringLiteral("10.0.1.%1").arg(i),
                {QStringLiteral("music%1").arg(i), QStringLiteral("film%1").arg(i), QStringLiteral("misc")}, i % 7);
    }
    network->AddWorkgroup(QStringLiteral("HOME"), hosts.mid(0, 20));
    network->AddWorkgroup(QStringLiteral("LAB"), hosts.mid(20));
    doc->rules().searchNetAll = 1;
    doc->rules().searchHostByList = 1;
    doc->rules().hosts = {QStringLiteral("10.0.1.1-10.0.1.40")};

    settings.schemes.clear();
    for (int i = 0; i < 3; ++i)
        settings.schemes.push_back(std::make_unique<ShareScheme>(MusicScheme(QStringLiteral("S%1").arg(i))));
    doc->applyScheme(settings.GetScheme(0));

    int edits = 0;
    for (int round = 0; round < 3; ++round) {
        doc->StartScan();
        while (doc->IsScanning()) {
            ++edits;
            // Schemes editor: edit, duplicate, rename, remove, apply.
            ShareScheme *first = settings.GetScheme(0);
            first->groups[0].includeKeywords = {edits % 2 ? QStringLiteral("film") : QStringLiteral("music")};
            first->groups.append(ShareGroup{QStringLiteral("Extra"), 1, {}, {}, {QStringLiteral("misc")}, {}});
            settings.DuplicateScheme(0, QStringLiteral("Copy %1").arg(edits));
            settings.GetScheme(settings.GetSchemeCount() - 1)->name = QStringLiteral("Renamed %1").arg(edits);
            doc->applyScheme(settings.GetScheme(settings.GetSchemeCount() - 1));
            settings.RemoveScheme(settings.GetSchemeCount() - 1);
            if (first->groups.size() > 4)
                first->groups.resize(2);
            doc->applyScheme(edits % 5 ? first : nullptr);
            // Scan options: the rules are stored.
            doc->rules().excHosts = {QStringLiteral("HOST%1").arg(edits % 40)};
            doc->rules().excNets = edits % 3 ? QStringList{QStringLiteral("LAB")} : QStringList{};
            doc->rules().nets = {QStringLiteral("LAB"), QStringLiteral("WG%1").arg(edits)};
            doc->rules().hosts = {QStringLiteral("10.0.1.%1").arg(edits % 40 + 1)};
            doc->rules().searchNetByList = edits % 2;
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_TRUE(WaitForEnd());
        doc->rules().hosts = {QStringLiteral("10.0.1.1-10.0.1.40")};
    }
    EXPECT_GT(edits, 0);
    EXPECT_GT(doc->GetShareCount(), 0);
}

} // namespace
