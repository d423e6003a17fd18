#include "platform/KvTrash.h"

#include "platform/ErrorText.h"

#include "paths/BytePath.h"
#include "paths/LongPath.h"
#include "platform/DisplayPath.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

namespace {

// Owns one file descriptor.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

// Folders made while a trash is set up. Unless keep() is called they are
// removed again, deepest first and only while empty, so that a move that
// fails leaves no trash folder that was not there before.
class MadeFolders {
public:
    MadeFolders() = default;
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;
    ~MadeFolders() { undo(); }

    // mkdir with mode 0700; an existing entry counts as made by someone
    // else. 0 or an errno value.
    int make(const std::string& folder)
    {
        if (::mkdir(folder.c_str(), 0700) == 0) {
            made_.push_back(folder);
            return 0;
        }
        return errno == EEXIST ? 0 : errno;
    }
    void undo()
    {
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder)
            ::rmdir(folder->c_str());
        made_.clear();
    }
    void keep() { made_.clear(); }

private:
    std::vector<std::string> made_;
};

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

}  // namespace

// $XDG_DATA_HOME/Trash; the variable counts only when it is absolute.
std::string HomeTrash()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return WithoutTrailingSlash(dataHome) + "/Trash";
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : WithoutTrailingSlash(home) + "/.local/share/Trash";
}

bool IsTrashFolderName(std::string_view name)
{
    if (name == ".Trash")
        return true;
    constexpr std::string_view prefix = ".Trash-";
    if (!name.starts_with(prefix) || name.size() == prefix.size())
        return false;
    return name.substr(prefix.size()).find_first_not_of("0123456789") == std::string_view::npos;
}

namespace {

std::optional<uint64_t> MountIdFromProc(int fd)
{
    const Descriptor info(::open(("/proc/self/fdinfo/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC));
    char text[1024];
    const ssize_t size = info.valid() ? ::read(info.get(), text, sizeof text - 1) : -1;
    if (size <= 0)
        return std::nullopt;
    text[size] = '\0';
    const char* field = std::strstr(text, "mnt_id:");
    if (!field)
        return std::nullopt;
    return std::strtoull(field + 7, nullptr, 10);
}

// The kernel's id of the mount fd lies on: from statx where the kernel
// gives it (5.8 and later), else from the descriptor's /proc entry.
std::optional<uint64_t> MountId(int fd)
{
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &info) == 0
        && (info.stx_mask & STATX_MNT_ID))
        return info.stx_mnt_id;
    return MountIdFromProc(fd);
}

// Whether a rename between the two can work: the same mount. A bind mount
// shares its device with its source, yet the kernel refuses a rename from
// one to the other, so the device decides only where no mount id is known.
bool SameMount(int a, int b)
{
    const std::optional<uint64_t> mountA = MountId(a);
    const std::optional<uint64_t> mountB = MountId(b);
    if (mountA && mountB)
        return *mountA == *mountB;
    struct stat infoA {};
    struct stat infoB {};
    return ::fstat(a, &infoA) == 0 && ::fstat(b, &infoB) == 0 && infoA.st_dev == infoB.st_dev;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The absolute path of folder fd as the kernel reached it (opened as
// named), every link and ".." resolved; "" with errno set when no path
// leads back to that very folder (removed meanwhile, outside this
// process's root, or too long to name).
std::string KernelPath(int fd, const std::string& named)
{
    std::string path(PATH_MAX, '\0');
    const ssize_t size = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path.data(), path.size());
    if (size > 0 && static_cast<size_t>(size) < path.size()) {
        path.resize(static_cast<size_t>(size));
    } else if (char* real = ::realpath(named.c_str(), nullptr)) {  // without /proc
        path = real;
        std::free(real);
    } else {
        return {};
    }
    struct stat reached {};
    struct stat opened {};
    if (path.front() == '/' && ::stat(path.c_str(), &reached) == 0 && ::fstat(fd, &opened) == 0
        && SameFile(reached, opened))
        return path;
    errno = ENOENT;
    return {};
}

// Whether path, or where it does not exist yet its nearest existing
// parent, lies on the mount of fd.
bool OnMountOf(std::string path, int fd)
{
    for (;;) {
        const Descriptor existing(::open(path.c_str(), O_PATH | O_CLOEXEC));
        if (existing.valid())
            return SameMount(existing.get(), fd);
        const size_t slash = path.rfind('/');
        if (slash == std::string::npos || path == "/")
            return false;
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
}

// The top folder of the mount that folder (a kernel path; fd is that
// folder) lies on: the highest folder on the way up still on that mount.
std::string TopDirectory(const std::string& folder, int fd)
{
    std::string top = folder;
    while (top != "/") {
        const size_t slash = top.rfind('/');
        const std::string parent = slash == 0 ? "/" : top.substr(0, slash);
        const Descriptor parentFd(::open(parent.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!parentFd.valid() || !SameMount(parentFd.get(), fd))
            break;
        top = parent;
    }
    return top;
}

// Creates folder and any missing parents with mode 0700. 0 or an errno value.
int MakeFolders(const std::string& folder, MadeFolders& made)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    const size_t slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        if (const int error = MakeFolders(folder.substr(0, slash), made))
            return error;
    }
    return made.make(folder);
}

int PrepareHomeTrash(const std::string& trash, MadeFolders& made)
{
    for (const char* sub : {"", "/files", "/info"}) {
        if (const int error = MakeFolders(trash + sub, made))
            return error;
    }
    return 0;
}

// A trash in a top folder, which others may write to, must be a real folder
// of this user's: a link or someone else's folder would take the item
// elsewhere or show it to them.
int PrepareOwnTrash(const std::string& trash, MadeFolders& made)
{
    for (const char* sub : {"", "/files", "/info"}) {
        const std::string folder = trash + sub;
        if (const int error = made.make(folder))
            return error;
        struct stat info {};
        if (::lstat(folder.c_str(), &info) != 0)
            return errno;
        if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
            return EPERM;
    }
    return 0;
}

// $top/.Trash/$uid when an administrator made $top/.Trash for everyone (a
// real folder with the sticky bit), else $top/.Trash-$uid. "" with error
// set when neither can be used.
std::string PrepareTopTrash(const std::string& top, MadeFolders& made, int& error)
{
    const std::string base = top == "/" ? std::string() : top;
    const std::string uid = std::to_string(::getuid());
    struct stat shared {};
    if (::lstat((base + "/.Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX)) {
        const std::string trash = base + "/.Trash/" + uid;
        if (PrepareOwnTrash(trash, made) == 0)
            return trash;
        made.undo();
    }
    const std::string trash = base + "/.Trash-" + uid;
    error = PrepareOwnTrash(trash, made);
    return error == 0 ? trash : std::string();
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
int RenameNoReplace(int fromFolder, const std::string& from, int toFolder, const std::string& to)
{
    if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat info {};
    if (::fstatat(toFolder, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fromFolder, from.c_str(), toFolder, to.c_str()) == 0 ? 0 : errno;
}

// Moves name of folder into trash, recording original as its path. 0, or
// an errno value with the item back in place and no entry in the trash.
int MoveInto(const std::string& trash, int folder, const std::string& name, const std::string& original)
{
    const std::string trashName = ClaimTrashName(trash, name, TrashInfoText(original));
    if (trashName.empty())
        return errno;
    const std::string infoPath = trash + "/info/" + trashName + ".trashinfo";
    const std::string target = trash + "/files/" + trashName;
    if (const int error = RenameNoReplace(folder, name, AT_FDCWD, target)) {
        ::unlink(infoPath.c_str());
        return error;
    }
    // Trust only what the file system shows: the item in files/, none left.
    struct stat info {};
    const bool landed = ::lstat(target.c_str(), &info) == 0;
    const bool gone = ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
    if (landed && gone)
        return 0;
    if (landed)
        RenameNoReplace(AT_FDCWD, target, folder, name);
    ::unlink(infoPath.c_str());
    return EIO;
}

// The item is the one the kernel finds under path, as a listing of its
// folder shows it: the folder is opened through the kernel (links and ".."
// resolved alike) and the item moved out of that very folder. The trash
// is the home trash when it is on the item's mount, else the trash of the
// top folder of the item's mount; reason names a trash that cannot be used.
int MoveToAnyTrash(const std::string& path, std::string& reason)
{
    const size_t slash = path.rfind('/');
    const std::string name = path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        return EINVAL;
    const std::string named = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const Descriptor folder(OpenLongPath(AT_FDCWD, named, O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return errno;
    struct stat item {};
    if (::fstatat(folder.get(), name.c_str(), &item, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    const std::string folderPath = KernelPath(folder.get(), named);
    if (folderPath.empty())
        return errno;
    const std::string original = (folderPath == "/" ? std::string() : folderPath) + "/" + name;

    MadeFolders made;
    std::string trash = HomeTrash();
    if (trash.empty())
        return ENOENT;
    int error = 0;
    if (OnMountOf(trash, folder.get())) {
        error = PrepareHomeTrash(trash, made);
    } else {
        const std::string top = TopDirectory(folderPath, folder.get());
        trash = PrepareTopTrash(top, made, error);
        if (trash.empty())
            reason =
                QCoreApplication::translate("Trash", "%1 のごみ箱を使えません").arg(DisplayPath(top)).toStdString();
    }
    if (error == 0)
        error = MoveInto(trash, folder.get(), name, original);
    if (error == 0)
        made.keep();
    return error;
}

}  // namespace

bool MoveToTrash(const std::string& path, std::string& errorText)
{
    errorText.clear();
    std::string reason;
    const int error = path.empty() || path.find('\0') != std::string::npos
                          ? EINVAL
                          : MoveToAnyTrash(WithoutTrailingSlash(path), reason);
    if (error == 0)
        return true;
    errorText = QCoreApplication::translate("Trash", "ごみ箱に移動できませんでした: %1: ")
                    .arg(DisplayPath(path))
                    .toStdString() +
                (reason.empty() ? std::string() : reason + ": ") + ErrorText(error);
    return false;
}
