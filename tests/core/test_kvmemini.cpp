#include "platform/KvMemIniFile.h"

#include "TempFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> Listing(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

mode_t PermissionBits(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// ---- Layout as written ----

TEST(KvMemIniLayout, SectionsInCreationOrderKeysInFirstWriteOrder)
{
    TempFolder folder;
    TKvMemIniFile ini(folder.path() + "/Scanlark.ini");
    EXPECT_TRUE(ini.WriteBool("Option", "DoNow", true));
    EXPECT_TRUE(ini.WriteInteger("Option", "WindowState", 2));
    EXPECT_TRUE(ini.WriteInteger("OptionFileInfos", "Priority", 5));
    EXPECT_TRUE(ini.WriteBool("Option", "DoNow", false));  // keeps its place
    EXPECT_TRUE(ini.WriteString("Option", "CommonSendPath", "/home/u/"));
    EXPECT_TRUE(ini.WriteInteger("OptionFileInfos", "SortMode", std::numeric_limits<int32_t>::min()));
    EXPECT_TRUE(ini.WriteString("DesignColumn", "Name_Width", ""));

    const std::string expected =
        "[Option]\r\nDoNow=0\r\nWindowState=2\r\nCommonSendPath=/home/u/\r\n\r\n"
        "[OptionFileInfos]\r\nPriority=5\r\nSortMode=-2147483648\r\n\r\n"
        "[DesignColumn]\r\nName_Width=\r\n\r\n";
    EXPECT_EQ(ini.ToText(), expected);
    ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
    EXPECT_EQ(FileBytes(ini.FileName()), expected);
    EXPECT_EQ(ini.LastError(), "");
}

TEST(KvMemIniLayout, EraseDeleteAndClearKeepLookupsRight)
{
    TKvMemIniFile ini("/nonexistent-folder/x.ini");
    for (const char* section : {"A", "B", "C"}) {
        ini.WriteString(section, "k1", "1");
        ini.WriteString(section, "k2", "2");
        ini.WriteString(section, "k3", "3");
    }
    ini.EraseSection("a");
    ini.DeleteKey("B", "K1");
    ini.DeleteKey("B", "missing");
    ini.DeleteKey("missing", "k1");
    // Positions after the removed ones still resolve.
    EXPECT_EQ(ini.ReadString("C", "k3", "-"), "3");
    EXPECT_EQ(ini.ReadString("B", "k3", "-"), "3");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_FALSE(ini.ValueExists("B", "k1"));
    ini.WriteString("b", "K1", "again");  // a deleted key comes back at the end
    ini.WriteString("C", "k2", "two");
    ini.DeleteKey("C", "k1");
    ini.DeleteKey("C", "k2");
    ini.DeleteKey("C", "k3");  // an emptied section stays
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string> {"B", "C"}));
    EXPECT_EQ(ini.ReadSection("b"), (std::vector<std::string> {"k2", "k3", "K1"}));
    EXPECT_EQ(ini.ReadSection("C"), std::vector<std::string> {});
    EXPECT_EQ(ini.ToText(), "[B]\r\nk2=2\r\nk3=3\r\nK1=again\r\n\r\n[C]\r\n\r\n");

    ini.Clear();
    EXPECT_EQ(ini.ToText(), "");
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string> {});
    EXPECT_EQ(ini.FileName(), "/nonexistent-folder/x.ini");
}

// ---- Reading a file ----

TEST(KvMemIniRead, FileTextToDocument)
{
    struct Row {
        const char* what;
        std::string file;
        std::string written;
    };
    const std::vector<Row> rows = {
        {"LF", "[A]\nk=v\n\n[B]\nx=1\n", "[A]\r\nk=v\r\n\r\n[B]\r\nx=1\r\n\r\n"},
        {"CR LF", "[A]\r\nk=v\r\n\r\n[B]\r\nx=1\r\n", "[A]\r\nk=v\r\n\r\n[B]\r\nx=1\r\n\r\n"},
        {"BOM and no final line end", "\xEF\xBB\xBF[A]\r\nk=v", "[A]\r\nk=v\r\n\r\n"},
        {"comments, blanks, lines without =", "; c=1\n[A]\nno equals\n \t\n  ;x=2\nk=v\n", "[A]\r\nk=v\r\n\r\n"},
        {"key before any section", "k=0\n[A]\nk=1\n", "[A]\r\nk=1\r\n\r\n"},
        {"duplicates merge", "[A]\na=1\nb=2\n[B]\nc=3\n[a]\nA=9\nd=4\n",
         "[A]\r\na=9\r\nb=2\r\nd=4\r\n\r\n[B]\r\nc=3\r\n\r\n"},
        {"first = splits, value verbatim", "[A]\n \tkey \t= v=w \n", "[A]\r\nkey= v=w \r\n\r\n"},
        {"blanks around the header", "  [ Sec ]\t\nk=v\n", "[Sec]\r\nk=v\r\n\r\n"},
        {"empty header and empty key dropped", "[]\nk=v\n[A]\n=v\nk=w\n", "[A]\r\nk=w\r\n\r\n"},
        {"broken header ignored", "[A]\n[B\nk=v\n", "[A]\r\nk=v\r\n\r\n"},
        {"empty section kept", "[A]\n[B]\nk=v\n", "[A]\r\n\r\n[B]\r\nk=v\r\n\r\n"},
        {"CR inside a value", "[A]\nk=a\rb\r\r\n", "[A]\r\nk=a\rb\r\r\n\r\n"},
        {"empty file", "", ""},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        const TKvMemIniFile ini(folder.write("in.ini", Bytes(row.file)));
        EXPECT_EQ(ini.ToText(), row.written) << row.what;
    }
}

TEST(KvMemIniRead, RoundTripIsByteIdentical)
{
    const std::string file =
        "[Option]\r\nDoNow=1\r\nCommonSendPath=/mnt/\x83\x65\x83\x58\x83\x67/\r\n\r\n"
        "[\x82\xA0\xFF]\r\n\x82\xA2=\x00\xFE=\r\n\r\n"
        "[DesignColumn]\r\nName_Visible=1\r\nName_Order=0\r\nName_Width=200\r\n\r\n"s;
    TempFolder folder;
    const std::string path = folder.write("Scanlark.ini", Bytes(file));
    TKvMemIniFile ini(path);
    EXPECT_EQ(ini.ReadString("option", "commonsendpath", ""), "/mnt/\x83\x65\x83\x58\x83\x67/");
    EXPECT_EQ(ini.ReadString("\x82\xA0\xFF", "\x82\xA2", ""), "\x00\xFE="s);
    ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
    EXPECT_EQ(FileBytes(path), file);
}

TEST(KvMemIniRead, MissingOrUnusableFileGivesEmptyDocument)
{
    TempFolder folder;
    ::mkdir((folder.path() + "/dir.ini").c_str(), 0755);
    ASSERT_EQ(::mkfifo((folder.path() + "/fifo.ini").c_str(), 0644), 0);  // must not block
    for (const std::string name : {"/missing.ini", "/dir.ini", "/fifo.ini", "/no/such/folder.ini"}) {
        const TKvMemIniFile ini(folder.path() + name);
        EXPECT_EQ(ini.ReadSections(), std::vector<std::string> {}) << name;
        EXPECT_EQ(ini.ReadString("Option", "DoNow", "dflt"), "dflt");
        EXPECT_TRUE(ini.ReadBool("Option", "DoNow", true));
        EXPECT_EQ(ini.ReadInteger("Option", "WindowState", 7), 7);
    }
}

TEST(KvMemIniRead, AFileThatIsThereButUnreadableIsNeverReplaced)
{
    TempFolder folder;
    ASSERT_EQ(::mkfifo((folder.path() + "/fifo.ini").c_str(), 0644), 0);
    const std::string big = folder.write("big.ini", Bytes("[Option]\r\n"));
    ::truncate(big.c_str(), static_cast<off_t>(TKvMemIniFile::kMaxFileSize) + 1);
    for (const std::string& name : {folder.path() + "/fifo.ini", big}) {
        TKvMemIniFile ini(name);
        EXPECT_TRUE(ini.Unreadable()) << name;
        EXPECT_FALSE(ini.UnreadableReason().empty());
        ini.WriteString("Option", "DoNow", "1");
        EXPECT_FALSE(ini.UpdateFile()) << name;
        EXPECT_FALSE(ini.LastError().empty());
    }
    struct stat info {};
    ASSERT_EQ(::stat((folder.path() + "/fifo.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    ASSERT_EQ(::stat(big.c_str(), &info), 0);
    EXPECT_EQ(static_cast<size_t>(info.st_size), TKvMemIniFile::kMaxFileSize + 1);

    // A missing file is no loss: the first save creates it.
    TKvMemIniFile fresh(folder.path() + "/new.ini");
    EXPECT_FALSE(fresh.Unreadable());
    fresh.WriteString("Option", "DoNow", "1");
    EXPECT_TRUE(fresh.UpdateFile()) << fresh.LastError();
}

// ---- Typed values ----

TEST(KvMemIniValues, IntegerTexts)
{
    struct Row {
        const char* text;
        int32_t expected;  // 42 = the caller's default
    };
    const std::vector<Row> rows = {
        {"0x1F", 31}, {"0X1f", 31}, {"$ff", 255}, {"$7FFFFFFF", 2147483647}, {"0x00000001", 1},
        {"0xFFFFFFFF", -1}, {"$80000000", std::numeric_limits<int32_t>::min()},
        {" 7 ", 7}, {"\t9\t", 9}, {"-3", -3}, {"+5", 5}, {"007", 7}, {"0", 0},
        {"2147483647", 2147483647}, {"-2147483648", std::numeric_limits<int32_t>::min()},
        // Not numbers, or out of range: the default.
        {"0x", 42}, {"$", 42}, {"12abc", 42}, {"", 42}, {"  ", 42}, {"2147483648", 42},
        {"-2147483649", 42}, {"99999999999999999999", 42}, {"0x123456789", 42}, {"0x000000001", 42},
        {"+-5", 42}, {"-", 42}, {"1 2", 42}, {"0xG", 42}, {"0x-1", 42}, {"-0x10", 42}, {"$ 1", 42},
        {"1e3", 42}, {"yes", 42},
    };
    TKvMemIniFile ini("");
    for (const Row& row : rows) {
        ASSERT_TRUE(ini.WriteString("S", "k", row.text));
        EXPECT_EQ(ini.ReadInteger("S", "k", 42), row.expected) << '"' << row.text << '"';
    }
    EXPECT_EQ(ini.ReadInteger("S", "missing", 42), 42);
    EXPECT_EQ(ini.ReadInteger("missing", "k", -1), -1);
}

TEST(KvMemIniValues, BooleanReadAsInteger)
{
    struct Row {
        const char* text;
        bool whenDefaultTrue;
        bool whenDefaultFalse;
    };
    const std::vector<Row> rows = {
        {"1", true, true}, {"2", true, true}, {"-1", true, true}, {"0x10", true, true},
        {"0", false, false}, {" 0 ", false, false}, {"$0", false, false},
        {"yes", true, false}, {"true", true, false}, {"", true, false},
    };
    TKvMemIniFile ini("");
    for (const Row& row : rows) {
        ASSERT_TRUE(ini.WriteString("S", "k", row.text));
        EXPECT_EQ(ini.ReadBool("S", "k", true), row.whenDefaultTrue) << '"' << row.text << '"';
        EXPECT_EQ(ini.ReadBool("S", "k", false), row.whenDefaultFalse) << '"' << row.text << '"';
    }
}

// ---- Names ----

TEST(KvMemIniNames, AsciiCaseFoldsAndFirstSpellingStays)
{
    TKvMemIniFile ini("");
    ini.WriteBool("Option", "DoNow", true);
    EXPECT_TRUE(ini.ReadBool("option", "donow", false));
    EXPECT_TRUE(ini.ValueExists("OPTION", "DONOW"));
    EXPECT_TRUE(ini.SectionExists("oPtIoN"));
    ini.WriteBool("OPTION", "donow", false);
    EXPECT_EQ(ini.ToText(), "[Option]\r\nDoNow=0\r\n\r\n");

    // Only A-Z fold: Latin-1 and UTF-8 letters that differ in case stay apart.
    ini.WriteString("Option", "\xC1", "latin1 upper");
    ini.WriteString("Option", "\xE1", "latin1 lower");
    ini.WriteString("Option", "\xC3\x84", "utf8 upper");
    ini.WriteString("Option", "\xC3\xA4", "utf8 lower");
    EXPECT_EQ(ini.ReadSection("option").size(), 5u);
    EXPECT_EQ(ini.ReadString("Option", "\xE1", ""), "latin1 lower");
    EXPECT_EQ(ini.ReadString("Option", "\xC3\x84", ""), "utf8 upper");
}

TEST(KvMemIniNames, UnreadableNamesAndValuesAreRefused)
{
    const std::vector<std::pair<std::string, std::string>> badNames = {
        {"Option", "a=b"}, {"Option", "[x"}, {"Option", ";x"}, {"Option", " x"}, {"Option", "x\t"},
        {"Option", ""}, {"Option", "a\nb"}, {"", "k"}, {"a\nb", "k"}, {" Option", "k"}, {"Option\t", "k"},
    };
    TKvMemIniFile ini("");
    ini.WriteBool("Option", "DoNow", true);
    for (const auto& [section, key] : badNames) {
        EXPECT_FALSE(ini.WriteString(section, key, "v")) << section << "/" << key;
        EXPECT_FALSE(ini.WriteInteger(section, key, 1)) << section << "/" << key;
        EXPECT_FALSE(ini.WriteBool(section, key, true)) << section << "/" << key;
    }
    // A folder name with line breaks must not add lines of its own.
    EXPECT_FALSE(ini.WriteString("Option", "CommonSendPath", "/tmp/a\n[Option]\nDoNow=0"));
    EXPECT_FALSE(ini.WriteString("Option", "DoNow", "0\n"));
    EXPECT_EQ(ini.ToText(), "[Option]\r\nDoNow=1\r\n\r\n");

    // What can be read back is accepted, however odd.
    EXPECT_TRUE(ini.WriteString("[a]b", "k]", "=;[x]\r"));
    EXPECT_TRUE(ini.WriteString("S", "a b", " padded "));
    TempFolder folder;
    ini.SetFileName(folder.path() + "/odd.ini");
    ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
    const TKvMemIniFile back(ini.FileName());
    EXPECT_EQ(back.ToText(), ini.ToText());
    EXPECT_EQ(back.ReadString("[A]B", "K]", ""), "=;[x]\r");
    EXPECT_EQ(back.ReadString("s", "A B", ""), " padded ");
}

// ---- UpdateFile ----

TEST(KvMemIniUpdate, ReplacesContentKeepsPermissionsLeavesNothingBehind)
{
    TempFolder folder;
    const std::string path = folder.write("Scanlark.ini", Bytes(std::string(5000, 'x')));
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    TKvMemIniFile ini(path);
    ini.WriteString("Option", "DoNow", "1");
    ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
    EXPECT_EQ(FileBytes(path), "[Option]\r\nDoNow=1\r\n\r\n");
    EXPECT_EQ(PermissionBits(path), 0604u);
    EXPECT_EQ(Listing(folder.path()), std::set<std::string> {"Scanlark.ini"});
}

TEST(KvMemIniUpdate, NewFileGetsUmaskMode)
{
    const mode_t mask = ::umask(027);
    TempFolder folder;
    TKvMemIniFile ini(folder.path() + "/\x83\x65\xFF.ini");  // not UTF-8
    ini.WriteString("S", "k", "v");
    const bool written = ini.UpdateFile();
    ::umask(mask);
    ASSERT_TRUE(written) << ini.LastError();
    EXPECT_EQ(PermissionBits(ini.FileName()), 0640u);
    EXPECT_EQ(TKvMemIniFile(ini.FileName()).ReadString("s", "K", ""), "v");
}

TEST(KvMemIniUpdate, SymlinkIsWrittenThrough)
{
    TempFolder folder;
    ::mkdir((folder.path() + "/real").c_str(), 0755);
    const std::string real = folder.write("real/actual.ini", Bytes("[Old]\r\n\r\n"));
    const std::string link = folder.path() + "/Scanlark.ini";
    ASSERT_EQ(::symlink("real/actual.ini", link.c_str()), 0);  // relative to the link's folder
    const std::string dangling = folder.path() + "/dangling.ini";
    ASSERT_EQ(::symlink("real/new.ini", dangling.c_str()), 0);

    for (const std::string& name : {link, dangling}) {
        TKvMemIniFile ini(name);
        ini.WriteString("New", "k", "v");
        ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
        struct stat info {};
        ASSERT_EQ(::lstat(name.c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << name;
    }
    EXPECT_EQ(FileBytes(real), "[Old]\r\n\r\n[New]\r\nk=v\r\n\r\n");
    EXPECT_EQ(FileBytes(folder.path() + "/real/new.ini"), "[New]\r\nk=v\r\n\r\n");
    EXPECT_EQ(Listing(folder.path() + "/real"), (std::set<std::string> {"actual.ini", "new.ini"}));

    // A link to something that is not a regular file is never written through.
    const std::string fifo = folder.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string toFifo = folder.path() + "/to-fifo.ini";
    ASSERT_EQ(::symlink("fifo", toFifo.c_str()), 0);
    TKvMemIniFile throughLink(toFifo);
    throughLink.SetFileName(toFifo);  // as a document meant for that file
    throughLink.WriteString("New", "k", "v");
    EXPECT_FALSE(throughLink.UpdateFile());
    struct stat info {};
    ASSERT_EQ(::stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// Each failure leaves what was there byte for byte and no temporary file.
TEST(KvMemIniUpdate, FolderInPlaceOfTheFileIsKeptAndNoTemporaryFileLeft)
{
    TempFolder folder;
    TKvMemIniFile ini(folder.path() + "/Scanlark.ini");
    // A folder appears where the file was to go: it is never replaced.
    const std::string old = folder.write("Scanlark.ini/keep.txt", Bytes("old"));
    ini.WriteString("S", "k", "v");
    errno = 0;
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_EQ(errno, EINVAL);
    EXPECT_NE(ini.LastError().find("Scanlark.ini"), std::string::npos) << ini.LastError();
    EXPECT_EQ(FileBytes(old), "old");
    EXPECT_EQ(Listing(folder.path()), std::set<std::string> {"Scanlark.ini"});
}

TEST(KvMemIniUpdate, FailedWriteLeavesOldFileIntact)
{
    // A file size limit makes write() fail part way, as a full disk would.
    TempFolder folder;
    const std::string oldBytes = "[Option]\r\nDoNow=1\r\n\r\n";
    const std::string path = folder.write("Scanlark.ini", Bytes(oldBytes));
    TKvMemIniFile ini(path);
    ini.WriteString("Option", "CommonSendPath", std::string(4096, 'p'));

    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool written = ini.UpdateFile();
    const int error = errno;
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(error, EFBIG);
    EXPECT_NE(ini.LastError(), "");
    EXPECT_EQ(FileBytes(path), oldBytes);
    EXPECT_EQ(Listing(folder.path()), std::set<std::string> {"Scanlark.ini"});
    // The document is intact, so a later attempt still succeeds.
    ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
    EXPECT_EQ(ini.ReadString("Option", "CommonSendPath", "").size(), 4096u);
    EXPECT_EQ(FileBytes(path), ini.ToText());
}

TEST(KvMemIniUpdate, VanishedFolderFails)
{
    TempFolder folder;
    const std::string sub = folder.path() + "/sub";
    ::mkdir(sub.c_str(), 0755);
    TKvMemIniFile ini(sub + "/Scanlark.ini");
    ini.WriteString("S", "k", "v");
    ::rmdir(sub.c_str());
    errno = 0;
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(Listing(folder.path()), std::set<std::string> {});
}

TEST(KvMemIniUpdate, UnusableFileNameFails)
{
    for (const std::string& name : {""s, "a\0b.ini"s}) {
        TKvMemIniFile ini(name);
        ini.WriteString("S", "k", "v");
        errno = 0;
        EXPECT_FALSE(ini.UpdateFile());
        EXPECT_EQ(errno, EINVAL);
    }
}

TEST(KvMemIniUpdate, ReadOnlyFolderOrFileFails)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders and files";
    // mode of the folder, mode of the file
    for (const auto& [folderMode, fileMode] : {std::pair {0555, 0644}, std::pair {0755, 0444}}) {
        TempFolder folder;
        const std::string path = folder.write("Scanlark.ini", Bytes("[Old]\r\n\r\n"));
        ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(fileMode)), 0);
        ASSERT_EQ(::chmod(folder.path().c_str(), static_cast<mode_t>(folderMode)), 0);
        TKvMemIniFile ini(path);
        ini.WriteString("S", "k", "v");
        errno = 0;
        const bool written = ini.UpdateFile();
        const int error = errno;
        ::chmod(folder.path().c_str(), 0755);
        EXPECT_FALSE(written) << folderMode << " " << fileMode;
        EXPECT_EQ(error, EACCES);
        EXPECT_EQ(FileBytes(path), "[Old]\r\n\r\n");
        EXPECT_EQ(Listing(folder.path()), std::set<std::string> {"Scanlark.ini"});
    }
}

}  // namespace
