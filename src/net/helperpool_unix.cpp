// SPDX-License-Identifier: GPL-3.0-or-later
#include "helperpool.h"

#include "credentials.h"
#include "helperprotocol.h"
#include "neterrors.h"

#include "platform/logging.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
// How often a waiting request looks at its stop token.
constexpr int StopPollMs = 50;

} // namespace

CHelperPool::CHelperPool(QString program, QStringList arguments, int deadlineMs)
    : m_program(std::move(program)), m_arguments(std::move(arguments)), m_deadlineMs(deadlineMs)
{
}

CHelperPool::~CHelperPool()
{
    std::scoped_lock guard(m_lock);
    for (Process &process : m_idle)
        Discard(process);
}

int CHelperPool::IdleCount() const
{
    std::scoped_lock guard(m_lock);
    return int(m_idle.size());
}

QString CHelperPool::DefaultHelperPath()
{
    const QByteArray overridden = qgetenv("LANTERRA_SMBHELPER");
    if (!overridden.isEmpty())
        return QString::fromLocal8Bit(overridden);
    // The program may run without an application object (tests), so ask
    // the kernel where the executable lives.
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.canonicalFilePath().isEmpty())
        return QStringLiteral("lanterra-smbhelper");
    const QString folder = QFileInfo(self.canonicalFilePath()).absolutePath();
    // A build folder keeps the helper beside the programs; an installed
    // copy keeps it in its private folder, reached by the same relative
    // path from the programs whatever the prefix.
    const QString beside = folder + QStringLiteral("/lanterra-smbhelper");
    const QString installed =
        QDir::cleanPath(folder + QStringLiteral("/" LANTERRA_HELPER_FROM_BIN "/lanterra-smbhelper"));
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}

bool CHelperPool::Spawn(Process &process)
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        qCWarning(lcNet) << "cannot start the listing helper:" << strerror(errno);
        return false;
    }

    const QByteArray program = m_program.toLocal8Bit();
    std::vector<QByteArray> storage;
    storage.push_back(program);
    for (const QString &argument : m_arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 clears close-on-exec on the copies, so the child keeps exactly
    // its three standard descriptors.
    posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
    if (qEnvironmentVariableIsEmpty("LANTERRA_HELPER_STDERR"))
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pair[1]);
    if (failed != 0) {
        close(pair[0]);
        qCWarning(lcNet) << "cannot start the listing helper" << m_program << ":" << strerror(failed);
        return false;
    }
    ++m_started;
    process.pid = pid;
    process.fd = pair[0];
    return true;
}

void CHelperPool::Discard(Process &process)
{
    if (process.pid > 0) {
        kill(pid_t(process.pid), SIGKILL);
        while (waitpid(pid_t(process.pid), nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (process.fd >= 0)
        close(process.fd);
    process = Process();
}

CHelperPool::Result CHelperPool::Request(QByteArrayView verb, const QString &argument, std::stop_token stop,
                                         const std::function<int()> &deadlineMs)
{
    QByteArray request = HelperProtocol::EncodeRequest(verb, argument);
    // The request may carry a password: wiped whichever way this returns.
    const struct Wipe
    {
        QByteArray &bytes;
        ~Wipe() { WipeBytes(bytes); }
    } wipe{request};
    Result result;
    // A helper that dies or garbles its reply while it works costs one more
    // try on a fresh helper; a second such end counts as no answer at all,
    // as a deadline does. Idle helpers found dead before they answered cost
    // nothing: they may have gone any time since their last request.
    bool retried = false;
    for (;;) {
        Process process;
        bool reused = false;
        {
            std::scoped_lock guard(m_lock);
            if (!m_idle.empty()) {
                process = m_idle.back();
                m_idle.pop_back();
                reused = true;
            }
        }
        if (!reused && !Spawn(process))
            return {NetError::UnexpectedNetError, {}};
        switch (Exchange(process, request, stop, deadlineMs, result)) {
        case Outcome::Done:
            return result;
        case Outcome::Silent:
            if (reused)
                continue;
            break;
        case Outcome::Died:
            break;
        }
        if (retried)
            return {NetError::SemTimeout, {}};
        retried = true;
    }
}

CHelperPool::Outcome CHelperPool::Exchange(Process &process, const QByteArray &request, const std::stop_token &stop,
                                           const std::function<int()> &deadlineMs, Result &result)
{
    // MSG_NOSIGNAL: a dead helper must not take this process down with SIGPIPE.
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t n = send(process.fd, request.constData() + sent, size_t(request.size() - sent),
                               MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Discard(process);
            return Outcome::Silent;
        }
        sent += n;
    }

    const auto started = Clock::now();
    auto deadline = started + std::chrono::milliseconds(deadlineMs ? deadlineMs() : m_deadlineMs);
    HelperProtocol::ReplyReader reader;
    bool anyReply = false;
    char buffer[8192];
    for (;;) {
        if (stop.stop_requested()) {
            Discard(process);
            result = {NetError::Cancelled, {}};
            return Outcome::Done;
        }
        if (deadlineMs)
            deadline = started + std::chrono::milliseconds(deadlineMs());
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            Discard(process);
            result = {NetError::SemTimeout, {}};
            return Outcome::Done;
        }
        pollfd wait{process.fd, POLLIN, 0};
        const int ready = poll(&wait, 1, int(std::min<long long>(left, StopPollMs)));
        if (ready < 0 && errno != EINTR) {
            Discard(process);
            result = {NetError::UnexpectedNetError, {}};
            return Outcome::Done;
        }
        if (ready <= 0)
            continue;
        const ssize_t n = recv(process.fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // The helper died: what it sent of its reply is not the list.
            qCDebug(lcNet) << "the listing helper ended before its reply was complete";
            Discard(process);
            return anyReply ? Outcome::Died : Outcome::Silent;
        }
        anyReply = true;
        const auto status = reader.Feed(QByteArrayView(buffer, n));
        if (status == HelperProtocol::ReplyReader::Status::Malformed) {
            qCWarning(lcNet) << "the listing helper sent a garbled reply";
            Discard(process);
            return Outcome::Died;
        }
        if (status == HelperProtocol::ReplyReader::Status::Complete) {
            result.code = reader.code();
            result.items = reader.takeItems();
            result.leftOut = reader.leftOut();
            if (m_oneShot) {
                Discard(process);
                return Outcome::Done;
            }
            std::scoped_lock guard(m_lock);
            m_idle.push_back(process);
            return Outcome::Done;
        }
    }
}
