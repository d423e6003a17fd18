// Where a path leads before any byte is read: folders deeper than PATH_MAX,
// links that lead nowhere, and folders that may be read but not searched.
#include "DeepFolders.h"
#include "inspection/JpegByteSource.h"
#include "inspection/KvJpegInfo.h"
#include "JpegBuilder.h"
#include "paths/LongPath.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

int checkPath(const std::string& path)
{
    TKvJpegInfo info;
    CheckJpegFile(path, info);
    return info.Verdict;
}

// The verdict for path, checked in a child process that runs as uid 65534
// when this one is root (root passes every permission check).
int checkPathUnprivileged(const std::string& path)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        ::_exit(checkPath(path));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PathReach, OpenLongPathTakesAnyLength)
{
    TempFolder folder;
    const DeepFolderChain chain(folder.path(), LongFolderName(), kDeepLevels, "f.jpg", {1, 2, 3});
    const std::string& deep = chain.deepest();
    ASSERT_GT(deep.size(), static_cast<size_t>(PATH_MAX));

    // From the working folder and from a folder descriptor; doubled slashes
    // at a piece's edge are still one delimiter.
    const int topFd = ::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string below = deep.substr(folder.path().size() + 1);
    for (const auto& [at, path] : {std::pair{AT_FDCWD, deep + "/f.jpg"}, std::pair{AT_FDCWD, deep + "//f.jpg"},
                                   std::pair{topFd, below + "/f.jpg"}}) {
        const int fd = OpenLongPath(at, path, O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0) << path.size() << ": " << std::strerror(errno);
        char bytes[4] = {};
        EXPECT_EQ(::read(fd, bytes, sizeof bytes), 3);
        ::close(fd);
    }
    EXPECT_NE(::fcntl(topFd, F_GETFD), -1);  // the caller's descriptor stays open
    ::close(topFd);
    const int folderFd = OpenLongPath(AT_FDCWD, deep + "/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    EXPECT_GE(folderFd, 0);
    ::close(folderFd);

    errno = 0;
    EXPECT_EQ(OpenLongPath(AT_FDCWD, deep + "/missing/f.jpg", O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(OpenLongPath(AT_FDCWD, deep + "/f.jpg/" + LongFolderName() + "/x", O_RDONLY), -1);
    EXPECT_EQ(errno, ENOTDIR);
    // A piece in the middle that is missing fails the same way.
    const std::string broken = folder.path() + "/" + LongFolderName() + "/gone" + deep.substr(folder.path().size());
    EXPECT_EQ(OpenLongPath(AT_FDCWD, broken, O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST(PathReach, FilesDeeperThanPathMaxAreChecked)
{
    TempFolder folder;
    const DeepFolderChain chain(folder.path(), LongFolderName(), kDeepLevels, "f.jpg",
                                JpegBuilder().soi().eoi().zeros(20).bytes());
    const std::string& deep = chain.deepest();
    EXPECT_EQ(checkPath(deep + "/f.jpg"), jvOkWithTrailingData);
    EXPECT_EQ(checkPath(deep + "/missing.jpg"), jvFileNotFound);
    EXPECT_EQ(checkPath(deep + "/missing/x.jpg"), jvFileNotFound);
    EXPECT_EQ(checkPath(deep), jvFileNotFound);  // a folder is not a file
}

TEST(PathReach, LinksThatLeadNowhereAreNotThere)
{
    TempFolder folder;
    const std::string dangling = folder.path() + "/dangling.jpg";
    const std::string loop = folder.path() + "/loop.jpg";
    const std::string viaLoop = folder.path() + "/loopdir/x.jpg";
    ASSERT_EQ(::symlink("nowhere.jpg", dangling.c_str()), 0);
    ASSERT_EQ(::symlink("loop.jpg", loop.c_str()), 0);
    ASSERT_EQ(::symlink("loopdir", (folder.path() + "/loopdir").c_str()), 0);
    EXPECT_EQ(checkPath(dangling), jvFileNotFound);
    EXPECT_EQ(checkPath(loop), jvFileNotFound);
    EXPECT_EQ(checkPath(viaLoop), jvFileNotFound);
}

TEST(PathReach, FolderThatMayBeReadButNotSearchedCannotBeOpened)
{
    TempFolder folder;
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    const std::string file = folder.write("locked/a.jpg", JpegBuilder().soi().eoi().zeros(20).bytes());
    const std::string locked = folder.path() + "/locked";
    ASSERT_EQ(::chmod(locked.c_str(), 0644), 0);  // r-- for everyone but the owner, rw- for the owner
    EXPECT_EQ(checkPathUnprivileged(file), jvCannotOpen);
    EXPECT_EQ(checkPathUnprivileged(locked + "/missing.jpg"), jvCannotOpen);  // it cannot be known
    EXPECT_EQ(checkPathUnprivileged(locked + "/sub/a.jpg"), jvCannotOpen);
    ASSERT_EQ(::chmod(locked.c_str(), 0755), 0);
    EXPECT_EQ(checkPathUnprivileged(file), jvOkWithTrailingData);
}

}  // namespace
