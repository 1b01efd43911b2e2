// SPDX-License-Identifier: GPL-3.0-or-later
#include "kerberosticket.h"

#include "resolver.h"

#include "platform/fileaccess.h"

#include <QDateTime>
#include <QDir>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// A bounds-checked big-endian reader; any overrun makes it fail for good.
class Reader
{
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}

    bool Failed() const { return m_failed; }
    bool AtEnd() const { return m_at >= m_data.size(); }

    quint32 Number(int bytes)
    {
        if (!Take(bytes))
            return 0;
        quint32 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | quint8(m_data[m_at - bytes + i]);
        return value;
    }

    QByteArrayView Counted()
    {
        const quint32 length = Number(4);
        if (m_failed || length > quint32(m_data.size() - m_at)) {
            m_failed = true;
            return {};
        }
        m_at += qsizetype(length);
        return m_data.sliced(m_at - qsizetype(length), qsizetype(length));
    }

    bool Take(qsizetype bytes)
    {
        if (m_failed || bytes > m_data.size() - m_at) {
            m_failed = true;
            return false;
        }
        m_at += bytes;
        return true;
    }

private:
    QByteArrayView m_data;
    qsizetype m_at = 0;
    bool m_failed = false;
};

// A principal's first name component ("krbtgt" for ticket-granting
// tickets); components past the first are skipped.
QByteArrayView ReadPrincipal(Reader &in)
{
    in.Number(4); // name type
    const quint32 components = in.Number(4);
    in.Counted(); // realm
    QByteArrayView first;
    // More components than bytes left cannot be: the count is checked by
    // the reads themselves, one at a time.
    for (quint32 i = 0; i < components && !in.Failed(); ++i) {
        const QByteArrayView component = in.Counted();
        if (i == 0)
            first = component;
    }
    return first;
}

// Where a cache's header ends and its owner's principal starts; nothing
// for a format that is not read.
std::optional<quint16> SkipHeader(Reader &in)
{
    const quint32 version = in.Number(2);
    // Versions 1 and 2 are in the writer's byte order and older than any
    // library in use; they are not read.
    if (version != 0x0503 && version != 0x0504)
        return std::nullopt;
    if (version == 0x0504)
        in.Take(in.Number(2)); // header tags (the clock offset), not needed
    return quint16(version);
}

} // namespace

namespace KerberosTicket {

namespace {
constexpr qint64 MaxCacheBytes = 1 << 20;
}

bool HoldsLiveTgt(QByteArrayView cache, qint64 now)
{
    Reader in(cache);
    const std::optional<quint16> version = SkipHeader(in);
    if (!version)
        return false;
    ReadPrincipal(in); // the cache's owner
    while (!in.Failed() && !in.AtEnd()) {
        ReadPrincipal(in); // client
        const QByteArrayView server = ReadPrincipal(in);
        in.Number(2); // key type
        if (*version == 0x0503)
            in.Number(2); // written twice in version 3
        in.Counted(); // key
        in.Number(4); // auth time
        in.Number(4); // start time
        const quint32 end = in.Number(4);
        in.Number(4); // renew till
        in.Number(1); // session key flag
        in.Number(4); // ticket flags
        for (quint32 count = in.Number(4), i = 0; i < count && !in.Failed(); ++i) {
            in.Number(2); // address type
            in.Counted();
        }
        for (quint32 count = in.Number(4), i = 0; i < count && !in.Failed(); ++i) {
            in.Number(2); // authorization data type
            in.Counted();
        }
        in.Counted(); // ticket
        in.Counted(); // second ticket
        if (in.Failed())
            return false;
        // The libraries' own entries (cache configuration) carry no times.
        if (server == "krbtgt" && qint64(end) > now)
            return true;
    }
    return false;
}

QString CachePrincipal(QByteArrayView cache)
{
    Reader in(cache);
    if (!SkipHeader(in))
        return {};
    in.Number(4); // name type
    const quint32 count = in.Number(4);
    const QByteArrayView realm = in.Counted();
    QStringList components;
    for (quint32 i = 0; i < count && !in.Failed(); ++i)
        components.append(QString::fromUtf8(in.Counted()));
    // A name the library would not take back: no principal is better.
    if (in.Failed() || components.isEmpty() || realm.isEmpty())
        return {};
    for (const QString &part : std::as_const(components)) {
        if (part.isEmpty() || part.contains(u'@') || part.contains(u'/'))
            return {};
    }
    const QString realmName = QString::fromUtf8(realm);
    if (realmName.contains(u'@') || realmName.contains(u'/'))
        return {};
    return components.join(u'/') + u'@' + realmName;
}

QString CacheFile(const QString &ccacheName, unsigned uid)
{
    QString name = ccacheName;
    if (name.isEmpty())
        return QStringLiteral("/tmp/krb5cc_%1").arg(uid);
    const qsizetype colon = name.indexOf(u':');
    // A name without a type, or one whose "type" is a single letter (a
    // drive), is a file.
    if (colon <= 1)
        return name;
    const QString type = name.left(colon).toUpper();
    const QString rest = name.mid(colon + 1);
    if (type == u"FILE")
        return rest;
    if (type == u"DIR") {
        // "DIR::PATH" names one cache file of a collection; "DIR:FOLDER"
        // the collection, whose "primary" file names the current one.
        if (rest.startsWith(u':'))
            return rest.mid(1);
        const Result<QByteArray> primary = FileAccess::ReadRegularFile(QDir(rest).filePath(QStringLiteral("primary")),
                                                                       4096, FileAccess::FileOwner::User);
        if (!primary)
            return {};
        const QString current = QString::fromUtf8(primary.value()).trimmed();
        if (current.isEmpty() || current.contains(u'/'))
            return {};
        return QDir(rest).filePath(current);
    }
    return {};
}

namespace {

QByteArray ReadUserCache()
{
#ifdef Q_OS_UNIX
    const QString path = CacheFile(qEnvironmentVariable("KRB5CCNAME"), unsigned(getuid()));
    if (path.isEmpty())
        return {};
    // A cache holds a few tickets of a few kilobytes each. Anything but the
    // user's own regular file is no cache of the user's: a pipe would hold
    // the open for good, and a file another local user put at the default
    // name in /tmp would pass that user's ticket off as ours.
    Result<QByteArray> cache = FileAccess::ReadRegularFile(path, MaxCacheBytes, FileAccess::FileOwner::User);
    return cache ? std::move(cache).value() : QByteArray();
#else
    return {};
#endif
}

} // namespace

bool UserHasTicket()
{
    return HoldsLiveTgt(ReadUserCache(), QDateTime::currentSecsSinceEpoch());
}

QString UserPrincipal()
{
    return CachePrincipal(ReadUserCache());
}

} // namespace KerberosTicket

bool TriesTicketFirst(const std::optional<Login> &login, const std::function<bool()> &hasTicket)
{
    if (login && !login->IsEmpty())
        return false;
    return hasTicket && hasTicket();
}

QString TicketListingTarget(const QString &name, const QString &address)
{
    if (name.isEmpty() || NumericIPv4(name))
        return address.isEmpty() ? name : address;
    return name;
}

CTicketCheck::CTicketCheck(std::function<bool()> probe, std::chrono::milliseconds keep)
    : m_probe(std::move(probe)), m_keep(keep)
{}

bool CTicketCheck::operator()()
{
    {
        std::scoped_lock guard(m_lock);
        const auto now = std::chrono::steady_clock::now();
        // While one caller looks, the others take the last answer rather
        // than wait on a file that may take long to open.
        if (m_checked && (now - *m_checked < m_keep || m_isProbing))
            return m_present;
        m_isProbing = true;
    }
    // Never under the lock: every listing of the scan asks here.
    const bool present = m_probe && m_probe();
    std::scoped_lock guard(m_lock);
    m_isProbing = false;
    m_present = present;
    m_checked = std::chrono::steady_clock::now();
    return present;
}
