// SPDX-License-Identifier: GPL-3.0-or-later
#include "boundedpool.h"

#include <algorithm>
#include <system_error>

CBoundedPool::CBoundedPool(int maxThreads) : m_maxThreads(std::max(1, maxThreads)) {}

CBoundedPool::~CBoundedPool()
{
    Finish();
}

void CBoundedPool::Post(std::function<void()> job)
{
    std::unique_lock guard(m_lock);
    m_queue.push_back(std::move(job));
    if (int(m_queue.size()) > m_idle && int(m_threads.size()) < m_maxThreads) {
        try {
            m_threads.emplace_back([this] { Work(); });
            ++m_started;
        } catch (const std::system_error &) {
            if (m_threads.empty()) {
                // No thread at all: the job runs here rather than never.
                auto now = std::move(m_queue.back());
                m_queue.pop_back();
                guard.unlock();
                now();
                return;
            }
        }
    }
    guard.unlock();
    m_ready.notify_one();
}

void CBoundedPool::Finish()
{
    std::vector<std::thread> threads;
    {
        std::scoped_lock guard(m_lock);
        m_finishing = true;
        threads.swap(m_threads);
    }
    m_ready.notify_all();
    for (std::thread &thread : threads)
        thread.join();
}

int CBoundedPool::ThreadCount() const
{
    std::scoped_lock guard(m_lock);
    return m_started;
}

void CBoundedPool::Work()
{
    std::unique_lock guard(m_lock);
    for (;;) {
        ++m_idle;
        m_ready.wait(guard, [this] { return !m_queue.empty() || m_finishing; });
        --m_idle;
        if (m_queue.empty())
            return;
        auto job = std::move(m_queue.front());
        m_queue.pop_front();
        guard.unlock();
        job();
        guard.lock();
    }
}
