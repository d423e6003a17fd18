#include "KvSingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#include <unistd.h>

namespace {

constexpr char kMagic[4] = {'K', 'V', 'S', 'L'};
constexpr int kHeaderBytes = 12;
// A path is at most a few KiB; anything larger is not one of ours.
constexpr uint32_t kMaxPayload = 64 * 1024;
constexpr int kReceiveTimeoutMs = 5000;

QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
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
}

TKvSingleInstance::~TKvSingleInstance() = default;

QString TKvSingleInstance::SocketName() const
{
    return runtimeFolder() + QLatin1Char('/') + name_ + QStringLiteral(".socket");
}

bool TKvSingleInstance::Acquire()
{
    lock_ = std::make_unique<QLockFile>(runtimeFolder() + QLatin1Char('/') + name_ + QStringLiteral(".lock"));
    // Held for the whole run: age alone must never make it stale. A lock left
    // by a crashed instance is still taken over (its process is gone).
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        return false;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(SocketName());  // a stale socket of a crashed instance
    if (!server_->listen(SocketName()))
        return true;  // still the only instance; second starts will just end
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

bool TKvSingleInstance::SendToRunningInstance(uint32_t tag, const std::string& path, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(SocketName());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(EncodeCopyDataMessage(tag, path));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The answer comes once the running window has handled the path.
    return socket.waitForReadyRead(timeoutMs) && socket.read(1) == "\x01";
}

bool SendCopyDataString(const TKvSingleInstance& target, const std::string& S, uint32_t Tag)
{
    return target.SendToRunningInstance(Tag, S);
}
