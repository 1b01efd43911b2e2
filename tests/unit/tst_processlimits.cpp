// SPDX-License-Identifier: GPL-3.0-or-later
// The programs raise their open-file limit to what the system allows.
#include "platform/processlimits.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(ProcessLimits, ALoweredSoftDescriptorLimitIsRaisedToTheHardOne)
{
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max <= 64)
        GTEST_SKIP() << "no finite hard limit above 64 to raise to";
    // In a child started as `ulimit -n 64` would start it, so that this
    // process keeps its own limits; it reports through its exit code.
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        rlimit lowered = limit;
        lowered.rlim_cur = 64;
        if (::setrlimit(RLIMIT_NOFILE, &lowered) != 0)
            ::_exit(2);
        const long raised = ProcessLimits::RaiseDescriptorLimit();
        rlimit now{};
        ::getrlimit(RLIMIT_NOFILE, &now);
        const long values[2] = {raised, long(now.rlim_cur)};
        [[maybe_unused]] const auto written = ::write(report[1], values, sizeof values);
        ::_exit(0);
    }
    ::close(report[1]);
    long values[2] = {0, 0};
    const auto got = ::read(report[0], values, sizeof values);
    ::close(report[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(got, ssize_t(sizeof values));
    EXPECT_EQ(values[1], long(limit.rlim_max));
    EXPECT_EQ(values[0], long(limit.rlim_max));
}

} // namespace
