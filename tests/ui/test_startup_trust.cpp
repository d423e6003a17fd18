// Whom a start trusts: the lock and socket are used only in a folder this
// user alone can write, and nothing of another user there is ever used, so
// another user cannot receive a start's path or keep it from opening.
#include "app/ConstsSl.h"
#include "app/KvSingleInstance.h"
#include "StartUpFixture.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 65534;

const std::string instanceName = SingleInstanceName.toStdString() + "-" + std::to_string(::getuid());

// Sets an environment variable for the test's lifetime (empty: removed).
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), previous_(qgetenv(name))
    {
        set(value.empty() ? std::optional<QByteArray>() : QByteArray::fromStdString(value));
    }
    ~ScopedVariable() { set(had_ ? std::optional<QByteArray>(previous_) : std::nullopt); }

private:
    void set(const std::optional<QByteArray>& value)
    {
        if (value)
            qputenv(name_, *value);
        else
            qunsetenv(name_);
    }
    const char* name_;
    bool had_;
    QByteArray previous_;
};

void makeFolder(const std::string& path, fs::perms mode)
{
    fs::create_directory(path);
    fs::permissions(path, mode);
}

bool isRoot()
{
    return ::geteuid() == 0;
}

TEST_F(StartUp, RuntimeFolderIsUsedOnlyWhenThisUserAloneCanWriteIt)
{
    struct Row {
        const char* what;
        fs::perms mode;
        bool link;
        bool otherOwner;
        bool used;
    };
    const Row rows[] = {
        {"private", fs::perms::owner_all, false, false, true},
        {"group and others may read", fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read, false,
         false, true},
        {"group-writable", fs::perms::owner_all | fs::perms::group_all, false, false, false},
        {"world-writable", fs::perms::all, false, false, false},
        {"a link to a private folder", fs::perms::owner_all, true, false, false},
        {"another user's", fs::perms::owner_all, false, true, false},
    };
    for (const Row& row : rows) {
        if (row.otherOwner && !isRoot())
            continue;  // only root can give a folder away
        TempFolder temporary;
        const std::string runtime = temporary.path() + "/runtime";
        makeFolder(temporary.path() + "/target", row.mode);
        if (row.link)
            fs::create_directory_symlink(temporary.path() + "/target", runtime);
        else
            makeFolder(runtime, row.mode);
        if (row.otherOwner)
            ASSERT_EQ(::lchown(runtime.c_str(), kOtherUser, kOtherUser), 0);
        const ScopedVariable runtimeVariable("XDG_RUNTIME_DIR", runtime);
        const ScopedVariable temporaryVariable("TMPDIR", temporary.path());

        TKvSingleInstance instance(SingleInstanceName);
        ASSERT_TRUE(instance.Acquire()) << row.what;
        EXPECT_TRUE(instance.Listening()) << row.what;
        const std::string expected = (row.used ? runtime : temporary.path() + "/" + instanceName) + "/";
        EXPECT_TRUE(instance.SocketName().toStdString().starts_with(expected))
            << row.what << ": " << instance.SocketName().toStdString();
        EXPECT_EQ(instance.Warnings().empty(), row.used) << row.what;
        if (!row.used)
            EXPECT_TRUE(fs::is_empty(temporary.path() + "/target")) << row.what;
    }

    // Unset, the private folder under TMPDIR serves.
    TempFolder temporary;
    const ScopedVariable runtimeVariable("XDG_RUNTIME_DIR", "");
    const ScopedVariable temporaryVariable("TMPDIR", temporary.path());
    TKvSingleInstance instance(SingleInstanceName);
    ASSERT_TRUE(instance.Acquire());
    EXPECT_TRUE(instance.Listening());
    EXPECT_EQ(fs::status(temporary.path() + "/" + instanceName).permissions(), fs::perms::owner_all);
    EXPECT_TRUE(instance.Warnings().empty());
}

// The fallback folder, or the lock or socket in it, planted by someone else:
// this start keeps its own window, says why, and leaves their files alone.
TEST_F(StartUp, PlantedFolderLockOrSocketIsRefused)
{
    if (!isRoot())
        GTEST_SKIP() << "files of another user can only be made as root";
    enum Plant { OtherUsersFolder, OpenFolder, LinkedFolder, OtherUsersLock, OtherUsersSocket };
    for (const Plant plant : {OtherUsersFolder, OpenFolder, LinkedFolder, OtherUsersLock, OtherUsersSocket}) {
        TempFolder temporary;
        const std::string folder = temporary.path() + "/" + instanceName;
        const std::string planted = folder + (plant == OtherUsersLock     ? "/" + instanceName + ".lock"
                                              : plant == OtherUsersSocket ? "/" + instanceName + ".socket"
                                                                          : std::string());
        if (plant == LinkedFolder) {
            makeFolder(temporary.path() + "/mine", fs::perms::owner_all);
            fs::create_directory_symlink(temporary.path() + "/mine", folder);
        } else {
            makeFolder(folder, plant == OpenFolder ? fs::perms::all : fs::perms::owner_all);
        }
        if (plant == OtherUsersLock || plant == OtherUsersSocket)
            temporary.write(planted.substr(temporary.path().size() + 1), {'1', '\n'});
        if (plant != OpenFolder && plant != LinkedFolder)
            ASSERT_EQ(::lchown(planted.c_str(), kOtherUser, kOtherUser), 0);
        const ScopedVariable runtimeVariable("XDG_RUNTIME_DIR", "");
        const ScopedVariable temporaryVariable("TMPDIR", temporary.path());

        TKvSingleInstance instance(SingleInstanceName);
        EXPECT_TRUE(instance.Acquire()) << plant;
        EXPECT_FALSE(instance.Listening()) << plant;
        EXPECT_FALSE(instance.Warnings().empty()) << plant;
        EXPECT_TRUE(fs::exists(fs::symlink_status(planted))) << plant;
        if (plant == OtherUsersLock || plant == OtherUsersSocket)
            EXPECT_FALSE(fs::exists(folder + "/" + instanceName + (plant == OtherUsersLock ? ".socket" : ".lock")))
                << plant;
    }
}

// A server that answers every message as a running window would, counting
// the connections it gets.
struct AnsweringServer {
    explicit AnsweringServer(const std::string& path)
    {
        server.listen(QString::fromStdString(path));
        QObject::connect(&server, &QLocalServer::newConnection, [this] {
            while (QLocalSocket* socket = server.nextPendingConnection()) {
                ++connections;
                QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write("\x01", 1);
                });
            }
        });
    }
    QLocalServer server;
    int connections = 0;
};

TEST_F(StartUp, StartWithoutRuntimeFolderNeverHandsItsPathToAnotherUser)
{
    if (!isRoot())
        GTEST_SKIP() << "files of another user can only be made as root";
    // Another user got there first, in the shared temporary folder and in the
    // private folder's place: a held lock and a listening socket in each.
    TempFolder temporary;
    const std::string folder = temporary.path() + "/" + instanceName;
    makeFolder(folder, fs::perms::all);
    std::vector<std::unique_ptr<QLockFile>> locks;
    std::vector<std::unique_ptr<AnsweringServer>> servers;
    for (const std::string& place : {temporary.path(), folder}) {
        const std::string base = place + "/" + instanceName;
        locks.push_back(std::make_unique<QLockFile>(QString::fromStdString(base + ".lock")));
        ASSERT_TRUE(locks.back()->tryLock(0));
        servers.push_back(std::make_unique<AnsweringServer>(base + ".socket"));
        for (const std::string& name : {base + ".lock", base + ".socket"})
            ASSERT_EQ(::lchown(name.c_str(), kOtherUser, kOtherUser), 0);
    }
    ASSERT_EQ(::lchown(folder.c_str(), kOtherUser, kOtherUser), 0);

    QProcess process;
    startWindow(process, {{QStringLiteral("XDG_RUNTIME_DIR"), QString()},
                          {QStringLiteral("TMPDIR"), QString::fromStdString(temporary.path())}});
    QString errors;
    EXPECT_TRUE(waitForError(process, QStringLiteral("belongs to user 65534"), errors)) << errors.toStdString();
    // Its own window stays up; neither impostor heard from it.
    EXPECT_FALSE(waitUntil([&] { return process.state() != QProcess::Running; }, 500));
    for (const auto& server : servers)
        EXPECT_EQ(server->connections, 0);
    EXPECT_TRUE(terminate(process));
}

// Listens as another user on a socket in an open folder; exits 1 if any
// byte arrives on the first connection, 0 otherwise. Plain system calls
// only: it runs in a forked copy of a threaded process.
[[noreturn]] void listenAsOtherUser(const std::string& path)
{
    if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0)
        ::_exit(2);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 4) != 0)
        ::_exit(2);
    const int connection = ::accept(listener, nullptr, nullptr);
    pollfd wait{connection, POLLIN, 0};
    char byte = 0;
    const bool received = ::poll(&wait, 1, 5000) > 0 && ::read(connection, &byte, 1) == 1;
    ::_exit(received ? 1 : 0);
}

TEST_F(StartUp, ProcessOfAnotherUserBehindOwnSocketFileIsNeverWrittenTo)
{
    if (!isRoot())
        GTEST_SKIP() << "a listener of another user can only be started as root";
    // The socket file is this user's, but another user's process listens on it.
    TempFolder open;
    fs::permissions(open.path(), fs::perms::all);
    const std::string where = open.path() + "/s";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        listenAsOtherUser(where);
    ASSERT_TRUE(waitUntil([&] { return fs::exists(fs::symlink_status(where)); }));
    const std::string socketPath = runtime_.path() + "/" + instanceName + ".socket";
    fs::rename(where, socketPath);
    ASSERT_EQ(::lchown(socketPath.c_str(), ::geteuid(), ::getegid()), 0);
    QLockFile lock(QString::fromStdString(runtime_.path() + "/" + instanceName + ".lock"));
    ASSERT_TRUE(lock.tryLock(0));

    TKvSingleInstance second(SingleInstanceName);
    ASSERT_FALSE(second.Acquire());
    std::string why;
    EXPECT_EQ(second.HandToRunningInstance(kCopyDataOpenPath, "/secret", 2000, why),
              TKvSingleInstance::HandOver::Refused);
    EXPECT_NE(why.find("not this user's"), std::string::npos) << why;
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other user's process received bytes";
}

}  // namespace
