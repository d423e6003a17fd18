// One running window per user: a per-user lock marks the running instance,
// and a local socket, open to this user only, carries a second start's path
// to it (the copy-data hand-over).
//
// Message: "KVSL", tag (uint32, big-endian), byte count (uint32), then the
// path bytes and a NUL. Tag 1 opens the path; any message brings the window
// to the front. The receiver answers one byte once it has handled the
// message, and the sender waits for it.
//
// Lock and socket live in a folder only this user can write
// (PrivateRuntimeFolder), and nothing there that another user owns is used:
// a second start never hands its path to someone else's process.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;
class QLockFile;

constexpr uint32_t kCopyDataOpenPath = 1;
constexpr uint32_t kCopyDataRaiseOnly = 0;

class TKvSingleInstance : public QObject {
    Q_OBJECT

public:
    // How a hand-over ended. NoAnswer: the running instance did not take the
    // message in time. Refused: what answers is not this user's, or the
    // hand-over cannot work here; this start goes on by itself.
    enum class HandOver { Delivered, NoAnswer, Refused };

    // name: the instance name (a per-user suffix is added). The folder is
    // chosen here, from the environment as it is now.
    explicit TKvSingleInstance(const QString& name, QObject* parent = nullptr);
    ~TKvSingleInstance() override;

    // True when this process opens its own window: it is now the running
    // instance (Listening()), or the hand-over cannot be set up here
    // (Warnings() says why; the lock is then not kept). False when another
    // instance holds the lock: hand over to it.
    bool Acquire();
    bool Listening() const { return server_ != nullptr; }
    // Stops being the running instance: no further message is taken or
    // answered (one still arriving is dropped unanswered) and the lock is
    // given up, so a later start opens a window of its own.
    void Release();
    // Why the hand-over is not set up or what was passed over, one line each.
    const std::vector<std::string>& Warnings() const { return warnings_; }

    // Hands a message to the running instance and waits up to timeoutMs in
    // all (a socket not there yet is retried meanwhile) for its answer. A
    // socket file or a peer of another user is never written to. why says
    // what went wrong unless Delivered.
    HandOver HandToRunningInstance(uint32_t tag, const std::string& path, int timeoutMs, std::string& why) const;
    // Same; true only when Delivered.
    bool SendToRunningInstance(uint32_t tag, const std::string& path, int timeoutMs = 10000) const;

    // Called on the main thread for each well-formed message received.
    std::function<void(uint32_t tag, const std::string& path)> OnMessage;

    // The socket's full path (empty when there is no usable folder).
    QString SocketName() const;

private:
    void AcceptConnection();
    bool Listen();

    QString name_;
    std::string folder_;  // without a trailing "/"; empty when unusable
    std::string folderProblem_;
    std::vector<std::string> warnings_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

// The sending side of the hand-over: sends S with Tag to the running
// instance and waits (up to timeoutMs) until it has handled it.
TKvSingleInstance::HandOver SendCopyDataString(const TKvSingleInstance& target, const std::string& S, uint32_t Tag,
                                               int timeoutMs, std::string& why);

// Encodes and decodes the message (exposed for tests). Decode returns false
// for anything malformed.
QByteArray EncodeCopyDataMessage(uint32_t tag, const std::string& path);
bool DecodeCopyDataMessage(const QByteArray& message, uint32_t& tag, std::string& path);
