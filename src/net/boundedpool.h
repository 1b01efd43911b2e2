// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs posted jobs in their order on at most `maxThreads` threads, which
// start as jobs wait and stay until Finish. A host that answers with many
// endpoints, or many hosts that accept and never reply, cost at most that
// many threads and the descriptors they hold, however many jobs wait.
class CBoundedPool
{
public:
    explicit CBoundedPool(int maxThreads);
    // Finish().
    ~CBoundedPool();
    CBoundedPool(const CBoundedPool &) = delete;
    CBoundedPool &operator=(const CBoundedPool &) = delete;

    // From any thread but the pool's own. A job that cannot get a thread
    // (the system refuses one) waits for a running one.
    void Post(std::function<void()> job);
    // Runs what is queued to its end and joins the threads; Post may not
    // be called afterwards. Jobs see their own deadlines: the pool has none.
    void Finish();
    // Threads started so far.
    int ThreadCount() const;

private:
    void Work();

    const int m_maxThreads;
    mutable std::mutex m_lock;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_queue;
    std::vector<std::thread> m_threads;
    int m_idle = 0;
    int m_started = 0;
    bool m_finishing = false;
};
