#include "CheckTargets.h"

#include "paths/LongPath.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <deque>
#include <unordered_set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool endsWithNoCase(std::string_view name, const char* suffix)
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

std::string joinPath(const std::string& folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

struct FolderIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderIdentity&) const = default;
};

struct IdentityHash {
    size_t operator()(const FolderIdentity& id) const { return std::hash<uint64_t>()(id.inode * 31 + id.device); }
};

}  // namespace

bool LookAtPath(const std::string& path, struct stat& status)
{
    if (::stat(path.c_str(), &status) == 0)
        return true;
    if (errno != ENAMETOOLONG)
        return false;
    const int fd = OpenLongPath(AT_FDCWD, path, O_PATH | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool seen = ::fstat(fd, &status) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return seen;
}

bool PathIsGone(const std::string& path)
{
    struct stat status {};
    return !LookAtPath(path, status) && (errno == ENOENT || errno == ENOTDIR);
}

// A folder is opened through its descriptor, whatever the length of its
// path (see OpenLongPath), and its items are looked at relative to it.
class TargetLister::FolderWalk {
public:
    FolderWalk(TargetLister& lister) : lister_(lister), options_(lister.options_) {}

    void run(const std::string& root, const struct stat& rootStatus)
    {
        std::deque<std::string> pending;
        if (remember({rootStatus.st_dev, rootStatus.st_ino}))
            pending.push_back(root);
        while (!pending.empty()) {
            std::string folder = std::move(pending.front());
            pending.pop_front();
            listFolder(folder, pending);
        }
    }

private:
    // One folder's items, compact: a folder of a million files is held
    // while it is sorted.
    struct Item {
        uint64_t nameAt;
        uint32_t nameLength;
        uint32_t folder;  // index into folders_, or kNotFolder
        ListedFile listed;
    };
    static constexpr uint32_t kNotFolder = UINT32_MAX;

    bool remember(const FolderIdentity& identity) { return seen_.insert(identity).second; }

    void fail(const std::string& path, int error)
    {
        CheckTarget target;
        target.path = path;
        target.listingError = error;
        lister_.offer(std::move(target));
    }

    std::string_view nameOf(const Item& item) const { return {names_.data() + item.nameAt, item.nameLength}; }

    // Passes on the folder's JPEG files in name order; queues its subfolders when recursing.
    void listFolder(const std::string& folder, std::deque<std::string>& pending)
    {
        lister_.sink_.pausing();
        const int fd = OpenLongPath(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
        if (!dir) {
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            fail(folder, error);
            return;
        }
        ++lister_.foldersListed_;
        items_.clear();
        names_.clear();
        folders_.clear();
        int readError = 0;
        for (;;) {
            // Looking at an item may set errno; only readdir's own counts.
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                readError = errno;
                break;
            }
            const std::string_view name = entry->d_name;
            if (name == "." || name == ".." || (options_.skipHidden && name[0] == '.'))
                continue;
            classify(::dirfd(dir), *entry, folder, name);
        }
        ::closedir(dir);

        std::sort(items_.begin(), items_.end(), [this](const Item& a, const Item& b) { return nameOf(a) < nameOf(b); });
        for (const Item& item : items_) {
            if (item.folder == kNotFolder) {
                CheckTarget target;
                target.path = joinPath(folder, nameOf(item));
                target.listed = item.listed;
                lister_.offer(std::move(target));
            } else if (remember(folders_[item.folder])) {
                pending.push_back(joinPath(folder, nameOf(item)));
            }
        }
        if (readError != 0)
            fail(folder, readError);
    }

    void keep(std::string_view name, ListedFile listed, const struct stat* folderStatus)
    {
        Item item{names_.size(), static_cast<uint32_t>(name.size()), kNotFolder, listed};
        if (folderStatus) {
            item.folder = static_cast<uint32_t>(folders_.size());
            folders_.push_back({folderStatus->st_dev, folderStatus->st_ino});
        }
        names_.append(name);
        items_.push_back(item);
    }

    // Decides whether an item is a file to check, a folder to search or
    // neither. A link that leads nowhere (missing target, loop) is a file
    // when it has a JPEG name, so the check reports it, and is passed over
    // otherwise. A folder that cannot be looked at is reported.
    void classify(int folderFd, const dirent& entry, const std::string& folder, std::string_view name)
    {
        const bool jpegName = HasJpegExtension(name);
        if (entry.d_type != DT_DIR && entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
            if (jpegName)
                keep(name, {entry.d_type == DT_REG, 0}, nullptr);
            return;
        }
        if (entry.d_type == DT_DIR && !options_.recursive)
            return;
        struct stat status {};
        if (::fstatat(folderFd, entry.d_name, &status, 0) != 0) {
            if (entry.d_type == DT_DIR && errno != ENOENT)
                fail(joinPath(folder, name), errno);
            else if (entry.d_type != DT_DIR && jpegName)
                keep(name, {}, nullptr);
            return;
        }
        const ListedFile listed{S_ISREG(status.st_mode), static_cast<uint64_t>(status.st_size)};
        if (S_ISDIR(status.st_mode)) {
            if (options_.recursive)
                keep(name, listed, &status);
        } else if (jpegName) {
            keep(name, listed, nullptr);
        }
    }

    TargetLister& lister_;
    const CheckTargetOptions& options_;
    std::unordered_set<FolderIdentity, IdentityHash> seen_;
    std::vector<Item> items_;
    std::string names_;
    std::vector<FolderIdentity> folders_;
};

bool HasJpegExtension(std::string_view name)
{
    return endsWithNoCase(name, ".jpg") || endsWithNoCase(name, ".jpeg");
}

uint64_t ShardHash(std::string_view path)
{
    uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : path) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3u;
    }
    return hash;
}

bool Shard::takes(std::string_view path) const
{
    return count <= 1 || ShardHash(path) % count == index;
}

bool ParseShard(std::string_view text, Shard& shard)
{
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return false;
    const auto number = [](std::string_view digits, uint32_t& value) {
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return !digits.empty() && error == std::errc() && end == digits.data() + digits.size();
    };
    uint32_t k = 0, n = 0;
    if (!number(text.substr(0, slash), k) || !number(text.substr(slash + 1), n) || k < 1 || k > n || n > (1u << 31))
        return false;
    shard = {k - 1, n};
    return true;
}

void TargetLister::offer(CheckTarget&& target)
{
    const bool inShard = options_.shard.takes(target.path);
    if (target.listingError == 0 && !inShard)
        return;
    target.reported = inShard;
    sink_.take(std::move(target));
}

void TargetLister::addPath(const std::string& path)
{
    struct stat status {};
    const bool seen = LookAtPath(path, status);
    if (seen && S_ISDIR(status.st_mode)) {
        if (onFolderPath)
            onFolderPath(path);
        FolderWalk walk(*this);
        walk.run(path, status);
        return;
    }
    CheckTarget target;
    target.path = path;
    if (seen)
        target.listed = {S_ISREG(status.st_mode), static_cast<uint64_t>(status.st_size)};
    offer(std::move(target));
}

bool TargetLister::addList(int fd, char separator)
{
    std::string pending;
    char chunk[1 << 16];
    for (;;) {
        sink_.pausing();
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        pending.append(chunk, static_cast<size_t>(got));
        size_t start = 0;
        for (size_t end; (end = pending.find(separator, start)) != std::string::npos; start = end + 1) {
            if (end > start)
                addPath(pending.substr(start, end - start));
        }
        pending.erase(0, start);
    }
    // The last path may lack its separator.
    if (!pending.empty())
        addPath(pending);
    return true;
}
