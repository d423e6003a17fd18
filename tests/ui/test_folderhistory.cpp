// "folder.txt": read and written by its byte path through the safe replace.
#include "app/FolderHistory.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t EntriesIn(const std::string& folder)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// Lets no file of this process grow beyond a few bytes while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // a write then fails with EFBIG
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_ {};
    void (*oldHandler_)(int) = nullptr;
};

// Folder names that are not UTF-8 (Shift_JIS) must reach the file system as
// they are, both in the file's own path and in its lines.
TEST(FolderHistory, RoundTripsByteNamesInAFolderThatIsNotUtf8)
{
    TempFolder temp;
    const std::string folder = temp.path() + "/\x83\x74\x83\x48\x83\x8B\x83\x5F";
    std::filesystem::create_directory(folder);
    const std::string file = folder + "/folder.txt";
    const std::vector<std::string> folders = {"/photos/\x8E\xCA\x90\x5E/", "/home/a b/"};

    std::string error;
    ASSERT_TRUE(SaveFolderHistory(file, folders, &error)) << error;
    EXPECT_EQ(ReadBytes(file), "/photos/\x8E\xCA\x90\x5E/\r\n/home/a b/\r\n");
    EXPECT_EQ(LoadFolderHistory(file).Folders, folders);
    EXPECT_EQ(EntriesIn(folder), 1u);  // no temporary file stays behind
}

TEST(FolderHistory, ReadsLfAndCrLfAndSkipsEmptyLines)
{
    TempFolder temp;
    const std::string file = temp.write("folder.txt", {'/', 'a', '/', '\r', '\n', '\n', '/', 'b', '/', '\n', '/', 'c'});
    EXPECT_EQ(LoadFolderHistory(file).Folders, (std::vector<std::string>{"/a/", "/b/", "/c"}));
    const TFolderHistoryLoad missing = LoadFolderHistory(temp.path() + "/missing.txt");
    EXPECT_TRUE(missing.Folders.empty());
    EXPECT_FALSE(missing.Unreadable);  // nothing there to keep
    EXPECT_TRUE(missing.Warning.empty());
    const TFolderHistoryLoad folder = LoadFolderHistory(temp.path());
    EXPECT_TRUE(folder.Folders.empty());  // a folder is no history
    EXPECT_TRUE(folder.Unreadable);
}

TEST(FolderHistory, FailedSaveKeepsTheOldFileAndSaysSo)
{
    TempFolder temp;
    std::string error;
    EXPECT_FALSE(SaveFolderHistory(temp.path() + "/missing/folder.txt", {"/a/"}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(temp.path() + "/missing"));

    // A write that fails half way (the disk full, a size limit) leaves the
    // old history byte for byte; this works for root too.
    const std::string file = temp.write("folder.txt", {'/', 'o', 'l', 'd', '/', '\r', '\n'});
    error.clear();
    {
        const FileSizeLimit limit(16);
        EXPECT_FALSE(SaveFolderHistory(file, {"/a/long/folder/name/", "/and/another/one/"}, &error));
    }
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadBytes(file), "/old/\r\n");
    EXPECT_EQ(EntriesIn(temp.path()), 1u);
    EXPECT_EQ(LoadFolderHistory(file).Folders, std::vector<std::string> {"/old/"});
}

TEST(FolderHistory, HostileFilesNeitherHangNorExhaustMemory)
{
    TempFolder temp;
    // A FIFO would block a plain open for ever; it is refused at once.
    const std::string fifo = temp.path() + "/fifo.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const TFolderHistoryLoad fromFifo = LoadFolderHistory(fifo);
    EXPECT_TRUE(fromFifo.Folders.empty());
    EXPECT_TRUE(fromFifo.Unreadable);
    EXPECT_FALSE(fromFifo.Warning.empty());

    // A link to an endless device is refused before anything is read.
    const std::string zero = temp.path() + "/zero.txt";
    std::filesystem::create_symlink("/dev/zero", zero);
    EXPECT_TRUE(LoadFolderHistory(zero).Unreadable);

    // Too big a file is not read at all; too long a line is left out.
    const std::string big = temp.path() + "/big.txt";
    std::filesystem::resize_file(temp.write("big.txt", {'/'}), kMaxFolderHistoryFile + 1);
    EXPECT_TRUE(LoadFolderHistory(big).Unreadable);
    const std::string longLine = "/" + std::string(kMaxFolderHistoryLine, 'x') + "\r\n/ok/\r\n";
    const TFolderHistoryLoad cut = LoadFolderHistory(temp.write("long.txt", std::vector<uint8_t>(longLine.begin(), longLine.end())));
    EXPECT_EQ(cut.Folders, std::vector<std::string> {"/ok/"});
    EXPECT_FALSE(cut.Unreadable);
    EXPECT_NE(cut.Warning.find("1 line"), std::string::npos) << cut.Warning;
}

TEST(FolderHistory, SavingNeverReplacesWhatIsNotARegularFile)
{
    TempFolder temp;
    // Through a link, the regular file it leads to is replaced, the link stays.
    const std::string real = temp.write("real.txt", {'/', 'a', '/', '\r', '\n'});
    const std::string link = temp.path() + "/folder.txt";
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(SaveFolderHistory(link, {"/b/"}));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), "/b/\r\n");

    // A link to a FIFO: the FIFO stays a FIFO.
    const std::string fifo = temp.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string toFifo = temp.path() + "/to-fifo.txt";
    std::filesystem::create_symlink(fifo, toFifo);
    std::string error;
    EXPECT_FALSE(SaveFolderHistory(toFifo, {"/b/"}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

}  // namespace
