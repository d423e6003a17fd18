#include "paths/LongPath.h"

#include <cerrno>
#include <climits>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes fd unless it is the caller's, keeping errno for the caller.
void closeOwned(int fd, int callerFd)
{
    if (fd != callerFd) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
}

}  // namespace

int OpenLongPath(int folderFd, const std::string& path, int flags)
{
    constexpr size_t kLongest = PATH_MAX - 1;  // bytes the kernel takes in one call
    if (path.size() <= kLongest)
        return ::openat(folderFd, path.c_str(), flags);

    int fd = folderFd;
    size_t start = 0;
    std::string piece;
    while (path.size() - start > kLongest) {
        // The longest run of whole components that fits in one call.
        const size_t slash = path.rfind('/', start + kLongest);
        if (slash == std::string::npos || slash < start) {
            closeOwned(fd, folderFd);
            errno = ENAMETOOLONG;
            return -1;
        }
        // A leading "/" makes the first piece the root itself.
        piece.assign(path, start, slash == start ? 1 : slash - start);
        const int next = ::openat(fd, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        closeOwned(fd, folderFd);
        if (next < 0)
            return -1;
        fd = next;
        start = path.find_first_not_of('/', slash);
        if (start == std::string::npos)
            start = path.size();
    }
    piece.assign(path, start, std::string::npos);
    if (piece.empty())
        piece = ".";
    const int result = ::openat(fd, piece.c_str(), flags);
    closeOwned(fd, folderFd);
    return result;
}

FolderLookup::~FolderLookup()
{
    if (folderFd_ >= 0)
        ::close(folderFd_);
}

int FolderLookup::folderFor(const std::string& path, const char*& name)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) {
        name = path.c_str();
        return AT_FDCWD;
    }
    name = path.c_str() + slash + 1;
    const std::string_view folder(path.data(), slash == 0 ? 1 : slash);
    if (folderFd_ >= 0 && folder == folder_)
        return folderFd_;
    if (folderFd_ >= 0)
        ::close(folderFd_);
    folder_.assign(folder);
    folderFd_ = OpenLongPath(AT_FDCWD, folder_, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0)
        folder_.clear();
    return folderFd_;
}

PathKind KindOfPath(const std::string& path)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        return PathKind::Missing;
    const int fd = OpenLongPath(AT_FDCWD, path, O_PATH | O_CLOEXEC);
    if (fd < 0)
        return PathKind::Missing;
    struct stat status {};
    const bool known = ::fstat(fd, &status) == 0;
    ::close(fd);
    if (!known)
        return PathKind::Missing;
    if (S_ISDIR(status.st_mode))
        return PathKind::Folder;
    return S_ISREG(status.st_mode) ? PathKind::RegularFile : PathKind::Other;
}
