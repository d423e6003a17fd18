// The file list: enumeration of real folder trees, filtering and both sort orders.
#include "catalogue/KvFileInfoCompare.h"
#include "catalogue/KvFileInfoList.h"
#include "catalogue/KvUtils.h"
#include "DeepFolders.h"
#include "platform/KvDirectoryListing.h"
#include "platform/KvShellInfo.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <random>
#include <memory>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> visibleNames(const TKvFileInfoList& list)
{
    std::vector<std::string> names;
    for (const TKvFileInfo* entry : list.VisibleFileInfos())
        names.push_back(entry->Path.substr(entry->Path.rfind('/', entry->Path.size() - 2) + 1) + entry->Name);
    return names;
}

std::vector<std::string> sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

TEST(FileInfoList, ExtensionFilterHiddenEntriesAndFolders)
{
    TempFolder tree;
    tree.write("a.JPG", {1});
    tree.write("b.jpeg", {1, 2});
    tree.write("c.txt", {1});
    tree.write("noext", {1});
    tree.write(".hidden.jpg", {1});
    tree.write("sub.jpg/inner.jpg", {1});
    tree.write(".secret/visible.jpg", {1});
    tree.write(".secret/.deeper.jpg", {1});

    TKvFileInfoList list;
    list.SetPath(tree.path());
    EXPECT_EQ(list.Path(), tree.path() + "/");
    list.ExtList = {".jpeg", ".jpg"};
    list.Options = {};
    list.Refresh();
    const std::string top = tree.path().substr(tree.path().rfind('/') + 1) + "/";
    EXPECT_EQ(sorted(visibleNames(list)), (std::vector<std::string>{top + "a.JPG", top + "b.jpeg"}));
    EXPECT_EQ(list.AllFileInfos.size(), 7u);  // everything of the root, folders and hidden items included
    EXPECT_EQ(list.TotalSize, 3);
    for (size_t i = 0; i < list.AllFileInfos.size(); ++i)
        EXPECT_EQ(list.AllFileInfos[i]->FindIndex, static_cast<int32_t>(i));

    // Hidden entries come with filoHiddenFileView; folders with filoIncludePath
    // (even without a listed extension); hidden folders are searched regardless.
    list.Options = {filoHiddenFileView, filoIncludePath, filoSubFolderSearch};
    list.Refresh();
    EXPECT_EQ(sorted(visibleNames(list)),
              sorted({".secret/.deeper.jpg", ".secret/visible.jpg", "sub.jpg/inner.jpg", top + ".hidden.jpg",
                      top + ".secret", top + "a.JPG", top + "b.jpeg", top + "sub.jpg"}));
    list.Options = {filoSubFolderSearch};
    list.FilterEntries();
    EXPECT_EQ(sorted(visibleNames(list)), sorted({".secret/visible.jpg", "sub.jpg/inner.jpg", top + "a.JPG", top + "b.jpeg"}));

    // Attributes and sizes come from the listing.
    const auto found = std::find_if(list.AllFileInfos.begin(), list.AllFileInfos.end(),
                                    [](const auto& e) { return e->Name == ".secret"; });
    ASSERT_NE(found, list.AllFileInfos.end());
    EXPECT_EQ((*found)->Attr & (kvAttrFolder | kvAttrHidden), kvAttrFolder | kvAttrHidden);
    EXPECT_FALSE((*found)->TypeName.isEmpty());

    // A name without a dot is no match; a missing folder lists nothing.
    EXPECT_FALSE(list.ExtensionListed("jpg"));
    list.SetPath(tree.path() + "/missing");
    list.Refresh();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW(list.FileInfos(0), std::exception);
}

// The window's filter, as it builds it: only .jpg and .jpeg in any case.
TEST(FileInfoList, JpegFilterListsJpgAndJpegOnly)
{
    TempFolder tree;
    for (const char* name : {"a.jpg", "b.JPG", "c.jpeg", "d.JpEg", "e.jpe", "f.JPE", "g.jfif", "h.jpg.txt"})
        tree.write(name, {0xFF, 0xD8});
    TKvFileInfoList list;
    list.SetPath(tree.path());
    for (const QString& extension : GraphicExtList(QStringLiteral("image/jpeg")).split(u',', Qt::SkipEmptyParts))
        list.ExtList.push_back(extension.toStdString());
    list.Refresh();
    std::vector<std::string> names;
    for (const TKvFileInfo* entry : list.VisibleFileInfos())
        names.push_back(entry->Name);
    EXPECT_EQ(sorted(names), (std::vector<std::string>{"a.jpg", "b.JPG", "c.jpeg", "d.JpEg"}));
}

TEST(FileInfoList, SubfolderSearchIsBreadthFirstAndEndsOnLinkLoops)
{
    TempFolder tree;
    tree.write("root.jpg", {1});
    tree.write("a/a1.jpg", {1});
    tree.write("a/deep/d1.jpg", {1});
    tree.write("b/b1.jpg", {1});
    // Links back up the tree and to a sibling: each folder is searched once.
    ASSERT_EQ(::symlink(tree.path().c_str(), (tree.path() + "/a/deep/up").c_str()), 0);
    ASSERT_EQ(::symlink((tree.path() + "/b").c_str(), (tree.path() + "/a/tob").c_str()), 0);

    TKvFileInfoList list;
    list.SetPath(tree.path());
    list.ExtList = {".jpg"};
    list.Options = {filoSubFolderSearch};
    list.Refresh();
    std::vector<std::pair<int, std::string>> found;  // depth, name
    for (const TKvFileInfo* entry : list.VisibleFileInfos()) {
        const int depth = static_cast<int>(std::count(entry->Path.begin(), entry->Path.end(), '/')) -
                          static_cast<int>(std::count(tree.path().begin(), tree.path().end(), '/')) - 1;
        found.emplace_back(depth, entry->Name);
    }
    ASSERT_EQ(found.size(), 4u);
    // In FindIndex order, depths never decrease.
    for (size_t i = 1; i < found.size(); ++i)
        EXPECT_LE(found[i - 1].first, found[i].first) << found[i].second;
    EXPECT_EQ(found.front().second, "root.jpg");
    EXPECT_EQ(found.back().second, "d1.jpg");
    EXPECT_EQ(list.Folders.size(), 3u);  // a, b, a/deep; the links lead to folders already queued
}

TEST(FileInfoList, SubfolderSearchReachesFoldersDeeperThanPathMax)
{
    TempFolder tree;
    const DeepFolderChain chain(tree.path(), LongFolderName(), kDeepLevels, "f.jpg", {0xFF, 0xD8});
    ASSERT_GT(chain.deepest().size(), static_cast<size_t>(PATH_MAX));

    TKvFileInfoList list;
    std::atomic<int64_t> scanned{0};
    list.ScannedCounter = &scanned;
    list.SetPath(tree.path());
    list.ExtList = {".jpg"};
    list.Options = {filoSubFolderSearch};
    list.Refresh();
    ASSERT_EQ(list.Count(), kDeepLevels);
    EXPECT_EQ(scanned.load(), 2 * kDeepLevels);  // a file and a folder on each level
    const TKvFileInfo* deepest = list.VisibleFileInfos().back();
    EXPECT_EQ(deepest->Path, chain.deepest() + "/");
    EXPECT_GT(deepest->Size, 0);

    // The deepest folder on its own, as the window opens it.
    dev_t device;
    ino_t inode;
    EXPECT_TRUE(FolderIdentity(chain.deepest(), device, inode));
    TKvDirectoryListing listing;
    ASSERT_TRUE(listing.Open(chain.deepest()));
    TKvDirectoryItem item;
    ASSERT_TRUE(listing.Next(item));
    EXPECT_EQ(item.Name, "f.jpg");
}

TEST(FileInfoList, NamesThatAreNotUtf8AndFoldersThatVanish)
{
    TempFolder tree;
    const std::string sjisName = "\x83\x54\x83\x93.jpg";  // Shift_JIS bytes
    tree.write(sjisName, {0xFF, 0xD8});
    tree.write("gone/x.jpg", {1});
    tree.write("stays/y.jpg", {1});

    TKvFileInfoList list;
    list.SetPath(tree.path());
    list.ExtList = {".jpg"};
    list.Options = {filoSubFolderSearch};
    // The stop hook runs before each item: remove a queued folder before its turn.
    bool removed = false;
    TKvShellInfoCache shell;
    list.ScanTree(shell, [&] {
        if (!removed && list.Folders.size() == 2) {
            std::filesystem::remove_all(tree.path() + "/gone");
            removed = true;
        }
        return false;
    });
    list.NumberEntries();
    list.FilterEntries();
    ASSERT_TRUE(removed);
    std::vector<std::string> names;
    for (const TKvFileInfo* entry : list.VisibleFileInfos())
        names.push_back(entry->Name);
    EXPECT_EQ(sorted(names), sorted({sjisName, "y.jpg"}));

    const auto sjis = std::find_if(list.VisibleFileInfos().begin(), list.VisibleFileInfos().end(),
                                   [&](const TKvFileInfo* e) { return e->Name == sjisName; });
    ASSERT_NE(sjis, list.VisibleFileInfos().end());
    FILE* file = std::fopen((*sjis)->FullFileName().c_str(), "rb");
    ASSERT_NE(file, nullptr) << "the listed name must open the file";
    std::fclose(file);

    TKvFileInfo inRoot;
    inRoot.Path = "/";
    EXPECT_EQ(inRoot.PathOnly(), "");
    inRoot.Path = "/photos/2004/";
    EXPECT_EQ(inRoot.PathOnly(), "2004");
}

// Entries have memory of their own kind: made on one thread and freed on
// another, more of them than one 2 MiB slab holds, they never share a byte,
// and memory freed by one listing serves the next without mixing them up.
TEST(FileInfo, EntriesMadeAndFreedOnDifferentThreadsNeverOverlap)
{
    constexpr size_t kEntries = 30000;
    std::vector<std::unique_ptr<TKvFileInfo>> entries;
    const auto make = [&](size_t from, size_t to) {
        std::thread maker([&] {
            for (size_t i = from; i < to; ++i) {
                auto entry = std::make_unique<TKvFileInfo>();
                entry->Size = static_cast<int64_t>(i);
                entry->Name = "entry " + std::to_string(i) + " with a name too long for the string itself";
                entries.push_back(std::move(entry));
            }
        });
        maker.join();
    };
    const auto expectIntactAndApart = [&] {
        std::vector<uintptr_t> starts;
        for (size_t i = 0; i < entries.size(); ++i) {
            ASSERT_EQ(entries[i]->Size, static_cast<int64_t>(i));
            ASSERT_EQ(entries[i]->Name, "entry " + std::to_string(i) + " with a name too long for the string itself");
            starts.push_back(reinterpret_cast<uintptr_t>(entries[i].get()));
            ASSERT_EQ(starts.back() % alignof(TKvFileInfo), 0u);
        }
        std::sort(starts.begin(), starts.end());
        for (size_t i = 1; i < starts.size(); ++i)
            ASSERT_GE(starts[i] - starts[i - 1], sizeof(TKvFileInfo)) << "entries " << i - 1 << " and " << i;
    };
    make(0, kEntries);
    expectIntactAndApart();
    std::thread freer([&] { entries.resize(kEntries / 3); });
    freer.join();
    make(kEntries / 3, kEntries);
    expectIntactAndApart();
}

// Entries made by hand for the sort tests.
class SortTest : public ::testing::Test {
protected:
    TKvFileInfo* add(const std::string& path, const std::string& name, int64_t size = 0)
    {
        auto entry = std::make_unique<TKvFileInfo>();
        entry->Path = path;
        entry->Name = name;
        entry->Size = size;
        list_.AllFileInfos.push_back(std::move(entry));
        return list_.AllFileInfos.back().get();
    }
    TKvJpegInfo* check(TKvFileInfo* entry, int verdict)
    {
        auto* info = new TKvJpegInfo;
        info->Verdict = verdict;
        entry->SetJpegInfo(info);
        return info;
    }
    std::vector<std::string> order(int mode, bool down)
    {
        list_.Options = {filoHiddenFileView, filoIncludePath};
        list_.NumberEntries();
        list_.FilterEntries();
        list_.SortMode = SortModeFromInt(mode);
        list_.SortDown = down;
        if (mode > 11)
            list_.CustomSort(&CompareFileInfosByJpeg);
        else
            list_.Sort();
        std::vector<std::string> result;
        for (const TKvFileInfo* e : list_.VisibleFileInfos())
            result.push_back(e->FullFileName());
        return result;
    }
    TKvFileInfoList list_;
};

TEST_F(SortTest, FileColumnsWithNameTieBreakAndDescendingReversal)
{
    add("/x/z/", "b.jpg", 10)->LastWriteTime = 5;
    add("/x/a/", "B.jpg", 20)->LastWriteTime = 5;
    add("/x/a/", "a.jpg", 10)->LastWriteTime = 9;
    add("/y/", "c.jpg", 30)->LastWriteTime = 1;

    // Mode 0: name (case-insensitive), then path.
    EXPECT_EQ(order(0, false), (std::vector<std::string>{"/x/a/a.jpg", "/x/a/B.jpg", "/x/z/b.jpg", "/y/c.jpg"}));
    EXPECT_EQ(order(0, true), (std::vector<std::string>{"/y/c.jpg", "/x/z/b.jpg", "/x/a/B.jpg", "/x/a/a.jpg"}));
    // Mode 1: the full name; mode 2: the folder, then the name.
    EXPECT_EQ(order(1, false), (std::vector<std::string>{"/x/a/a.jpg", "/x/a/B.jpg", "/x/z/b.jpg", "/y/c.jpg"}));
    EXPECT_EQ(order(2, false), (std::vector<std::string>{"/x/a/a.jpg", "/x/a/B.jpg", "/x/z/b.jpg", "/y/c.jpg"}));
    // Mode 3: the folder's own name (a, a, y, z), then the path.
    EXPECT_EQ(order(3, false), (std::vector<std::string>{"/x/a/a.jpg", "/x/a/B.jpg", "/y/c.jpg", "/x/z/b.jpg"}));
    // Mode 4: order of discovery.
    EXPECT_EQ(order(4, true), (std::vector<std::string>{"/y/c.jpg", "/x/a/a.jpg", "/x/a/B.jpg", "/x/z/b.jpg"}));
    // Mode 5: size; equal sizes fall back to the name.
    EXPECT_EQ(order(5, false), (std::vector<std::string>{"/x/a/a.jpg", "/x/z/b.jpg", "/x/a/B.jpg", "/y/c.jpg"}));
    EXPECT_EQ(order(5, true), (std::vector<std::string>{"/y/c.jpg", "/x/a/B.jpg", "/x/z/b.jpg", "/x/a/a.jpg"}));
    // Mode 8: last write time, ties by name.
    const auto byTime = order(8, false);
    EXPECT_EQ(byTime.front(), "/y/c.jpg");
    EXPECT_EQ(byTime.back(), "/x/a/a.jpg");
    // A mode without keys orders by name alone.
    EXPECT_EQ(order(99, false).front(), "/x/a/a.jpg");
}

TEST_F(SortTest, CheckColumnsPutUncheckedEntriesFirstAscendingAndLastDescending)
{
    TKvFileInfo* sound = add("/f/", "sound.jpg");
    TKvFileInfo* damaged = add("/f/", "damaged.jpg");
    add("/f/", "unchecked-b.jpg");
    add("/f/", "unchecked-a.jpg");
    TKvFileInfo* appended = add("/f/", "appended.jpg");
    check(sound, 0);
    check(damaged, 2);
    check(appended, 1)->TrailingBytes = 5;

    EXPECT_EQ(order(12, false), (std::vector<std::string>{"/f/unchecked-a.jpg", "/f/unchecked-b.jpg", "/f/sound.jpg",
                                                          "/f/appended.jpg", "/f/damaged.jpg"}));
    EXPECT_EQ(order(12, true), (std::vector<std::string>{"/f/damaged.jpg", "/f/appended.jpg", "/f/sound.jpg",
                                                         "/f/unchecked-b.jpg", "/f/unchecked-a.jpg"}));
}

TEST_F(SortTest, VersionRankAndOtherCheckKeys)
{
    const auto jfif = [&](const char* name, int major, int minor, bool exif) {
        TKvJpegInfo* info = check(add("/v/", name), 0);
        info->IsJfif = major >= 0;
        info->JfifMajor = major;
        info->JfifMinor = minor;
        info->IsExif = exif;
        return info;
    };
    jfif("exif-only.jpg", -1, -1, true);
    jfif("jfif-102.jpg", 1, 2, true);
    jfif("jfif-101.jpg", 1, 1, false);
    jfif("neither.jpg", -1, -1, false);
    EXPECT_EQ(order(21, false), (std::vector<std::string>{"/v/neither.jpg", "/v/jfif-101.jpg", "/v/jfif-102.jpg",
                                                          "/v/exif-only.jpg"}));

    // Width then height; -1 (not found) before every real value.
    list_.AllFileInfos.clear();
    const auto sized = [&](const char* name, int w, int h) {
        TKvJpegInfo* info = check(add("/s/", name), 0);
        info->Width = w;
        info->Height = h;
    };
    sized("wide.jpg", 800, 100);
    sized("tall.jpg", 100, 800);
    sized("none.jpg", -1, -1);
    sized("square.jpg", 100, 100);
    EXPECT_EQ(order(17, false), (std::vector<std::string>{"/s/none.jpg", "/s/square.jpg", "/s/tall.jpg", "/s/wide.jpg"}));
    EXPECT_EQ(order(18, false), (std::vector<std::string>{"/s/none.jpg", "/s/square.jpg", "/s/wide.jpg", "/s/tall.jpg"}));
}

// The sort precomputes collation keys; it must order exactly as the plain
// comparison does, for every text mode.
TEST_F(SortTest, PrecomputedKeysOrderAsThePlainComparison)
{
    std::mt19937 random(7);
    const char* words[] = {"Alpha", "alpha", "beta", "Gamma", "写真", "しゃしん", "IMG_0001", "img_0002", "z", "Ä"};
    for (int i = 0; i < 300; ++i) {
        const std::string folder = std::string("/") + words[random() % 10] + "/" + words[random() % 10] + "/";
        TKvFileInfo* entry = add(folder, std::string(words[random() % 10]) + std::to_string(random() % 5) + ".jpg",
                                 static_cast<int64_t>(random() % 4));
        entry->TypeName = QString::fromUtf8(words[random() % 10]);
        TKvJpegInfo* info = check(entry, static_cast<int>(random() % 3));
        info->Comment = words[random() % 10];
    }
    for (int mode : {0, 1, 2, 3, 7, 22}) {
        for (bool down : {false, true}) {
            const auto keyed = order(mode, down);
            SetFileInfoSortContext(SortModeFromInt(mode), down);
            const TKvFileInfoCompare compare = mode > 11 ? &CompareFileInfosByJpeg : &CompareFileInfos;
            const auto& v = list_.VisibleFileInfos();
            for (size_t i = 1; i < v.size(); ++i)
                EXPECT_LE(compare(v[i - 1], v[i]), 0) << "mode " << mode << " down " << down << " at " << i;
            EXPECT_EQ(keyed.size(), 300u);
        }
    }
}

}  // namespace
