// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One program per user and display. The first start owns a lock file and a
// local socket beside it in the user's runtime folder; a later start hands
// its message (the command line's file, or nothing) over that socket and
// ends. A local socket rather than a name on the session bus: it needs no
// bus (none under a bare X server, offscreen or in the tests' network
// namespaces), it is private to the user by the runtime folder's mode, and
// the core keeps no D-Bus dependency.
//
// The message names a file the user is about to open, so it goes only to
// the user's own program: the folder must be the user's and closed to
// everyone else (else there is no hand-over, and nothing is written
// anywhere), and both ends check that the process at the other end runs as
// the same user before a byte of the message is sent or read.
//
// The lock file, not the socket, says that an owner is alive: it is held
// until the object is destroyed, so a start while the owner is closing
// (saving its document and the settings) waits for it to end instead of
// reading what is about to be written. The lock of a process that crashed
// is stale (its process is gone) and is taken over; the socket file it left
// is removed before listening.
//
// User-interface thread; the owner needs a running event loop to answer.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Claim {
        Owner, // this process runs the program
        HandedOver, // the owner confirmed the message: this process ends
        NoAnswer, // an owner holds the lock but did not answer in time
        Alone, // this process runs the program without hand-overs: reason() says why
    };

    // `name`: the socket's path; empty: DefaultName(). The lock file is
    // the same path with ".lock" added. The folder of either must be
    // private to the user (PrivateFolder::CheckPrivate).
    explicit SingleInstance(const QString &name = {}, QObject *parent = nullptr);
    ~SingleInstance() override;

    // "<runtime folder>/lanterra-<hash of user and display>": the runtime
    // folder (XDG_RUNTIME_DIR) belongs to the user, so tests that set their
    // own are apart from a program running on the desktop and from each
    // other. A failure when the user has no private runtime folder.
    static Result<QString> DefaultName();
    // Empty when there is no usable name.
    const QString &name() const { return m_name; }

    // Becomes the owner, or hands `message` to the owner. While an owner
    // holds the lock without answering (it is starting or ending) this
    // waits, at most `patience`. Without a private folder, when the lock
    // cannot be made, or when the socket there belongs to another user, it
    // gives Alone: the program then runs on its own.
    Claim ClaimOrHandOver(const QStringList &message, std::chrono::milliseconds patience = std::chrono::seconds(30));
    // Why the claim gave Alone, as a sentence; empty otherwise.
    const QString &reason() const { return m_reason; }

    // The owner takes no more messages (its window is closing); later
    // starts wait for the lock. The lock itself is kept until destruction.
    void StopAnswering();

signals:
    // A later start's message, after it was confirmed to that start.
    void messageReceived(const QStringList &message);

private:
    bool Listen();
    void OnNewConnection();
    void OnReadyRead(QLocalSocket *socket);

    Claim Alone(const QString &reason);

    QString m_name;
    QString m_reason;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
};
