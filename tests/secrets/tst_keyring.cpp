// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's secret store, the real one: a private gnome-keyring on a
// private session bus (with-keyring.sh starts it as each case needs). A
// login is kept where the store can keep it, and where it cannot, the reason
// is the store's real state: no store, no default keyring, a locked one.
#include "secrets/loginstore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include <gtest/gtest.h>

namespace {

using Problem = LoginStore::Problem;

Login Alice()
{
    Login login;
    login.user = QStringLiteral("alice");
    login.domain = QStringLiteral("HOME");
    login.password = QStringLiteral("s3cret-7f2a");
    return login;
}

// The store's state this process was started in (with-keyring.sh).
QString StoreSetup()
{
    return qEnvironmentVariable("LANTERRA_KEYRING_SETUP");
}

// Locks the default collection, as a screen lock or the user would.
void LockDefaultCollection()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage alias = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("ReadAlias"));
    alias << QStringLiteral("default");
    const QDBusMessage found = bus.call(alias);
    ASSERT_EQ(found.type(), QDBusMessage::ReplyMessage) << qPrintable(found.errorMessage());
    const QDBusObjectPath collection = found.arguments().value(0).value<QDBusObjectPath>();
    ASSERT_NE(collection.path(), QStringLiteral("/"));
    QDBusMessage lock = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
    lock << QVariant::fromValue(QList<QDBusObjectPath>{collection});
    const QDBusMessage locked = bus.call(lock);
    ASSERT_EQ(locked.type(), QDBusMessage::ReplyMessage) << qPrintable(locked.errorMessage());
}

} // namespace

TEST(LoginStoreTest, KeepsALoginOrTellsWhyNot)
{
    const QString setup = StoreSetup();
    struct Case
    {
        const char *setup;
        Problem problem;
    };
    const Case cases[] = {{"none", Problem::NoStore},
                          {"fresh", Problem::NoDefaultCollection},
                          {"locked", Problem::Locked},
                          {"unlocked", Problem::None}};
    const auto found = std::find_if(std::begin(cases), std::end(cases),
                                    [&](const Case &c) { return setup == QLatin1String(c.setup); });
    ASSERT_NE(found, std::end(cases)) << "run through with-keyring.sh";
    if (setup == u"locked")
        LockDefaultCollection();

    const LoginStore::SaveResult saved = LoginStore::Save(QStringLiteral("nas"), Alice());
    EXPECT_EQ(int(saved.problem), int(found->problem)) << qPrintable(saved.detail);
    EXPECT_EQ(bool(saved), found->problem == Problem::None);
    if (saved) {
        const std::optional<Login> back = LoginStore::Load(QStringLiteral("NAS"));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->user, Alice().user);
        EXPECT_EQ(back->password, Alice().password);
        EXPECT_TRUE(LoginStore::Remove(QStringLiteral("nas")));
    } else {
        // Asked again, the store says the same.
        EXPECT_EQ(int(LoginStore::Diagnose()), int(found->problem));
    }
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
