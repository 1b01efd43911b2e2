// SPDX-License-Identifier: GPL-3.0-or-later
#include "loginstore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <qt6keychain/keychain.h>

namespace LoginStore {

namespace {

const QString Service = QStringLiteral("Lanterra");

QString KeyFor(const QString &host)
{
    return host.isEmpty() ? QStringLiteral("login:*") : QStringLiteral("login:") + host.toUpper();
}

// Runs a job to its end in a local event loop.
bool Run(QKeychain::Job &job)
{
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.setAutoDelete(false);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

} // namespace

QByteArray Encode(const Login &login)
{
    QJsonObject object;
    object.insert(QStringLiteral("user"), login.user);
    object.insert(QStringLiteral("domain"), login.domain);
    object.insert(QStringLiteral("password"), login.password);
    object.insert(QStringLiteral("kerberos"), login.kerberos);
    if (!login.workgroups.isEmpty())
        object.insert(QStringLiteral("workgroups"), QJsonArray::fromStringList(login.workgroups));
    // Where it worked: a later scan sends it nowhere else unasked.
    QJsonObject proven;
    for (const auto &[host, address] : login.provenAt)
        proven.insert(host, address);
    if (!proven.isEmpty())
        object.insert(QStringLiteral("provenAt"), proven);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Login> Decode(const QByteArray &data)
{
    const QJsonDocument document = QJsonDocument::fromJson(data);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    Login login;
    login.user = object.value(QStringLiteral("user")).toString();
    login.domain = object.value(QStringLiteral("domain")).toString();
    login.password = object.value(QStringLiteral("password")).toString();
    login.kerberos = object.value(QStringLiteral("kerberos")).toBool();
    for (const QJsonValue &workgroup : object.value(QStringLiteral("workgroups")).toArray()) {
        if (!workgroup.toString().isEmpty())
            login.workgroups.append(workgroup.toString().toUpper());
    }
    // Entries from before addresses were kept have none: proven nowhere.
    const QJsonObject proven = object.value(QStringLiteral("provenAt")).toObject();
    for (auto it = proven.begin(); it != proven.end(); ++it) {
        if (!it.key().isEmpty() && !it.value().toString().isEmpty())
            login.provenAt[it.key().toUpper()] = it.value().toString();
    }
    if (login.IsEmpty())
        return std::nullopt;
    return login;
}

SaveResult Save(const QString &host, const Login &login)
{
    QKeychain::WritePasswordJob job(Service);
    job.setKey(KeyFor(host));
    job.setBinaryData(Encode(login));
    if (Run(job))
        return {};
    // The job's error is a message of the library underneath, in the
    // desktop's language, and names no cause a user could act on; the
    // service itself tells what is missing.
    SaveResult result;
    result.detail = job.errorString();
    result.problem = job.error() == QKeychain::NoBackendAvailable ? Problem::NoStore : Diagnose();
    return result;
}

Problem Diagnose()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Problem::NoStore;
    const QString service = QStringLiteral("org.freedesktop.secrets");
    constexpr int WaitMs = 3000;
    QDBusMessage alias =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/secrets"),
                                       QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("ReadAlias"));
    alias << QStringLiteral("default");
    const QDBusMessage aliasReply = bus.call(alias, QDBus::Block, WaitMs);
    if (aliasReply.type() != QDBusMessage::ReplyMessage)
        return aliasReply.errorName() == u"org.freedesktop.DBus.Error.ServiceUnknown" ? Problem::NoStore
                                                                                      : Problem::Other;
    const QString collection = aliasReply.arguments().value(0).value<QDBusObjectPath>().path();
    if (collection.isEmpty() || collection == u"/")
        return Problem::NoDefaultCollection;
    QDBusMessage locked = QDBusMessage::createMethodCall(
        service, collection, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    locked << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Locked");
    const QDBusMessage lockedReply = bus.call(locked, QDBus::Block, WaitMs);
    if (lockedReply.type() == QDBusMessage::ReplyMessage
        && lockedReply.arguments().value(0).value<QDBusVariant>().variant().toBool())
        return Problem::Locked;
    return Problem::Other;
}

std::optional<Login> Load(const QString &host)
{
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(KeyFor(host));
    if (!Run(job))
        return std::nullopt;
    return Decode(job.binaryData());
}

bool Remove(const QString &host)
{
    QKeychain::DeletePasswordJob job(Service);
    job.setKey(KeyFor(host));
    return Run(job);
}

} // namespace LoginStore
