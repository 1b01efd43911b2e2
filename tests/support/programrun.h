// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

// Runs a windowed program until it is up, calls `whileRunning`, then ends it
// with SIGTERM and expects a normal exit with code 0. A program killed before
// its signal handler was in place is tried again with a longer start-up time.
// Problems are handed to `fail`.
inline bool RunUntilTerminated(const QString &program, const QStringList &arguments,
                               const QProcessEnvironment &environment,
                               const std::function<void(const QString &)> &fail,
                               const std::function<void()> &whileRunning = {})
{
    for (const int startup : {1500, 4000, 10000}) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, arguments);
        if (!process.waitForStarted(10000)) {
            fail(QStringLiteral("cannot start %1").arg(program));
            return false;
        }
        if (process.waitForFinished(startup)) {
            fail(QStringLiteral("the program ended by itself (code %1)").arg(process.exitCode()));
            return false;
        }
        if (whileRunning)
            whileRunning();
        process.terminate();
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            fail(QStringLiteral("the program did not end on SIGTERM"));
            return false;
        }
        if (process.exitStatus() == QProcess::NormalExit) {
            if (process.exitCode() != 0)
                fail(QStringLiteral("exit code %1").arg(process.exitCode()));
            return process.exitCode() == 0;
        }
    }
    fail(QStringLiteral("the program never ended normally on SIGTERM"));
    return false;
}
