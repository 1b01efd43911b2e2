// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostlogins.h"

#include "model/lanterradoc.h"

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
    if (!book.For(QString(), QString())) {
        if (const auto login = keeper.load(QString()))
            book.SetDefault(*login);
    }
    // One given during this run is newer than anything remembered.
    for (const QString &name : hosts) {
        if (book.HasOwn(name))
            continue;
        if (const auto login = keeper.load(name))
            book.Set(name, *login);
    }
}

Result<void> UseHostLogin(const QString &host, const Login &login, bool remember, const LoginKeeper &keeper,
                          CLoginBook &book)
{
    const QString name = host.toUpper();
    book.Set(name, login);
    if (!remember)
        return {};
    if (!keeper.save)
        return Failed(QString());
    return keeper.save(name, login);
}
