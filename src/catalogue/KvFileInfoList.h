// The entries of one listing: every entry found (AllFileInfos, in the order
// of discovery) and the visible sequence (the entries that pass the filters,
// in the current sort order). Row i of the window's list shows visible entry i.
//
// No locks: a list is used on one thread at a time (the main thread, or the
// enumeration worker for its private list).
#pragma once

#include "catalogue/KvFileInfo.h"
#include "catalogue/KvFileInfoListTypes.h"
#include "catalogue/KvSortMode.h"

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class TKvNameKeyMaker;
class TKvShellInfoCache;

// Negative when A goes before B, zero when equal, positive when after.
using TKvFileInfoCompare = int (*)(const TKvFileInfo* A, const TKvFileInfo* B);

class TKvFileInfoList {
public:
    TKvFileInfoList();
    virtual ~TKvFileInfoList();
    TKvFileInfoList(const TKvFileInfoList&) = delete;
    TKvFileInfoList& operator=(const TKvFileInfoList&) = delete;

    // Extensions with their dot (".jpg"); empty: no filter. Compared without
    // regard to ASCII case.
    std::vector<std::string> ExtList;
    TKvFileInfoListOptions Options{filoHiddenFileView};
    // Every folder found so far (with trailing "/"), in order of discovery:
    // the queue of the subfolder search.
    std::vector<std::string> Folders;
    // Owns every entry of the last enumeration, whatever the filters.
    std::vector<std::unique_ptr<TKvFileInfo>> AllFileInfos;
    // When set, ScanFolder adds one for each entry it finds, so another
    // thread can show how far a listing has got.
    std::atomic<int64_t>* ScannedCounter = nullptr;
    bool SortDown = false;
    TKvSortMode SortMode = KvSortMode::Name;
    int64_t TotalSize = 0;  // sum of Size over the visible entries

    const std::string& Path() const { return path_; }
    // Adds the trailing "/" when missing.
    void SetPath(const std::string& path);

    int32_t Count() const { return static_cast<int32_t>(visible_.size()); }
    // Visible entry i; an index outside 0..Count-1 raises EListError.
    TKvFileInfo* FileInfos(int32_t index) const;
    const std::vector<TKvFileInfo*>& VisibleFileInfos() const { return visible_; }
    // Empties the visible sequence (the entries stay in AllFileInfos).
    void ClearVisible();

    // Rebuilds everything from Path on the calling thread.
    virtual void Refresh();

    // Sorts the visible sequence with CompareFileInfos under SortMode and
    // SortDown (modes 0..11).
    void Sort();
    // Sorts the visible sequence with a caller's comparison (modes 12 and up
    // with CompareFileInfosByJpeg). The comparison sees SortMode and SortDown
    // of this list.
    void CustomSort(TKvFileInfoCompare Compare);

    // The steps of an enumeration, shared with the threaded list.
    // Destroys every entry and empties the visible sequence, Folders and TotalSize.
    void ClearAll();
    // Lists one folder (ending in "/"), appending its entries to
    // AllFileInfos and its subfolders to Folders (a folder reached twice
    // through links is queued once). stopRequested, when set, is asked
    // before each item; true ends the folder's listing early. nameKeys, when
    // set, is given every new entry.
    void ScanFolder(const std::string& folder, TKvShellInfoCache& shell,
                    const std::function<bool()>& stopRequested = {}, TKvNameKeyMaker* nameKeys = nullptr);
    // Scans Path and, with filoSubFolderSearch, every folder below it,
    // breadth-first; afterFolder, when set, runs after each folder. Returns
    // false when stopped.
    bool ScanTree(TKvShellInfoCache& shell, const std::function<bool()>& stopRequested = {},
                  const std::function<void()>& afterFolder = {}, TKvNameKeyMaker* nameKeys = nullptr);
    // FindIndex := position in AllFileInfos.
    void NumberEntries();
    // Rebuilds the visible sequence and TotalSize from AllFileInfos with the
    // current Options and ExtList.
    void FilterEntries();

    // True when name's extension (from its last ".") is in ExtList.
    bool ExtensionListed(const std::string& name) const;

private:
    std::string path_;
    std::vector<TKvFileInfo*> visible_;
    std::set<std::pair<dev_t, ino_t>> queuedFolders_;
};
