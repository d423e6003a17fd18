// The list the history editor works on: paths (bytes, as the OS gives them)
// with the position each had when the editor was opened. Sorting changes only
// the order shown; the numbers decide the order written back.
//
// Plain classes, main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TKvEditFileName {
public:
    // Position in the list the editor was opened with, from 1; changed only
    // by renumbering.
    int32_t Number = 0;
    // The path as bytes (a folder carries its trailing "/").
    std::string FileName;

    // The last name of the folder part of FileName: "/photos/2004/" gives
    // "2004", "/a/b.jpg" gives "a", "/" and a path without "/" give "".
    std::string FolderName() const;
};

class TKvEditFileNameList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // The item at index; std::out_of_range outside.
    TKvEditFileName& EditFileNames(int index) { return *items_.at(static_cast<size_t>(index)); }
    const TKvEditFileName& EditFileNames(int index) const { return *items_.at(static_cast<size_t>(index)); }

    void Add(int32_t number, std::string fileName);
    // Removes the item at index; an index outside the list changes nothing.
    void Delete(int index);
    void Clear() { items_.clear(); }

    // Clears, then adds each string k (from 0) with Number k + 1.
    void LoadFromStrings(const std::vector<std::string>& strings);
    // Sorts by Number ascending and replaces strings by the file names in
    // that order.
    void SaveToStrings(std::vector<std::string>& strings);

    // Sorts in place by Number, by FileName or by FolderName (names in the
    // case-insensitive collation of the user's language, as shown); Down
    // reverses the order. No secondary key: equal items keep their order.
    void SortByNumber(bool Down);
    void SortByFileName(bool Down);
    void SortByFolderName(bool Down);

private:
    std::vector<std::unique_ptr<TKvEditFileName>> items_;
};
