// The in-memory INI document behind the settings file (the program's AppIni).
//
// The constructor reads the whole file; every read and write then works on the
// memory copy; only UpdateFile() touches the disk, replacing the whole file.
//
// Everything is bytes: file name, section names, keys and values are
// std::string exactly as stored (folder paths may be Shift_JIS or any other
// bytes). Section and key names compare without regard to ASCII case (only
// A-Z/a-z fold; bytes from 0x80 up compare exactly); the first spelling a name
// was created with is the one kept and written.
//
// Reading a file:
// - LF or CR LF line ends; a UTF-8 BOM at the very start is skipped.
// - "[name]" (blanks around it allowed) starts a section; the name loses its
//   surrounding spaces and tabs. A section seen twice continues the first.
// - "key=value" splits at the first "="; the key loses its surrounding spaces
//   and tabs, the value is kept byte for byte (after the "=" up to the line
//   end). A key seen twice in a section keeps its first position and takes the
//   last value.
// - Ignored: blank lines, lines whose first non-blank byte is ";", other lines
//   without "=", lines starting with "[" that are no section header, keys
//   before the first section, keys under an empty header "[]", empty keys.
//
// Written layout (UpdateFile, ToText): for each section in creation order,
// "[" name "]", then key "=" value for each key in first-write order, then an
// empty line; every line ends with CR LF; nothing else.
//
// Names and values that this layout could not read back as written are
// refused by the Write* functions (they return false and change nothing): a
// value holding LF; a section name or key that is empty, holds CR or LF, or
// starts or ends with a space or tab; a key holding "=" or starting with "["
// or ";". A folder path with a line break thus never injects settings lines.
//
// Not thread-safe: the program uses it from the main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class TKvMemIniFile {
public:
    // Binds the document to fileName and reads it. A missing, unreadable or
    // non-regular file (folder, FIFO), or one over kMaxFileSize, gives an
    // empty document, not an error; but a file that is there and could not
    // be read is Unreadable() and is never overwritten (see UpdateFile).
    explicit TKvMemIniFile(std::string fileName);

    // A settings file is a few kilobytes; a bigger one is not ours, and
    // reading it must not cost the start memory and time.
    static constexpr size_t kMaxFileSize = size_t {2} << 20;

    // Whether the file was there at construction but could not be read;
    // UnreadableReason() then says why, with the OS reason.
    bool Unreadable() const { return !unreadableReason_.empty(); }
    const std::string& UnreadableReason() const { return unreadableReason_; }

    const std::string& FileName() const { return fileName_; }
    // Binds the document to another file for later UpdateFile() calls; the
    // memory content is kept and nothing is read.
    void SetFileName(std::string fileName)
    {
        fileName_ = std::move(fileName);
        unreadableReason_.clear();
    }

    // The stored value, or defaultValue when the section or key is missing.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // The value as a 32-bit integer, or defaultValue when missing or not a
    // number (see ParseInteger).
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
    // The value read as an integer: any number other than 0 is true;
    // defaultValue when missing or not a number.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Stores value under section/key, creating the section at the end and the
    // key at the end of its section when they are new. False, and nothing
    // changed, when the names or the value cannot be stored (see above).
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Writes the decimal text of value.
    bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
    // Writes "1" or "0".
    bool WriteBool(std::string_view section, std::string_view key, bool value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // The keys of section in their order (stored spellings); empty when the
    // section is missing.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // The section names in creation order (stored spellings).
    std::vector<std::string> ReadSections() const;
    // Removes the section with all its keys; a missing section is no error.
    void EraseSection(std::string_view section);
    // Removes one key; its section stays, even when it becomes empty.
    void DeleteKey(std::string_view section, std::string_view key);
    // Empties the document; the file name stays.
    void Clear();

    // The exact bytes UpdateFile() writes.
    std::string ToText() const;

    // Replaces the whole file with ToText() without ever leaving a partly
    // written file: the text goes to a new hidden file in the same folder,
    // which is synced and then renamed over the target. A new file gets mode
    // 0666 less the umask; an existing one's permission bits (and, where the
    // process may, its owner and group) are kept. An existing file this
    // process may not write to fails with EACCES, as writing into it would,
    // although the rename could replace it. When the file name is a
    // symbolic link, the file it points to is replaced and the link stays.
    // On failure the old file is untouched, no temporary file is left, false
    // is returned, errno holds the cause and LastError() describes it. A file
    // that was Unreadable() is not replaced: the settings it holds are not
    // ours to lose (EACCES).
    bool UpdateFile();
    // What the last failed UpdateFile() could not do, with the OS reason;
    // empty after a successful one.
    const std::string& LastError() const { return lastError_; }

    // text as a 32-bit integer: surrounding spaces and tabs are allowed;
    // decimal with an optional sign, within int32; "0x"/"0X" or "$" followed
    // by 1 to 8 hexadecimal digits, taken as 32 bits ("0xFFFFFFFF" is -1).
    // False for anything else ("", "0x", "$", "12abc", "2147483648",
    // "0x123456789"), leaving value unchanged.
    static bool ParseInteger(std::string_view text, int32_t& value);

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
        std::unordered_map<std::string, size_t> positions;  // folded key -> index in entries
    };

    void Load();
    void ParseText(std::string_view text);
    const Section* FindSection(std::string_view name) const;
    size_t ObtainSection(std::string_view name);  // index in sections_
    const Entry* FindEntry(std::string_view section, std::string_view key) const;
    static void StoreEntry(Section& section, std::string_view key, std::string_view value);

    std::string fileName_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> sectionPositions_;  // folded name -> index in sections_
    std::string lastError_;
    std::string unreadableReason_;
};
