#include "platform/KvSafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <utility>

namespace {

bool IsUsablePath(const std::string& path)
{
    return !path.empty() && path.find('\0') == std::string::npos;
}

// "dir/" for "dir/name", "" for a bare name (the working folder).
std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links at the end of path, so that an update replaces the
// file a link points to and the link stays. A dangling link resolves to where
// it points, so the first save creates that file. Returns 0 or an errno value.
int FollowLinks(std::string path, std::string& resolved)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        // A missing file is created; other lstat failures recur, with their
        // reason, when the temporary file is created or renamed.
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            resolved = std::move(path);
            return 0;
        }
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
        if (length < 0)
            return errno;
        if (length == 0 || static_cast<size_t>(length) == sizeof buffer)
            return length == 0 ? ENOENT : ENAMETOOLONG;
        std::string target(buffer, static_cast<size_t>(length));
        path = target.front() == '/' ? std::move(target) : FolderOf(path) + target;
    }
    return ELOOP;
}

uint64_t RandomBits(int attempt)
{
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits))
        return bits;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(::getpid()) << 32)
        ^ (static_cast<uint64_t>(attempt) * 0x9E3779B97F4A7C15u);
}

// Creates a new hidden file beside target with a unique name, mode 0666 less
// the umask as for any new file. Returns the descriptor, or -1 with errno.
int CreateTemporaryFile(const std::string& target, std::string& path)
{
    static constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::string folder = FolderOf(target);
    // Short enough that the temporary name stays within NAME_MAX.
    const std::string stem = target.substr(folder.size(), 100);
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t bits = RandomBits(attempt);
        std::string suffix(10, '0');
        for (char& c : suffix) {
            c = alphabet[bits % 36];
            bits /= 36;
        }
        path = folder + "." + stem + "." + suffix + ".tmp";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}


// Makes the rename itself durable. Some file systems cannot sync a folder;
// the content is already safe then, so failures are ignored.
void SyncFolder(const std::string& target)
{
    const std::string folder = FolderOf(target);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Writes bytes to a temporary file and renames it over fileName. Returns 0,
// or an errno value with failure describing the step.
int ReplaceFile(const std::string& fileName, std::string_view bytes, std::string& failure)
{
    const auto fail = [&failure](const char* step, const std::string& path, int error) {
        failure = std::string(step) + " \"" + path + "\": " + std::strerror(error);
        return error;
    };
    if (!IsUsablePath(fileName))
        return fail("use the file name", fileName, EINVAL);
    std::string target;
    if (const int error = FollowLinks(fileName, target))
        return fail("follow the link", fileName, error);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // Only a regular file is ever replaced: a rename over a device or a FIFO
    // reached through a link would swap it for a plain file.
    if (exists && !S_ISREG(old.st_mode))
        return fail("replace what is not a regular file at", target, EINVAL);
    // The rename could replace a file the user made read-only; honour that as
    // writing into the file would.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return fail("write to", target, errno);

    std::string temporary;
    const int fd = CreateTemporaryFile(target, temporary);
    if (fd < 0)
        return fail("create a temporary file for", target, errno);

    const char* step = nullptr;
    int error = 0;
    const auto check = [&](bool ok, const char* what) {
        if (!ok && error == 0) {
            error = errno;
            step = what;
        }
    };
    if (exists) {
        // Keeping the owner only succeeds where the process may (root, or a
        // group of its own); a file owned by someone else then becomes ours.
        [[maybe_unused]] const bool ownerKept = ::fchown(fd, old.st_uid, old.st_gid) == 0;
        check(::fchmod(fd, old.st_mode & 07777) == 0, "set the permissions of the new");
    }
    if (error == 0)
        check(WriteAllBytes(fd, bytes), "write the new");
    if (error == 0)
        check(::fsync(fd) == 0, "sync the new");
    check(::close(fd) == 0, "close the new");
    if (error == 0)
        check(::rename(temporary.c_str(), target.c_str()) == 0, "rename the new file over");
    if (error != 0) {
        ::unlink(temporary.c_str());
        return fail(step, target, error);
    }
    SyncFolder(target);
    return 0;
}

}  // namespace

bool ReadFileContents(const std::string& path, std::string& text, size_t sizeLimit)
{
    text.clear();
    if (!IsUsablePath(path)) {
        errno = ENOENT;  // no file can have such a name
        return false;
    }
    // O_NONBLOCK: a FIFO in place of the settings file must not hang the start.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        ok = false;
        errno = EINVAL;
    } else if (ok && static_cast<uint64_t>(info.st_size) > sizeLimit) {
        ok = false;
        errno = EFBIG;
    }
    if (ok)
        text.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    while (ok) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0 && text.size() + static_cast<size_t>(count) > sizeLimit) {
            ok = false;  // grew while being read
            errno = EFBIG;
        }
        else if (count > 0)
            text.append(buffer, static_cast<size_t>(count));
        else if (count == 0)
            break;
        else if (errno != EINTR)
            ok = false;
    }
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

int RemoveStaleTemporaryFiles(const std::string& path, int minimumAgeSeconds)
{
    if (!IsUsablePath(path))
        return 0;
    std::string target;
    if (FollowLinks(path, target) != 0)
        return 0;
    const std::string folder = FolderOf(target);
    const std::string prefix = "." + target.substr(folder.size(), 100) + ".";
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing)
        return 0;
    const int folderFd = ::dirfd(listing);
    const time_t now = ::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name(entry->d_name);
        // The exact shape CreateTemporaryFile gives: prefix, 10 letters or
        // digits, ".tmp".
        if (!name.starts_with(prefix) || name.size() != prefix.size() + 14 || !name.ends_with(".tmp"))
            continue;
        const std::string_view middle = name.substr(prefix.size(), 10);
        if (!std::all_of(middle.begin(), middle.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            continue;
        struct stat info {};
        if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() || now - info.st_mtime < minimumAgeSeconds)
            continue;
        if (::unlinkat(folderFd, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error)
{
    std::string failure;
    const int cause = ReplaceFile(path, bytes, failure);
    if (cause == 0)
        return true;
    if (error)
        *error = std::move(failure);
    errno = cause;
    return false;
}

bool WriteAllBytes(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            if (count == 0)
                errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(count));
    }
    return true;
}
