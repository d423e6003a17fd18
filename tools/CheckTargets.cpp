#include "CheckTargets.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <set>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>

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
    bool remember(const struct stat& status) { return seen_.emplace(status.st_dev, status.st_ino).second; }

    // Appends the folder's JPEG files; returns its subfolders when recursing.
    std::vector<std::string> listFolder(const std::string& folder)
    {
        std::vector<std::string> subfolders;
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) {
            out_.listingErrors.push_back(folder + ": " + std::strerror(errno));
            return subfolders;
        }
        std::vector<std::pair<std::string, bool>> entries;  // name, is folder
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            if (options_.skipHidden && name[0] == '.')
                continue;
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat status {};
                isFolder = ::stat(joinPath(folder, name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
            }
            if (isFolder ? options_.recursive : HasJpegExtension(name))
                entries.emplace_back(name, isFolder);
        }
        const int readError = errno;
        ::closedir(dir);
        if (readError != 0)
            out_.listingErrors.push_back(folder + ": " + std::strerror(readError));

        std::sort(entries.begin(), entries.end());
        for (const auto& [name, isFolder] : entries) {
            std::string path = joinPath(folder, name);
            if (!isFolder) {
                out_.files.push_back(std::move(path));
                continue;
            }
            struct stat status {};
            if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && remember(status))
                subfolders.push_back(std::move(path));
        }
        return subfolders;
    }

    const CheckTargetOptions& options_;
    CheckTargets& out_;
    std::set<std::pair<dev_t, ino_t>> seen_;
};

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
        if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
            FolderWalk walk(options, targets);
            walk.run(path, status);
        } else {
            targets.files.push_back(path);
        }
    }
    return targets;
}
