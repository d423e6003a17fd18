#include "components/KvEditFileNameList.h"

#include "catalogue/KvCollation.h"

#include <algorithm>

std::string TKvEditFileName::FolderName() const
{
    const size_t lastDelimiter = FileName.rfind('/');
    if (lastDelimiter == std::string::npos)
        return {};
    std::string folder = FileName.substr(0, lastDelimiter);  // the folder part without its "/"
    const size_t nameStart = folder.rfind('/');
    return nameStart == std::string::npos ? folder : folder.substr(nameStart + 1);
}

void TKvEditFileNameList::Add(int32_t number, std::string fileName)
{
    auto item = std::make_unique<TKvEditFileName>();
    item->Number = number;
    item->FileName = std::move(fileName);
    items_.push_back(std::move(item));
}

void TKvEditFileNameList::Delete(int index)
{
    if (index >= 0 && index < Count())
        items_.erase(items_.begin() + index);
}

void TKvEditFileNameList::LoadFromStrings(const std::vector<std::string>& strings)
{
    Clear();
    items_.reserve(strings.size());
    for (size_t k = 0; k < strings.size(); ++k)
        Add(static_cast<int32_t>(k + 1), strings[k]);
}

void TKvEditFileNameList::SaveToStrings(std::vector<std::string>& strings)
{
    SortByNumber(false);
    strings.clear();
    strings.reserve(items_.size());
    for (const auto& item : items_)
        strings.push_back(item->FileName);
}

namespace {

using Item = std::unique_ptr<TKvEditFileName>;

// Reversing the comparison, not the result, keeps equal items in place
// both ways.
template <typename Compare>
void SortItems(std::vector<Item>& items, bool down, Compare compare)
{
    std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        const int order = compare(*a, *b);
        return down ? order > 0 : order < 0;
    });
}

}  // namespace

void TKvEditFileNameList::SortByNumber(bool Down)
{
    SortItems(items_, Down, [](const TKvEditFileName& a, const TKvEditFileName& b) {
        return a.Number < b.Number ? -1 : a.Number > b.Number ? 1 : 0;
    });
}

void TKvEditFileNameList::SortByFileName(bool Down)
{
    SortItems(items_, Down, [](const TKvEditFileName& a, const TKvEditFileName& b) {
        return CollateFileNames(a.FileName, b.FileName);
    });
}

void TKvEditFileNameList::SortByFolderName(bool Down)
{
    // One folder name per item, not two per comparison.
    std::vector<std::pair<std::string, Item>> keyed;
    keyed.reserve(items_.size());
    for (Item& item : items_) {
        std::string folder = item->FolderName();
        keyed.emplace_back(std::move(folder), std::move(item));
    }
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        const int order = CollateFileNames(a.first, b.first);
        return Down ? order > 0 : order < 0;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        items_[i] = std::move(keyed[i].second);
}
