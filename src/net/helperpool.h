// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netprovider.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

// A pool of single-threaded helper processes that run the network library
// calls. Each process serves one request at a time; a request that misses
// its deadline, or whose helper dies or talks nonsense, costs that helper
// its life and gives a clear error code instead of a hang or a crash here.
class CHelperPool
{
public:
    struct Result
    {
        std::uint32_t code = 0;
        std::vector<ShareEntry> items;
        std::size_t leftOut = 0; // items past the reader's bound, not kept
    };

    CHelperPool(QString program, QStringList arguments, int deadlineMs);
    ~CHelperPool();
    CHelperPool(const CHelperPool &) = delete;
    CHelperPool &operator=(const CHelperPool &) = delete;

    // Runs one request. Codes besides the helper's own: NetError::SemTimeout
    // (deadline, or the helper crashed or garbled its reply on two tries,
    // the second on a fresh helper), NetError::UnexpectedNetError (helper
    // missing), NetError::Cancelled (stop requested).
    // `deadlineMs`, when given, replaces the pool's deadline and is asked
    // again while the request waits, so that a deadline may move.
    Result Request(QByteArrayView verb, const QString &argument, std::stop_token stop = {},
                   const std::function<int()> &deadlineMs = {});

    // Every helper serves one request and ends: for requests that leave a
    // helper in a state no later request may inherit (a login).
    void SetOneShot(bool oneShot) { m_oneShot = oneShot; }
    int Deadline() const { return m_deadlineMs; }
    // Processes started so far (tests check that helpers are reused).
    int StartedCount() const { return m_started.load(); }
    // Processes idle in the pool right now.
    int IdleCount() const;

    // The helper executable beside the running program (a build folder),
    // else the one in the install tree's libexec folder relative to it;
    // the LANTERRA_SMBHELPER environment variable names another.
    static QString DefaultHelperPath();

private:
    struct Process
    {
        long pid = -1;
        int fd = -1;
    };

    bool Spawn(Process &process);
    static void Discard(Process &process);
    // Done: `result` holds the answer. Silent: the helper was gone before it
    // answered. Died: it died or garbled its reply while answering.
    enum class Outcome { Done, Silent, Died };
    Outcome Exchange(Process &process, const QByteArray &request, const std::stop_token &stop,
                     const std::function<int()> &deadlineMs, Result &result);

    const QString m_program;
    const QStringList m_arguments;
    const int m_deadlineMs;
    std::atomic<int> m_started{0};
    std::atomic<bool> m_oneShot{false};
    mutable std::mutex m_lock;
    std::vector<Process> m_idle;
};
