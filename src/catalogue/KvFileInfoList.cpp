#include "catalogue/KvFileInfoList.h"

#include "catalogue/KvFileInfoCompare.h"
#include "catalogue/KvNameKeyMaker.h"
#include "KvRTL/EtcLists/MyList.h"
#include "platform/KvDirectoryListing.h"
#include "platform/KvShellInfo.h"
#include "platform/KvTrash.h"

#include <algorithm>

namespace {

bool equalsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace

TKvFileInfoList::TKvFileInfoList() = default;

TKvFileInfoList::~TKvFileInfoList() = default;

void TKvFileInfoList::SetPath(const std::string& path)
{
    path_ = path;
    if (path_.empty() || path_.back() != '/')
        path_ += '/';
}

TKvFileInfo* TKvFileInfoList::FileInfos(int32_t index) const
{
    if (index < 0 || index >= Count())
        TMyList::Error("index out of range", index);
    return visible_[static_cast<size_t>(index)];
}

void TKvFileInfoList::ClearVisible()
{
    visible_.clear();
    TotalSize = 0;
}

void TKvFileInfoList::ClearAll()
{
    visible_.clear();
    AllFileInfos.clear();
    Folders.clear();
    queuedFolders_.clear();
    TotalSize = 0;
}

void TKvFileInfoList::Refresh()
{
    ClearAll();
    TKvShellInfoCache shell;
    ScanTree(shell);
    NumberEntries();
    FilterEntries();
}

bool TKvFileInfoList::ScanTree(TKvShellInfoCache& shell, const std::function<bool()>& stopRequested,
                               const std::function<void()>& afterFolder, TKvNameKeyMaker* nameKeys)
{
    const auto stopped = [&] { return stopRequested && stopRequested(); };
    dev_t device;
    ino_t inode;
    if (FolderIdentity(path_, device, inode))
        queuedFolders_.emplace(device, inode);
    // Trashed files are no one's files to check: the home trash counts as
    // searched already (so it is listed only when opened itself).
    if (FolderIdentity(HomeTrash(), device, inode))
        queuedFolders_.emplace(device, inode);
    ScanFolder(path_, shell, stopRequested, nameKeys);
    if (afterFolder)
        afterFolder();
    if (Options.Contains(filoSubFolderSearch)) {
        // ScanFolder appends to Folders while this walks it: breadth-first.
        // Queued folders are paths, opened only when their turn comes, so a
        // wide tree holds no descriptor per queued folder and a deep one is
        // still opened (TKvDirectoryListing takes paths of any length).
        for (size_t i = 0; i < Folders.size() && !stopped(); ++i) {
            const std::string folder = Folders[i];
            ScanFolder(folder, shell, stopRequested, nameKeys);
            if (afterFolder)
                afterFolder();
        }
    }
    return !stopped();
}

void TKvFileInfoList::ScanFolder(const std::string& folder, TKvShellInfoCache& shell,
                                 const std::function<bool()>& stopRequested, TKvNameKeyMaker* nameKeys)
{
    TKvDirectoryListing listing;
    if (!listing.Open(folder))
        return;  // a folder that cannot be listed contributes nothing
    TKvDirectoryItem item;
    while (!(stopRequested && stopRequested()) && listing.Next(item)) {
        const bool isFolder = item.Attr & kvAttrFolder;
        // Hidden folders are searched even when hidden entries are not listed;
        // a folder reached again through a link is not searched twice, and
        // a file system's trash not at all.
        if (isFolder && !IsTrashFolderName(item.Name) && queuedFolders_.emplace(item.Device, item.Inode).second)
            Folders.push_back(folder + item.Name + "/");
        auto entry = std::make_unique<TKvFileInfo>(true);
        TKvShellFileInfo shellInfo = shell.Query(folder, item.Name, isFolder);
        entry->Name = std::move(item.Name);
        entry->Size = item.Size;
        entry->Attr = item.Attr;
        entry->CreationTime = item.CreationTime;
        entry->LastAccessTime = item.LastAccessTime;
        entry->LastWriteTime = item.LastWriteTime;
        entry->Path = folder;
        entry->IconIndex = shellInfo.IconIndex;
        entry->TypeName = std::move(shellInfo.TypeName);
        if (nameKeys)
            nameKeys->Add(entry.get());
        AllFileInfos.push_back(std::move(entry));
        if (ScannedCounter)
            ScannedCounter->fetch_add(1, std::memory_order_relaxed);
    }
}

void TKvFileInfoList::NumberEntries()
{
    for (size_t i = 0; i < AllFileInfos.size(); ++i)
        AllFileInfos[i]->FindIndex = static_cast<int32_t>(i);
}

bool TKvFileInfoList::ExtensionListed(const std::string& name) const
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string extension = name.substr(dot);
    return std::any_of(ExtList.begin(), ExtList.end(),
                       [&](const std::string& listed) { return equalsNoCase(listed, extension); });
}

void TKvFileInfoList::FilterEntries()
{
    visible_.clear();
    visible_.reserve(AllFileInfos.size());
    TotalSize = 0;
    const bool showHidden = Options.Contains(filoHiddenFileView);
    const bool showFolders = Options.Contains(filoIncludePath);
    for (const auto& entry : AllFileInfos) {
        const bool isFolder = entry->Attr & kvAttrFolder;
        if ((entry->Attr & kvAttrHidden) && !showHidden)
            continue;
        if (isFolder && !showFolders)
            continue;
        if (!ExtList.empty() && !isFolder && !ExtensionListed(entry->Name))
            continue;
        visible_.push_back(entry.get());
        TotalSize += entry->Size;
    }
}

void TKvFileInfoList::Sort()
{
    SortFileInfos(visible_, SortMode, SortDown, &CompareFileInfos);
}

void TKvFileInfoList::CustomSort(TKvFileInfoCompare Compare)
{
    SortFileInfos(visible_, SortMode, SortDown, Compare);
}
