#include "paths/BytePath.h"

#include <cerrno>
#include <climits>
#include <vector>

#include <unistd.h>

std::string WithTrailingSlash(std::string path)
{
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool SamePath(std::string_view a, std::string_view b)
{
    const auto trimmed = [](std::string_view s) {
        while (s.size() > 1 && s.back() == '/')
            s.remove_suffix(1);
        return s;
    };
    return trimmed(a) == trimmed(b);
}

std::string AbsolutePath(const std::string& path, const std::string& workingFolder)
{
    if (path.empty())
        return path;
    const std::string joined = path.front() == '/' ? path : WithTrailingSlash(workingFolder) + path;
    std::vector<std::string_view> parts;
    std::string_view rest(joined);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string absolute;
    for (std::string_view part : parts) {
        absolute += '/';
        absolute += part;
    }
    if (absolute.empty())
        return "/";
    // A trailing "/" or "/." asked for the folder itself: keep it visible.
    const bool folderMeant = joined.back() == '/' || path == "." || path == ".." ||
                             path.ends_with("/.") || path.ends_with("/..");
    return folderMeant ? absolute + '/' : absolute;
}

std::string CurrentWorkingFolder()
{
    std::vector<char> buffer(PATH_MAX);
    while (true) {
        if (::getcwd(buffer.data(), buffer.size()))
            return std::string(buffer.data());
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string FolderOfPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ParentFolder(const std::string& folder)
{
    const std::string trimmed = WithoutTrailingSlash(folder);
    if (trimmed.empty() || trimmed == "/")
        return {};
    return FolderOfPath(trimmed);
}

std::string LastPathComponent(const std::string& folder)
{
    const std::string trimmed = WithoutTrailingSlash(folder);
    if (trimmed == "/")
        return trimmed;
    const std::size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}
