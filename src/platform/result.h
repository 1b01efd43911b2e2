// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <utility>

// What an operation that can fail answers: its value, or why it failed. The
// reason is a sentence for the user; functions on files leave the file's name
// out of it, as the caller names the file in its own message. No exceptions.
//
//     Result<QByteArray> bytes = FileAccess::ReadRegularFile(path, cap);
//     if (!bytes)
//         qCWarning(lcFile) << path << bytes.reason();

// The failing side, made with Failed(reason); it converts to every Result.
struct Failure
{
    QString reason;
};

inline Failure Failed(QString reason)
{
    return Failure{std::move(reason)};
}

template <typename T> class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_reason(std::move(failure.reason)) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    const T &value() const & { return *m_value; }
    T &value() & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    // Empty when ok(); may be empty on a failure that has nothing to tell.
    const QString &reason() const { return m_reason; }

private:
    std::optional<T> m_value;
    QString m_reason;
};

template <> class Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_reason(std::move(failure.reason)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString &reason() const { return m_reason; }

private:
    bool m_failed = false;
    QString m_reason;
};
