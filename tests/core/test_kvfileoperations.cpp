// Copy, move and delete on temporary folders: what arrives, what stays, and
// that no cancel, conflict or failure loses a file or leaves a partial one.
#include "FileHelpers.h"
#include "platform/KvFileOperations.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <stddef.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

struct stat StatOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

// A tmpfs on folder for one test; mounted is false where this may not mount.
struct TmpfsMount {
    TmpfsMount(std::string folder, const char* options) : path(std::move(folder))
    {
        fs::create_directories(path);
        mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options) == 0;
        error = mounted ? 0 : errno;
    }
    ~TmpfsMount()
    {
        if (mounted)
            ::umount2(path.c_str(), MNT_DETACH);
    }
    std::string path;
    bool mounted = false;
    int error = 0;
};

// Cancels as soon as the first chunk of a file has been copied.
struct CancelAfterFirstChunk {
    bool cancel = false;
    TKvFileOperationCallbacks Callbacks()
    {
        TKvFileOperationCallbacks callbacks;
        callbacks.OnProgress = [this](const TKvFileProgress& progress) { cancel = cancel || progress.BytesDone > 0; };
        callbacks.CancelRequested = [this] { return cancel; };
        return callbacks;
    }
};

class FileOperations : public ::testing::Test {
protected:
    void SetUp() override
    {
        src = tmp.path() + "/src";
        dst = tmp.path() + "/dst";
        fs::create_directories(src);
        fs::create_directories(dst);
    }

    std::string Make(const std::string& name, const std::string& content) const
    {
        return tmp.write("src/" + name, Bytes(content));
    }

    TempFolder tmp;
    std::string src;
    std::string dst;
};

TEST_F(FileOperations, CopyDeliversExactlyTheGivenFilesWithModeAndTime)
{
    const std::vector<std::string> sources = {Make("a.jpg", "first"), Make("b.jpg", std::string(3 << 20, 'b')),
                                              Make("c.jpg", "")};
    Make("unlisted.jpg", "not chosen");
    ASSERT_EQ(::chmod(sources[0].c_str(), 0640), 0);
    const timespec times[2] = {{1000000000, 123456789}, {1000000000, 987654321}};
    ASSERT_EQ(::utimensat(AT_FDCWD, sources[0].c_str(), times, 0), 0);
    std::vector<TKvFileProgress> reports;
    TKvFileOperationCallbacks callbacks;
    callbacks.OnProgress = [&](const TKvFileProgress& progress) { reports.push_back(progress); };

    const TKvFileOperationResult result = CopyFiles(sources, dst, callbacks);

    EXPECT_EQ(result.Done, 3u);
    EXPECT_TRUE(result.Failures.empty());
    EXPECT_FALSE(result.Cancelled);
    EXPECT_EQ(Names(dst), (std::set<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
    for (const std::string& source : sources)
        EXPECT_EQ(ReadBytes(dst + "/" + fs::path(source).filename().string()), ReadBytes(source));
    const struct stat copy = StatOf(dst + "/a.jpg");
    EXPECT_EQ(copy.st_mode & 07777, 0640u);
    EXPECT_EQ(copy.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(copy.st_mtim.tv_nsec, times[1].tv_nsec);
    EXPECT_EQ(Names(src).size(), 4u);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().Index, 2u);
    EXPECT_EQ(reports.back().Count, 3u);
    std::optional<TKvFileProgress> lastOfBig;
    for (const TKvFileProgress& report : reports)
        if (report.Current == sources[1])
            lastOfBig = report;
    ASSERT_TRUE(lastOfBig);
    EXPECT_EQ(lastOfBig->BytesDone, 3u << 20);
    EXPECT_EQ(lastOfBig->BytesTotal, 3u << 20);
}

TEST_F(FileOperations, AFailingFileIsListedAndTheRunGoesOn)
{
    const std::vector<std::string> sources = {Make("a", "a"), src + "/missing", src + "/", Make("c", "c")};
    fs::create_directories(src + "/folder");
    const std::vector<std::string> withFolder = {src + "/folder"};

    const TKvFileOperationResult result = CopyFiles(sources, dst, {});
    const TKvFileOperationResult folder = CopyFiles(withFolder, dst, {});

    EXPECT_EQ(result.Done, 2u);
    ASSERT_EQ(result.Failures.size(), 2u);
    EXPECT_EQ(result.Failures[0].Path, sources[1]);
    EXPECT_NE(result.Failures[0].Reason.find("ファイルまたはフォルダがありません"), std::string::npos);  // the reason in Japanese
    EXPECT_EQ(result.Failures[1].Path, sources[2]);
    EXPECT_EQ(folder.Failures.size(), 1u);
    EXPECT_EQ(Names(dst), (std::set<std::string>{"a", "c"}));
}

TEST_F(FileOperations, NamesThatAreNotUtf8OrHoldNewlinesAreKeptAsBytes)
{
    const ScopedEnv dataHome("XDG_DATA_HOME", tmp.path() + "/data");
    for (const std::string name : {std::string("\xff\xfe\x80.jpg"), std::string("line\nbreak.jpg")}) {
        SCOPED_TRACE(name);
        const std::string source = Make(name, "bytes of " + name);
        ASSERT_EQ(CopyFiles({source}, dst, {}).Done, 1u);
        EXPECT_EQ(ReadBytes(dst + "/" + name), "bytes of " + name);
        fs::create_directories(tmp.path() + "/moved");
        ASSERT_EQ(MoveFiles({dst + "/" + name}, tmp.path() + "/moved", {}).Done, 1u);
        EXPECT_EQ(ReadBytes(tmp.path() + "/moved/" + name), "bytes of " + name);
        ASSERT_EQ(DeleteFiles({tmp.path() + "/moved/" + name}, false, {}).Done, 1u);
        ASSERT_EQ(DeleteFiles({source}, true, {}).Done, 1u);
        EXPECT_EQ(ReadBytes(tmp.path() + "/data/Trash/files/" + name), "bytes of " + name);
    }
    EXPECT_TRUE(Names(src).empty());
    EXPECT_TRUE(Names(dst).empty());
    EXPECT_TRUE(Names(tmp.path() + "/moved").empty());
}

// Each row names the same file twice: as source and as destination folder +
// the source's name. Writing the copy would truncate the file being read; a
// move would replace the file with itself or with a link to it.
TEST_F(FileOperations, AFileIsNeverCopiedOrMovedOntoItself)
{
    const std::string original = Make("x.jpg", "precious");
    fs::create_symlink(src, tmp.path() + "/link-to-src");
    fs::create_directories(tmp.path() + "/elsewhere");
    fs::create_symlink(original, tmp.path() + "/elsewhere/x.jpg");
    fs::create_hard_link(original, dst + "/x.jpg");
    struct Row {
        std::string source;
        std::string folder;
    };
    const std::vector<Row> rows = {
        {original, src},
        {src + "/./x.jpg", src + "/"},
        {src + "/../src/x.jpg", src},
        {original, tmp.path() + "/link-to-src"},
        {tmp.path() + "/link-to-src/x.jpg", src},
        {tmp.path() + "/elsewhere/x.jpg", src},
        {original, dst},
    };
    for (const Row& row : rows) {
        for (const bool move : {false, true}) {
            SCOPED_TRACE(row.source + " -> " + row.folder + (move ? " (move)" : " (copy)"));
            TKvFileOperationCallbacks overwrite;
            overwrite.OnConflict = [](const std::string&, const std::string&) {
                return TKvConflictReply{TKvConflictAnswer::Overwrite, false};
            };
            const TKvFileOperationResult result =
                move ? MoveFiles({row.source}, row.folder, overwrite) : CopyFiles({row.source}, row.folder, overwrite);
            EXPECT_EQ(result.Done, 0u);
            ASSERT_EQ(result.Failures.size(), 1u);
            EXPECT_EQ(result.Failures[0].Path, row.source);
            EXPECT_EQ(ReadBytes(original), "precious");
            EXPECT_FALSE(fs::is_symlink(original));
            EXPECT_EQ(Names(src), (std::set<std::string>{"x.jpg"}));
        }
    }
}

// The scripted answers are given in turn; "expected" is each destination's
// content afterwards ("new" = replaced).
TEST(FileOperationConflicts, AnswersAreFollowedAndApplyToAllIsRemembered)
{
    struct Row {
        const char* name;
        std::vector<TKvConflictReply> answers;  // empty: no callback
        std::vector<std::string> expected;
        size_t asked;
        size_t done;
        size_t skipped;
        bool cancelled;
    };
    using A = TKvConflictAnswer;
    const std::vector<Row> rows = {
        {"no callback skips", {}, {"old", "old", "old"}, 0, 0, 3, false},
        {"overwrite each", {{A::Overwrite, false}, {A::Overwrite, false}, {A::Overwrite, false}},
         {"new", "new", "new"}, 3, 3, 0, false},
        {"skip, then overwrite all", {{A::Skip, false}, {A::Overwrite, true}}, {"old", "new", "new"}, 2, 2, 1, false},
        {"skip all", {{A::Skip, true}}, {"old", "old", "old"}, 1, 0, 3, false},
        {"overwrite, then cancel", {{A::Overwrite, false}, {A::Cancel, false}}, {"new", "old", "old"}, 2, 1, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder tmp;
        std::vector<std::string> sources;
        for (const char* name : {"a", "b", "c"}) {
            sources.push_back(tmp.write(std::string("src/") + name, Bytes("new")));
            tmp.write(std::string("dst/") + name, Bytes("old"));
        }
        size_t asked = 0;
        TKvFileOperationCallbacks callbacks;
        if (!row.answers.empty()) {
            callbacks.OnConflict = [&](const std::string& source, const std::string& destination) {
                EXPECT_EQ(source, sources.at(asked));
                EXPECT_EQ(destination, tmp.path() + "/dst/" + fs::path(source).filename().string());
                return row.answers.at(asked++);
            };
        }
        const TKvFileOperationResult result = CopyFiles(sources, tmp.path() + "/dst", callbacks);
        EXPECT_EQ(asked, row.asked);
        EXPECT_EQ(result.Done, row.done);
        EXPECT_EQ(result.Skipped, row.skipped);
        EXPECT_EQ(result.Cancelled, row.cancelled);
        EXPECT_TRUE(result.Failures.empty());
        EXPECT_EQ((std::vector<std::string>{ReadBytes(tmp.path() + "/dst/a"), ReadBytes(tmp.path() + "/dst/b"),
                                            ReadBytes(tmp.path() + "/dst/c")}),
                  row.expected);
        EXPECT_EQ(Names(tmp.path() + "/dst"), (std::set<std::string>{"a", "b", "c"}));
    }
}

// Two cards hold the same names: "keep both" numbers the newcomer, and
// "overwrite" never destroys the old file, it goes to the trash.
TEST(FileOperationConflicts, KeepBothNumbersTheNewFileAndOverwriteTrashesTheOldOne)
{
    using A = TKvConflictAnswer;
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        TempFolder tmp;
        const ScopedEnv data("XDG_DATA_HOME", tmp.path() + "/data");
        const std::string kept = tmp.write("card2/IMG_0001.JPG", Bytes("card 2"));
        const std::string replacing = tmp.write("card2/IMG_0002.JPG", Bytes("card 2"));
        tmp.write("out/IMG_0001.JPG", Bytes("card 1"));
        tmp.write("out/IMG_0001 (2).JPG", Bytes("taken"));
        tmp.write("out/IMG_0002.JPG", Bytes("card 1"));
        TKvFileOperationCallbacks callbacks;
        callbacks.OnConflict = [&](const std::string& source, const std::string&) {
            return TKvConflictReply{source == kept ? A::KeepBoth : A::Overwrite, false};
        };
        const std::string out = tmp.path() + "/out";
        const TKvFileOperationResult result =
            move ? MoveFiles({kept, replacing}, out, callbacks) : CopyFiles({kept, replacing}, out, callbacks);
        EXPECT_EQ(result.Done, 2u);
        EXPECT_TRUE(result.Failures.empty());
        EXPECT_EQ(Names(out), (std::set<std::string>{"IMG_0001.JPG", "IMG_0001 (2).JPG", "IMG_0001 (3).JPG",
                                                      "IMG_0002.JPG"}));
        EXPECT_EQ(ReadBytes(out + "/IMG_0001.JPG"), "card 1");
        EXPECT_EQ(ReadBytes(out + "/IMG_0001 (3).JPG"), "card 2");
        EXPECT_EQ(ReadBytes(out + "/IMG_0002.JPG"), "card 2");
        EXPECT_EQ(ReadBytes(tmp.path() + "/data/Trash/files/IMG_0002.JPG"), "card 1");
    }
}

// Where the trash cannot take the file in the way, it is destroyed only
// after the person said so; otherwise both files stay and the reason shows.
TEST(FileOperationConflicts, AFileTheTrashCannotTakeIsOverwrittenOnlyWhenThePersonAgrees)
{
    TempFolder tmp;
    const TmpfsMount tmpfs(tmp.path() + "/tmpfs", nullptr);
    if (!tmpfs.mounted)
        GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(tmpfs.error) << ")";
    // The mount's own trash folder is taken by a file: no trash there.
    tmp.write("tmpfs/.Trash-" + std::to_string(::getuid()), Bytes("not a folder"));
    const std::string source = tmp.write("src/x.jpg", Bytes("new"));
    for (const bool agree : {false, true}) {
        SCOPED_TRACE(agree ? "agrees" : "refuses");
        tmp.write("tmpfs/out/x.jpg", Bytes("old"));
        std::string asked;
        TKvFileOperationCallbacks callbacks;
        callbacks.OnConflict = [](const std::string&, const std::string&) {
            return TKvConflictReply{TKvConflictAnswer::Overwrite, false};
        };
        callbacks.OnOverwriteWithoutTrash = [&](const std::string& destination, const std::string&) {
            asked = destination;
            return agree;
        };
        const TKvFileOperationResult result = CopyFiles({source}, tmpfs.path + "/out", callbacks);
        EXPECT_EQ(asked, tmpfs.path + "/out/x.jpg");
        EXPECT_EQ(ReadBytes(tmpfs.path + "/out/x.jpg"), agree ? "new" : "old");
        EXPECT_EQ(result.Done, agree ? 1u : 0u);
        ASSERT_EQ(result.Failures.size(), agree ? 0u : 1u);
        if (!agree)
            EXPECT_NE(result.Failures[0].Reason.find("上書きしませんでした"), std::string::npos);
        EXPECT_EQ(Names(tmpfs.path + "/out"), std::set<std::string>{"x.jpg"});
    }
}

TEST_F(FileOperations, ACancelledCopyLeavesNothingUnderTheRealName)
{
    // Data, not a hole: a hole takes no chunk to copy.
    const std::string big = Make("big.jpg", std::string(8 << 20, 'b'));
    CancelAfterFirstChunk canceller;

    const TKvFileOperationResult result = CopyFiles({big}, dst, canceller.Callbacks());

    EXPECT_TRUE(canceller.cancel);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(result.Done, 0u);
    EXPECT_TRUE(Names(dst).empty());
}

TEST_F(FileOperations, ACancelledOverwriteKeepsTheOldDestination)
{
    const std::string big = Make("big.jpg", std::string(8 << 20, 'b'));
    tmp.write("dst/big.jpg", Bytes("old"));
    CancelAfterFirstChunk canceller;
    TKvFileOperationCallbacks callbacks = canceller.Callbacks();
    callbacks.OnConflict = [](const std::string&, const std::string&) {
        return TKvConflictReply{TKvConflictAnswer::Overwrite, false};
    };

    const TKvFileOperationResult result = CopyFiles({big}, dst, callbacks);

    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(ReadBytes(dst + "/big.jpg"), "old");
    EXPECT_EQ(Names(dst), (std::set<std::string>{"big.jpg"}));
}

TEST_F(FileOperations, AMoveWithinOneFileSystemIsARename)
{
    const std::string source = Make("a.jpg", "content");
    const ino_t inode = StatOf(source).st_ino;

    const TKvFileOperationResult result = MoveFiles({source}, dst, {});

    EXPECT_EQ(result.Done, 1u);
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(StatOf(dst + "/a.jpg").st_ino, inode);
}

TEST_F(FileOperations, AVanishedDestinationFolderFailsEachFileAndCreatesNothing)
{
    const std::vector<std::string> sources = {Make("a", "a"), Make("b", "b")};
    fs::remove(dst);
    for (const std::string& folder : {dst, std::string()}) {
        for (const bool move : {false, true}) {
            SCOPED_TRACE("\"" + folder + (move ? "\" move" : "\" copy"));
            const TKvFileOperationResult result = move ? MoveFiles(sources, folder, {}) : CopyFiles(sources, folder, {});
            EXPECT_EQ(result.Done, 0u);
            ASSERT_EQ(result.Failures.size(), 2u);
            EXPECT_EQ(result.Failures[1].Path, sources[1]);
            EXPECT_EQ(Names(tmp.path()), (std::set<std::string>{"src"}));
            EXPECT_EQ(Names(src), (std::set<std::string>{"a", "b"}));
        }
    }
}

TEST_F(FileOperations, DeleteGoesToTheTrashOrRemovesOnlyFilesAndLinks)
{
    const ScopedEnv dataHome("XDG_DATA_HOME", tmp.path() + "/data");
    const std::vector<std::string> toTrash = {Make("a", "a"), Make("b", "b")};
    const TKvFileOperationResult trashed = DeleteFiles(toTrash, true, {});
    EXPECT_EQ(trashed.Done, 2u);
    EXPECT_EQ(Names(tmp.path() + "/data/Trash/files"), (std::set<std::string>{"a", "b"}));
    EXPECT_EQ(ReadBytes(tmp.path() + "/data/Trash/files/b"), "b");

    const std::string target = Make("target", "stays");
    fs::create_symlink(target, src + "/link");
    fs::create_directories(src + "/folder");
    const std::vector<std::string> paths = {Make("c", "c"), src + "/missing", src + "/folder", src + "/link"};
    const TKvFileOperationResult removed = DeleteFiles(paths, false, {});
    EXPECT_EQ(removed.Done, 2u);
    ASSERT_EQ(removed.Failures.size(), 2u);
    EXPECT_EQ(removed.Failures[0].Path, src + "/missing");
    EXPECT_EQ(removed.Failures[1].Path, src + "/folder");
    EXPECT_EQ(Names(src), (std::set<std::string>{"folder", "target"}));

    const TKvFileOperationResult missing = DeleteFiles({src + "/missing"}, true, {});
    EXPECT_EQ(missing.Failures.size(), 1u);
}

TEST_F(FileOperations, AFileThatCannotGoToTheTrashStays)
{
    tmp.write("not-a-folder", Bytes("x"));
    const ScopedEnv dataHome("XDG_DATA_HOME", tmp.path() + "/not-a-folder/data");
    const std::string source = Make("a.jpg", "keep me");

    const TKvFileOperationResult result = DeleteFiles({source}, true, {});

    EXPECT_EQ(result.Done, 0u);
    ASSERT_EQ(result.Failures.size(), 1u);
    EXPECT_FALSE(result.Failures[0].Reason.empty());
    EXPECT_EQ(ReadBytes(source), "keep me");
}

// Root may read and write anything, so the child drops to "nobody" first.
// Its exit code has one bit per broken expectation.
TEST_F(FileOperations, FilesTheUserMayNotReadOrWriteFailAndLeaveNothing)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to another user";
    const std::string readable = Make("readable.jpg", "r");
    const std::string secret = Make("secret.jpg", "s");
    const std::string open = tmp.path() + "/open";
    fs::create_directories(open);
    ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(src.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dst.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(readable.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    ASSERT_EQ(::chown(open.c_str(), 65534, 65534), 0);

    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(64);
        int broken = 0;
        const TKvFileOperationResult intoReadOnly = CopyFiles({readable}, dst, {});
        if (intoReadOnly.Failures.size() != 1
            || intoReadOnly.Failures[0].Reason.find("アクセスが拒否されました") == std::string::npos)
            broken |= 1;
        const TKvFileOperationResult unreadable = CopyFiles({secret}, open, {});
        if (unreadable.Failures.size() != 1 || unreadable.Done != 0)
            broken |= 2;
        const TKvFileOperationResult notRemovable = DeleteFiles({readable}, false, {});
        if (notRemovable.Failures.size() != 1 || notRemovable.Done != 0)
            broken |= 4;
        ::_exit(broken);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(Names(dst).empty());
    EXPECT_TRUE(Names(open).empty());
    EXPECT_EQ(ReadBytes(readable), "r");
    EXPECT_EQ(ReadBytes(secret), "s");
}

// /dev/shm is a tmpfs, so a move from the test folder into it crosses file
// systems.
class CrossFileSystemMove : public FileOperations {
protected:
    void SetUp() override
    {
        FileOperations::SetUp();
        other = "/dev/shm/scanlark-test-XXXXXX";
        if (!::mkdtemp(other.data()))
            GTEST_SKIP() << "no writable /dev/shm to move to another file system";
        created = true;
        if (StatOf(other).st_dev == StatOf(src).st_dev)
            GTEST_SKIP() << "/dev/shm is on the same file system as " << src;
    }
    void TearDown() override
    {
        std::error_code ignored;
        if (created)
            fs::remove_all(other, ignored);
    }
    std::string other;
    bool created = false;
};

TEST_F(CrossFileSystemMove, CopiesWithModeAndTimeThenRemovesTheSource)
{
    const std::string source = Make("a.jpg", std::string(3 << 20, 'a'));
    ASSERT_EQ(::chmod(source.c_str(), 0604), 0);
    const time_t mtime = StatOf(source).st_mtim.tv_sec - 1000;
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    fs::create_symlink(source, src + "/link");

    const TKvFileOperationResult result = MoveFiles({source, src + "/link"}, other, {});

    EXPECT_EQ(result.Done, 1u);
    ASSERT_EQ(result.Failures.size(), 1u);
    EXPECT_EQ(result.Failures[0].Path, src + "/link");
    EXPECT_FALSE(fs::exists(source));
    EXPECT_TRUE(fs::is_symlink(src + "/link"));
    EXPECT_EQ(ReadBytes(other + "/a.jpg"), std::string(3 << 20, 'a'));
    EXPECT_EQ(StatOf(other + "/a.jpg").st_mode & 07777, 0604u);
    EXPECT_EQ(StatOf(other + "/a.jpg").st_mtim.tv_sec, mtime);
    EXPECT_EQ(Names(other), (std::set<std::string>{"a.jpg"}));
}

TEST_F(CrossFileSystemMove, ACancelLeavesTheSourceAndNoPartialFile)
{
    const std::string source = Make("a.jpg", std::string(4 << 20, 'a'));
    CancelAfterFirstChunk canceller;

    const TKvFileOperationResult result = MoveFiles({source}, other, canceller.Callbacks());

    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(ReadBytes(source), std::string(4 << 20, 'a'));
    EXPECT_TRUE(Names(other).empty());
}

TEST_F(FileOperations, AFullDestinationFailsTheFileAndKeepsTheSource)
{
    const TmpfsMount tmpfs(tmp.path() + "/full", "size=256k");
    if (!tmpfs.mounted)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(tmpfs.error) << "); needs root";
    const std::string& full = tmpfs.path;
    const std::vector<std::string> sources = {Make("big.jpg", std::string(1 << 20, 'b')), Make("small.jpg", "s")};

    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        const TKvFileOperationResult result = move ? MoveFiles(sources, full, {}) : CopyFiles(sources, full, {});
        EXPECT_EQ(result.Done, 1u);
        ASSERT_EQ(result.Failures.size(), 1u);
        EXPECT_EQ(result.Failures[0].Path, sources[0]);
        EXPECT_NE(result.Failures[0].Reason.find("ディスクの空き領域が足りません"), std::string::npos)
            << result.Failures[0].Reason;
        EXPECT_EQ(Names(full), (std::set<std::string>{"small.jpg"}));
        EXPECT_EQ(ReadBytes(sources[0]), std::string(1 << 20, 'b'));
        fs::remove(full + "/small.jpg");
        if (move)
            EXPECT_FALSE(fs::exists(sources[1]));
    }
}

}  // namespace

namespace {

// Sets path's modification time (a link's own) seconds into the past.
void AgeBy(const std::string& path, int seconds)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// Makes this process's O_TMPFILE opens fail as a file system without unnamed
// files (vfat, NFS) fails them.
bool RefuseUnnamedFiles()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),  // the flags' low half
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, __O_TMPFILE, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
           && ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

// Starts a copy (or move) of source into folder, answering "overwrite", in a
// child that stops for good in the progress report where stopAt bytes are
// done, so that it can be killed at that very moment. Gives the child, or
// -1 when it ended without stopping.
pid_t StartFrozenCopy(const std::string& source, const std::string& folder, uint64_t stopAt, bool move,
                      bool refuseUnnamed)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that failed half way
        TKvFileOperationCallbacks callbacks;
        callbacks.OnConflict = [](const std::string&, const std::string&) {
            return TKvConflictReply{TKvConflictAnswer::Overwrite, false};
        };
        callbacks.OnProgress = [&](const TKvFileProgress& progress) {
            if (progress.BytesDone >= stopAt && ::write(ready[1], "s", 1) == 1)
                for (;;)
                    ::pause();
        };
        if (!refuseUnnamed || RefuseUnnamedFiles())
            move ? MoveFiles({source}, folder, callbacks) : CopyFiles({source}, folder, callbacks);
        ::_exit(1);
    }
    ::close(ready[1]);
    char stopped = 0;
    const bool frozen = child > 0 && ::read(ready[0], &stopped, 1) == 1;
    ::close(ready[0]);
    return frozen ? child : -1;
}

void KillAndWait(pid_t child)
{
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

// Killed after its first chunk, half way, or with every byte written but not
// yet in place: a new copy, one replacing a file and a move across file
// systems leave the destination's listing (and a replaced file) as it was,
// on the test folder's file system and on a tmpfs.
TEST_F(FileOperations, ACopyKilledAtAnyMomentLeavesTheDestinationAsItWas)
{
    const std::string content(16 << 20, 'k');
    const TmpfsMount tmpfs(tmp.path() + "/tmpfs", nullptr);
    for (const std::string& folder : {dst, tmpfs.path}) {
        if (folder == tmpfs.path && !tmpfs.mounted)
            GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(tmpfs.error) << "); needs root";
        tmp.write(fs::path(folder).filename().string() + "/old.jpg", Bytes("old"));
        for (const uint64_t stopAt : {uint64_t(1), uint64_t(content.size() / 2), uint64_t(content.size())}) {
            for (const std::string mode : {"new", "replacing", "move"}) {
                // Within one file system a move is a rename, with no moment between.
                if (mode == "move" && folder == dst)
                    continue;
                SCOPED_TRACE(folder + ", " + mode + ", killed at " + std::to_string(stopAt));
                const std::string source = Make(mode == "replacing" ? "old.jpg" : "big.jpg", content);
                const std::set<std::string> before = Names(folder);
                const pid_t child = StartFrozenCopy(source, folder, stopAt, mode == "move", false);
                ASSERT_GT(child, 0);
                KillAndWait(child);
                EXPECT_EQ(Names(folder), before);
                EXPECT_EQ(ReadBytes(folder + "/old.jpg"), "old");
                EXPECT_TRUE(fs::exists(source));
            }
        }
    }
}

// Where the file system cannot make an unnamed file, a copy is written under
// a name of ours and a kill leaves it. The next copy or move into the folder
// removes it once no copy holds it and it has been quiet for a minute, and
// removes nothing else: the person's hidden files of any name stay.
TEST_F(FileOperations, TheNextCopyRemovesOnlyTemporaryCopiesNoOneIsWriting)
{
    const std::set<std::string> persons = {".video.backup.part", ".a.jpg.Ab12Cd.part",
                                           ".scanlark-copy-0123456789abcdef-01234567"};
    for (const std::string& name : persons) {
        tmp.write("dst/" + name, Bytes(name));
        AgeBy(dst + "/" + name, 3600);
    }
    const pid_t child = StartFrozenCopy(Make("big.jpg", std::string(4 << 20, 'b')), dst, 1, false, true);
    ASSERT_GT(child, 0);
    std::set<std::string> added = Names(dst);
    for (const std::string& name : persons)
        added.erase(name);
    ASSERT_EQ(added.size(), 1u);
    const std::string leftover = dst + "/" + *added.begin();
    struct Step {
        const char* what;
        bool kill;
        int age;
        bool kept;
    };
    for (const Step step : {Step{"held by the running copy", false, 120, true},
                            Step{"just left by a killed copy", true, 0, true},
                            Step{"left a minute ago", false, 120, false}}) {
        SCOPED_TRACE(step.what);
        if (step.kill)
            KillAndWait(child);
        AgeBy(leftover, step.age);
        EXPECT_EQ(CopyFiles({Make(std::string(step.what) + ".jpg", "x")}, dst, {}).Done, 1u);
        EXPECT_EQ(fs::exists(leftover), step.kept);
    }
    // A link of that name is no file of ours.
    fs::create_symlink(dst + "/.video.backup.part", leftover);
    AgeBy(leftover, 120);
    EXPECT_EQ(MoveFiles({Make("last.jpg", "x")}, dst, {}).Done, 1u);
    EXPECT_TRUE(fs::is_symlink(leftover));
    for (const std::string& name : persons)
        EXPECT_EQ(ReadBytes(dst + "/" + name), name);
}

}  // namespace
