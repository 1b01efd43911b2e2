// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolver.h"

#include <QStringList>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

std::atomic<ResolveFunction> g_resolve{nullptr};
std::atomic<int> g_running{0};
// Abandoned look-ups each hold a thread until the resolver gives up; past
// this many a new one waits for a place instead of piling up more.
constexpr int MaxRunningLookups = 64;

// What a look-up thread and its caller share; the thread keeps it alive
// after a caller that stopped waiting has gone.
template <class Answer> struct Lookup
{
    std::mutex lock;
    std::condition_variable_any finished;
    bool done = false;
    std::optional<Answer> answer;
};

template <class Answer>
std::optional<Answer> RunLookup(const QByteArray &encoded, std::stop_token stop,
                                std::optional<Answer> (*resolve)(const QByteArray &))
{
    if (!stop.stop_possible())
        return resolve(encoded);

    while (g_running.load() >= MaxRunningLookups) {
        if (stop.stop_requested())
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (stop.stop_requested())
        return std::nullopt;

    auto lookup = std::make_shared<Lookup<Answer>>();
    ++g_running;
    try {
        std::jthread([lookup, encoded, resolve] {
            std::optional<Answer> answer = resolve(encoded);
            {
                std::scoped_lock guard(lookup->lock);
                lookup->answer = std::move(answer);
                lookup->done = true;
            }
            lookup->finished.notify_all();
            --g_running;
        }).detach();
    } catch (const std::system_error &) {
        // No thread to spare: look up here, without a way out.
        --g_running;
        return resolve(encoded);
    }
    std::unique_lock guard(lookup->lock);
    if (!lookup->finished.wait(guard, stop, [&lookup] { return lookup->done; }))
        return std::nullopt;
    return lookup->answer;
}

} // namespace

void SetResolveFunctionForTests(ResolveFunction function)
{
    g_resolve.store(function);
}

int RunningLookups()
{
    return g_running.load();
}

std::optional<std::uint32_t> SystemResolveIPv4(const QString &name, std::stop_token stop)
{
    const QByteArray encoded = name.toLocal8Bit();
    if (encoded.isEmpty() || encoded.size() > 512)
        return std::nullopt;
    ResolveFunction resolve = g_resolve.load();
    return RunLookup<std::uint32_t>(encoded, stop, resolve ? resolve : BlockingResolveIPv4);
}

std::optional<QString> SystemResolveIPv6(const QString &name, std::stop_token stop)
{
    const QByteArray encoded = name.toLocal8Bit();
    if (encoded.isEmpty() || encoded.size() > 512)
        return std::nullopt;
    return RunLookup<QString>(encoded, stop, BlockingResolveIPv6);
}

QString DottedIPv4(std::uint32_t address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

std::optional<std::uint32_t> NumericIPv4(const QString &text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        for (const QChar c : part) {
            if (!c.isDigit() || c.unicode() > 0x7f)
                return std::nullopt;
        }
        const int byte = part.toInt();
        if (byte > 255)
            return std::nullopt;
        value = (value << 8) | std::uint32_t(byte);
    }
    return value;
}

std::optional<QString> CanonicalIPv6(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(u'[') && text.endsWith(u']'))
        text = text.mid(1, text.size() - 2);
    QStringView zone;
    if (const qsizetype percent = text.indexOf(u'%'); percent >= 0) {
        zone = text.mid(percent + 1);
        text = text.left(percent);
        // An interface's name or number: nothing that would end a URL's
        // host part or hide in a list.
        if (zone.isEmpty() || zone.size() > 64 || std::any_of(zone.begin(), zone.end(), [](QChar c) {
                return c.unicode() <= 0x20 || c.unicode() > 0x7e || c == u'[' || c == u']' || c == u'/' || c == u'%'
                       || c == u'\\';
            }))
            return std::nullopt;
    }
    if (!text.contains(u':') || text.size() > 45)
        return std::nullopt;
    const QByteArray ascii = text.toLatin1();
    in6_addr address{};
    if (inet_pton(AF_INET6, ascii.constData(), &address) != 1)
        return std::nullopt;
    char written[INET6_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET6, &address, written, sizeof written))
        return std::nullopt;
    QString canonical = QString::fromLatin1(written);
    if (!zone.isEmpty())
        canonical += u'%' + zone.toString();
    return canonical;
}
