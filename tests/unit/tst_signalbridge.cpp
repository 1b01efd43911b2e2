// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/signalbridge.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs `body` in a child process and returns how the child ended.
template<typename Body>
int RunInChild(Body body)
{
    const pid_t child = fork();
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

} // namespace

// A program that is ending (its bridge already gone, settings.xml still to
// be written) must survive the second SIGTERM that timeout and session
// managers send to the whole process group right after the first.
TEST(SignalBridge, ARepeatedTerminationAfterTheBridgeIsGoneDoesNotKill)
{
    const int status = RunInChild([] {
        int argc = 1;
        char name[] = "tst_signalbridge";
        char *argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        {
            SignalBridge bridge;
        }
        raise(SIGTERM);
        raise(SIGINT);
    });
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SignalBridge, TerminationWhileTheBridgeLivesIsDeliveredAsASignal)
{
    const int status = RunInChild([] {
        int argc = 1;
        char name[] = "tst_signalbridge";
        char *argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        SignalBridge bridge;
        bool requested = false;
        QObject::connect(&bridge, &SignalBridge::terminationRequested, [&] {
            requested = true;
            app.quit();
        });
        raise(SIGTERM);
        app.exec();
        _exit(requested ? 0 : 3);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
