// SPDX-License-Identifier: GPL-3.0-or-later
#include "credentials.h"

#include "neterrors.h"
#include "resolver.h"

#include "platform/processlimits.h"

#include <QByteArrayList>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <string.h>
#endif

Login ParseUserOption(const QString &text, bool *hasPassword)
{
    Login login;
    QString user = text;
    const qsizetype percent = user.indexOf(u'%');
    if (hasPassword)
        *hasPassword = percent >= 0;
    if (percent >= 0) {
        login.password = user.mid(percent + 1);
        user.truncate(percent);
    }
    const qsizetype separator = std::max(user.indexOf(u'\\'), user.indexOf(u'/'));
    if (separator >= 0) {
        login.domain = user.left(separator);
        user = user.mid(separator + 1);
    }
    login.user = user;
    return login;
}

std::optional<Login> ParseAuthFile(const QByteArray &text)
{
    Login login;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 || line.startsWith('#'))
            continue;
        const QByteArray key = line.left(equals).trimmed().toLower();
        // The value runs to the end of the line: passwords may hold blanks.
        QByteArray value = rawLine.mid(rawLine.indexOf('=') + 1);
        if (value.endsWith('\r'))
            value.chop(1);
        value = value.trimmed();
        if (key == "username")
            login.user = QString::fromUtf8(value);
        else if (key == "password")
            login.password = QString::fromUtf8(value);
        else if (key == "domain")
            login.domain = QString::fromUtf8(value);
    }
    if (login.user.isEmpty())
        return std::nullopt;
    // "username = DOMAIN\user" works there too.
    if (login.domain.isEmpty()) {
        const Login split = ParseUserOption(login.user);
        login.user = split.user;
        login.domain = split.domain;
    }
    return login;
}

bool IsLoginRefusal(std::uint32_t code)
{
    switch (code) {
    case NetError::AccessDenied:
    case 86: // the password is wrong
    case NetError::LogonFailure:
    case 1327: // account restrictions
    case 1330: // password expired
    case 1331: // account disabled
    case 2221: // user not found
        return true;
    default:
        return false;
    }
}

namespace {

void WipeMemory(void *data, std::size_t size)
{
#ifdef Q_OS_WIN
    SecureZeroMemory(data, size);
#else
    explicit_bzero(data, size);
#endif
}

} // namespace

CLoginBook &CLoginBook::Session()
{
    static CLoginBook book;
    return book;
}

void WipeString(QString &text)
{
    if (text.isEmpty() || !text.isDetached())
        return;
    WipeMemory(text.data(), std::size_t(text.size()) * sizeof(QChar));
    text.truncate(0);
}

void WipeBytes(QByteArray &bytes)
{
    if (bytes.isEmpty() || !bytes.isDetached())
        return;
    WipeMemory(bytes.data(), std::size_t(bytes.size()));
    bytes.truncate(0);
}

namespace {

// Names match without case; an IPv6 address matches however it is written
// ("FD10:0::6", "[fd10::6]"), as IPv4 addresses have one form only.
QString HostKey(const QString &host)
{
    if (const auto address = CanonicalIPv6(host))
        return address->toUpper();
    return host.toUpper();
}

} // namespace

void CLoginBook::SetDefault(const Login &login)
{
    if (!login.password.isEmpty())
        ProcessLimits::KeepSecretsOutOfDumps();
    std::scoped_lock guard(m_lock);
    if (m_default)
        WipeString(m_default->password);
    m_default = login;
}

void CLoginBook::Set(const QString &host, const Login &login)
{
    if (!login.password.isEmpty())
        ProcessLimits::KeepSecretsOutOfDumps();
    std::scoped_lock guard(m_lock);
    Login &slot = m_hosts[HostKey(host)];
    WipeString(slot.password);
    slot = login;
}

void CLoginBook::Clear()
{
    std::scoped_lock guard(m_lock);
    if (m_default)
        WipeString(m_default->password);
    m_default.reset();
    for (auto &[host, login] : m_hosts)
        WipeString(login.password);
    m_hosts.clear();
}

std::optional<Login> CLoginBook::For(const QString &name, const QString &address) const
{
    if (auto own = OwnFor(name, address))
        return own;
    return Default();
}

std::optional<Login> CLoginBook::OwnFor(const QString &name, const QString &address) const
{
    std::scoped_lock guard(m_lock);
    for (const QString &key : {HostKey(name), HostKey(address)}) {
        if (key.isEmpty())
            continue;
        if (const auto found = m_hosts.find(key); found != m_hosts.end())
            return found->second;
    }
    return std::nullopt;
}

std::optional<Login> CLoginBook::Default() const
{
    std::scoped_lock guard(m_lock);
    return m_default;
}

bool CLoginBook::HasOwn(const QString &host) const
{
    std::scoped_lock guard(m_lock);
    return m_hosts.count(HostKey(host)) != 0;
}

bool CLoginBook::Prove(bool own, const QString &name, const QString &address)
{
    if (name.isEmpty() || address.isEmpty())
        return false;
    std::scoped_lock guard(m_lock);
    Login *login = nullptr;
    QString keptFor;
    if (!own) {
        login = m_default ? &*m_default : nullptr;
    } else {
        for (const QString &key : {name.toUpper(), address.toUpper()}) {
            if (const auto found = m_hosts.find(key); found != m_hosts.end()) {
                login = &found->second;
                keptFor = key;
                break;
            }
        }
    }
    if (!login)
        return false;
    QString &where = login->provenAt[name.toUpper()];
    if (where == address)
        return false;
    where = address;
    if ((login->remembered || login->kept) && !m_newProofs.contains(keptFor))
        m_newProofs.append(keptFor);
    return true;
}

QStringList CLoginBook::TakeNewProofs()
{
    std::scoped_lock guard(m_lock);
    return std::exchange(m_newProofs, QStringList());
}

bool Login::TrustsWorkgroup(const QString &workgroup) const
{
    return !workgroup.isEmpty() && workgroups.contains(workgroup, Qt::CaseInsensitive);
}

bool Login::IsProvenAt(const QString &host, const QString &address) const
{
    const auto found = provenAt.find(host.toUpper());
    return found != provenAt.end() && found->second == address;
}

QString LoginRequestArgument(const QString &server, const Login &login, const QString &address)
{
    QStringList fields{server, login.user, login.domain, login.password,
                       login.kerberos ? QStringLiteral("1") : QStringLiteral("0")};
    if (!address.isEmpty() && address != server)
        fields.append(address);
    return fields.join(u'\t');
}
