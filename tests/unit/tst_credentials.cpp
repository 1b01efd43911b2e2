// SPDX-License-Identifier: GPL-3.0-or-later
// Logins for share listings: what the command line and smbclient's
// authentication files give, and which login a host gets.
#include "net/credentials.h"
#include "net/neterrors.h"

#include <gtest/gtest.h>

namespace {

TEST(LoginText, UserOptionTakesDomainUserAndPassword)
{
    bool hasPassword = true;
    Login login = ParseUserOption(QStringLiteral("anna"), &hasPassword);
    EXPECT_EQ(login.user, u"anna");
    EXPECT_TRUE(login.domain.isEmpty());
    EXPECT_FALSE(hasPassword);

    login = ParseUserOption(QStringLiteral("CORP\\anna%p%ss w"), &hasPassword);
    EXPECT_EQ(login.domain, u"CORP");
    EXPECT_EQ(login.user, u"anna");
    // Only the first "%" splits: the password keeps the rest as it is.
    EXPECT_EQ(login.password, u"p%ss w");
    EXPECT_TRUE(hasPassword);

    login = ParseUserOption(QStringLiteral("CORP/anna%"), &hasPassword);
    EXPECT_EQ(login.domain, u"CORP");
    EXPECT_TRUE(login.password.isEmpty());
    EXPECT_TRUE(hasPassword); // an empty password was given, none is asked for
}

TEST(LoginText, AuthFileInSmbclientsFormat)
{
    auto login = ParseAuthFile("# a comment\r\nusername = anna\r\npassword =  two words = x \r\ndomain=CORP\r\n");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->user, u"anna");
    EXPECT_EQ(login->password, u"two words = x");
    EXPECT_EQ(login->domain, u"CORP");

    login = ParseAuthFile("username = HOME\\bob\npassword = pw\n");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->domain, u"HOME");
    EXPECT_EQ(login->user, u"bob");

    EXPECT_FALSE(ParseAuthFile("password = pw\n"));
    EXPECT_FALSE(ParseAuthFile(""));
}

TEST(LoginText, RefusalsAreTheLoginErrorsOnly)
{
    for (const std::uint32_t code : {5u, 86u, 1326u, 1331u, 2221u})
        EXPECT_TRUE(IsLoginRefusal(code)) << code;
    for (const std::uint32_t code : {NetError::Success, NetError::BadNetPath, NetError::SemTimeout,
                                     NetError::UnexpectedNetError, NetError::NotEnoughServers})
        EXPECT_FALSE(IsLoginRefusal(code)) << code;
}

TEST(LoginBook, AHostsOwnLoginBeforeTheDefault)
{
    CLoginBook book;
    EXPECT_FALSE(book.For(QStringLiteral("nas"), QStringLiteral("10.0.0.2")));
    book.SetDefault(ParseUserOption(QStringLiteral("anna%1")));
    book.Set(QStringLiteral("nas"), ParseUserOption(QStringLiteral("admin%2")));
    book.Set(QStringLiteral("10.0.0.9"), ParseUserOption(QStringLiteral("guest%3")));
    EXPECT_EQ(book.For(QStringLiteral("NAS"), QString())->user, u"admin");
    EXPECT_EQ(book.For(QString(), QStringLiteral("10.0.0.9"))->user, u"guest");
    EXPECT_EQ(book.For(QStringLiteral("pc"), QStringLiteral("10.0.0.3"))->user, u"anna");
    // An IPv6 address however it is written.
    book.Set(QStringLiteral("[FD10:107:0::6]"), ParseUserOption(QStringLiteral("six%4")));
    EXPECT_EQ(book.For(QString(), QStringLiteral("fd10:107::6"))->user, u"six");
    EXPECT_TRUE(book.HasOwn(QStringLiteral("fd10:107:0:0::6")));
    EXPECT_EQ(book.For(QString(), QStringLiteral("fd10:107::7"))->user, u"anna");
    book.Clear();
    EXPECT_FALSE(book.For(QStringLiteral("nas"), QString()));
}

TEST(LoginBook, TheHelperArgumentKeepsEveryField)
{
    Login login = ParseUserOption(QStringLiteral("CORP\\anna%p w"));
    login.kerberos = true;
    EXPECT_EQ(LoginRequestArgument(QStringLiteral("10.0.0.2"), login), u"10.0.0.2\tanna\tCORP\tp w\t1");
    EXPECT_TRUE(Login{}.IsEmpty());
    Login kerberos;
    kerberos.kerberos = true;
    EXPECT_FALSE(kerberos.IsEmpty());
}

} // namespace
