#include "platform/KvMemIniFile.h"

#include "platform/KvSafeFile.h"

#include <cerrno>
#include <cstring>

#include <charconv>

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
}  // namespace

TKvMemIniFile::TKvMemIniFile(std::string fileName)
    : fileName_(std::move(fileName))
{
    Load();
}

void TKvMemIniFile::Load()
{
    std::string text;
    if (ReadFileContents(fileName_, text, kMaxFileSize)) {
        ParseText(text);
        return;
    }
    const int error = errno;
    if (!NoSuchFile(error))
        unreadableReason_ = "\"" + fileName_ + "\": " + (error == EFBIG ? "larger than 2 MiB" : std::strerror(error));
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
    if (Unreadable()) {
        lastError_ = "not replaced, since it could not be read: " + unreadableReason_;
        errno = EACCES;
        return false;
    }
    if (!ReplaceFileContents(fileName_, ToText(), &lastError_))
        return false;
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
