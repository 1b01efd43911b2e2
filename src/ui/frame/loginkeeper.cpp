// SPDX-License-Identifier: GPL-3.0-or-later
#include "loginkeeper.h"

#ifdef LANTERRA_HAVE_SECRET_STORE
#include "secrets/loginstore.h"
#endif

LoginKeeper DesktopLoginKeeper()
{
#ifdef LANTERRA_HAVE_SECRET_STORE
    return {[](const QString &host) { return LoginStore::Load(host); },
            [](const QString &host, const Login &login) { return LoginStore::Save(host, login); }};
#else
    return {};
#endif
}
