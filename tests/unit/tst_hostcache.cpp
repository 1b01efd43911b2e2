// SPDX-License-Identifier: GPL-3.0-or-later
// Test label: scanner
// The host cache's rules: where an inserted host goes and what happens to a
// cursor into the queue, that the order of hosts changes only under the
// write lock, and which workgroup a scan marks pending.
#include "model/hostcache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "a b c d": the hosts' names in cache order.
std::string Order(const CHostCache &cache)
{
    std::string order;
    for (const auto &host : cache.hosts())
        order += (order.empty() ? "" : " ") + host->GetName().toStdString();
    return order;
}

// Hosts a, b, c, d with 0, 1, 2 and 3 shares: score order is d c b a.
void FillQueue(CHostCache &cache)
{
    NetRecord *net = cache.AddNet(QStringLiteral("LAB"));
    int shares = 0;
    for (const char *name : {"a", "b", "c", "d"}) {
        HostRecord *host = cache.AddHost(QString::fromLatin1(name), net);
        for (int i = 0; i < shares; ++i)
            cache.AppendShare(*host, QStringLiteral("s%1").arg(i), ShareOnline);
        ++shares;
    }
}

struct InsertCase
{
    std::size_t at;
    std::size_t cursor;
    std::string order;
    std::size_t cursorAfter;
};

class InsertHost : public ::testing::TestWithParam<InsertCase>
{};

TEST_P(InsertHost, GoesToItsPlaceAndKeepsCursorsOnTheirHosts)
{
    const InsertCase &c = GetParam();
    std::mutex writes;
    CHostCache cache(writes);
    FillQueue(cache);
    std::unique_lock held(writes);
    std::size_t cursor = c.cursor;
    std::size_t *const cursors[] = {&cursor};
    const HostRecord *inserted =
        cache.InsertHost(held, c.at, std::make_unique<HostRecord>(QStringLiteral("x"), nullptr), cursors);
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(inserted->GetName(), QStringLiteral("x"));
    EXPECT_EQ(Order(cache), c.order);
    EXPECT_EQ(cursor, c.cursorAfter);
}

INSTANTIATE_TEST_SUITE_P(Positions, InsertHost,
                         ::testing::Values(InsertCase{0, 0, "x a b c d", 0}, // the cursor's host is the new one
                                           InsertCase{1, 3, "a x b c d", 4}, // still on d
                                           InsertCase{2, 2, "a b x c d", 2},
                                           InsertCase{3, 1, "a b c x d", 1}, // ahead of the insert: stays
                                           InsertCase{9, 4, "a b c d x", 4}), // past the end: appended
                         [](const auto &info) {
                             return "At" + std::to_string(info.param.at) + "Cursor" + std::to_string(info.param.cursor);
                         });

enum class Reorder { Insert, Remove, Sort };
enum class Held { WriteLock, Nothing, WriteLockNotTaken, OtherLock };

struct ReorderCase
{
    Reorder reorder;
    Held held;
    std::string order;
};

class ReorderUnderLock : public ::testing::TestWithParam<ReorderCase>
{};

TEST_P(ReorderUnderLock, OnlyTheWriteLockLetsTheOrderChange)
{
    const ReorderCase &c = GetParam();
    std::mutex writes;
    std::mutex other;
    CHostCache cache(writes);
    FillQueue(cache);

    std::unique_lock<std::mutex> held;
    switch (c.held) {
    case Held::WriteLock:
        held = std::unique_lock(writes);
        break;
    case Held::Nothing:
        break;
    case Held::WriteLockNotTaken:
        held = std::unique_lock(writes, std::defer_lock);
        break;
    case Held::OtherLock:
        held = std::unique_lock(other);
        break;
    }
    int asked = 0;
    switch (c.reorder) {
    case Reorder::Insert:
        cache.InsertHost(held, 0, std::make_unique<HostRecord>(QStringLiteral("x"), nullptr));
        break;
    case Reorder::Remove:
        cache.RemoveHostsIf(held, [&asked](HostRecord &host) {
            ++asked;
            return host.GetName() == u"b";
        });
        break;
    case Reorder::Sort:
        cache.SortHostsByScore(held);
        break;
    }
    EXPECT_EQ(Order(cache), c.order);
    if (c.held != Held::WriteLock) {
        EXPECT_EQ(asked, 0);
    }
}

std::string ReorderName(const ::testing::TestParamInfo<ReorderCase> &info)
{
    static const char *const reorders[] = {"Insert", "Remove", "Sort"};
    static const char *const helds[] = {"UnderWriteLock", "WithoutLock", "WriteLockNotTaken", "UnderOtherLock"};
    return std::string(reorders[int(info.param.reorder)]) + helds[int(info.param.held)];
}

INSTANTIATE_TEST_SUITE_P(Locks, ReorderUnderLock,
                         ::testing::Values(ReorderCase{Reorder::Insert, Held::WriteLock, "x a b c d"},
                                           ReorderCase{Reorder::Remove, Held::WriteLock, "a c d"},
                                           ReorderCase{Reorder::Sort, Held::WriteLock, "d c b a"},
                                           ReorderCase{Reorder::Insert, Held::Nothing, "a b c d"},
                                           ReorderCase{Reorder::Remove, Held::Nothing, "a b c d"},
                                           ReorderCase{Reorder::Sort, Held::Nothing, "a b c d"},
                                           ReorderCase{Reorder::Insert, Held::WriteLockNotTaken, "a b c d"},
                                           ReorderCase{Reorder::Sort, Held::WriteLockNotTaken, "a b c d"},
                                           ReorderCase{Reorder::Insert, Held::OtherLock, "a b c d"},
                                           ReorderCase{Reorder::Remove, Held::OtherLock, "a b c d"},
                                           ReorderCase{Reorder::Sort, Held::OtherLock, "a b c d"}),
                         ReorderName);

struct PendingCase
{
    std::vector<QString> known; // workgroups already in the cache, all NetDone
    QString name;
    std::size_t index; // of the workgroup marked pending
    std::size_t count; // workgroups afterwards
};

class MarkNetPending : public ::testing::TestWithParam<PendingCase>
{};

TEST_P(MarkNetPending, MarksTheFirstOfItsNameOrAppendsOne)
{
    const PendingCase &c = GetParam();
    std::mutex writes;
    CHostCache cache(writes);
    for (const QString &name : c.known)
        cache.AddNet(name, NetDone);

    const NetRecord *marked = cache.MarkNetPending(c.name);
    ASSERT_EQ(cache.nets().size(), c.count);
    EXPECT_EQ(marked, cache.nets()[c.index].get());
    EXPECT_EQ(marked->name, c.name);
    for (std::size_t i = 0; i < cache.nets().size(); ++i)
        EXPECT_EQ(cache.nets()[i]->state.load(), i == c.index ? NetPending : NetDone) << "workgroup " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Names, MarkNetPending,
    ::testing::Values(PendingCase{{}, QStringLiteral("LAB"), 0, 1},
                      PendingCase{{QStringLiteral("HOME"), QStringLiteral("LAB")}, QStringLiteral("LAB"), 1, 2},
                      PendingCase{{QStringLiteral("LAB"), QStringLiteral("LAB")}, QStringLiteral("LAB"), 0, 2},
                      // Names match exactly, as the scan's maps do.
                      PendingCase{{QStringLiteral("lab")}, QStringLiteral("LAB"), 1, 2},
                      PendingCase{{QStringLiteral("LAB")}, QString(), 1, 2}),
    [](const auto &info) { return "Row" + std::to_string(info.index); });

} // namespace
