#include "app/FolderHistory.h"

#include "platform/KvSafeFile.h"

#include <cerrno>
#include <cstring>

TFolderHistoryLoad LoadFolderHistory(const std::string& fileName)
{
    TFolderHistoryLoad load;
    std::string content;
    if (!ReadFileContents(fileName, content, kMaxFolderHistoryFile)) {
        const int error = errno;
        if (!NoSuchFile(error)) {
            load.Unreadable = true;
            load.Warning = "\"" + fileName + "\" is not read and will not be replaced: " +
                           (error == EFBIG ? "larger than 2 MiB" : std::strerror(error));
        }
        return load;
    }
    size_t skipped = 0;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        size_t length = end - start;
        if (length > 0 && content[start + length - 1] == '\r')
            --length;
        if (length > kMaxFolderHistoryLine)
            ++skipped;
        else if (length > 0)
            load.Folders.push_back(content.substr(start, length));
        start = end + 1;
    }
    if (skipped > 0)
        load.Warning = "\"" + fileName + "\": " + std::to_string(skipped) + " line(s) longer than " +
                       std::to_string(kMaxFolderHistoryLine) + " bytes left out";
    return load;
}

bool SaveFolderHistory(const std::string& fileName, const std::vector<std::string>& folders, std::string* error)
{
    std::string content;
    for (const std::string& folder : folders) {
        // A line break inside a name would split it into other folders on
        // the next start; such a folder lives in memory for this run only.
        if (folder.find_first_of("\r\n") != std::string::npos)
            continue;
        content += folder;
        content += "\r\n";
    }
    return ReplaceFileContents(fileName, content, error);
}
