// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// For tests of code that must not wait for something the test holds back (a
// listing, a name look-up, a pipe without a writer): wrong code would wait
// for good. After a generous limit the rescue lets the held thing go and
// remembers it did, so that such code fails its check instead of hanging.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

class LateRescue
{
public:
    explicit LateRescue(std::function<void()> letGo, std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        m_watch = std::jthread([this, letGo = std::move(letGo), limit](std::stop_token stop) {
            std::mutex lock;
            std::condition_variable_any never;
            std::unique_lock guard(lock);
            never.wait_for(guard, stop, limit, [] { return false; });
            if (stop.stop_requested())
                return;
            m_fired = true;
            letGo();
        });
    }
    ~LateRescue() { Cancel(); }
    LateRescue(const LateRescue &) = delete;
    LateRescue &operator=(const LateRescue &) = delete;

    // The limit passed while the thing was still held.
    bool fired() const { return m_fired; }
    // No rescue from now on (the test lets the thing go itself).
    void Cancel()
    {
        if (m_watch.joinable()) {
            m_watch.request_stop();
            m_watch.join();
        }
    }

private:
    std::atomic<bool> m_fired{false};
    std::jthread m_watch;
};
