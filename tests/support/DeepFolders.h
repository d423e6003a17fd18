// Folder trees deeper than PATH_MAX. No single path reaches their bottom, so
// they are made, filled and removed through folder descriptors.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Removes name below parentFd and everything in it, at any depth. Folders are
// made writable first, so a test may leave them locked.
inline void RemoveTreeAt(int parentFd, const std::string& name)
{
    struct stat status {};
    if (::fstatat(parentFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(status.st_mode)) {
        ::unlinkat(parentFd, name.c_str(), 0);
        return;
    }
    ::fchmodat(parentFd, name.c_str(), 0700, 0);
    DIR* dir = ::fdopendir(::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir)
        return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
            names.emplace_back(entry->d_name);
    }
    for (const std::string& item : names)
        RemoveTreeAt(::dirfd(dir), item);
    ::closedir(dir);
    ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
}

inline void WriteFileAt(int folderFd, const std::string& name, const std::vector<uint8_t>& bytes)
{
    const int fd = ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("cannot write " + name);
    ::close(fd);
}

// A chain of `levels` folders named `component` below top, each holding the
// file `fileName` with `bytes`; removed with everything in it when it ends.
class DeepFolderChain {
public:
    DeepFolderChain(const std::string& top, const std::string& component, int levels, const std::string& fileName,
                    const std::vector<uint8_t>& bytes)
        : top_(top), component_(component)
    {
        int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        path_ = top;
        for (int i = 0; i < levels && fd >= 0; ++i) {
            if (::mkdirat(fd, component.c_str(), 0755) != 0)
                break;
            const int next = ::openat(fd, component.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
            path_ += "/" + component;
            WriteFileAt(fd, fileName, bytes);
            ++levels_;
        }
        if (fd >= 0)
            ::close(fd);
        if (levels_ != levels)
            throw std::runtime_error("cannot make the folder chain");
    }
    ~DeepFolderChain()
    {
        const int fd = ::open(top_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        RemoveTreeAt(fd, component_);
        ::close(fd);
    }
    DeepFolderChain(const DeepFolderChain&) = delete;
    DeepFolderChain& operator=(const DeepFolderChain&) = delete;

    // Full path of the deepest folder.
    const std::string& deepest() const { return path_; }
    int levels() const { return levels_; }

private:
    std::string top_;
    std::string component_;
    std::string path_;
    int levels_ = 0;
};

// 48 levels of 100-byte names: paths down there run to about 4,900 bytes.
inline std::string LongFolderName() { return std::string(100, 'd'); }
constexpr int kDeepLevels = 48;
