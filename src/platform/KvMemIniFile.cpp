#include "KvMemIniFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <ctime>

namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The lookup form of a name: A-Z become a-z, every other byte stays, so names
// in legacy encodings never fold by accident.
std::string Fold(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// Names and values the reader gets back exactly as written.
bool IsStorableName(std::string_view name)
{
    return !name.empty() && name.find('\n') == std::string_view::npos && !IsBlank(name.front())
        && !IsBlank(name.back());
}

bool IsStorableKey(std::string_view key)
{
    // "[" would make a header of "[a=b]", ";" a comment.
    return IsStorableName(key) && key.find('=') == std::string_view::npos && key.front() != '['
        && key.front() != ';';
}

bool IsStorableValue(std::string_view value)
{
    return value.find('\n') == std::string_view::npos;
}

// Removes the entry at index from an ordered sequence and its name index.
template <typename Item>
void EraseAt(std::vector<Item>& items, std::unordered_map<std::string, size_t>& positions, size_t index,
             const std::string& foldedName)
{
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
    positions.erase(foldedName);
    for (auto& [name, position] : positions) {
        if (position > index)
            --position;
    }
}

// ---- The file on disk ----

bool IsUsablePath(const std::string& path)
{
    return !path.empty() && path.find('\0') == std::string::npos;
}

// "dir/" for "dir/name", "" for a bare name (the working folder).
std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The whole content of a regular file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text)
{
    // O_NONBLOCK: a FIFO in place of the settings file must not hang the start.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    // The settings file is a few kilobytes; anything near this size is not
    // one, and reading it must not exhaust memory at start.
    constexpr off_t sizeLimit = off_t {64} << 20;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= sizeLimit;
    if (ok)
        text.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    while (ok) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0 && text.size() + static_cast<size_t>(count) > static_cast<size_t>(sizeLimit))
            ok = false;  // grew while being read
        else if (count > 0)
            text.append(buffer, static_cast<size_t>(count));
        else if (count == 0)
            break;
        else if (errno != EINTR)
            ok = false;
    }
    ::close(fd);
    return ok;
}

// Follows symbolic links at the end of path, so that an update replaces the
// file a link points to and the link stays. A dangling link resolves to where
// it points, so the first save creates that file. Returns 0 or an errno value.
int FollowLinks(std::string path, std::string& resolved)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        // A missing file is created; other lstat failures recur, with their
        // reason, when the temporary file is created or renamed.
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            resolved = std::move(path);
            return 0;
        }
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
        if (length < 0)
            return errno;
        if (length == 0 || static_cast<size_t>(length) == sizeof buffer)
            return length == 0 ? ENOENT : ENAMETOOLONG;
        std::string target(buffer, static_cast<size_t>(length));
        path = target.front() == '/' ? std::move(target) : FolderOf(path) + target;
    }
    return ELOOP;
}

uint64_t RandomBits(int attempt)
{
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits))
        return bits;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(::getpid()) << 32)
        ^ (static_cast<uint64_t>(attempt) * 0x9E3779B97F4A7C15u);
}

// Creates a new hidden file beside target with a unique name, mode 0666 less
// the umask as for any new file. Returns the descriptor, or -1 with errno.
int CreateTemporaryFile(const std::string& target, std::string& path)
{
    static constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::string folder = FolderOf(target);
    // Short enough that the temporary name stays within NAME_MAX.
    const std::string stem = target.substr(folder.size(), 100);
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t bits = RandomBits(attempt);
        std::string suffix(10, '0');
        for (char& c : suffix) {
            c = alphabet[bits % 36];
            bits /= 36;
        }
        path = folder + "." + stem + "." + suffix + ".tmp";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            if (count == 0)
                errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(count));
    }
    return true;
}

// Makes the rename itself durable. Some file systems cannot sync a folder;
// the content is already safe then, so failures are ignored.
void SyncFolder(const std::string& target)
{
    const std::string folder = FolderOf(target);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Writes bytes to a temporary file and renames it over fileName. Returns 0,
// or an errno value with failure describing the step.
int ReplaceFile(const std::string& fileName, std::string_view bytes, std::string& failure)
{
    const auto fail = [&failure](const char* step, const std::string& path, int error) {
        failure = std::string(step) + " \"" + path + "\": " + std::strerror(error);
        return error;
    };
    if (!IsUsablePath(fileName))
        return fail("use the file name", fileName, EINVAL);
    std::string target;
    if (const int error = FollowLinks(fileName, target))
        return fail("follow the link", fileName, error);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // The rename could replace a file the user made read-only; honour that as
    // writing into the file would.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return fail("write to", target, errno);

    std::string temporary;
    const int fd = CreateTemporaryFile(target, temporary);
    if (fd < 0)
        return fail("create a temporary file for", target, errno);

    const char* step = nullptr;
    int error = 0;
    const auto check = [&](bool ok, const char* what) {
        if (!ok && error == 0) {
            error = errno;
            step = what;
        }
    };
    if (exists) {
        // Keeping the owner only succeeds where the process may (root, or a
        // group of its own); a file owned by someone else then becomes ours.
        [[maybe_unused]] const bool ownerKept = ::fchown(fd, old.st_uid, old.st_gid) == 0;
        check(::fchmod(fd, old.st_mode & 07777) == 0, "set the permissions of the new");
    }
    if (error == 0)
        check(WriteAll(fd, bytes), "write the new");
    if (error == 0)
        check(::fsync(fd) == 0, "sync the new");
    check(::close(fd) == 0, "close the new");
    if (error == 0)
        check(::rename(temporary.c_str(), target.c_str()) == 0, "rename the new file over");
    if (error != 0) {
        ::unlink(temporary.c_str());
        return fail(step, target, error);
    }
    SyncFolder(target);
    return 0;
}

}  // namespace

TKvMemIniFile::TKvMemIniFile(std::string fileName)
    : fileName_(std::move(fileName))
{
    Load();
}

void TKvMemIniFile::Load()
{
    std::string text;
    if (IsUsablePath(fileName_) && ReadWholeFile(fileName_, text))
        ParseText(text);
}

void TKvMemIniFile::ParseText(std::string_view text)
{
    if (text.starts_with(utf8Bom))
        text.remove_prefix(utf8Bom.size());
    constexpr size_t none = static_cast<size_t>(-1);
    size_t current = none;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);

        const std::string_view bare = TrimBlanks(line);
        if (bare.empty() || bare.front() == ';')
            continue;
        if (bare.front() == '[') {
            if (bare.size() >= 2 && bare.back() == ']') {
                const std::string_view name = TrimBlanks(bare.substr(1, bare.size() - 2));
                current = name.empty() ? none : ObtainSection(name);
            }
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || current == none)
            continue;
        const std::string_view key = TrimBlanks(line.substr(0, equals));
        if (!key.empty())
            StoreEntry(sections_[current], key, line.substr(equals + 1));
    }
}

const TKvMemIniFile::Section* TKvMemIniFile::FindSection(std::string_view name) const
{
    const auto found = sectionPositions_.find(Fold(name));
    return found == sectionPositions_.end() ? nullptr : &sections_[found->second];
}

size_t TKvMemIniFile::ObtainSection(std::string_view name)
{
    const auto [found, inserted] = sectionPositions_.try_emplace(Fold(name), sections_.size());
    if (inserted)
        sections_.push_back(Section {std::string(name), {}, {}});
    return found->second;
}

const TKvMemIniFile::Entry* TKvMemIniFile::FindEntry(std::string_view section, std::string_view key) const
{
    const Section* owner = FindSection(section);
    if (!owner)
        return nullptr;
    const auto found = owner->positions.find(Fold(key));
    return found == owner->positions.end() ? nullptr : &owner->entries[found->second];
}

void TKvMemIniFile::StoreEntry(Section& section, std::string_view key, std::string_view value)
{
    const auto [found, inserted] = section.positions.try_emplace(Fold(key), section.entries.size());
    if (inserted)
        section.entries.push_back(Entry {std::string(key), std::string(value)});
    else
        section.entries[found->second].value.assign(value);
}

std::string TKvMemIniFile::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) const
{
    const Entry* entry = FindEntry(section, key);
    return std::string(entry ? std::string_view(entry->value) : defaultValue);
}

int32_t TKvMemIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const
{
    const Entry* entry = FindEntry(section, key);
    int32_t value = defaultValue;
    if (entry)
        ParseInteger(entry->value, value);
    return value;
}

bool TKvMemIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TKvMemIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IsStorableName(section) || !IsStorableKey(key) || !IsStorableValue(value))
        return false;
    StoreEntry(sections_[ObtainSection(section)], key, value);
    return true;
}

bool TKvMemIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    return WriteString(section, key, std::to_string(value));
}

bool TKvMemIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

bool TKvMemIniFile::SectionExists(std::string_view section) const
{
    return FindSection(section) != nullptr;
}

bool TKvMemIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return FindEntry(section, key) != nullptr;
}

std::vector<std::string> TKvMemIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const Section* owner = FindSection(section)) {
        keys.reserve(owner->entries.size());
        for (const Entry& entry : owner->entries)
            keys.push_back(entry.key);
    }
    return keys;
}

std::vector<std::string> TKvMemIniFile::ReadSections() const
{
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const Section& section : sections_)
        names.push_back(section.name);
    return names;
}

void TKvMemIniFile::EraseSection(std::string_view section)
{
    const std::string folded = Fold(section);
    const auto found = sectionPositions_.find(folded);
    if (found != sectionPositions_.end())
        EraseAt(sections_, sectionPositions_, found->second, folded);
}

void TKvMemIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    const auto found = sectionPositions_.find(Fold(section));
    if (found == sectionPositions_.end())
        return;
    Section& owner = sections_[found->second];
    const std::string folded = Fold(key);
    const auto entry = owner.positions.find(folded);
    if (entry != owner.positions.end())
        EraseAt(owner.entries, owner.positions, entry->second, folded);
}

void TKvMemIniFile::Clear()
{
    sections_.clear();
    sectionPositions_.clear();
}

std::string TKvMemIniFile::ToText() const
{
    std::string text;
    for (const Section& section : sections_) {
        text += '[';
        text += section.name;
        text += "]\r\n";
        for (const Entry& entry : section.entries) {
            text += entry.key;
            text += '=';
            text += entry.value;
            text += "\r\n";
        }
        text += "\r\n";
    }
    return text;
}

bool TKvMemIniFile::UpdateFile()
{
    const int error = ReplaceFile(fileName_, ToText(), lastError_);
    if (error != 0) {
        errno = error;
        return false;
    }
    lastError_.clear();
    return true;
}

bool TKvMemIniFile::ParseInteger(std::string_view text, int32_t& value)
{
    text = TrimBlanks(text);
    std::string_view hexDigits;
    bool hexadecimal = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hexadecimal = true;
        hexDigits = text.substr(2);
    } else if (text.starts_with('$')) {
        hexadecimal = true;
        hexDigits = text.substr(1);
    }
    if (hexadecimal) {
        // Up to 8 digits are the 32 bits as written; "0xFFFFFFFF" is -1.
        if (hexDigits.empty() || hexDigits.size() > 8)
            return false;
        uint32_t bits = 0;
        const char* end = hexDigits.data() + hexDigits.size();
        const auto [stop, error] = std::from_chars(hexDigits.data(), end, bits, 16);
        if (error != std::errc() || stop != end)
            return false;
        value = static_cast<int32_t>(bits);
        return true;
    }
    // from_chars takes "-" but not "+".
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-'))
            return false;
    }
    int32_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, parsed, 10);
    if (error != std::errc() || stop != end)
        return false;
    value = parsed;
    return true;
}
