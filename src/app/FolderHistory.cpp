#include "FolderHistory.h"

#include "KvSafeFile.h"

std::vector<std::string> LoadFolderHistory(const std::string& fileName)
{
    // A history of folder paths is a few kilobytes; a bigger file is none.
    constexpr size_t sizeLimit = size_t {16} << 20;
    std::vector<std::string> folders;
    std::string content;
    if (!ReadFileContents(fileName, content, sizeLimit))
        return folders;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        size_t length = end - start;
        if (length > 0 && content[start + length - 1] == '\r')
            --length;
        if (length > 0)
            folders.push_back(content.substr(start, length));
        start = end + 1;
    }
    return folders;
}

bool SaveFolderHistory(const std::string& fileName, const std::vector<std::string>& folders, std::string* error)
{
    std::string content;
    for (const std::string& folder : folders) {
        content += folder;
        content += "\r\n";
    }
    return ReplaceFileContents(fileName, content, error);
}
