#include "app/PrivateRuntimeFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string errnoText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// Checks a folder through lstat, so a link planted in its place never
// leads elsewhere. forbidden: the permission bits that must be clear.
bool isOwnFolder(const std::string& path, mode_t forbidden, std::string& why)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        why = errnoText("cannot examine", path);
        return false;
    }
    if (S_ISLNK(status.st_mode)) {
        why = path + " is a symbolic link";
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        why = path + " is not a folder";
        return false;
    }
    if (status.st_uid != ::geteuid()) {
        why = path + " belongs to user " + std::to_string(status.st_uid);
        return false;
    }
    if ((status.st_mode & forbidden) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        why = path + " is open to other users (mode " + mode + ")";
        return false;
    }
    return true;
}

}  // namespace

std::string PrivateRuntimeFolder(const std::string& fallbackName, std::string& why, std::string& passedOver)
{
    passedOver.clear();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        if (isOwnFolder(runtime, S_IWGRP | S_IWOTH, passedOver))
            return runtime;
    } else if (runtime && runtime[0] != '\0') {
        passedOver = std::string("XDG_RUNTIME_DIR is not an absolute path: ") + runtime;
    }

    const char* temporary = std::getenv("TMPDIR");
    std::string base = temporary && temporary[0] == '/' ? temporary : "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string folder = (base == "/" ? "" : base) + "/" + fallbackName;
    // Someone else may have made it first: it is only used when the checks
    // below show that this user owns it alone.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        why = errnoText("cannot create", folder);
        return {};
    }
    if (!isOwnFolder(folder, S_IRWXG | S_IRWXO, why))
        return {};
    return folder;
}

bool IsOwnEntryOrAbsent(const std::string& path, mode_t type, std::string& why)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT)
            return true;
        why = errnoText("cannot examine", path);
        return false;
    }
    if (status.st_uid != ::geteuid()) {
        why = path + " belongs to user " + std::to_string(status.st_uid);
        return false;
    }
    if (type != 0 && (status.st_mode & S_IFMT) != type) {
        why = path + " is not of the expected kind";
        return false;
    }
    return true;
}

bool PeerUserId(int descriptor, uid_t& uid)
{
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof credentials)
        return false;
    uid = credentials.uid;
    return true;
}
