// One running window per user: a per-user lock marks the running instance,
// and a local socket, open to this user only, carries a second start's path
// to it (the copy-data hand-over).
//
// Message: "KVSL", tag (uint32, big-endian), byte count (uint32), then the
// path bytes and a NUL. Tag 1 opens the path; any message brings the window
// to the front. The receiver answers one byte once it has handled the
// message, and the sender waits for it.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;
class QLockFile;

constexpr uint32_t kCopyDataOpenPath = 1;
constexpr uint32_t kCopyDataRaiseOnly = 0;

class TKvSingleInstance : public QObject {
    Q_OBJECT

public:
    // name: the instance name (a per-user suffix is added).
    explicit TKvSingleInstance(const QString& name, QObject* parent = nullptr);
    ~TKvSingleInstance() override;

    // True when this process is now the running instance (lock taken and
    // listening); false when another instance holds the lock.
    bool Acquire();

    // Hands a message to the running instance and waits (up to timeoutMs)
    // for its answer. False when there is no instance to talk to or it did
    // not answer.
    bool SendToRunningInstance(uint32_t tag, const std::string& path, int timeoutMs = 10000) const;

    // Called on the main thread for each well-formed message received.
    std::function<void(uint32_t tag, const std::string& path)> OnMessage;

    QString SocketName() const;

private:
    void AcceptConnection();

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

// The sending side of the hand-over: sends S with Tag to the running
// instance and waits until it has handled it. False when none answered.
bool SendCopyDataString(const TKvSingleInstance& target, const std::string& S, uint32_t Tag);

// Encodes and decodes the message (exposed for tests). Decode returns false
// for anything malformed.
QByteArray EncodeCopyDataMessage(uint32_t tag, const std::string& path);
bool DecodeCopyDataMessage(const QByteArray& message, uint32_t& tag, std::string& path);
