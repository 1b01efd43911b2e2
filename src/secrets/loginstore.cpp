// SPDX-License-Identifier: GPL-3.0-or-later
#include "loginstore.h"

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

bool Save(const QString &host, const Login &login)
{
    QKeychain::WritePasswordJob job(Service);
    job.setKey(KeyFor(host));
    job.setBinaryData(Encode(login));
    return Run(job);
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
