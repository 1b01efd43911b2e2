// SPDX-License-Identifier: GPL-3.0-or-later
#include "loginkeeper.h"

#include "net/credentials.h"
#include "platform/logging.h"
#include "settings/languagetable.h"
#include "settings/messageformat.h"
#include "ui/textkeys.h"

#ifdef LANTERRA_HAVE_SECRET_STORE
#include "secrets/loginstore.h"
#endif

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct LoginRead
{
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
};

std::mutex g_readLock;
std::shared_ptr<LoginRead> g_lastRead; // under g_readLock

const QString MessagesSection = QStringLiteral("View messages");

} // namespace

QString LoginStoreProblemText(LoginStoreProblem problem, const QString &detail)
{
    switch (problem) {
    case LoginStoreProblem::NoStore:
        return LookupText(MessagesSection, ViewMessage::NoSecretStore,
                          QStringLiteral("no secret store answers on this desktop (a keyring service such as "
                                         "GNOME Keyring or KWallet keeps logins)."));
    case LoginStoreProblem::NoDefaultCollection:
        return LookupText(MessagesSection, ViewMessage::NoDefaultKeyring,
                          QStringLiteral("the secret store has no default keyring. Create one (in the desktop's "
                                         "passwords and keys settings) and log in again with Remember ticked."));
    case LoginStoreProblem::Locked:
        return LookupText(MessagesSection, ViewMessage::KeyringLocked,
                          QStringLiteral("the default keyring is locked and was not unlocked."));
    case LoginStoreProblem::None:
    case LoginStoreProblem::Other:
        break;
    }
    return FormatMessage(
        LookupText(MessagesSection, ViewMessage::SecretStoreSaid, QStringLiteral("the secret store answered: %s")),
        {detail});
}

LoginKeeper DesktopLoginKeeper()
{
#ifdef LANTERRA_HAVE_SECRET_STORE
    return {[](const QString &host) { return LoginStore::Load(host); },
            [](const QString &host, const Login &login) -> Result<void> {
                static_assert(int(LoginStore::Problem::Other) == int(LoginStoreProblem::Other));
                const LoginStore::SaveResult saved = LoginStore::Save(host, login);
                if (saved)
                    return {};
                qCWarning(lcUi) << "the secret store did not keep a login:" << saved.detail;
                return Failed(LoginStoreProblemText(LoginStoreProblem(saved.problem), saved.detail));
            }};
#else
    return {{}, [](const QString &, const Login &) -> Result<void> {
                return Failed(LoginStoreProblemText(LoginStoreProblem::NoStore, QString()));
            }};
#endif
}

bool LoadRememberedLoginsFor(const QStringList &hosts, const LoginKeeper &keeper, int waitMs)
{
    if (!keeper.load)
        return true;
    auto read = std::make_shared<LoginRead>();
    {
        std::scoped_lock guard(g_readLock);
        if (g_lastRead) {
            std::scoped_lock last(g_lastRead->lock);
            if (!g_lastRead->done)
                return false;
        }
        g_lastRead = read;
    }
    try {
        // Not joined: a call into the store cannot be cancelled, and the
        // window must not wait for it at close. It holds only its own state,
        // the keeper's copy and the process-wide book.
        std::jthread([read, hosts, keeper] {
            LoadRememberedLogins(hosts, keeper, CLoginBook::Session());
            {
                std::scoped_lock guard(read->lock);
                read->done = true;
            }
            read->finished.notify_all();
        }).detach();
    } catch (const std::system_error &error) {
        qCWarning(lcUi) << "cannot read the remembered logins:" << error.what();
        std::scoped_lock guard(read->lock);
        read->done = true;
        return false;
    }
    std::unique_lock guard(read->lock);
    return read->finished.wait_for(guard, std::chrono::milliseconds(waitMs), [&read] { return read->done; });
}
