// Small helpers of the file tests: a file's bytes, a file with a hole, a
// folder's names, and an environment variable set for one test.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The whole file as bytes ("" when it cannot be read).
inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes head, a hole of holeBytes (zeros to a reader, nothing on disk)
// and tail to path: a file of gigabytes in no time.
inline void WriteWithHole(const std::string& path, const std::vector<uint8_t>& head, uintmax_t holeBytes,
                          const std::vector<uint8_t>& tail = {})
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
    std::filesystem::resize_file(path, head.size() + holeBytes);
    std::ofstream(path, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(tail.data()), std::streamsize(tail.size()));
}

// The names of the entries of folder.
inline std::set<std::string> Names(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Sets an environment variable (or unsets it with nullopt) for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};
