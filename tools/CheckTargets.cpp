#include "CheckTargets.h"

#include "paths/LongPath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool endsWithNoCase(const std::string& name, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    if (name.size() <= n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        char c = name[name.size() - n + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

// A folder is opened through its descriptor, whatever the length of its
// path (see OpenLongPath), and its items are looked at relative to it.
class FolderWalk {
public:
    FolderWalk(const CheckTargetOptions& options, CheckTargets& out) : options_(options), out_(out) {}

    void run(const std::string& root, const struct stat& rootStatus)
    {
        std::deque<std::string> pending;
        if (remember(rootStatus))
            pending.push_back(root);
        while (!pending.empty()) {
            std::string folder = std::move(pending.front());
            pending.pop_front();
            std::vector<std::string> subfolders = listFolder(folder);
            for (auto& sub : subfolders)
                pending.push_back(std::move(sub));
        }
    }

private:
    struct Item {
        std::string name;
        bool isFolder = false;
        ListedFile listed{};
        std::pair<dev_t, ino_t> identity{};  // of a folder
    };

    bool remember(const struct stat& status) { return seen_.emplace(status.st_dev, status.st_ino).second; }
    bool remember(const std::pair<dev_t, ino_t>& identity) { return seen_.insert(identity).second; }

    void fail(const std::string& path, int error) { out_.listingErrors.push_back({path, std::strerror(error)}); }

    // Appends the folder's JPEG files; returns its subfolders when recursing.
    std::vector<std::string> listFolder(const std::string& folder)
    {
        std::vector<std::string> subfolders;
        const int fd = OpenLongPath(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
        if (!dir) {
            fail(folder, errno);
            if (fd >= 0)
                ::close(fd);
            return subfolders;
        }
        std::vector<Item> items;
        for (;;) {
            // Looking at an item may set errno; only readdir's own counts.
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                if (errno != 0)
                    fail(folder, errno);
                break;
            }
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || (options_.skipHidden && name[0] == '.'))
                continue;
            Item item{name};
            if (classify(::dirfd(dir), *entry, folder, item))
                items.push_back(std::move(item));
        }
        ::closedir(dir);

        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.name < b.name; });
        for (const Item& item : items) {
            std::string path = joinPath(folder, item.name);
            if (!item.isFolder) {
                out_.files.push_back(std::move(path));
                out_.listed.push_back(item.listed);
            }
            else if (remember(item.identity))
                subfolders.push_back(std::move(path));
        }
        return subfolders;
    }

    // Decides whether an item is a file to check, a folder to search or
    // neither. A link that leads nowhere (missing target, loop) is a file
    // when it has a JPEG name, so the check reports it, and is passed over
    // otherwise. A folder that cannot be looked at is reported.
    bool classify(int folderFd, const dirent& entry, const std::string& folder, Item& item)
    {
        const bool jpegName = HasJpegExtension(item.name);
        if (entry.d_type != DT_DIR && entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
            item.listed.regular = entry.d_type == DT_REG;
            return jpegName;
        }
        if (entry.d_type == DT_DIR && !options_.recursive)
            return false;
        struct stat status {};
        if (::fstatat(folderFd, item.name.c_str(), &status, 0) != 0) {
            if (entry.d_type == DT_DIR && errno != ENOENT)
                fail(joinPath(folder, item.name), errno);
            return entry.d_type != DT_DIR && jpegName;
        }
        item.isFolder = S_ISDIR(status.st_mode);
        item.listed = {S_ISREG(status.st_mode), static_cast<uint64_t>(status.st_size)};
        item.identity = {status.st_dev, status.st_ino};
        return item.isFolder ? options_.recursive : jpegName;
    }

    const CheckTargetOptions& options_;
    CheckTargets& out_;
    std::set<std::pair<dev_t, ino_t>> seen_;
};

// Looks at what path leads to (links followed): one stat for a path of usual
// length, a walk in pieces for a longer one. False when nothing is there.
bool lookAt(const std::string& path, struct stat& status)
{
    if (::stat(path.c_str(), &status) == 0)
        return true;
    if (errno != ENAMETOOLONG)
        return false;
    const int fd = OpenLongPath(AT_FDCWD, path, O_PATH | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool seen = ::fstat(fd, &status) == 0;
    ::close(fd);
    return seen;
}

}  // namespace

bool HasJpegExtension(const std::string& name)
{
    return endsWithNoCase(name, ".jpg") || endsWithNoCase(name, ".jpeg");
}

CheckTargets CollectCheckTargets(const std::vector<std::string>& paths, const CheckTargetOptions& options)
{
    CheckTargets targets;
    for (const std::string& path : paths) {
        struct stat status {};
        const bool seen = lookAt(path, status);
        if (seen && S_ISDIR(status.st_mode)) {
            FolderWalk walk(options, targets);
            walk.run(path, status);
        } else {
            targets.files.push_back(path);
            if (seen)
                targets.listed.push_back({S_ISREG(status.st_mode), static_cast<uint64_t>(status.st_size)});
            else
                targets.listed.push_back({});
        }
    }
    return targets;
}
