// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords stay out of core files and are wiped once no one needs them.
#include "net/credentials.h"
#include "net/helperpool.h"
#include "platform/processlimits.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs the real listing helper in `folder` with core files allowed (the
// kernel's pattern here is "core" in the working folder), waits until it
// has answered one request, and kills it with SIGABRT as a crash would.
// Returns the wait status.
int CrashHelper(const QString &folder)
{
    const QByteArray helper = QFile::encodeName(CHelperPool::DefaultHelperPath());
    const QByteArray where = QFile::encodeName(folder);
    int input[2];
    int output[2];
    if (::pipe(input) != 0 || ::pipe(output) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        struct rlimit core = {RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_CORE, &core);
        if (::chdir(where.constData()) != 0)
            ::_exit(127);
        ::dup2(input[0], 0);
        ::dup2(output[1], 1);
        ::close(input[1]);
        ::close(output[0]);
        char *const argv[] = {const_cast<char *>("lanterra-smbhelper"), const_cast<char *>("shares"), nullptr};
        ::execv(helper.constData(), argv);
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    // An unknown request is answered at once; the answer proves the helper
    // runs its own code, past whatever it does at its start.
    const char request[] = "hello world\n";
    [[maybe_unused]] const auto sent = ::write(input[1], request, sizeof request - 1);
    char reply[64];
    [[maybe_unused]] const auto got = ::read(output[0], reply, sizeof reply);
    ::kill(pid, SIGABRT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(input[1]);
    ::close(output[0]);
    return status;
}

TEST(SecretMemory, TheListingHelperWritesNoCoreFile)
{
    if (!QFile::exists(CHelperPool::DefaultHelperPath()))
        GTEST_SKIP() << "no listing helper built";
    QFile pattern(QStringLiteral("/proc/sys/kernel/core_pattern"));
    if (!pattern.open(QIODevice::ReadOnly) || !pattern.readAll().startsWith("core"))
        GTEST_SKIP() << "core files go elsewhere than the working folder here";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const int status = CrashHelper(folder.path());
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    EXPECT_FALSE(WCOREDUMP(status)) << "the helper dumped its memory";
    const QStringList left = QDir(folder.path()).entryList(QDir::Files);
    EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
}

TEST(SecretMemory, APasswordGivenToTheLoginBookMakesTheProcessUndumpable)
{
    // A login without a password leaves the process as it is.
    Login ticket;
    ticket.kerberos = true;
    CLoginBook::Session().SetDefault(ticket);
    EXPECT_TRUE(ProcessLimits::IsDumpable());

    Login anna;
    anna.user = QStringLiteral("anna");
    anna.password = QStringLiteral("correct horse");
    CLoginBook::Session().Set(QStringLiteral("VAULT"), anna);
    EXPECT_FALSE(ProcessLimits::IsDumpable());
    CLoginBook::Session().Clear();
}

TEST(SecretMemory, WipingZeroesTheBufferUnlessACopyStillUsesIt)
{
    QString password = QStringLiteral("correct horse battery");
    password.detach();
    const QChar *buffer = password.constData();
    const qsizetype length = password.size();
    WipeString(password);
    EXPECT_TRUE(password.isEmpty());
    // The emptied string keeps its buffer, so it can be looked at.
    ASSERT_EQ(password.constData(), buffer);
    for (qsizetype i = 0; i < length; ++i)
        EXPECT_EQ(buffer[i].unicode(), 0) << i;

    QByteArray bytes("correct horse battery");
    bytes.detach();
    const char *raw = bytes.constData();
    const qsizetype size = bytes.size();
    WipeBytes(bytes);
    ASSERT_EQ(bytes.constData(), raw);
    EXPECT_EQ(std::string(raw, size_t(size)), std::string(size_t(size), '\0'));

    // A copy handed to a listing that still runs keeps its password.
    QString shared = QStringLiteral("tr0ub4dor");
    shared.detach();
    const QString inUse = shared;
    WipeString(shared);
    EXPECT_EQ(inUse, u"tr0ub4dor");
}

} // namespace
