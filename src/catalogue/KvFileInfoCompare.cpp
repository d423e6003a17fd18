#include "catalogue/KvFileInfoCompare.h"

#include "catalogue/KvCollation.h"
#include "catalogue/KvUtils.h"
#include "decode/DeepInfo.h"

#include <algorithm>
#include <type_traits>
#include <unordered_map>

namespace {

namespace M = KvSortMode;

TKvSortMode sortMode = KvSortMode::Name;
bool sortDown = false;

template <typename T>
int compareValues(const T& a, const T& b)
{
    return (a > b) - (a < b);
}

int compareKeys(const std::string& a, const std::string& b)
{
    const int result = a.compare(b);
    return (result > 0) - (result < 0);
}

// The entry's name key, made on first need when the listing has not made it.
const std::string& nameKey(const TKvFileInfo* entry)
{
    if (entry->NameKey.empty())
        entry->NameKey = FileNameCollationKey(entry->Name);
    return entry->NameKey;
}

// Collation keys of one text field, computed once for all entries of a
// sort. Equal texts (the folder of many entries) share one key; entries of
// one folder come together, so most repeats are caught without a look-up.
class FieldKeys {
public:
    template <typename RawOf, typename KeyOf>
    void build(const std::vector<TKvFileInfo*>& entries, RawOf rawOf, KeyOf keyOf)
    {
        using Raw = std::decay_t<decltype(rawOf(entries.front()))>;
        std::unordered_map<Raw, int32_t> seen;
        bySlot_.resize(entries.size());
        Raw previous{};
        int32_t previousIndex = -1;
        for (size_t slot = 0; slot < entries.size(); ++slot) {
            decltype(auto) raw = rawOf(entries[slot]);
            if (previousIndex < 0 || raw != previous) {
                auto found = seen.find(raw);
                if (found == seen.end()) {
                    found = seen.emplace(raw, static_cast<int32_t>(unique_.size())).first;
                    unique_.push_back(keyOf(raw));
                }
                previousIndex = found->second;
                previous = raw;
            }
            bySlot_[slot] = previousIndex;
        }
    }
    bool ready() const { return !bySlot_.empty(); }
    int compare(const TKvFileInfo* a, const TKvFileInfo* b) const
    {
        const int32_t x = bySlot_[static_cast<size_t>(a->SortSlot)];
        const int32_t y = bySlot_[static_cast<size_t>(b->SortSlot)];
        return x == y ? 0 : compareKeys(unique_[static_cast<size_t>(x)], unique_[static_cast<size_t>(y)]);
    }

private:
    std::vector<std::string> unique_;
    std::vector<int32_t> bySlot_;
};

// Keys of the sort in progress; empty outside a sort.
struct SortKeys {
    FieldKeys path, fullName, pathOnly, typeName, comment;
};
SortKeys* activeKeys = nullptr;

int nameOrder(const TKvFileInfo* a, const TKvFileInfo* b)
{
    return compareKeys(nameKey(a), nameKey(b));
}

int pathOrder(const TKvFileInfo* a, const TKvFileInfo* b)
{
    if (activeKeys && activeKeys->path.ready())
        return activeKeys->path.compare(a, b);
    return CompareFileNames(a->Path, b->Path);
}

int fullNameOrder(const TKvFileInfo* a, const TKvFileInfo* b)
{
    if (activeKeys && activeKeys->fullName.ready())
        return activeKeys->fullName.compare(a, b);
    return CompareFileNames(a->FullFileName(), b->FullFileName());
}

int pathOnlyOrder(const TKvFileInfo* a, const TKvFileInfo* b)
{
    if (activeKeys && activeKeys->pathOnly.ready())
        return activeKeys->pathOnly.compare(a, b);
    return CompareFileNames(a->PathOnly(), b->PathOnly());
}

int typeNameOrder(const TKvFileInfo* a, const TKvFileInfo* b)
{
    if (activeKeys && activeKeys->typeName.ready())
        return activeKeys->typeName.compare(a, b);
    return CollateTexts(a->TypeName, b->TypeName);
}

int commentOrder(const TKvFileInfo* a, const TKvFileInfo* b)
{
    if (activeKeys && activeKeys->comment.ready())
        return activeKeys->comment.compare(a, b);
    return CollateTexts(DecodeCommentText(a->JpegInfo()->Comment), DecodeCommentText(b->JpegInfo()->Comment));
}

// The name decides what the mode left equal; descending reverses it all.
int finish(int result, const TKvFileInfo* a, const TKvFileInfo* b)
{
    if (result == 0)
        result = nameOrder(a, b);
    return sortDown ? -result : result;
}

int versionRank(const TKvJpegInfo& info)
{
    return info.IsJfif ? 1 : info.IsExif ? 2 : 0;
}

// The "エラー" column's order: the walk's verdicts, with files whose image
// data alone is damaged after the sound ones and before the walk's errors.
int errorRank(const TKvJpegInfo& walk, const DeepInfo* deep)
{
    if (walk.Verdict >= 0 && !IsJpegErrorVerdict(walk.Verdict) && deep && deep->Verdict == DeepVerdict::Damaged)
        return 2 * jvOkWithTrailingData + 1;
    return 2 * walk.Verdict;
}

// The deep check's columns list their verdicts in this order; files without
// a result come first.
int deepRank(const DeepInfo* deep)
{
    if (!deep)
        return -1;
    switch (deep->Verdict) {
    case DeepVerdict::Sound: return 0;
    case DeepVerdict::Warning: return 1;
    case DeepVerdict::Damaged: return 2;
    case DeepVerdict::NotDecoded: return 3;
    }
    return 4;
}

double soundFraction(const DeepInfo* deep)
{
    return deep ? deep->SoundFraction : -2;
}

int32_t firstBadRow(const DeepInfo* deep)
{
    return deep ? deep->FirstBadRow : -2;
}

int trailerKind(const DeepInfo* deep)
{
    return deep ? static_cast<int>(deep->Trailer.Kind) : -1;
}

void buildKeys(SortKeys& keys, const std::vector<TKvFileInfo*>& entries, TKvSortMode mode)
{
    const auto byName = [](const std::string& raw) { return FileNameCollationKey(raw); };
    const auto byText = [](const QString& raw) { return CollationKey(raw); };
    const auto path = [](const TKvFileInfo* e) -> const std::string& { return e->Path; };
    switch (mode) {
    case M::Name:
    case M::Path:
        keys.path.build(entries, path, byName);
        break;
    case M::FullFileName:
        keys.fullName.build(entries, [](const TKvFileInfo* e) { return e->FullFileName(); }, byName);
        break;
    case M::PathOnly:
        keys.path.build(entries, path, byName);
        keys.pathOnly.build(entries, [](const TKvFileInfo* e) { return e->PathOnly(); }, byName);
        break;
    case M::TypeName:
        keys.typeName.build(entries, [](const TKvFileInfo* e) -> const QString& { return e->TypeName; }, byText);
        break;
    case M::JPEG_Comment:
        keys.comment.build(
            entries,
            [](const TKvFileInfo* e) {
                const TKvJpegInfo* info = e->JpegInfo();
                return info ? DecodeCommentText(info->Comment) : QString();
            },
            byText);
        break;
    default:
        break;
    }
}

// CompareFileInfos under mode 0 (name, then folder), the order after every
// listing, with the name keys at hand instead of looked up per comparison.
void sortByName(std::vector<TKvFileInfo*>& entries, const FieldKeys& pathKeys, bool down)
{
    // The key's first eight bytes as one number decide most comparisons
    // without touching the key itself.
    struct Item {
        uint64_t head;
        std::string_view key;
        TKvFileInfo* entry;
    };
    std::vector<Item> items;
    items.reserve(entries.size());
    for (TKvFileInfo* entry : entries) {
        const std::string& key = nameKey(entry);
        uint64_t head = 0;
        for (size_t i = 0; i < 8; ++i)
            head = (head << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
        items.push_back({head, key, entry});
    }
    std::sort(items.begin(), items.end(), [&pathKeys, down](const Item& a, const Item& b) {
        int result = (a.head > b.head) - (a.head < b.head);
        if (result == 0) {
            result = a.key.compare(b.key);
            if (result == 0)
                result = pathKeys.compare(a.entry, b.entry);
        }
        return down ? result > 0 : result < 0;
    });
    for (size_t i = 0; i < items.size(); ++i)
        entries[i] = items[i].entry;
}

}  // namespace

int CompareFileNames(const std::string& a, const std::string& b)
{
    return CollateFileNames(a, b);
}

int CompareTexts(const QString& a, const QString& b)
{
    return CollateTexts(a, b);
}

void SetFileInfoSortContext(TKvSortMode mode, bool down)
{
    sortMode = mode;
    sortDown = down;
}

int CompareFileInfos(const TKvFileInfo* A, const TKvFileInfo* B)
{
    int result = 0;
    switch (sortMode) {
    case M::Name:
        result = nameOrder(A, B);
        if (result == 0)
            result = pathOrder(A, B);
        break;
    case M::FullFileName: result = fullNameOrder(A, B); break;
    case M::Path: result = pathOrder(A, B); break;
    case M::PathOnly:
        result = pathOnlyOrder(A, B);
        if (result == 0)
            result = pathOrder(A, B);
        break;
    case M::FindIndex: result = compareValues(A->FindIndex, B->FindIndex); break;
    case M::Size:
    case M::SizeDetail: result = compareValues(A->Size, B->Size); break;
    case M::TypeName: result = typeNameOrder(A, B); break;
    case M::LastWriteTime: result = compareValues(A->LastWriteTime, B->LastWriteTime); break;
    case M::Attr: result = compareValues(A->Attr, B->Attr); break;
    case M::CreationTime: result = compareValues(A->CreationTime, B->CreationTime); break;
    case M::LastAccessTime: result = compareValues(A->LastAccessTime, B->LastAccessTime); break;
    default: break;
    }
    return finish(result, A, B);
}

int CompareFileInfosByJpeg(const TKvFileInfo* A, const TKvFileInfo* B)
{
    const TKvJpegInfo* a = A->JpegInfo();
    const TKvJpegInfo* b = B->JpegInfo();
    if (!a || !b)
        return finish(ComparePointers(a, b), A, B);  // unchecked entries first
    int result = 0;
    const auto then = [&result](int next) {
        if (result == 0)
            result = next;
    };
    const DeepInfo* deepA = A->DeepCheckInfo();
    const DeepInfo* deepB = B->DeepCheckInfo();
    switch (sortMode) {
    case M::JPEG_Error:
        then(compareValues(errorRank(*a, deepA), errorRank(*b, deepB)));
        then(compareValues(a->Verdict, b->Verdict));
        then(compareValues(a->TrailingBytes, b->TrailingBytes));
        break;
    case M::JPEG_AddBinary: then(compareValues(a->TrailingBytes, b->TrailingBytes)); then(compareValues(a->Verdict, b->Verdict)); break;
    case M::JPEG_Format: then(compareValues(a->ProcessCode, b->ProcessCode)); break;
    case M::JPEG_MacBinary: then(compareValues(a->HasMacBinaryHeader, b->HasMacBinaryHeader)); break;
    case M::JPEG_Grayscale: then(compareValues(a->ScanComplete, b->ScanComplete)); then(compareValues(a->IsGrayscale, b->IsGrayscale)); break;
    case M::JPEG_Width: then(compareValues(a->Width, b->Width)); then(compareValues(a->Height, b->Height)); break;
    case M::JPEG_Height: then(compareValues(a->Height, b->Height)); then(compareValues(a->Width, b->Width)); break;
    case M::JPEG_ThumbWidth: then(compareValues(a->ThumbWidth, b->ThumbWidth)); break;
    case M::JPEG_ThumbHeight: then(compareValues(a->ThumbHeight, b->ThumbHeight)); break;
    case M::JPEG_Version:
        then(compareValues(versionRank(*a), versionRank(*b)));
        then(compareValues(a->JfifMajor, b->JfifMajor));
        then(compareValues(a->JfifMinor, b->JfifMinor));
        break;
    case M::JPEG_Comment: then(commentOrder(A, B)); break;
    case M::JPEG_Quality: then(compareValues(a->Quality, b->Quality)); then(compareValues(a->IjgQuality, b->IjgQuality)); break;
    case M::JPEG_IJGQuality: then(compareValues(a->IjgQuality, b->IjgQuality)); then(compareValues(a->Quality, b->Quality)); break;
    case M::JPEG_DeepVerdict:
        then(compareValues(deepRank(deepA), deepRank(deepB)));
        then(compareValues(soundFraction(deepA), soundFraction(deepB)));
        break;
    case M::JPEG_SoundFraction:
        then(compareValues(soundFraction(deepA), soundFraction(deepB)));
        then(compareValues(firstBadRow(deepA), firstBadRow(deepB)));
        break;
    case M::JPEG_FirstBadRow:
        then(compareValues(firstBadRow(deepA), firstBadRow(deepB)));
        then(compareValues(soundFraction(deepA), soundFraction(deepB)));
        break;
    case M::JPEG_Trailer:
        then(compareValues(trailerKind(deepA), trailerKind(deepB)));
        if (deepA && deepB)
            then(compareValues(deepA->Trailer.Size, deepB->Trailer.Size));
        break;
    default: break;
    }
    return finish(result, A, B);
}

void SortFileInfos(std::vector<TKvFileInfo*>& entries, TKvSortMode mode, bool down, TKvFileInfoCompare compare)
{
    SetFileInfoSortContext(mode, down);
    for (size_t slot = 0; slot < entries.size(); ++slot)
        entries[slot]->SortSlot = static_cast<int32_t>(slot);
    SortKeys keys;
    buildKeys(keys, entries, mode);
    activeKeys = &keys;
    if (compare == &CompareFileInfos && mode == KvSortMode::Name)
        sortByName(entries, keys.path, down);
    else
        std::sort(entries.begin(), entries.end(),
                  [compare](const TKvFileInfo* a, const TKvFileInfo* b) { return compare(a, b) < 0; });
    activeKeys = nullptr;
    for (TKvFileInfo* entry : entries)
        entry->SortSlot = -1;
}
