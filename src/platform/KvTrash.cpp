#include "KvTrash.h"

#include "KvPath.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

// $XDG_DATA_HOME/Trash; the variable counts only when it is absolute.
std::string HomeTrash()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return WithoutTrailingSlash(dataHome) + "/Trash";
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : WithoutTrailingSlash(home) + "/.local/share/Trash";
}

// Creates folder and any missing parents with mode 0700. 0 or an errno value.
int MakeFolders(const std::string& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    const size_t slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        if (const int error = MakeFolders(folder.substr(0, slash)))
            return error;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

// The trash folder with its files/ and info/ made; a top-directory trash
// must be a real folder of ours, not a link someone else placed there.
int PrepareTrash(const std::string& trash, bool topDirectory)
{
    if (topDirectory) {
        if (::mkdir(trash.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        struct stat info {};
        if (::lstat(trash.c_str(), &info) != 0)
            return errno;
        if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
            return EPERM;
    }
    for (const char* sub : {"/files", "/info"}) {
        if (const int error = MakeFolders(trash + sub))
            return error;
    }
    return 0;
}

// Bytes as an URL path: unreserved characters and "/" stay, others are %XX.
std::string PercentEncoded(const std::string& path)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')
            || std::strchr("-._~/", c)) {
            text.push_back(c);
        } else {
            text.push_back('%');
            text.push_back(hex[byte >> 4]);
            text.push_back(hex[byte & 15]);
        }
    }
    return text;
}

std::string TrashInfoText(const std::string& path)
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char date[32] = {};
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + PercentEncoded(path) + "\nDeletionDate=" + date + "\n";
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

// Claims a name unused in the trash by creating its info file exclusively.
// Returns the name, or "" with errno set.
std::string ClaimTrashName(const std::string& trash, const std::string& base, const std::string& info)
{
    for (int n = 1; n <= 10000; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const std::string infoPath = trash + "/info/" + name + ".trashinfo";
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return {};
        }
        struct stat taken {};
        const bool nameFree = ::lstat((trash + "/files/" + name).c_str(), &taken) != 0 && errno == ENOENT;
        const bool written = nameFree && WriteAll(fd, info) && ::fsync(fd) == 0;
        const int error = errno;
        ::close(fd);
        if (written)
            return name;
        ::unlink(infoPath.c_str());
        if (!nameFree)
            continue;  // an item without its info file holds the name
        errno = error;
        return {};
    }
    errno = EEXIST;
    return {};
}

// Renames without replacing an existing item where the file system allows.
int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Moves source into trash. 0, or an errno value with no trace left.
int MoveInto(const std::string& trash, const std::string& source, bool topDirectory)
{
    if (const int error = PrepareTrash(trash, topDirectory))
        return error;
    const std::string base = source.substr(source.rfind('/') + 1);
    const std::string name = ClaimTrashName(trash, base, TrashInfoText(source));
    if (name.empty())
        return errno;
    const std::string infoPath = trash + "/info/" + name + ".trashinfo";
    const std::string target = trash + "/files/" + name;
    if (const int error = RenameNoReplace(source, target)) {
        ::unlink(infoPath.c_str());
        return error;
    }
    // Trust only what the file system shows: the item in files/, none left.
    struct stat info {};
    const bool landed = ::lstat(target.c_str(), &info) == 0;
    const bool gone = ::lstat(source.c_str(), &info) != 0 && errno == ENOENT;
    if (landed && gone)
        return 0;
    if (landed)
        RenameNoReplace(target, source);
    ::unlink(infoPath.c_str());
    return EIO;
}

// The top folder of the file system that holds path: the last folder on the
// way up that is still on device.
std::string TopDirectory(const std::string& path, dev_t device)
{
    std::string folder = path.substr(0, path.rfind('/'));
    while (!folder.empty()) {
        const std::string parent = folder.substr(0, folder.rfind('/'));
        struct stat info {};
        if (::stat(parent.empty() ? "/" : parent.c_str(), &info) != 0 || info.st_dev != device)
            return folder;
        folder = parent;
    }
    return folder;  // "" stands for "/"
}

int MoveToAnyTrash(const std::string& source)
{
    struct stat item {};
    if (::lstat(source.c_str(), &item) != 0)
        return errno;
    const std::string homeTrash = HomeTrash();
    if (homeTrash.empty())
        return ENOENT;
    const int error = MoveInto(homeTrash, source, false);
    if (error != EXDEV)
        return error;
    const std::string top = TopDirectory(source, item.st_dev);
    return MoveInto(top + "/.Trash-" + std::to_string(::getuid()), source, true);
}

}  // namespace

bool MoveToTrash(const std::string& path, std::string& errorText)
{
    errorText.clear();
    int error = 0;
    std::string source;
    if (path.empty() || path.find('\0') != std::string::npos) {
        error = EINVAL;
    } else {
        source = WithoutTrailingSlash(AbsolutePath(path, CurrentWorkingFolder()));
        const std::string base = source.substr(source.rfind('/') + 1);
        error = base.empty() || base == "." || base == ".." ? EINVAL : MoveToAnyTrash(source);
    }
    if (error == 0)
        return true;
    errorText = "ごみ箱に移動できませんでした: " + DisplayPath(path).toStdString() + ": " + std::strerror(error);
    return false;
}
