// The freedesktop.org trash: where items land, their info files, unique
// names, and failures that must leave the item and no trace behind.
#include "FileHelpers.h"
#include "platform/KvTrash.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::string& folder) : old_(fs::current_path()) { fs::current_path(folder); }
    ~ScopedWorkingFolder() { fs::current_path(old_); }

private:
    fs::path old_;
};

// A file system mounted at target for one test, and unmounted however the
// test ends.
class ScopedMount {
public:
    ScopedMount(const std::string& source, const std::string& target, const char* type, unsigned long flags)
        : target_(target), error_(::mount(source.c_str(), target.c_str(), type, flags, nullptr) == 0 ? 0 : errno)
    {
    }
    ~ScopedMount()
    {
        if (error_ == 0)
            ::umount2(target_.c_str(), MNT_DETACH);
    }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;
    int error() const { return error_; }

private:
    std::string target_;
    int error_;
};

// Every path under folder, relative to it, links not followed.
std::set<std::string> Tree(const std::string& folder)
{
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        paths.insert(entry.path().lexically_relative(folder).string());
    return paths;
}

// A temporary home with a data folder that does not exist yet.
class TrashTest : public ::testing::Test {
protected:
    TrashTest()
        : home_("HOME", temp.path() + "/home"),
          dataHome_("XDG_DATA_HOME", temp.path() + "/data/nested"),
          trash(temp.path() + "/data/nested/Trash")
    {
    }

    void ExpectTrashed(const std::string& name, const std::string& originalPath)
    {
        EXPECT_TRUE(fs::exists(fs::symlink_status(trash + "/files/" + name))) << name;
        const std::string info = ReadBytes(trash + "/info/" + name + ".trashinfo");
        const std::regex layout("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
        std::smatch match;
        ASSERT_TRUE(std::regex_match(info, match, layout)) << info;
        EXPECT_EQ(match[1].str(), originalPath);
    }

    TempFolder temp;
    ScopedEnv home_;
    ScopedEnv dataHome_;
    std::string trash;
};

TEST_F(TrashTest, FileAndFolderLandInANewHomeTrashWithTheirInfo)
{
    const std::string file = temp.write("work/photo 1\x8E\xCA.jpg", {0xFF, 0xD8, 0xFF, 0xD9});
    temp.write("work/album/inner.jpg", {1, 2, 3});
    std::string error;

    ASSERT_TRUE(MoveToTrash(file, error)) << error;
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(fs::exists(fs::symlink_status(file)));
    EXPECT_EQ(ReadBytes(trash + "/files/photo 1\x8E\xCA.jpg"), std::string("\xFF\xD8\xFF\xD9"));
    ExpectTrashed("photo 1\x8E\xCA.jpg", temp.path() + "/work/photo%201%8E%CA.jpg");
    for (const char* folder : {"", "/files", "/info"}) {
        struct stat info {};
        ASSERT_EQ(::stat((trash + folder).c_str(), &info), 0) << folder;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }

    // A folder, named with a trailing "/", goes with its content.
    ASSERT_TRUE(MoveToTrash(temp.path() + "/work/album/", error)) << error;
    EXPECT_FALSE(fs::exists(temp.path() + "/work/album"));
    EXPECT_EQ(ReadBytes(trash + "/files/album/inner.jpg"), std::string("\x01\x02\x03"));
    ExpectTrashed("album", temp.path() + "/work/album");
}

TEST_F(TrashTest, SameNamesGetDistinctNamesAndARelativePathIsMadeAbsolute)
{
    const std::string a = temp.write("one/a.jpg", {1});
    const std::string b = temp.write("two/a.jpg", {2});
    temp.write("three/a.jpg", {3});
    std::string error;
    ASSERT_TRUE(MoveToTrash(a, error)) << error;
    ASSERT_TRUE(MoveToTrash(b, error)) << error;
    {
        const ScopedWorkingFolder inside(temp.path() + "/three");
        ASSERT_TRUE(MoveToTrash("a.jpg", error)) << error;
    }
    EXPECT_EQ(Names(trash + "/files"), (std::set<std::string>{"a.jpg", "a.jpg.2", "a.jpg.3"}));
    EXPECT_EQ(Names(trash + "/info"), (std::set<std::string>{"a.jpg.trashinfo", "a.jpg.2.trashinfo", "a.jpg.3.trashinfo"}));
    ExpectTrashed("a.jpg", temp.path() + "/one/a.jpg");
    EXPECT_EQ(ReadBytes(trash + "/files/a.jpg.2"), std::string("\x02"));
    ExpectTrashed("a.jpg.2", temp.path() + "/two/a.jpg");
    ExpectTrashed("a.jpg.3", temp.path() + "/three/a.jpg");
}

TEST_F(TrashTest, WithoutXdgDataHomeTheTrashIsUnderTheHomeFolder)
{
    const ScopedEnv noDataHome("XDG_DATA_HOME", std::nullopt);
    const std::string file = temp.write("work/x.jpg", {1});
    std::string error;
    ASSERT_TRUE(MoveToTrash(file, error)) << error;
    EXPECT_TRUE(fs::exists(temp.path() + "/home/.local/share/Trash/files/x.jpg"));
    EXPECT_TRUE(fs::exists(temp.path() + "/home/.local/share/Trash/info/x.jpg.trashinfo"));
}

// None of these may move the item, claim it moved, or leave files anywhere.
TEST_F(TrashTest, FailuresLeaveTheItemAndNoTrace)
{
    const std::string work = temp.path() + "/work";
    const std::string file = temp.write("work/keep.jpg", {7});
    const ScopedWorkingFolder inside(work);
    std::string error;

    // The data folder is a file, so no trash can be made there.
    temp.write("blocker", {0});
    {
        const ScopedEnv blocked("XDG_DATA_HOME", temp.path() + "/blocker");
        EXPECT_FALSE(MoveToTrash(file, error));
        EXPECT_EQ(error.rfind("ごみ箱に移動できませんでした: ", 0), 0u) << error;
        EXPECT_NE(error.find("keep.jpg"), std::string::npos) << error;
        EXPECT_FALSE(MoveToTrash("keep.jpg", error));
    }
    EXPECT_EQ(ReadBytes(file), std::string("\x07"));
    EXPECT_EQ(Names(work), std::set<std::string>{"keep.jpg"});
    EXPECT_EQ(Names(temp.path()), (std::set<std::string>{"blocker", "work"}));

    // A missing item, and the trash itself (a rename into itself fails after
    // its info file was written): no entry stays in info/.
    ASSERT_TRUE(MoveToTrash(temp.write("work/done.jpg", {1}), error)) << error;
    EXPECT_FALSE(MoveToTrash(work + "/missing.jpg", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(MoveToTrash(trash, error));
    EXPECT_FALSE(MoveToTrash("", error));
    EXPECT_EQ(Names(trash + "/info"), std::set<std::string>{"done.jpg.trashinfo"});
    EXPECT_EQ(Names(trash + "/files"), std::set<std::string>{"done.jpg"});
    EXPECT_EQ(Names(work), std::set<std::string>{"keep.jpg"});
}

// An item on another file system goes to that file system's own trash;
// it is never copied into the home trash.
TEST_F(TrashTest, OtherFileSystemUsesItsTopDirectoryTrash)
{
    const std::string shm = "/dev/shm";
    struct stat shared {};
    struct stat here {};
    if (::stat(shm.c_str(), &shared) != 0 || ::stat(temp.path().c_str(), &here) != 0 || shared.st_dev == here.st_dev
        || ::access(shm.c_str(), W_OK) != 0)
        GTEST_SKIP() << "no writable second file system at " << shm;
    const std::string topTrash = shm + "/.Trash-" + std::to_string(::getuid());
    const bool hadTopTrash = fs::exists(topTrash);
    std::string item = shm + "/scanlark-trash-XXXXXX";
    const int fd = ::mkstemp(item.data());
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::string name = item.substr(shm.size() + 1);

    std::string error;
    const bool moved = MoveToTrash(item, error);
    const bool landed = fs::exists(topTrash + "/files/" + name);
    const std::string info = ReadBytes(topTrash + "/info/" + name + ".trashinfo");
    std::error_code ignored;
    fs::remove(item, ignored);
    fs::remove(topTrash + "/files/" + name, ignored);
    fs::remove(topTrash + "/info/" + name + ".trashinfo", ignored);
    if (!hadTopTrash)
        fs::remove_all(topTrash, ignored);

    ASSERT_TRUE(moved) << error;
    EXPECT_TRUE(landed);
    EXPECT_NE(info.find("Path=" + item + "\n"), std::string::npos) << info;
    EXPECT_FALSE(fs::exists(trash + "/files/" + name));
}

// Mounts tmpfs, or binds a folder of the same file system, at place/mnt with
// the item mnt/sub/x.jpg; and the link place/work/link to mnt/sub.
class MountTest : public TrashTest {
protected:
    std::unique_ptr<ScopedMount> MountWithItem(bool bind)
    {
        fs::create_directories(place->path() + "/mnt");
        fs::create_directories(place->path() + "/work");
        fs::create_directory_symlink(place->path() + "/mnt/sub", place->path() + "/work/link");
        auto mount = bind ? std::make_unique<ScopedMount>(bindSource->path(), place->path() + "/mnt", nullptr, MS_BIND)
                          : std::make_unique<ScopedMount>("scanlark-test", place->path() + "/mnt", "tmpfs", 0);
        if (mount->error() == 0)
            item = place->write("mnt/sub/x.jpg", {0xAB});
        return mount;
    }

    // Outside place, so that its content shows up only once in Tree(place).
    std::optional<TempFolder> bindSource;
    std::optional<TempFolder> place;
    std::string item;
    const std::string uid = std::to_string(::getuid());
};

void MakeFolder(const std::string& path, mode_t mode)
{
    fs::create_directory(path);
    ::chmod(path.c_str(), mode);
}

TEST_F(MountTest, ItemsOnAnotherMountGoToTheTrashOfItsTopFolder)
{
    using Prepare = void (*)(const std::string& top);
    const Prepare nothing = [](const std::string&) {};
    const Prepare sticky = [](const std::string& top) { MakeFolder(top + "/.Trash", 01777); };
    const Prepare notSticky = [](const std::string& top) { MakeFolder(top + "/.Trash", 0777); };
    const Prepare linked = [](const std::string& top) {
        MakeFolder(top + "/admin", 01777);
        fs::create_directory_symlink("admin", top + "/.Trash");
    };
    const struct {
        const char* what;
        bool bind;
        Prepare prepare;
        bool throughLink;
        std::string trash;  // under the mount's top folder
    } cases[] = {
        {"tmpfs", false, nothing, false, ".Trash-" + uid},
        {"tmpfs, .Trash with sticky bit", false, sticky, false, ".Trash/" + uid},
        {"tmpfs, .Trash without sticky bit", false, notSticky, false, ".Trash-" + uid},
        {"tmpfs, .Trash a link to a sticky folder", false, linked, false, ".Trash-" + uid},
        {"tmpfs through a linked sub-folder", false, nothing, true, ".Trash-" + uid},
        {"bind mount", true, nothing, false, ".Trash-" + uid},
        {"bind mount, .Trash with sticky bit, through a link", true, sticky, true, ".Trash/" + uid},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bindSource.emplace();
        place.emplace();
        const auto mount = MountWithItem(c.bind);
        if (mount->error() != 0)
            GTEST_SKIP() << "mounting needs CAP_SYS_ADMIN: " << std::strerror(mount->error());
        c.prepare(place->path() + "/mnt");
        std::set<std::string> expected = Tree(place->path());
        expected.erase("mnt/sub/x.jpg");
        for (const char* entry : {"", "/files", "/files/x.jpg", "/info", "/info/x.jpg.trashinfo"})
            expected.insert("mnt/" + c.trash + entry);
        if (c.trash.starts_with(".Trash/"))
            expected.insert("mnt/.Trash");

        std::string error;
        ASSERT_TRUE(MoveToTrash(c.throughLink ? place->path() + "/work/link/x.jpg" : item, error)) << error;
        EXPECT_EQ(Tree(place->path()), expected);
        EXPECT_EQ(ReadBytes(place->path() + "/mnt/" + c.trash + "/files/x.jpg"), "\xAB");
        const std::string info = ReadBytes(place->path() + "/mnt/" + c.trash + "/info/x.jpg.trashinfo");
        EXPECT_NE(info.find("\nPath=" + item + "\n"), std::string::npos) << info;
        EXPECT_FALSE(fs::exists(trash));
    }
}

// Where the mount has no trash this user may use, the item stays and no
// trash folder is left behind.
TEST_F(MountTest, WithoutAUsableTrashOnItsMountTheItemStays)
{
    using Prepare = void (*)(const std::string& top, const std::string& own);
    const struct {
        const char* what;
        Prepare prepare;
    } cases[] = {
        {"read-only", [](const std::string& top, const std::string&) {
             ::mount(nullptr, top.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
         }},
        {"own trash a link", [](const std::string& top, const std::string& own) {
             MakeFolder(top + "/elsewhere", 0700);
             fs::create_directory_symlink("elsewhere", own);
         }},
        {"own trash someone else's, .Trash/uid too", [](const std::string& top, const std::string& own) {
             MakeFolder(top + "/.Trash", 01777);
             for (const std::string& folder : {own, top + "/.Trash/" + std::to_string(::getuid())}) {
                 MakeFolder(folder, 0700);
                 ::chown(folder.c_str(), 4242, 4242);
             }
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        place.emplace();
        const auto mount = MountWithItem(false);
        if (mount->error() != 0)
            GTEST_SKIP() << "mounting needs CAP_SYS_ADMIN: " << std::strerror(mount->error());
        c.prepare(place->path() + "/mnt", place->path() + "/mnt/.Trash-" + uid);
        const std::set<std::string> before = Tree(place->path());

        std::string error;
        EXPECT_FALSE(MoveToTrash(item, error));
        EXPECT_EQ(error.rfind("ごみ箱に移動できませんでした: " + item + ": ", 0), 0u) << error;
        EXPECT_NE(error.find("ごみ箱を使えません"), std::string::npos) << error;
        EXPECT_EQ(ReadBytes(item), "\xAB");
        EXPECT_EQ(Tree(place->path()), before);
        EXPECT_FALSE(fs::exists(trash));
    }
}

}  // namespace
