// SPDX-License-Identifier: GPL-3.0-or-later
// Where a login may go: every rule of the scan's login policy, one row each.
#include "net/credentials.h"
#include "scan/loginpolicy.h"

#include <gtest/gtest.h>

namespace {

const QString Vault = QStringLiteral("VAULT");
const QString Home = QStringLiteral("10.87.0.3");
const QString Rogue = QStringLiteral("10.87.0.2");

enum class Held { None, Given, Remembered };

struct PolicyCase
{
    const char *label;
    // The logins: the host's own ("own"), the one for every host ("every").
    Held own;
    Held every;
    // Where the remembered logins worked before (VAULT's address); empty:
    // nowhere (an entry from before addresses were kept).
    QString provenAt;
    // The workgroups the login for every host was allowed for.
    QStringList trusted;
    // What the user asked for in this scan.
    bool hostListConfirmed;
    QStringList namedWorkgroups;
    // The host and how the scan came to it.
    QString address;
    bool addressIsHint;
    bool answersConflict;
    bool announcedOnly;
    bool namedByHostList;
    QStringList listedBy;
    bool confirmed;
    bool browseListsPending;
    // Expected: the user whose login goes ("" none) and why.
    const char *goes;
    LoginReason reason;
};

void PrintTo(const PolicyCase &row, std::ostream *out)
{
    *out << row.label;
}

class LoginPolicyTest : public ::testing::TestWithParam<PolicyCase>
{};

TEST_P(LoginPolicyTest, DecidesWhichLoginGoesWhere)
{
    const PolicyCase &row = GetParam();
    CLoginBook book;
    const auto make = [&row](const char *user, Held held) {
        Login login;
        login.user = QString::fromLatin1(user);
        login.password = QStringLiteral("s3cret");
        login.remembered = held == Held::Remembered;
        if (!row.provenAt.isEmpty())
            login.provenAt[Vault] = row.provenAt;
        login.workgroups = row.trusted;
        return login;
    };
    if (row.own != Held::None)
        book.Set(Vault, make("own", row.own));
    if (row.every != Held::None)
        book.SetDefault(make("every", row.every));
    CLoginPolicy policy(book, LoginScope{row.hostListConfirmed, row.namedWorkgroups});

    LoginFacts facts;
    facts.name = Vault;
    facts.address = row.address;
    facts.addressIsHint = row.addressIsHint;
    facts.answersConflict = row.answersConflict;
    facts.announcedOnly = row.announcedOnly;
    facts.namedByHostList = row.namedByHostList;
    facts.listedBy = row.listedBy;
    facts.confirmed = row.confirmed;
    const LoginDecision decision = policy.Decide(facts, row.browseListsPending);

    EXPECT_EQ(decision.login ? decision.login->user.toStdString() : std::string(), row.goes);
    EXPECT_EQ(int(decision.reason), int(row.reason));
}

const QStringList Lab{QStringLiteral("LAB")};
const QStringList Evil{QStringLiteral("EVILWG")};
using R = LoginReason;
using H = Held;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, LoginPolicyTest, ::testing::Values(
    //          label                              own      every     proven trusted confirmed named  address hint   confl  annc   list   listedBy conf   pending goes     reason
    PolicyCase{"NoLoginAtAll",                     H::None,  H::None,  {},   {},   true,  {},   Home,  false, false, false, true,  {},   false, false, "",      R::NoLogin},
    // The login for every host: only where the user asked for the host.
    PolicyCase{"NamedByHostList",                  H::None,  H::Given, {},   {},   true,  {},   Home,  false, false, false, true,  {},   false, false, "every", R::ForEveryHost},
    PolicyCase{"FoundOnlyByAllWorkgroups",         H::None,  H::Given, {},   {},   true,  {},   Rogue, false, false, false, false, Evil, false, false, "",      R::NotAskedFor},
    PolicyCase{"CurrentWorkgroupIsNotAChoice",     H::None,  H::Given, {},   {},   true,  {},   Rogue, false, false, false, false, Lab,  false, false, "",      R::NotAskedFor},
    PolicyCase{"NamedWorkgroupNotAllowed",         H::None,  H::Given, {},   {},   true,  Lab,  Rogue, false, false, false, false, Lab,  false, false, "",      R::NotAskedFor},
    PolicyCase{"NamedWorkgroupAllowed",            H::None,  H::Given, {},   Lab,  true,  Lab,  Home,  false, false, false, false, Lab,  false, false, "every", R::ForEveryHost},
    PolicyCase{"AllowedButNotNamedThisScan",       H::None,  H::Given, {},   Lab,  true,  {},   Home,  false, false, false, false, Lab,  false, false, "",      R::NotAskedFor},
    PolicyCase{"AllowedWorkgroupListStillComing",  H::None,  H::Given, {},   Lab,  true,  Lab,  Home,  false, false, false, false, {},   false, true,  "",      R::Undecided},
    PolicyCase{"NoAllowedWorkgroupNothingToWait",  H::None,  H::Given, {},   {},   true,  Lab,  Home,  false, false, false, false, {},   false, true,  "",      R::NotAskedFor},
    PolicyCase{"AnnouncedOnly",                    H::None,  H::Given, {},   Lab,  true,  Lab,  Rogue, false, false, true,  false, Lab,  false, true,  "",      R::NotAskedFor},
    PolicyCase{"ConfirmedOnItsEntry",              H::None,  H::Given, {},   {},   true,  {},   Home,  false, false, false, false, {},   true,  false, "every", R::ForEveryHost},
    // A host's own login goes to it however it was found...
    PolicyCase{"OwnLoginFoundAnyhow",              H::Given, H::Given, {},   {},   true,  {},   Home,  false, false, true,  false, {},   false, false, "own",   R::Own},
    // ...but never to an address only an announcement told,
    PolicyCase{"OwnLoginHintAddress",              H::Given, H::None,  {},   {},   true,  {},   Rogue, true,  false, false, true,  {},   false, false, "",      R::HintAddress},
    PolicyCase{"EveryHostHintAddress",             H::None,  H::Given, {},   {},   true,  {},   Rogue, true,  false, false, true,  {},   true,  false, "",      R::HintAddress},
    // ...nor where two addresses answered for the name, until the user says so.
    PolicyCase{"OwnLoginConflictingAnswers",       H::Given, H::None,  {},   {},   true,  {},   Rogue, false, true,  false, true,  {},   false, false, "",      R::ConflictingAnswers},
    PolicyCase{"EveryHostConflictingAnswers",      H::None,  H::Given, {},   {},   true,  {},   Rogue, false, true,  false, true,  {},   false, false, "",      R::ConflictingAnswers},
    PolicyCase{"ConflictConfirmed",                H::Given, H::None,  {},   {},   true,  {},   Home,  false, true,  false, true,  {},   true,  false, "own",   R::Own},
    // Remembered logins go where they worked before.
    PolicyCase{"RememberedOwnProvenHere",          H::Remembered, H::None, Home, {}, false, {},  Home,  false, false, false, false, {},   false, false, "own",   R::Own},
    PolicyCase{"RememberedOwnSteeredElsewhere",    H::Remembered, H::None, Home, {}, false, {},  Rogue, false, false, false, false, {},   false, false, "",      R::NotProvenHere},
    PolicyCase{"RememberedOwnOldEntry",            H::Remembered, H::None, {},   {}, false, {},  Home,  false, false, false, false, {},   false, false, "",      R::NotProvenHere},
    PolicyCase{"RememberedOwnConfirmed",           H::Remembered, H::None, Home, {}, false, {},  Rogue, false, false, false, false, {},   true,  false, "own",   R::Own},
    PolicyCase{"RememberedEveryProvenHere",        H::None,  H::Remembered, Home, {}, false, {},  Home,  false, false, false, true,  {},   false, false, "every", R::ForEveryHost},
    PolicyCase{"RememberedEveryDocumentHostList",  H::None,  H::Remembered, Home, {}, false, {},  Rogue, false, false, false, true,  {},   false, false, "",      R::NotProvenHere},
    PolicyCase{"RememberedEveryTypedHostList",     H::None,  H::Remembered, Home, {}, true,  {},  Rogue, false, false, false, true,  {},   false, false, "every", R::ForEveryHost},
    PolicyCase{"RememberedEveryAllowedWorkgroup",  H::None,  H::Remembered, {},  Lab, false, Lab, Home,  false, false, false, false, Lab,  false, false, "every", R::ForEveryHost},
    // A login given in this run goes where the document's host list says.
    PolicyCase{"GivenEveryDocumentHostList",       H::None,  H::Given, {},   {},   false, {},   Rogue, false, false, false, true,  {},   false, false, "every", R::ForEveryHost}
), [](const ::testing::TestParamInfo<PolicyCase> &info) { return std::string(info.param.label); });
// clang-format on

// What a listing with a login that succeeded teaches the book.
TEST(LoginProofTest, ASuccessProvesTheLoginAtThatAddressOnly)
{
    CLoginBook book;
    Login every;
    every.user = QStringLiteral("every");
    every.remembered = true;
    book.SetDefault(every);
    CLoginPolicy policy(book, LoginScope{true, {}});
    LoginFacts facts;
    facts.name = QStringLiteral("vault");
    facts.address = Home;
    facts.namedByHostList = true;
    const LoginDecision decision = policy.Decide(facts, false);
    ASSERT_TRUE(decision.login);
    EXPECT_TRUE(policy.Succeeded(facts, decision)) << "news for the secret store";
    EXPECT_FALSE(policy.Succeeded(facts, decision)) << "already known";
    ASSERT_TRUE(book.Default());
    EXPECT_TRUE(book.Default()->IsProvenAt(Vault, Home));
    EXPECT_FALSE(book.Default()->IsProvenAt(Vault, Rogue));
    // Anonymous listings prove nothing.
    EXPECT_FALSE(policy.Succeeded(facts, LoginDecision{}));
}

} // namespace
