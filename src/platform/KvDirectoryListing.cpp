#include "platform/KvDirectoryListing.h"

#include "paths/LongPath.h"

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

int64_t nanoseconds(const struct statx_timestamp& t)
{
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void fillFrom(const struct statx& status, const std::string& name, TKvDirectoryItem& item)
{
    item.Size = static_cast<int64_t>(status.stx_size);
    item.Attr = 0;
    if (!(status.stx_mode & S_IWUSR))
        item.Attr |= kvAttrReadOnly;
    if (!name.empty() && name[0] == '.')
        item.Attr |= kvAttrHidden;
    if (S_ISDIR(status.stx_mode))
        item.Attr |= kvAttrFolder;
    item.LastWriteTime = nanoseconds(status.stx_mtime);
    item.LastAccessTime = (status.stx_mask & STATX_ATIME) ? nanoseconds(status.stx_atime) : kUnknownFileTime;
    item.CreationTime = (status.stx_mask & STATX_BTIME) ? nanoseconds(status.stx_btime) : kUnknownFileTime;
    item.Device = makedev(status.stx_dev_major, status.stx_dev_minor);
    item.Inode = status.stx_ino;
}

}  // namespace

TKvDirectoryListing::~TKvDirectoryListing()
{
    Close();
}

bool TKvDirectoryListing::Open(const std::string& folder)
{
    Close();
    const int fd = OpenLongPath(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    dir_ = ::fdopendir(fd);
    if (!dir_)
        ::close(fd);
    return dir_ != nullptr;
}

bool TKvDirectoryListing::Next(TKvDirectoryItem& item)
{
    auto* dir = static_cast<DIR*>(dir_);
    if (!dir)
        return false;
    for (;;) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            return false;
        const char* name = entry->d_name;
        if (name[0] == '\0' || (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
            continue;
        struct statx status {};
        const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
        if (::statx(::dirfd(dir), name, AT_STATX_SYNC_AS_STAT, mask, &status) != 0 &&
            ::statx(::dirfd(dir), name, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, mask, &status) != 0) {
            continue;  // vanished between the listing and the stat
        }
        item.Name = name;
        fillFrom(status, item.Name, item);
        return true;
    }
}

void TKvDirectoryListing::Close()
{
    if (dir_) {
        ::closedir(static_cast<DIR*>(dir_));
        dir_ = nullptr;
    }
}

bool FolderIdentity(const std::string& folder, dev_t& device, ino_t& inode)
{
    const int fd = OpenLongPath(AT_FDCWD, folder, O_PATH | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    const bool read = ::fstat(fd, &status) == 0;
    ::close(fd);
    if (!read || !S_ISDIR(status.st_mode))
        return false;
    device = status.st_dev;
    inode = status.st_ino;
    return true;
}
