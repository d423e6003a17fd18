// Temporary folders and files with given bytes, removed when the test ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "scanlark-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }

    // Writes bytes to a file under the folder (creating subfolders) and
    // returns its full path.
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::string full = path_ + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        FILE* file = std::fopen(full.c_str(), "wb");
        if (!file)
            throw std::runtime_error("cannot create " + full);
        const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) != 0 || !ok)
            throw std::runtime_error("cannot write " + full);
        return full;
    }

private:
    std::string path_;
};
