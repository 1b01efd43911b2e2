// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostlogins.h"

#include "model/lanterradoc.h"
#include "platform/logging.h"

#include <QSet>

void LoadRememberedLogins(const CLanterraDoc &doc, const LoginKeeper &keeper, CLoginBook &book)
{
    if (keeper.load)
        LoadRememberedLogins(RememberedLoginHosts(doc), keeper, book);
}

QStringList RememberedLoginHosts(const CLanterraDoc &doc)
{
    // Per-host logins are kept under the name the user saw in the list.
    QStringList names;
    QSet<QString> seen;
    for (const auto &host : doc.cacheHosts()) {
        const QString name = host->GetDisplayName().toUpper();
        if (name.isEmpty() || seen.contains(name))
            continue;
        seen.insert(name);
        names.append(name);
    }
    return names;
}

void LoadRememberedLogins(const QStringList &hosts, const LoginKeeper &keeper, CLoginBook &book)
{
    if (!keeper.load)
        return;
    // Remembered: they go only where they worked before, whatever a
    // document says about its hosts.
    if (!book.For(QString(), QString())) {
        if (auto login = keeper.load(QString())) {
            login->remembered = true;
            login->kept = true;
            book.SetDefault(*login);
        }
    }
    // One given during this run is newer than anything remembered.
    for (const QString &name : hosts) {
        if (book.HasOwn(name))
            continue;
        if (auto login = keeper.load(name)) {
            login->remembered = true;
            login->kept = true;
            book.Set(name, *login);
        }
    }
}

void KeepWhereLoginsWorked(const LoginKeeper &keeper, CLoginBook &book)
{
    for (const QString &host : book.TakeNewProofs()) {
        const std::optional<Login> login = host.isEmpty() ? book.Default() : book.OwnFor(host, QString());
        if (login && keeper.save && !keeper.save(host, *login))
            qCWarning(lcFile) << "cannot keep where the login for" << host << "worked";
    }
}

Result<void> UseHostLogin(const QString &host, const Login &login, bool remember, const LoginKeeper &keeper,
                          CLoginBook &book)
{
    const QString name = host.toUpper();
    Login used = login;
    used.kept = remember;
    book.Set(name, used);
    if (!remember)
        return {};
    if (!keeper.save)
        return Failed(QString());
    return keeper.save(name, login);
}
