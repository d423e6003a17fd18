// The option set of a file list.
#pragma once

#include <cstdint>
#include <initializer_list>

enum TKvFileInfoListOption : uint8_t {
    filoHiddenFileView,   // entries with the hidden attribute are listed
    filoIncludePath,      // folders are listed as entries
    filoSubFolderSearch,  // the enumeration descends into subfolders
};

// A set of TKvFileInfoListOption (bit 1 << option).
class TKvFileInfoListOptions {
public:
    constexpr TKvFileInfoListOptions() = default;
    constexpr TKvFileInfoListOptions(std::initializer_list<TKvFileInfoListOption> options)
    {
        for (const auto option : options)
            bits_ |= bit(option);
    }

    constexpr bool Contains(TKvFileInfoListOption option) const { return bits_ & bit(option); }
    constexpr void Include(TKvFileInfoListOption option) { bits_ |= bit(option); }
    constexpr void Exclude(TKvFileInfoListOption option) { bits_ &= static_cast<uint8_t>(~bit(option)); }
    constexpr void Set(TKvFileInfoListOption option, bool on) { on ? Include(option) : Exclude(option); }
    constexpr uint8_t Bits() const { return bits_; }
    constexpr bool operator==(const TKvFileInfoListOptions&) const = default;

private:
    static constexpr uint8_t bit(TKvFileInfoListOption option) { return static_cast<uint8_t>(1u << option); }
    uint8_t bits_ = 0;
};

constexpr TKvFileInfoListOption kAllFileInfoListOptions[] = {filoHiddenFileView, filoIncludePath, filoSubFolderSearch};
