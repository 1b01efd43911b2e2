// SPDX-License-Identifier: GPL-3.0-or-later
// A Kerberos ticket in the user's credential cache: whether there is a live
// one, and that listings try it first only where no login is set.
#include "net/credentials.h"
#include "net/kerberosticket.h"
#include "net/neterrors.h"
#include "net/resolver.h"
#include "net/sambanetwork.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 Now = 1'800'000'000;

template <class Done> bool WaitUntil(Done done)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A credential cache file as the Kerberos libraries write it (big-endian).
class CacheWriter
{
public:
    explicit CacheWriter(quint16 version = 0x0504) : m_version(version)
    {
        U16(version);
        if (version == 0x0504) {
            // One header tag: the KDC's clock offset.
            U16(12);
            U16(1);
            U16(8);
            U32(0);
            U32(0);
        }
        Principal({"anna"});
    }

    // A credential for `server` ("krbtgt/REALM", "cifs/host") ending at `end`.
    CacheWriter &Credential(std::initializer_list<QByteArray> server, qint64 end)
    {
        Principal({"anna"});
        Principal(server);
        U16(18); // key type
        if (m_version == 0x0503)
            U16(18);
        Counted(QByteArray(32, 'k'));
        U32(quint32(end - 36000)); // auth time
        U32(quint32(end - 36000)); // start time
        U32(quint32(end));
        U32(quint32(end + 86400)); // renew till
        m_data.append('\0');
        U32(0x40e10000); // ticket flags
        U32(1); // one address
        U16(2);
        Counted(QByteArray("\x0a\x00\x00\x01", 4));
        U32(1); // one piece of authorization data
        U16(1);
        Counted("pac");
        Counted(QByteArray(300, 't'));
        Counted({});
        return *this;
    }

    QByteArray Data() const { return m_data; }

private:
    void U16(quint16 value)
    {
        m_data.append(char(value >> 8));
        m_data.append(char(value));
    }
    void U32(quint32 value)
    {
        U16(quint16(value >> 16));
        U16(quint16(value));
    }
    void Counted(const QByteArray &bytes)
    {
        U32(quint32(bytes.size()));
        m_data.append(bytes);
    }
    void Principal(std::initializer_list<QByteArray> components)
    {
        U32(1);
        U32(quint32(components.size()));
        Counted("EXAMPLE.ORG");
        for (const QByteArray &component : components)
            Counted(component);
    }

    quint16 m_version;
    QByteArray m_data;
};

TEST(KerberosCache, ALiveTicketGrantingTicketCounts)
{
    for (quint16 version : {quint16(0x0504), quint16(0x0503)}) {
        const QByteArray live = CacheWriter(version).Credential({"krbtgt", "EXAMPLE.ORG"}, Now + 3600).Data();
        EXPECT_TRUE(KerberosTicket::HoldsLiveTgt(live, Now)) << version;
        // Expired: the same cache an hour later.
        EXPECT_FALSE(KerberosTicket::HoldsLiveTgt(live, Now + 3600)) << version;
    }
    // The libraries' configuration entries and service tickets are no
    // ticket-granting ticket; a live one after them is found.
    CacheWriter cache;
    cache.Credential({"krb5_ccache_conf_data", "fast_avail"}, 0).Credential({"cifs", "server"}, Now + 3600);
    EXPECT_FALSE(KerberosTicket::HoldsLiveTgt(cache.Data(), Now));
    cache.Credential({"krbtgt", "EXAMPLE.ORG"}, Now + 60);
    EXPECT_TRUE(KerberosTicket::HoldsLiveTgt(cache.Data(), Now));
    // An expired one before a live one.
    const QByteArray renewed = CacheWriter()
                                   .Credential({"krbtgt", "EXAMPLE.ORG"}, Now - 1)
                                   .Credential({"krbtgt", "EXAMPLE.ORG"}, Now + 1)
                                   .Data();
    EXPECT_TRUE(KerberosTicket::HoldsLiveTgt(renewed, Now));
}

TEST(KerberosCache, AnythingElseIsNoTicket)
{
    const QByteArray live = CacheWriter().Credential({"krbtgt", "EXAMPLE.ORG"}, Now + 3600).Data();
    // A cache without credentials, an empty file, other versions.
    EXPECT_FALSE(KerberosTicket::HoldsLiveTgt(CacheWriter().Data(), Now));
    EXPECT_FALSE(KerberosTicket::HoldsLiveTgt(QByteArray(), Now));
    QByteArray old = live;
    old[1] = 0x02;
    EXPECT_FALSE(KerberosTicket::HoldsLiveTgt(old, Now));
    // Cut anywhere (the end time is read only once the credential is
    // whole), or with a length that runs past the end.
    for (qsizetype size = 0; size < live.size(); ++size)
        EXPECT_FALSE(KerberosTicket::HoldsLiveTgt(live.first(size), Now)) << size;
    QByteArray huge = live;
    huge[2] = char(0xff); // the header's length
    EXPECT_FALSE(KerberosTicket::HoldsLiveTgt(huge, Now));
    QByteArray components = live;
    // The owner's component count, then the client's in the credential.
    const qsizetype owner = 2 + 2 + 12 + 4;
    components[owner + 0] = char(0x7f);
    EXPECT_FALSE(KerberosTicket::HoldsLiveTgt(components, Now));
}

TEST(KerberosCache, TheCacheFileIsFoundAsTheLibrariesFindIt)
{
    using KerberosTicket::CacheFile;
    EXPECT_EQ(CacheFile({}, 1000), u"/tmp/krb5cc_1000");
    EXPECT_EQ(CacheFile(QStringLiteral("FILE:/run/user/1000/krb5cc"), 1000), u"/run/user/1000/krb5cc");
    EXPECT_EQ(CacheFile(QStringLiteral("/tmp/mycache"), 1000), u"/tmp/mycache");
    EXPECT_EQ(CacheFile(QStringLiteral("DIR::/run/user/1000/krb5cc/tktA"), 1000), u"/run/user/1000/krb5cc/tktA");
    // Kept where no file tells: not looked into.
    EXPECT_TRUE(CacheFile(QStringLiteral("KEYRING:persistent:1000"), 1000).isEmpty());
    EXPECT_TRUE(CacheFile(QStringLiteral("KCM:"), 1000).isEmpty());
    EXPECT_TRUE(CacheFile(QStringLiteral("MEMORY:x"), 1000).isEmpty());

    // A collection: its "primary" file names the current cache.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(CacheFile(QStringLiteral("DIR:") + dir.path(), 1000).isEmpty());
    QFile primary(dir.filePath(QStringLiteral("primary")));
    ASSERT_TRUE(primary.open(QIODevice::WriteOnly));
    primary.write("tktXy12\n");
    primary.close();
    EXPECT_EQ(CacheFile(QStringLiteral("DIR:") + dir.path(), 1000), dir.filePath(QStringLiteral("tktXy12")));
    ASSERT_TRUE(primary.open(QIODevice::WriteOnly));
    primary.write("../elsewhere\n");
    primary.close();
    EXPECT_TRUE(CacheFile(QStringLiteral("DIR:") + dir.path(), 1000).isEmpty());
}

TEST(KerberosCache, TheUsersCacheIsReadThroughKrb5ccname)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("cache"));
    const QByteArray saved = qgetenv("KRB5CCNAME");
    qputenv("KRB5CCNAME", ("FILE:" + path).toUtf8());
    EXPECT_FALSE(KerberosTicket::UserHasTicket()) << "no file";
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(CacheWriter().Credential({"krbtgt", "EXAMPLE.ORG"}, now + 3600).Data());
    file.close();
    EXPECT_TRUE(KerberosTicket::UserHasTicket());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(CacheWriter().Credential({"krbtgt", "EXAMPLE.ORG"}, now - 60).Data());
    file.close();
    EXPECT_FALSE(KerberosTicket::UserHasTicket()) << "expired";
    qputenv("KRB5CCNAME", "KEYRING:persistent:0");
    EXPECT_FALSE(KerberosTicket::UserHasTicket());
    if (saved.isNull())
        qunsetenv("KRB5CCNAME");
    else
        qputenv("KRB5CCNAME", saved);
}

// A credential cache that is no file of the user's: a pipe (which a plain
// open waits on for a writer), a device, another user's file.
struct StrangeCache
{
    const char *name;
    // Makes the cache in `dir`; returns KRB5CCNAME and the pipe to unblock.
    QString (*make)(const QDir &dir, QString &fifo);
    bool needsRoot = false;
};

QString LiveCache(const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    const qint64 end = QDateTime::currentSecsSinceEpoch() + 3600;
    if (file.open(QIODevice::WriteOnly))
        file.write(CacheWriter().Credential({"krbtgt", "EXAMPLE.ORG"}, end).Data());
    return path;
}

QString MakeFifo(const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    ::mkfifo(QFile::encodeName(path).constData(), 0600);
    return path;
}

const StrangeCache StrangeCaches[] = {
    {"FifoNamedByKrb5ccname",
     [](const QDir &dir, QString &fifo) {
         fifo = MakeFifo(dir, QStringLiteral("krb5cc"));
         return QStringLiteral("FILE:") + fifo;
     }},
    {"DirCacheWhosePrimaryLinksToAFifo",
     [](const QDir &dir, QString &fifo) {
         fifo = MakeFifo(dir, QStringLiteral("pipe"));
         QFile::link(fifo, dir.filePath(QStringLiteral("tkt")));
         QFile primary(dir.filePath(QStringLiteral("primary")));
         if (primary.open(QIODevice::WriteOnly))
             primary.write("tkt\n");
         return QStringLiteral("DIR:") + dir.path();
     }},
    {"DirCacheWhosePrimaryIsAFifo",
     [](const QDir &dir, QString &fifo) {
         fifo = MakeFifo(dir, QStringLiteral("primary"));
         LiveCache(dir, QStringLiteral("tkt"));
         return QStringLiteral("DIR:") + dir.path();
     }},
    {"LinkToDevZero",
     [](const QDir &dir, QString &) {
         const QString link = dir.filePath(QStringLiteral("zero"));
         QFile::link(QStringLiteral("/dev/zero"), link);
         return link;
     }},
    {"LiveCacheOfAnotherUser",
     [](const QDir &dir, QString &) {
         const QString path = LiveCache(dir, QStringLiteral("krb5cc_planted"));
         if (::chown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
             return QString();
         return QStringLiteral("FILE:") + path;
     },
     true},
};

void PrintTo(const StrangeCache &cache, std::ostream *out)
{
    *out << cache.name;
}

class StrangeCacheTest : public ::testing::TestWithParam<StrangeCache>
{};

TEST_P(StrangeCacheTest, IsNoTicketAndNeverHoldsTheCaller)
{
    if (GetParam().needsRoot && ::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString fifo;
    const QString name = GetParam().make(QDir(dir.path()), fifo);
    ASSERT_FALSE(name.isEmpty());
    const QByteArray saved = qgetenv("KRB5CCNAME");
    qputenv("KRB5CCNAME", name.toUtf8());

    // On a thread of its own, so that a call stuck in open() fails the test
    // instead of hanging it; the pipe is then opened for writing, which lets
    // the stuck call go.
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> done = answer->get_future();
    std::thread worker([answer] { answer->set_value(KerberosTicket::UserHasTicket()); });
    const bool returned = done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!returned && !fifo.isEmpty()) {
        const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    EXPECT_TRUE(returned) << "the ticket check waited on " << name.toStdString();
    // Joined when it came back: a thread still ending as the program exits
    // would meet Qt's per-thread data already gone.
    if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready) {
        worker.join();
        EXPECT_FALSE(done.get());
    } else {
        worker.detach();
    }
    if (saved.isNull())
        qunsetenv("KRB5CCNAME");
    else
        qputenv("KRB5CCNAME", saved);
}

INSTANTIATE_TEST_SUITE_P(KerberosCache, StrangeCacheTest, ::testing::ValuesIn(StrangeCaches),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(KerberosChoice, OneSlowProbeDoesNotHoldTheOtherCallers)
{
    // The first probe waits until released, as an open of a slow file
    // would; another caller meanwhile gets an answer of its own.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> asked{0};
    CTicketCheck check([&] {
        if (++asked == 1)
            released.wait();
        return false;
    });
    std::thread first([&] { check(); });
    ASSERT_TRUE(WaitUntil([&] { return asked.load() == 1; }));
    auto second = std::async(std::launch::async, [&] { return check(); });
    const bool returned = second.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    release.set_value();
    first.join();
    EXPECT_TRUE(returned) << "the second caller waited for the first one's probe";
    EXPECT_FALSE(second.get());
}

TEST(KerberosChoice, TheTicketGoesFirstOnlyWhereNoLoginIsSet)
{
    int asked = 0;
    const auto present = [&asked] {
        ++asked;
        return true;
    };
    const auto absent = [&asked] {
        ++asked;
        return false;
    };
    EXPECT_TRUE(TriesTicketFirst(std::nullopt, present));
    EXPECT_TRUE(TriesTicketFirst(Login{}, present));
    EXPECT_FALSE(TriesTicketFirst(std::nullopt, absent));
    EXPECT_FALSE(TriesTicketFirst(std::nullopt, {}));
    EXPECT_EQ(asked, 3);
    // A login the user set, with a password or the ticket itself: the cache
    // is not even looked at.
    Login anna;
    anna.user = QStringLiteral("anna");
    EXPECT_FALSE(TriesTicketFirst(anna, present));
    Login forced;
    forced.kerberos = true;
    EXPECT_FALSE(TriesTicketFirst(forced, present));
    EXPECT_EQ(asked, 3);
}

TEST(KerberosChoice, TheProbeIsAskedAgainOnlyAfterAWhile)
{
    std::atomic<int> asked{0};
    std::atomic<bool> present{false};
    CTicketCheck check(
        [&] {
            ++asked;
            return present.load();
        },
        std::chrono::milliseconds(200));
    EXPECT_FALSE(check());
    present = true;
    EXPECT_FALSE(check());
    EXPECT_EQ(asked.load(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_TRUE(check());
    EXPECT_EQ(asked.load(), 2);
}

// Listings through a stand-in helper that writes down every request and
// answers a listing with the ticket as told by the file "ticket".
class TicketListings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        helper = folder.filePath(QStringLiteral("helper.sh"));
        QFile file(helper);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"SH(#!/bin/bash
here=$(dirname "$0")
while IFS= read -r line; do
    printf '%s\n' "$line" >> "$here/requests"
    case "$line" in
        "shares-login "*%091|"shares-login "*%091%09*) printf '%s\n' "$(cat "$here/ticket")" ;;
        "shares-login "*) printf 'i 0 7 Private\ne 0\n' ;;
        *) printf 'i 0 5 Music\ne 0\n' ;;
    esac
done
)SH");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Answer("e 1003");
        CLoginBook::Session().Clear();
    }
    void TearDown() override { CLoginBook::Session().Clear(); }

    void Answer(const QByteArray &reply)
    {
        QFile file(folder.filePath(QStringLiteral("ticket")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reply + '\n');
    }
    QStringList Requests()
    {
        QFile file(folder.filePath(QStringLiteral("requests")));
        QStringList verbs;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (!line.isEmpty())
                    verbs.append(QString::fromUtf8(
                        line.endsWith("%091") || line.contains("%091%09") ? "ticket" : line.left(line.indexOf(' '))));
            }
        }
        QFile::remove(file.fileName());
        return verbs;
    }
    // The listing presents `login` as the scan's login policy gave it.
    ShareListing List(bool ticket, const std::optional<Login> &login = std::nullopt)
    {
        SambaNetworkOptions options;
        options.helperPath = helper;
        options.netbiosQueries = false;
        options.kerberosTicket = [ticket] { return ticket; };
        CSambaNetwork network(options);
        return network.ListSharesWith(QStringLiteral("server"), QStringLiteral("10.0.0.1"), 0, login);
    }

    QTemporaryDir folder;
    QString helper;
};

TEST_F(TicketListings, WithoutATicketNothingChanges)
{
    const ShareListing listing = List(false);
    EXPECT_EQ(listing.code, 0u);
    EXPECT_EQ(Requests(), QStringList{QStringLiteral("shares")});
}

TEST_F(TicketListings, ATicketGoesFirstAndAnyFailureFallsBackToTheListingWithoutIt)
{
    // The server takes the ticket: that listing is the answer.
    Answer("i 0 6 Secret\ne 0");
    ShareListing listing = List(true);
    EXPECT_EQ(listing.code, 0u);
    ASSERT_EQ(listing.shares.size(), 1u);
    EXPECT_EQ(listing.shares[0].name, u"Secret");
    EXPECT_EQ(Requests(), QStringList{QStringLiteral("ticket")});

    // Refused, or not even reached with it (no KDC for that server): the
    // anonymous listing as before.
    for (const QByteArray &reply : {QByteArray("e 5"), QByteArray("e 1003"), QByteArray("e 1326")}) {
        Answer(reply);
        listing = List(true);
        EXPECT_EQ(listing.code, 0u) << reply.constData();
        ASSERT_EQ(listing.shares.size(), 1u);
        EXPECT_EQ(listing.shares[0].name, u"Music");
        EXPECT_EQ(Requests(), (QStringList{QStringLiteral("ticket"), QStringLiteral("shares")})) << reply.constData();
    }
}

TEST_F(TicketListings, ALoginSetForTheHostIsUsedInsteadOfTheTicket)
{
    Login anna;
    anna.user = QStringLiteral("anna");
    anna.password = QStringLiteral("pw");
    const ShareListing listing = List(true, anna);
    ASSERT_EQ(listing.shares.size(), 1u);
    EXPECT_EQ(listing.shares[0].name, u"Private");
    EXPECT_EQ(Requests(), QStringList{QStringLiteral("shares-login")});
}

// The cache's owner, the user a listing with the ticket names.
struct OwnerCase
{
    const char *title;
    QByteArray cache;
    const char *principal; // "": none
};

QByteArray OwnerCache(quint16 version, const QByteArray &realm, std::initializer_list<QByteArray> components)
{
    QByteArray data;
    const auto u16 = [&data](quint16 value) {
        data.append(char(value >> 8));
        data.append(char(value));
    };
    const auto u32 = [&u16](quint32 value) {
        u16(quint16(value >> 16));
        u16(quint16(value));
    };
    u16(version);
    if (version == 0x0504) {
        u16(12);
        u16(1);
        u16(8);
        u32(0);
        u32(0);
    }
    u32(1);
    u32(quint32(components.size()));
    u32(quint32(realm.size()));
    data.append(realm);
    for (const QByteArray &component : components) {
        u32(quint32(component.size()));
        data.append(component);
    }
    return data;
}

const OwnerCase OwnerCases[] = {
    {"one component", OwnerCache(0x0504, "LAB.EXAMPLE", {"alice"}), "alice@LAB.EXAMPLE"},
    {"version three", OwnerCache(0x0503, "LAB.EXAMPLE", {"alice"}), "alice@LAB.EXAMPLE"},
    {"two components", OwnerCache(0x0504, "LAB.EXAMPLE", {"alice", "admin"}), "alice/admin@LAB.EXAMPLE"},
    {"a whole cache", CacheWriter().Credential({"krbtgt", "EXAMPLE.ORG"}, Now).Data(), "anna@EXAMPLE.ORG"},
    {"version two", OwnerCache(0x0502, "LAB.EXAMPLE", {"alice"}), ""},
    {"cut short", OwnerCache(0x0504, "LAB.EXAMPLE", {"alice"}).chopped(2), ""},
    {"no components", OwnerCache(0x0504, "LAB.EXAMPLE", {}), ""},
    {"no realm", OwnerCache(0x0504, "", {"alice"}), ""},
    {"an empty component", OwnerCache(0x0504, "LAB.EXAMPLE", {"alice", ""}), ""},
    {"a separator in a component", OwnerCache(0x0504, "LAB.EXAMPLE", {"alice@OTHER"}), ""},
    {"a separator in the realm", OwnerCache(0x0504, "LAB/EXAMPLE", {"alice"}), ""},
    {"nothing", QByteArray(), ""},
};

class OwnerTest : public ::testing::TestWithParam<OwnerCase>
{};

TEST_P(OwnerTest, TheCachesOwnerIsReadAsTheLibrariesNameIt)
{
    EXPECT_EQ(KerberosTicket::CachePrincipal(GetParam().cache).toStdString(), GetParam().principal);
}

INSTANTIATE_TEST_SUITE_P(KerberosCache, OwnerTest, ::testing::ValuesIn(OwnerCases), [](const auto &info) {
    QString title = QString::fromUtf8(info.param.title);
    title.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QString());
    return title.toStdString();
});

// The request a listing with the ticket sends, for a host known by name
// and address: the server it names, the user the ticket is for and where
// it connects. A ticket is issued for a service named after the host, so
// the library is given the name, and the address the scan decided on,
// whatever a look-up of the name answers.
struct TicketTargetCase
{
    const char *title;
    const char *name;
    const char *address;
    const char *resolvesTo; // what the name's look-up answers; null: nothing
    const char *target;
    const char *connect; // null: no address of its own (the target is one)
};

const TicketTargetCase TicketTargetCases[] = {
    {"a name at the host's address", "dc1.lab.example", "10.0.0.1", "10.0.0.1", "dc1.lab.example", "10.0.0.1"},
    {"a short name at the host's address", "dc1", "10.0.0.1", "10.0.0.1", "dc1", "10.0.0.1"},
    {"a name that resolves elsewhere", "dc1.lab.example", "10.0.0.1", "10.0.0.9", "dc1.lab.example", "10.0.0.1"},
    {"a name that resolves nowhere", "dc1.lab.example", "10.0.0.1", nullptr, "dc1.lab.example", "10.0.0.1"},
    {"a host known by its address", "10.0.0.1", "10.0.0.1", "10.0.0.1", "10.0.0.1", nullptr},
    {"a host without a name", "", "10.0.0.1", nullptr, "10.0.0.1", nullptr},
    {"a host without an address", "dc1.lab.example", "", nullptr, "dc1.lab.example", nullptr},
};

const char *g_resolvesTo = nullptr;

std::optional<std::uint32_t> StandInLookup(const QByteArray &)
{
    return g_resolvesTo ? NumericIPv4(QString::fromLatin1(g_resolvesTo)) : std::nullopt;
}

class TicketTargetTest : public TicketListings, public ::testing::WithParamInterface<TicketTargetCase>
{};

TEST_P(TicketTargetTest, TheTicketNamesTheHostAndGoesToItsAddress)
{
    const TicketTargetCase &row = GetParam();
    const QString cache = folder.filePath(QStringLiteral("krb5cc"));
    QFile file(cache);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(CacheWriter().Credential({"krbtgt", "EXAMPLE.ORG"}, QDateTime::currentSecsSinceEpoch() + 3600).Data());
    file.close();
    const QByteArray saved = qgetenv("KRB5CCNAME");
    qputenv("KRB5CCNAME", ("FILE:" + cache).toUtf8());
    g_resolvesTo = row.resolvesTo;
    SetResolveFunctionForTests(StandInLookup);
    Answer("i 0 6 Secret\ne 0");

    SambaNetworkOptions options;
    options.helperPath = helper;
    options.netbiosQueries = false;
    options.kerberosTicket = [] { return true; };
    CSambaNetwork network(options);
    const ShareListing listing =
        network.ListSharesWith(QString::fromUtf8(row.name), QString::fromUtf8(row.address), 0, std::nullopt);

    SetResolveFunctionForTests(nullptr);
    if (saved.isNull())
        qunsetenv("KRB5CCNAME");
    else
        qputenv("KRB5CCNAME", saved);
    EXPECT_EQ(listing.code, 0u);
    QFile requests(folder.filePath(QStringLiteral("requests")));
    ASSERT_TRUE(requests.open(QIODevice::ReadOnly));
    const QByteArray line = requests.readLine().trimmed();
    ASSERT_TRUE(line.startsWith("shares-login ")) << line.constData();
    const QStringList fields =
        QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(line.indexOf(' ') + 1))).split(u'\t');
    ASSERT_EQ(fields.size(), row.connect ? 6 : 5) << line.constData();
    EXPECT_EQ(fields[0].toStdString(), row.target);
    if (row.connect) {
        EXPECT_EQ(fields[5].toStdString(), row.connect);
    }
    EXPECT_EQ(fields[1].toStdString(), "anna@EXAMPLE.ORG");
    EXPECT_EQ(fields[3].toStdString(), "");
    EXPECT_EQ(fields[4].toStdString(), "1");
}

INSTANTIATE_TEST_SUITE_P(KerberosChoice, TicketTargetTest, ::testing::ValuesIn(TicketTargetCases),
                         [](const auto &info) {
                             QString title = QString::fromUtf8(info.param.title);
                             title.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QString());
                             return title.toStdString();
                         });

} // namespace
