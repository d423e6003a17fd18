#include "KvFileInfoCompare.h"

#include "KvUtils.h"

#include <QCollator>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <optional>

namespace {

int32_t sortMode = 0;
bool sortDown = false;

QCollator& collator()
{
    static QCollator instance = [] {
        // The C locale has no collation (its sort keys are raw text, out of
        // step with its case-insensitive compare): use the window's language.
        QLocale locale = QLocale::system();
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::Japanese, QLocale::Japan);
        QCollator c(locale);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return instance;
}

QString decodeName(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

template <typename T>
int compareValues(const T& a, const T& b)
{
    return (a > b) - (a < b);
}

// Collation keys of one text field, computed once for all entries of a
// sort. Equal texts (the folder of many entries) share one key.
class FieldKeys {
public:
    template <typename TextOf>
    void build(const std::vector<TKvFileInfo*>& entries, TextOf textOf)
    {
        QHash<QString, int32_t> seen;
        bySlot_.resize(entries.size());
        for (size_t slot = 0; slot < entries.size(); ++slot) {
            const QString text = textOf(entries[slot]);
            auto found = seen.constFind(text);
            if (found == seen.constEnd()) {
                found = seen.insert(text, static_cast<int32_t>(unique_.size()));
                unique_.push_back(collator().sortKey(text));
            }
            bySlot_[slot] = found.value();
        }
    }
    bool ready() const { return !bySlot_.empty(); }
    int compare(const TKvFileInfo* a, const TKvFileInfo* b) const
    {
        const int32_t x = bySlot_[static_cast<size_t>(a->SortSlot)];
        const int32_t y = bySlot_[static_cast<size_t>(b->SortSlot)];
        return x == y ? 0 : unique_[static_cast<size_t>(x)].compare(unique_[static_cast<size_t>(y)]);
    }

private:
    std::vector<QCollatorSortKey> unique_;
    std::vector<int32_t> bySlot_;
};

// Name keys, made when a comparison first needs them: a sort by size or
// date asks for names only where two entries tie.
class NameKeys {
public:
    void prepare(size_t count) { keys_.assign(count, std::nullopt); }
    bool ready() const { return !keys_.empty(); }
    int compare(const TKvFileInfo* a, const TKvFileInfo* b)
    {
        return keyOf(a).compare(keyOf(b));
    }

private:
    const QCollatorSortKey& keyOf(const TKvFileInfo* entry)
    {
        std::optional<QCollatorSortKey>& key = keys_[static_cast<size_t>(entry->SortSlot)];
        if (!key)
            key = collator().sortKey(decodeName(entry->Name));
        return *key;
    }
    std::vector<std::optional<QCollatorSortKey>> keys_;
};

// Keys of the sort in progress; empty outside a sort.
struct SortKeys {
    NameKeys name;
    FieldKeys path, fullName, pathOnly, typeName, comment;
};
SortKeys* activeKeys = nullptr;

int nameOrder(const TKvFileInfo* a, const TKvFileInfo* b)
{
    if (activeKeys && activeKeys->name.ready())
        return activeKeys->name.compare(a, b);
    return CompareFileNames(a->Name, b->Name);
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
    return CompareTexts(a->TypeName, b->TypeName);
}

int commentOrder(const TKvFileInfo* a, const TKvFileInfo* b)
{
    if (activeKeys && activeKeys->comment.ready())
        return activeKeys->comment.compare(a, b);
    return CompareTexts(DecodeCommentText(a->JpegInfo()->Comment), DecodeCommentText(b->JpegInfo()->Comment));
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

void buildKeys(SortKeys& keys, const std::vector<TKvFileInfo*>& entries, int32_t mode)
{
    keys.name.prepare(entries.size());
    switch (mode) {
    case 0:
    case 2:
        keys.path.build(entries, [](const TKvFileInfo* e) { return decodeName(e->Path); });
        break;
    case 1:
        keys.fullName.build(entries, [](const TKvFileInfo* e) { return decodeName(e->FullFileName()); });
        break;
    case 3:
        keys.path.build(entries, [](const TKvFileInfo* e) { return decodeName(e->Path); });
        keys.pathOnly.build(entries, [](const TKvFileInfo* e) { return decodeName(e->PathOnly()); });
        break;
    case 7:
        keys.typeName.build(entries, [](const TKvFileInfo* e) { return e->TypeName; });
        break;
    case 22:
        keys.comment.build(entries, [](const TKvFileInfo* e) {
            const TKvJpegInfo* info = e->JpegInfo();
            return info ? DecodeCommentText(info->Comment) : QString();
        });
        break;
    default:
        break;
    }
}

}  // namespace

int CompareFileNames(const std::string& a, const std::string& b)
{
    return collator().compare(decodeName(a), decodeName(b));
}

int CompareTexts(const QString& a, const QString& b)
{
    return collator().compare(a, b);
}

void SetFileInfoSortContext(int32_t mode, bool down)
{
    sortMode = mode;
    sortDown = down;
}

int CompareFileInfos(const TKvFileInfo* A, const TKvFileInfo* B)
{
    int result = 0;
    switch (sortMode) {
    case 0:
        result = nameOrder(A, B);
        if (result == 0)
            result = pathOrder(A, B);
        break;
    case 1: result = fullNameOrder(A, B); break;
    case 2: result = pathOrder(A, B); break;
    case 3:
        result = pathOnlyOrder(A, B);
        if (result == 0)
            result = pathOrder(A, B);
        break;
    case 4: result = compareValues(A->FindIndex, B->FindIndex); break;
    case 5:
    case 6: result = compareValues(A->Size, B->Size); break;
    case 7: result = typeNameOrder(A, B); break;
    case 8: result = compareValues(A->LastWriteTime, B->LastWriteTime); break;
    case 9: result = compareValues(A->Attr, B->Attr); break;
    case 10: result = compareValues(A->CreationTime, B->CreationTime); break;
    case 11: result = compareValues(A->LastAccessTime, B->LastAccessTime); break;
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
    switch (sortMode) {
    case 12: then(compareValues(a->Verdict, b->Verdict)); then(compareValues(a->TrailingBytes, b->TrailingBytes)); break;
    case 13: then(compareValues(a->TrailingBytes, b->TrailingBytes)); then(compareValues(a->Verdict, b->Verdict)); break;
    case 14: then(compareValues(a->ProcessCode, b->ProcessCode)); break;
    case 15: then(compareValues(a->HasMacBinaryHeader, b->HasMacBinaryHeader)); break;
    case 16: then(compareValues(a->ScanComplete, b->ScanComplete)); then(compareValues(a->IsGrayscale, b->IsGrayscale)); break;
    case 17: then(compareValues(a->Width, b->Width)); then(compareValues(a->Height, b->Height)); break;
    case 18: then(compareValues(a->Height, b->Height)); then(compareValues(a->Width, b->Width)); break;
    case 19: then(compareValues(a->ThumbWidth, b->ThumbWidth)); break;
    case 20: then(compareValues(a->ThumbHeight, b->ThumbHeight)); break;
    case 21:
        then(compareValues(versionRank(*a), versionRank(*b)));
        then(compareValues(a->JfifMajor, b->JfifMajor));
        then(compareValues(a->JfifMinor, b->JfifMinor));
        break;
    case 22: then(commentOrder(A, B)); break;
    case 23: then(compareValues(a->Quality, b->Quality)); then(compareValues(a->IjgQuality, b->IjgQuality)); break;
    case 24: then(compareValues(a->IjgQuality, b->IjgQuality)); then(compareValues(a->Quality, b->Quality)); break;
    default: break;
    }
    return finish(result, A, B);
}

void SortFileInfos(std::vector<TKvFileInfo*>& entries, int32_t mode, bool down, TKvFileInfoCompare compare)
{
    SetFileInfoSortContext(mode, down);
    for (size_t slot = 0; slot < entries.size(); ++slot)
        entries[slot]->SortSlot = static_cast<int32_t>(slot);
    SortKeys keys;
    buildKeys(keys, entries, mode);
    activeKeys = &keys;
    std::sort(entries.begin(), entries.end(),
              [compare](const TKvFileInfo* a, const TKvFileInfo* b) { return compare(a, b) < 0; });
    activeKeys = nullptr;
    for (TKvFileInfo* entry : entries)
        entry->SortSlot = -1;
}
