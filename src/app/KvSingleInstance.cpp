#include "app/KvSingleInstance.h"

#include "app/PrivateRuntimeFolder.h"
#include "platform/DisplayPath.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstring>

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char kMagic[4] = {'K', 'V', 'S', 'L'};
constexpr int kHeaderBytes = 12;
// A path is at most a few KiB; anything larger is not one of ours.
constexpr uint32_t kMaxPayload = 64 * 1024;
constexpr int kReceiveTimeoutMs = 5000;
// While the running instance is still starting, its socket is not there yet.
constexpr int kConnectRetryMs = 50;

std::string lockFailure(QLockFile::LockError error)
{
    switch (error) {
    case QLockFile::PermissionError:
        return "no permission to create it";
    case QLockFile::UnknownError:
        return "it cannot be written (folder full?)";
    default:
        return "error " + std::to_string(static_cast<int>(error));
    }
}

}  // namespace

QByteArray EncodeCopyDataMessage(uint32_t tag, const std::string& path)
{
    QByteArray message(kMagic, 4);
    char number[4];
    qToBigEndian<uint32_t>(tag, number);
    message.append(number, 4);
    qToBigEndian<uint32_t>(static_cast<uint32_t>(path.size() + 1), number);
    message.append(number, 4);
    message.append(path.data(), static_cast<qsizetype>(path.size()));
    message.append('\0');
    return message;
}

bool DecodeCopyDataMessage(const QByteArray& message, uint32_t& tag, std::string& path)
{
    if (message.size() < kHeaderBytes || !message.startsWith(QByteArray(kMagic, 4)))
        return false;
    tag = qFromBigEndian<uint32_t>(message.constData() + 4);
    const uint32_t count = qFromBigEndian<uint32_t>(message.constData() + 8);
    if (count == 0 || count > kMaxPayload || static_cast<qsizetype>(count) != message.size() - kHeaderBytes)
        return false;
    // Taken as a NUL-terminated string within the byte count.
    const char* data = message.constData() + kHeaderBytes;
    path.assign(data, ::strnlen(data, count));
    return true;
}

TKvSingleInstance::TKvSingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name + QLatin1Char('-') + QString::number(::getuid()))
{
    std::string passedOver;
    folder_ = PrivateRuntimeFolder(name_.toStdString(), folderProblem_, passedOver);
    if (!passedOver.empty())
        warnings_.push_back("runtime folder not used: " + passedOver);
}

TKvSingleInstance::~TKvSingleInstance() = default;

QString TKvSingleInstance::SocketName() const
{
    if (folder_.empty())
        return {};
    return QtFileName(folder_) + QLatin1Char('/') + name_ + QStringLiteral(".socket");
}

bool TKvSingleInstance::Acquire()
{
    if (folder_.empty()) {
        warnings_.push_back("no private folder for the lock: " + folderProblem_);
        return true;
    }
    // Both starts see the same length, so neither waits for a socket that
    // cannot exist.
    const std::string socketPath = folder_ + "/" + name_.toStdString() + ".socket";
    if (socketPath.size() + 1 > sizeof(sockaddr_un::sun_path)) {
        warnings_.push_back("the socket path is too long (" + std::to_string(socketPath.size()) + " bytes, at most " +
                            std::to_string(sizeof(sockaddr_un::sun_path) - 1) + "): " + socketPath);
        return true;
    }
    const std::string lockPath = folder_ + "/" + name_.toStdString() + ".lock";
    std::string why;
    if (!IsOwnEntryOrAbsent(lockPath, S_IFREG, why)) {
        warnings_.push_back("lock refused: " + why);
        return true;
    }
    lock_ = std::make_unique<QLockFile>(QtFileName(lockPath));
    // Held for the whole run: age alone must never make it stale. A lock left
    // by a crashed instance is still taken over (its process is gone).
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        const QLockFile::LockError error = lock_->error();
        lock_.reset();
        if (error == QLockFile::LockFailedError)
            return false;
        warnings_.push_back("cannot create the lock " + lockPath + ": " + lockFailure(error));
        return true;
    }
    if (!Listen())
        lock_.reset();  // a later start must not wait for a socket that is not there
    return true;
}

bool TKvSingleInstance::Listen()
{
    const QString socketName = SocketName();
    std::string why;
    if (!IsOwnEntryOrAbsent(FromQtFileName(socketName), 0, why)) {
        warnings_.push_back("socket refused: " + why);
        return false;
    }
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketName);  // a stale socket of a crashed instance
    if (!server->listen(socketName)) {
        warnings_.push_back("cannot listen on " + FromQtFileName(socketName) + ": " +
                            server->errorString().toStdString());
        delete server;
        return false;
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &TKvSingleInstance::AcceptConnection);
    return true;
}

void TKvSingleInstance::AcceptConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        auto* timeout = new QTimer(socket);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            if (!server_) {
                socket->abort();  // released: the sender learns that nobody took it
                return;
            }
            *buffer += socket->readAll();
            if (buffer->size() < kHeaderBytes)
                return;
            const uint32_t count = qFromBigEndian<uint32_t>(buffer->constData() + 8);
            if (count > kMaxPayload || !buffer->startsWith(QByteArray(kMagic, 4))) {
                socket->abort();  // not one of ours: dropped
                return;
            }
            if (buffer->size() < kHeaderBytes + static_cast<qsizetype>(count))
                return;
            uint32_t tag = 0;
            std::string path;
            if (DecodeCopyDataMessage(*buffer, tag, path) && OnMessage)
                OnMessage(tag, path);
            socket->write("\x01", 1);
            socket->flush();
            socket->disconnectFromServer();
        });
        timeout->start(kReceiveTimeoutMs);
    }
}

void TKvSingleInstance::Release()
{
    if (server_) {
        server_->close();
        server_->deleteLater();  // with the connections it accepted
        server_ = nullptr;
    }
    lock_.reset();
}

TKvSingleInstance::HandOver TKvSingleInstance::HandToRunningInstance(uint32_t tag, const std::string& path,
                                                                     int timeoutMs, std::string& why) const
{
    if (folder_.empty()) {
        why = folderProblem_;
        return HandOver::Refused;
    }
    const std::string socketPath = FromQtFileName(SocketName());
    QElapsedTimer elapsed;
    elapsed.start();
    const auto remaining = [&] { return std::max<int>(0, timeoutMs - static_cast<int>(elapsed.elapsed())); };
    QLocalSocket socket;
    for (;;) {
        if (!IsOwnEntryOrAbsent(socketPath, S_IFSOCK, why))
            return HandOver::Refused;
        socket.connectToServer(SocketName());
        if (socket.waitForConnected(remaining()))
            break;
        if (remaining() == 0) {
            why = "no connection to " + socketPath + ": " + socket.errorString().toStdString();
            return HandOver::NoAnswer;
        }
        QThread::msleep(static_cast<unsigned long>(std::min(kConnectRetryMs, remaining())));
    }
    // The file's owner was checked, but what listens behind it may differ.
    uid_t peer = 0;
    if (!PeerUserId(static_cast<int>(socket.socketDescriptor()), peer) || peer != ::geteuid()) {
        why = "the process behind " + socketPath + " is not this user's";
        return HandOver::Refused;
    }
    socket.write(EncodeCopyDataMessage(tag, path));
    // The answer comes once the running window has handled the path.
    if (!socket.waitForBytesWritten(remaining()) || !socket.waitForReadyRead(remaining()) ||
        socket.read(1) != "\x01") {
        why = "no answer within " + std::to_string(timeoutMs) + " ms";
        return HandOver::NoAnswer;
    }
    return HandOver::Delivered;
}

bool TKvSingleInstance::SendToRunningInstance(uint32_t tag, const std::string& path, int timeoutMs) const
{
    std::string why;
    return HandToRunningInstance(tag, path, timeoutMs, why) == HandOver::Delivered;
}

TKvSingleInstance::HandOver SendCopyDataString(const TKvSingleInstance& target, const std::string& S, uint32_t Tag,
                                               int timeoutMs, std::string& why)
{
    return target.HandToRunningInstance(Tag, S, timeoutMs, why);
}
