// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include "platform/logging.h"
#include "platform/privatefolder.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <algorithm>

namespace {

// A message is a 32-bit length, then the tag and the list in a data stream.
constexpr QStringView Tag = u"lanterra-hand-over-1";
// A command line names one file; anything this large is no later start.
constexpr quint32 MaxMessageBytes = 64 * 1024;
// The owner's answer once it has the whole message.
constexpr char Confirmation = '\x06';
// A connection that says nothing is dropped after this long.
constexpr int QuietConnectionMs = 10000;

QByteArray Packet(const QStringList &message)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << Tag.toString() << message;
    QByteArray packet;
    QDataStream header(&packet, QIODevice::WriteOnly);
    header << quint32(payload.size());
    return packet + payload;
}

// The list of a whole packet at the start of `buffer`; false while it is
// not all there yet. `*bad` when it never will be one.
bool TakeMessage(QByteArray &buffer, QStringList &message, bool *bad)
{
    *bad = false;
    if (buffer.size() < 4)
        return false;
    quint32 size = 0;
    QDataStream header(buffer.left(4));
    header >> size;
    if (size > MaxMessageBytes) {
        *bad = true;
        return false;
    }
    if (buffer.size() < qsizetype(4 + size))
        return false;
    QDataStream in(buffer.mid(4, size));
    in.setVersion(QDataStream::Qt_6_0);
    QString tag;
    in >> tag >> message;
    buffer.remove(0, 4 + size);
    *bad = in.status() != QDataStream::Ok || tag != Tag;
    return !*bad;
}

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent), m_name(name)
{
    if (m_name.isEmpty()) {
        const Result<QString> named = DefaultName();
        if (named)
            m_name = named.value();
        else
            m_reason = named.reason();
    }
}

SingleInstance::~SingleInstance()
{
    // The socket goes before the lock: whoever takes the lock next finds
    // no socket of ours to connect to.
    m_server.reset();
    m_lock.reset();
}

Result<QString> SingleInstance::DefaultName()
{
    // Only a folder no one else may enter: a name in a shared folder can be
    // taken first by another user, who would then be handed the files this
    // user opens.
    const Result<QString> folder = PrivateFolder::RuntimeFolder();
    if (!folder)
        return Failed(folder.reason());
    // The display names the desktop session. Hashed, as a display may hold
    // characters a file name must not (WAYLAND_DISPLAY can be a path) and
    // the socket's path has a short limit.
    const QString key = qEnvironmentVariable("USER") + u'\n' + qEnvironmentVariable("DISPLAY") + u'\n'
                        + qEnvironmentVariable("WAYLAND_DISPLAY");
    const QString hash =
        QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    return QDir(folder.value()).filePath(QStringLiteral("lanterra-") + hash);
}

SingleInstance::Claim SingleInstance::Alone(const QString &reason)
{
    m_lock.reset();
    m_reason = reason;
    qCWarning(lcUi).noquote() << reason << "This start runs on its own; later starts cannot hand their files to it.";
    return Claim::Alone;
}

SingleInstance::Claim SingleInstance::ClaimOrHandOver(const QStringList &message, std::chrono::milliseconds patience)
{
    QElapsedTimer clock;
    clock.start();
    if (m_name.isEmpty())
        return Alone(m_reason);
    if (const Result<void> folder = PrivateFolder::CheckPrivate(QFileInfo(m_name).absolutePath()); !folder)
        return Alone(folder.reason());
    m_lock = std::make_unique<QLockFile>(m_name + QStringLiteral(".lock"));
    // Only a lock whose process is gone is stale: a program may run for days.
    m_lock->setStaleLockTime(std::chrono::milliseconds(0));
    const QByteArray packet = Packet(message);
    for (int waitMs = 0;; waitMs = 100) {
        if (m_lock->tryLock(waitMs)) {
            Listen();
            return Claim::Owner;
        }
        if (m_lock->error() != QLockFile::LockFailedError)
            return Alone(QStringLiteral("The lock file \"%1\" cannot be made.").arg(m_lock->fileName()));
        const qint64 left = patience.count() - clock.elapsed();
        if (left <= 0)
            return Claim::NoAnswer;
        // The owner may not be listening yet (it is starting) or any more
        // (it is ending): then the lock is tried again.
        QLocalSocket socket;
        socket.connectToServer(m_name);
        if (!socket.waitForConnected(int(std::min<qint64>(left, 1000))))
            continue;
        // Whoever listens there must be this user's own program before it
        // learns which file the user opens.
        if (!PrivateFolder::PeerIsUser(socket.socketDescriptor())) {
            socket.abort();
            return Alone(QStringLiteral("The socket \"%1\" is held by another user's program.").arg(m_name));
        }
        socket.write(packet);
        socket.flush();
        while (socket.bytesAvailable() < 1) {
            const qint64 remaining = patience.count() - clock.elapsed();
            if (remaining <= 0)
                return Claim::NoAnswer;
            // A disconnect without an answer: the owner stopped answering.
            if (!socket.waitForReadyRead(int(remaining)))
                break;
        }
        if (socket.bytesAvailable() >= 1 && socket.read(1).at(0) == Confirmation)
            return Claim::HandedOver;
    }
}

bool SingleInstance::Listen()
{
    // Holding the lock, any socket file there was left by a crash.
    QLocalServer::removeServer(m_name);
    m_server = std::make_unique<QLocalServer>();
    // Only this user, though the folder is private already.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        qCWarning(lcUi) << "cannot listen on" << m_name << ":" << m_server->errorString()
                        << "- later starts open windows of their own";
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return true;
}

void SingleInstance::StopAnswering()
{
    // Connections not answered yet are closed with the server: their starts
    // wait for the lock.
    m_server.reset();
}

void SingleInstance::OnNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // The folder keeps others out; this keeps out whoever got in anyway
        // (root's helpers, a folder whose mode changed since).
        if (!PrivateFolder::PeerIsUser(socket->socketDescriptor())) {
            qCWarning(lcUi) << "refused a hand-over from another user's process";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        QTimer::singleShot(QuietConnectionMs, socket, [socket] { socket->abort(); });
        // Bytes that came with the connection raise no readyRead of their own.
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void SingleInstance::OnReadyRead(QLocalSocket *socket)
{
    QByteArray buffer = socket->property("handOverBuffer").toByteArray() + socket->readAll();
    QStringList message;
    bool bad = false;
    if (!TakeMessage(buffer, message, &bad)) {
        if (bad) {
            qCWarning(lcUi) << "a start handed over something that is no command line";
            socket->abort();
        } else {
            socket->setProperty("handOverBuffer", buffer);
        }
        return;
    }
    socket->setProperty("handOverBuffer", QByteArray());
    // Confirmed before it is acted upon: opening a file may take a while
    // (a scan is stopped and saved), and the other start only waits for this.
    socket->write(&Confirmation, 1);
    socket->flush();
    socket->disconnectFromServer();
    emit messageReceived(message);
}
