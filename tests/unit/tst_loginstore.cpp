// SPDX-License-Identifier: GPL-3.0-or-later
// The secret store's entries: what a login carries of where it may go, and
// entries written before that was kept.
#include <gtest/gtest.h>

#ifdef LANTERRA_HAVE_SECRET_STORE
#include "secrets/loginstore.h"

namespace {

struct EntryCase
{
    const char *label;
    QByteArray entry;
    // Expected: decoded at all, the allowed workgroups, where it worked.
    bool decoded;
    QStringList workgroups;
    std::map<QString, QString> provenAt;
};

void PrintTo(const EntryCase &row, std::ostream *out)
{
    *out << row.label;
}

class LoginEntryTest : public ::testing::TestWithParam<EntryCase>
{};

TEST_P(LoginEntryTest, ReadsWhereTheLoginMayGo)
{
    const EntryCase &row = GetParam();
    const std::optional<Login> login = LoginStore::Decode(row.entry);
    ASSERT_EQ(login.has_value(), row.decoded);
    if (!login)
        return;
    EXPECT_EQ(login->workgroups, row.workgroups);
    EXPECT_EQ(login->provenAt, row.provenAt);
    EXPECT_FALSE(login->remembered) << "the caller says where a login came from";
    // What is read is written back the same.
    const std::optional<Login> again = LoginStore::Decode(LoginStore::Encode(*login));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->user, login->user);
    EXPECT_EQ(again->password, login->password);
    EXPECT_EQ(again->workgroups, login->workgroups);
    EXPECT_EQ(again->provenAt, login->provenAt);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, LoginEntryTest,
    ::testing::Values(
        // Kept before addresses were: proven nowhere.
        EntryCase{"OldEntry", R"({"user":"demo","domain":"","password":"x","kerberos":false})", true, {}, {}},
        EntryCase{"Proven",
                  R"({"user":"demo","password":"x","provenAt":{"vault":"10.87.0.3"},"workgroups":["lab"]})",
                  true,
                  {QStringLiteral("LAB")},
                  {{QStringLiteral("VAULT"), QStringLiteral("10.87.0.3")}}},
        // Empty places and workgroups are no places.
        EntryCase{
            "EmptyParts", R"({"user":"demo","provenAt":{"":"10.87.0.2","VAULT":""},"workgroups":[""]})", true, {}, {}},
        EntryCase{"NotAnEntry", "garbage", false, {}, {}}),
    [](const ::testing::TestParamInfo<EntryCase> &info) { return std::string(info.param.label); });

} // namespace
#endif
