// scanlark-check as a script sees it: arguments, output lines and exit status.
#include "ColourJpeg.h"
#include "DeepFolders.h"
#include "JpegBuilder.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs scanlark-check with args (bytes passed unchanged), stdout and stderr
// captured; a run longer than 20 s is killed and fails the test. With
// unprivileged, a root test runs it as uid 65534 (root passes every
// permission check); descriptors, when set, is its hard and soft limit of
// open files.
ProcessResult runCheck(const std::vector<std::string>& args, bool unprivileged = false, rlim_t descriptors = 0)
{
    static TempFolder scratch;
    const std::string outPath = scratch.path() + "/out";
    const std::string errPath = scratch.path() + "/err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(err, 2);
        // Nothing inherited from the test runner either: the descriptor
        // limit below counts every open one.
        ::close_range(3, ~0U, 0);
        ::alarm(20);
        const rlimit limit {descriptors, descriptors};
        if (descriptors > 0 && ::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            ::_exit(126);
        if (unprivileged && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(126);
        std::vector<char*> argv = {const_cast<char*>(SCANLARK_CHECK_PATH)};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(SCANLARK_CHECK_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ProcessResult run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = readAll(outPath);
    run.err = readAll(errPath);
    return run;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::string firstColumn(const std::string& line) { return line.substr(0, line.find('\t')); }

// A strict JSON syntax check (RFC 8259), enough to prove every line parses.
class JsonChecker {
public:
    explicit JsonChecker(const std::string& text) : s_(text) {}
    bool valid()
    {
        ws();
        if (!value())
            return false;
        ws();
        return i_ == s_.size();
    }

private:
    void ws()
    {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }
    bool literal(const char* word)
    {
        const std::string w = word;
        if (s_.compare(i_, w.size(), w) != 0)
            return false;
        i_ += w.size();
        return true;
    }
    bool value()
    {
        if (i_ >= s_.size())
            return false;
        switch (s_[i_]) {
        case '{': return object();
        case '"': return string();
        case 't': return literal("true");
        case 'f': return literal("false");
        case 'n': return literal("null");
        default: return number();
        }
    }
    bool object()
    {
        ++i_;
        ws();
        if (i_ < s_.size() && s_[i_] == '}')
            return ++i_, true;
        for (;;) {
            ws();
            if (!string())
                return false;
            ws();
            if (i_ >= s_.size() || s_[i_++] != ':')
                return false;
            ws();
            if (!value())
                return false;
            ws();
            if (i_ >= s_.size())
                return false;
            if (s_[i_] == '}')
                return ++i_, true;
            if (s_[i_++] != ',')
                return false;
        }
    }
    bool string()
    {
        if (i_ >= s_.size() || s_[i_] != '"')
            return false;
        ++i_;
        while (i_ < s_.size()) {
            const auto c = static_cast<unsigned char>(s_[i_]);
            if (c == '"')
                return ++i_, true;
            if (c < 0x20)
                return false;
            if (c == '\\') {
                ++i_;
                if (i_ >= s_.size())
                    return false;
                if (s_[i_] == 'u') {
                    for (int k = 1; k <= 4; ++k) {
                        if (i_ + k >= s_.size() || !std::isxdigit(static_cast<unsigned char>(s_[i_ + k])))
                            return false;
                    }
                    i_ += 5;
                    continue;
                }
                if (std::string("\"\\/bfnrt").find(s_[i_]) == std::string::npos)
                    return false;
                ++i_;
                continue;
            }
            if (c >= 0x80) {
                // A well-formed UTF-8 sequence, nothing else.
                const int length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
                if (length == 0 || c > 0xF4)
                    return false;
                for (int k = 1; k < length; ++k) {
                    if (i_ + k >= s_.size() || (static_cast<unsigned char>(s_[i_ + k]) & 0xC0) != 0x80)
                        return false;
                }
                i_ += static_cast<size_t>(length);
                continue;
            }
            ++i_;
        }
        return false;
    }
    bool number()
    {
        const size_t start = i_;
        if (i_ < s_.size() && s_[i_] == '-')
            ++i_;
        if (i_ >= s_.size() || !std::isdigit(static_cast<unsigned char>(s_[i_])))
            return false;
        if (s_[i_] == '0' && i_ + 1 < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_ + 1])))
            return false;
        while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_])))
            ++i_;
        return i_ > start;
    }

    const std::string& s_;
    size_t i_ = 0;
};

class ScanlarkCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        sound_ = JpegBuilder().soi().app0Jfif(1, 2).dqt8(TableWithSum(1858)).sof(0xC0, 32, 16, 1).sos().entropy(300).eoi().bytes();
        damaged_ = Bytes(sound_.begin(), sound_.end() - 40);
    }
    TempFolder folder_;
    Bytes sound_;
    Bytes damaged_;
};

TEST_F(ScanlarkCheck, FolderListingOrderHiddenAndRecursion)
{
    folder_.write("b.JPG", sound_);
    folder_.write("a.jpeg", sound_);
    folder_.write("c.Jpeg", damaged_);
    folder_.write("notes.txt", sound_);
    folder_.write("jpg", sound_);
    folder_.write(".hidden.jpg", sound_);
    folder_.write("sub/deep/z.jpg", sound_);
    folder_.write("sub/y.jpg", sound_);
    folder_.write(".secret/x.jpg", sound_);
    // A folder link back to the top must not make the walk endless.
    ASSERT_EQ(::symlink(folder_.path().c_str(), (folder_.path() + "/sub/loop").c_str()), 0);
    const std::string& top = folder_.path();

    const ProcessResult flat = runCheck({top});
    const auto flatLines = lines(flat.out);
    ASSERT_EQ(flatLines.size(), 5u) << flat.out;
    EXPECT_EQ(flatLines[0], "path\tverdict\tformat\twidth\theight\tquality\tijg_quality\ttrailing_bytes");
    EXPECT_EQ(firstColumn(flatLines[1]), top + "/.hidden.jpg");
    EXPECT_EQ(firstColumn(flatLines[2]), top + "/a.jpeg");
    EXPECT_EQ(firstColumn(flatLines[3]), top + "/b.JPG");
    EXPECT_EQ(firstColumn(flatLines[4]), top + "/c.Jpeg");
    EXPECT_EQ(flatLines[2].substr(flatLines[2].find('\t')), "\tなし\tベースライン ハフマン圧縮\t32\t16\t75\t75\t0");
    EXPECT_EQ(flat.status, 1);  // c.Jpeg is damaged

    const ProcessResult deep = runCheck({"-r", "--no-hidden", top});
    const auto deepLines = lines(deep.out);
    std::vector<std::string> paths;
    for (size_t i = 1; i < deepLines.size(); ++i)
        paths.push_back(firstColumn(deepLines[i]));
    EXPECT_EQ(paths, (std::vector<std::string>{top + "/a.jpeg", top + "/b.JPG", top + "/c.Jpeg", top + "/sub/y.jpg",
                                               top + "/sub/deep/z.jpg"}));
}

// The table speaks the desktop's language, decided by the first of
// LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set, whether or not such a
// locale is generated; the JSON records keep the texts as written.
TEST_F(ScanlarkCheck, TableTextsFollowTheLocaleJsonStaysJapanese)
{
    folder_.write("a.jpg", sound_);
    const std::string file = folder_.path() + "/a.jpg";
    struct Case {
        const char* language;
        const char* all;
        const char* messages;
        const char* lang;
        const char* row;  // after the path
    };
    const char* japanese = "\tなし\tベースライン ハフマン圧縮\t32\t16\t75\t75\t0";
    const char* english = "\tNone\tBaseline Huffman\t32\t16\t75\t75\t0";
    const Case cases[] = {
        {nullptr, nullptr, nullptr, "en_US.UTF-8", english},
        {nullptr, nullptr, nullptr, "ja_JP.UTF-8", japanese},
        {nullptr, nullptr, nullptr, "C", english},
        {nullptr, nullptr, nullptr, nullptr, english},
        {"ja:en", nullptr, nullptr, "en_US.UTF-8", japanese},
        {"en_GB:ja", nullptr, nullptr, "ja_JP.UTF-8", english},
        {"", "C.UTF-8", nullptr, "ja_JP.UTF-8", english},
        {nullptr, nullptr, "ja_JP.eucJP", "en_US.UTF-8", japanese},
        {nullptr, nullptr, nullptr, "jam_XX.UTF-8", english},
    };
    const auto set = [](const char* name, const char* value) {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    };
    for (const Case& c : cases) {
        set("LANGUAGE", c.language);
        set("LC_ALL", c.all);
        set("LC_MESSAGES", c.messages);
        set("LANG", c.lang);
        const ProcessResult table = runCheck({file});
        const ProcessResult json = runCheck({"--json", file});
        const auto rows = lines(table.out);
        ASSERT_EQ(rows.size(), 2u) << table.out;
        EXPECT_EQ(rows[1], file + c.row) << (c.language ? c.language : "-") << " " << (c.lang ? c.lang : "-");
        EXPECT_NE(json.out.find("\"VerdictText\":\"なし\""), std::string::npos) << json.out;
    }
    set("LANGUAGE", nullptr);
    set("LC_ALL", nullptr);
    set("LC_MESSAGES", nullptr);
    set("LANG", "ja_JP.UTF-8");
}

TEST_F(ScanlarkCheck, OutputOrderDoesNotDependOnJobs)
{
    for (int i = 0; i < 60; ++i)
        folder_.write("f" + std::to_string(1000 + i) + ".jpg", i % 7 == 3 ? damaged_ : sound_);
    const ProcessResult one = runCheck({"-j1", folder_.path()});
    const ProcessResult four = runCheck({"-j", "4", folder_.path()});
    const ProcessResult many = runCheck({"--jobs=32", "--json", folder_.path()});
    EXPECT_EQ(lines(one.out).size(), 61u);
    EXPECT_EQ(one.out, four.out);
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(four.status, 1);
    const auto jsonLines = lines(many.out);
    ASSERT_EQ(jsonLines.size(), 60u);
    for (int i = 0; i < 60; ++i)
        EXPECT_NE(jsonLines[i].find("/f" + std::to_string(1000 + i) + ".jpg\""), std::string::npos) << i;
}

// Out of the page cache (written to the disk, then dropped), so that the
// checker reads ahead of it.
void makeCold(const std::string& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Read-ahead (on by default for files that come from the disk, off with
// SCANLARK_READ_AHEAD=0) changes no row and no order, with one job or
// several, for folders and for arguments, FIFOs and missing files among
// them, and with few descriptors allowed.
TEST_F(ScanlarkCheck, ReadAheadChangesNoRow)
{
    for (int i = 0; i < 70; ++i)
        folder_.write("f" + std::to_string(1000 + i) + ".jpg", i % 7 == 3 ? damaged_ : i % 11 == 5 ? Bytes{} : sound_);
    const std::string fifo = folder_.path() + "/f1030.jpg";
    ASSERT_EQ(std::remove(fifo.c_str()), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> arguments = {folder_.path() + "/f1001.jpg", fifo, folder_.path() + "/none.jpg",
                                                folder_.path() + "/f1003.jpg", folder_.path()};
    const auto coldRun = [&](const std::vector<std::string>& args) {
        makeCold(folder_.path());
        return runCheck(args);
    };

    ASSERT_EQ(::setenv("SCANLARK_READ_AHEAD", "0", 1), 0);
    const ProcessResult without = coldRun(arguments);
    const ProcessResult withoutJ3 = coldRun({"-j3", folder_.path()});
    ASSERT_EQ(::setenv("SCANLARK_READ_AHEAD", "4", 1), 0);
    const ProcessResult fewAhead = coldRun(arguments);
    ASSERT_EQ(::unsetenv("SCANLARK_READ_AHEAD"), 0);
    const ProcessResult with = coldRun(arguments);
    const ProcessResult withJ3 = coldRun({"-j3", folder_.path()});
    // Room for a few descriptors only, and runs of files long enough for
    // each thread to read 32 ahead: read-ahead must leave the checks theirs.
    TempFolder many;
    for (int i = 0; i < 400; ++i)
        many.write("m" + std::to_string(1000 + i) + ".jpg", sound_);
    makeCold(many.path());
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit few = before;
    few.rlim_cur = 40;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    const ProcessResult fewDescriptors = runCheck({"-j3", many.path()});
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &before), 0);

    ASSERT_EQ(lines(without.out).size(), 1u + 4 + 70);
    EXPECT_NE(without.out.find(fifo + "\tファイルが存在しません"), std::string::npos);
    EXPECT_EQ(with.out, without.out);
    EXPECT_EQ(fewAhead.out, without.out);
    EXPECT_EQ(withJ3.out, withoutJ3.out);
    EXPECT_EQ(fewDescriptors.status, 0) << fewDescriptors.out;
    EXPECT_EQ(lines(fewDescriptors.out).size(), 401u);
    EXPECT_EQ(with.status, 1);
    EXPECT_EQ(withJ3.status, 1);
}

TEST_F(ScanlarkCheck, JsonLinesAreValidWhateverTheBytes)
{
    const std::string badName = folder_.write(std::string("bad\xFF\xFE name \"q\"\t.jpg"), sound_);
    const std::string sjis = folder_.write("sjis.jpg", JpegBuilder().soi().com("\x83\x54\x83\x93\x83\x76\x83\x8b").eoi().zeros(20).bytes());
    const std::string controls = folder_.write("ctl.jpg", JpegBuilder().soi().com(std::string("a\0b\x01\n\x7F\\\"", 8)).eoi().zeros(20).bytes());
    const std::string latin = folder_.write("latin.jpg", JpegBuilder().soi().com("\xFF\xFF\x80").eoi().zeros(20).bytes());

    const ProcessResult run = runCheck({"--json", badName, sjis, controls, latin, folder_.path() + "/missing.jpg"});
    const auto jsonLines = lines(run.out);
    ASSERT_EQ(jsonLines.size(), 5u) << run.out;
    for (const auto& line : jsonLines)
        EXPECT_TRUE(JsonChecker(line).valid()) << line;

    EXPECT_NE(jsonLines[0].find("\"path_hex\":\""), std::string::npos);
    EXPECT_NE(jsonLines[0].find("626164fffe"), std::string::npos);  // "bad" FF FE
    EXPECT_NE(jsonLines[1].find("\"Comment\":\"サンプル\""), std::string::npos);
    EXPECT_EQ(jsonLines[1].find("path_hex"), std::string::npos);
    EXPECT_NE(jsonLines[2].find("\"Comment\":\"a\\u0000b\\u0001\\n\\u007f\\\\\\\"\""), std::string::npos);
    EXPECT_NE(jsonLines[3].find("\"Comment\":\"ÿÿ\\u0080\""), std::string::npos);  // a C1 control, escaped
    EXPECT_NE(jsonLines[4].find("\"VerdictText\":\"ファイルが存在しません\",\"Verdict\":4,"), std::string::npos);
    // Every field of the record, typed.
    for (const char* field : {"\"IsGrayscale\":true", "\"HasMacBinaryHeader\":false", "\"ScanComplete\":true",
                              "\"IsJfif\":true", "\"JfifMajor\":1", "\"JfifMinor\":2", "\"IsExif\":false",
                              "\"ProcessCode\":0", "\"SoiCount\":1", "\"EoiCount\":1", "\"TrailingBytes\":0",
                              "\"Comment\":\"\"", "\"Height\":16", "\"Width\":32", "\"ThumbHeight\":0",
                              "\"ThumbWidth\":0", "\"Quality\":75", "\"IjgQuality\":75", "\"Verdict\":0,"})
        EXPECT_NE(jsonLines[0].find(field), std::string::npos) << field;
    EXPECT_EQ(run.status, 1);  // the missing file
}

TEST_F(ScanlarkCheck, ExitStatusErrorsOnlyAndOddPaths)
{
    const std::string good = folder_.write("good.jpg", sound_);
    const std::string bad = folder_.write("bad.jpg", damaged_);
    const std::string fifo = folder_.path() + "/pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    const ProcessResult sound = runCheck({"-q", good});
    EXPECT_EQ(sound.status, 0);
    EXPECT_EQ(lines(sound.out).size(), 2u);

    const ProcessResult errors = runCheck({"--errors-only", good, bad, fifo, "/nonexistent/x.jpg"});
    const auto errorLines = lines(errors.out);
    ASSERT_EQ(errorLines.size(), 4u) << errors.out;
    EXPECT_EQ(errorLines[1], bad + "\tJPEGファイルが破損しています\tベースライン ハフマン圧縮\t32\t16\t75\t75\t0");
    EXPECT_EQ(errorLines[2], fifo + "\tファイルが存在しません\t\t-1\t-1\t-1\t-1\t0");
    EXPECT_EQ(firstColumn(errorLines[3]), "/nonexistent/x.jpg");
    EXPECT_EQ(errors.status, 1);

    // A path with a tab or a line break stays on its row.
    const std::string odd = folder_.write("a\tb\nc\\d.jpg", sound_);
    const auto oddLines = lines(runCheck({odd}).out);
    ASSERT_EQ(oddLines.size(), 2u);
    EXPECT_EQ(firstColumn(oddLines[1]), folder_.path() + "/a\\tb\\nc\\\\d.jpg");

    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"-j0", good}, {"-j"}, {"--bogus", good}, {"-jx", good}}) {
        const ProcessResult usage = runCheck(args);
        EXPECT_EQ(usage.status, 2);
        EXPECT_NE(usage.err.find("scanlark-check: "), std::string::npos);
        EXPECT_TRUE(usage.out.empty());
    }
    const ProcessResult help = runCheck({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--errors-only"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    // "--" ends the options: a file named like an option is still a file.
    EXPECT_EQ(runCheck({"--", "--bogus"}).status, 1);
}

// --deep adds two columns, the Deep and Trailer objects and damage the
// markers do not show to the exit status; without it nothing changes.
TEST_F(ScanlarkCheck, DeepCheckColumnsFieldsOrderAndExitStatus)
{
    // The fixture's files have made-up data: sound by their markers, but
    // libjpeg's Huffman decode of its two MCU rows ends with bytes left over.
    const Bytes decodable = ColourJpeg({}, [](int x, int y, uint8_t* rgb) {
        rgb[0] = static_cast<uint8_t>(x * 16);
        rgb[1] = static_cast<uint8_t>(y * 16);
        rgb[2] = 99;
    });
    Bytes withZip = decodable;
    for (const int b : {0x50, 0x4B, 3, 4, 0, 0})  // "PK", a zip's local header
        withZip.push_back(static_cast<uint8_t>(b));
    const std::string good = folder_.write("1-good.jpg", decodable);
    const std::string zip = folder_.write("2-zip.jpg", withZip);
    const std::string undecodable = folder_.write("3-undecodable.jpg", sound_);
    const std::string text = folder_.write("4-text.jpg", Bytes(100, 'x'));

    const ProcessResult plain = runCheck({"-q", good, zip, text});
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(lines(plain.out)[0], "path\tverdict\tformat\twidth\theight\tquality\tijg_quality\ttrailing_bytes");
    EXPECT_EQ(runCheck({"--json", good}).out.find("Deep"), std::string::npos);

    const ProcessResult deep = runCheck({"--deep", good, zip, undecodable, text, "/nonexistent/x.jpg"});
    const auto rows = lines(deep.out);
    ASSERT_EQ(rows.size(), 6u) << deep.out;
    EXPECT_TRUE(rows[0].ends_with("\ttrailing_bytes\tdeep\ttrailer")) << rows[0];
    EXPECT_TRUE(rows[1].ends_with("\t0\tsound\t-")) << rows[1];
    EXPECT_TRUE(rows[2].ends_with("\t6\tsound\tzip")) << rows[2];
    EXPECT_TRUE(rows[3].ends_with("\t0\tdamaged\t-")) << rows[3];
    EXPECT_TRUE(rows[4].ends_with("\tnot-decoded\t-")) << rows[4];
    EXPECT_TRUE(rows[5].ends_with("\t0\t-\t-")) << rows[5];
    EXPECT_EQ(deep.status, 1);
    EXPECT_EQ(runCheck({"--deep", good, zip}).status, 0);
    EXPECT_EQ(runCheck({"--deep", good, undecodable}).status, 1);
    EXPECT_EQ(runCheck({good, undecodable}).status, 0);

    const auto errorRows = lines(runCheck({"--deep", "--errors-only", good, zip, undecodable}).out);
    ASSERT_EQ(errorRows.size(), 2u);
    EXPECT_EQ(firstColumn(errorRows[1]), undecodable);

    const auto json = lines(runCheck({"--deep", "--json", zip, undecodable, "/nonexistent/x.jpg"}).out);
    ASSERT_EQ(json.size(), 3u);
    EXPECT_EQ(json[2].find("Deep"), std::string::npos) << json[2];
    EXPECT_NE(json[0].find(",\"Deep\":{\"Verdict\":\"sound\",\"Message\":\"\",\"FirstBadRow\":-1,\"SoundFraction\":1},"
                           "\"Trailer\":{\"Kind\":\"zip\",\"Offset\":" + std::to_string(decodable.size()) + ",\"Size\":6}}"),
              std::string::npos) << json[0];
    EXPECT_NE(json[1].find(",\"Deep\":{\"Verdict\":\"damaged\",\"Message\":\"Corrupt JPEG data: "), std::string::npos)
        << json[1];
    // Seen at the end of the scan, but out of step from the first row on.
    EXPECT_NE(json[1].find("\"FirstBadRow\":0,\"SoundFraction\":0}}"), std::string::npos) << json[1];

    // Input order whatever the number of jobs.
    TempFolder many;
    for (int i = 0; i < 40; ++i)
        many.write("f" + std::to_string(100 + i) + ".jpg", i % 3 == 0 ? sound_ : i % 3 == 1 ? decodable : withZip);
    const ProcessResult one = runCheck({"--deep", "-j1", many.path()});
    EXPECT_EQ(lines(one.out).size(), 41u);
    EXPECT_EQ(runCheck({"--deep", "-j3", many.path()}).out, one.out);
}

// Each deep verdict as a script sees it: the table's word and the exit
// status, with and without --strict.
TEST_F(ScanlarkCheck, DeepVerdictsDecideTheExitStatus)
{
    ColourJpegSettings settings;
    settings.width = 64;
    settings.height = 48;
    const Bytes sound = PlainColourJpeg(settings, {40, 120, 200});
    const auto at = [](Bytes& data, uint8_t marker) {
        size_t i = 2;
        while (i + 1 < data.size() && !(data[i] == 0xFF && data[i + 1] == marker))
            ++i;
        return data.begin() + static_cast<std::ptrdiff_t>(i);
    };
    Bytes stray = sound;
    stray.insert(at(stray, 0xDB), {'?', '>'});
    Bytes twelveBit = sound;
    at(twelveBit, 0xC0)[1] = 0xC1;
    at(twelveBit, 0xC1)[4] = 12;
    const Bytes bogusTable = JpegBuilder().soi().dqt8(Bytes(64, 1), 15).sof(0xC0, 16, 16, 1).sos().entropy(50).eoi().bytes();
    const Bytes noFrame = JpegBuilder().soi().app1Exif(40).eoi().bytes();
    struct Case {
        const char* name;
        Bytes data;
        const char* deep;
        int status;
        int strictStatus;
    };
    const Case cases[] = {
        {"sound", sound, "sound", 0, 0},
        {"stray bytes", stray, "warning", 0, 1},
        {"bogus table", bogusTable, "damaged", 1, 1},
        {"12-bit", twelveBit, "not-decoded", 0, 0},
        {"no frame", noFrame, "damaged", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder_.write(std::string(c.name) + ".jpg", c.data);
        const ProcessResult run = runCheck({"--deep", path});
        const auto rows = lines(run.out);
        ASSERT_EQ(rows.size(), 2u) << run.err;
        EXPECT_TRUE(rows[1].starts_with(path + "\t")) << rows[1];
        EXPECT_TRUE(rows[1].ends_with(std::string("\t") + c.deep + "\t-")) << rows[1];
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(runCheck({"--deep", "--strict", path}).status, c.strictStatus);
    }
    const std::string json = runCheck({"--deep", "--json", folder_.path() + "/stray bytes.jpg"}).out;
    EXPECT_NE(json.find("\"Deep\":{\"Verdict\":\"warning\",\"Message\":\"Corrupt JPEG data: 2 extraneous bytes before "
                        "marker 0xdb\",\"FirstBadRow\":-1,\"SoundFraction\":1}"),
              std::string::npos) << json;
}

// --deep-memory: what all jobs' decodes may hold together; a file that needs
// more than all of it is not decoded, and says why.
TEST_F(ScanlarkCheck, DeepMemoryBudgetRefusesWhatCannotFit)
{
    ColourJpegSettings settings;
    settings.width = 512;
    settings.height = 512;
    settings.progressive = true;
    const std::string path = folder_.write("progressive.jpg", PlainColourJpeg(settings, {1, 2, 3}));
    const ProcessResult tight = runCheck({"--deep", "--json", "--deep-memory", "1M", path});
    EXPECT_EQ(tight.status, 0);
    EXPECT_NE(tight.out.find("\"Deep\":{\"Verdict\":\"not decoded\",\"Message\":\"needs 2 MiB to decode, more than "
                             "the memory budget of 1 MiB (--deep-memory)\""),
              std::string::npos) << tight.out;
    const ProcessResult roomy = runCheck({"--deep", "--deep-memory=64M", "-j3", path, path, path, path});
    EXPECT_EQ(roomy.status, 0);
    const auto rows = lines(roomy.out);
    ASSERT_EQ(rows.size(), 5u);
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_TRUE(rows[i].ends_with("\tsound\t-")) << rows[i];
    for (const char* bad : {"0", "lots", "12X", "-5M"})
        EXPECT_EQ(runCheck({"--deep", "--deep-memory", bad, path}).status, 2) << bad;
}

TEST_F(ScanlarkCheck, FoldersDeeperThanPathMaxAreSearched)
{
    const DeepFolderChain chain(folder_.path(), LongFolderName(), kDeepLevels, "f.jpg", sound_);
    const std::string deepest = chain.deepest() + "/f.jpg";
    ASSERT_GT(deepest.size(), static_cast<size_t>(PATH_MAX));

    const ProcessResult all = runCheck({"-r", "-j2", folder_.path()});
    const auto rows = lines(all.out);
    ASSERT_EQ(rows.size(), 1u + kDeepLevels) << all.err;
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_NE(rows[i].find("\tなし\t"), std::string::npos) << rows[i];  // and "sound": status 0
    EXPECT_EQ(firstColumn(rows.back()), deepest);
    EXPECT_EQ(all.err, "");
    EXPECT_EQ(all.status, 0);

    // The deepest folder and file given as they are.
    const ProcessResult direct = runCheck({chain.deepest(), deepest});
    const auto directRows = lines(direct.out);
    ASSERT_EQ(directRows.size(), 3u) << direct.err;
    EXPECT_EQ(firstColumn(directRows[1]), deepest);
    EXPECT_EQ(firstColumn(directRows[2]), deepest);
    EXPECT_EQ(direct.status, 0);
}

TEST_F(ScanlarkCheck, LinksThatLeadNowhereLeaveTheFolderListed)
{
    folder_.write("good.jpg", sound_);
    const std::string top = folder_.path();
    for (const auto& [name, target] : {std::pair{"dangling", "nowhere"}, std::pair{"loop", "loop"},
                                       std::pair{"gone.jpg", "nowhere.jpg"}, std::pair{"self.JPG", "self.JPG"}})
        ASSERT_EQ(::symlink(target, (top + "/" + name).c_str()), 0);

    const ProcessResult run = runCheck({"-r", top});
    const auto rows = lines(run.out);
    ASSERT_EQ(rows.size(), 4u) << run.out << run.err;
    EXPECT_EQ(rows[1], top + "/gone.jpg\tファイルが存在しません\t\t-1\t-1\t-1\t-1\t0");
    EXPECT_EQ(firstColumn(rows[2]), top + "/good.jpg");
    EXPECT_EQ(rows[3], top + "/self.JPG\tファイルが存在しません\t\t-1\t-1\t-1\t-1\t0");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 1);

    // Only links of other names: nothing to report.
    ASSERT_EQ(::unlink((top + "/gone.jpg").c_str()), 0);
    ASSERT_EQ(::unlink((top + "/self.JPG").c_str()), 0);
    const ProcessResult quiet = runCheck({top});
    EXPECT_EQ(lines(quiet.out).size(), 2u);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.status, 0);
}

TEST_F(ScanlarkCheck, FolderThatMayBeReadButNotSearched)
{
    ASSERT_EQ(::chmod(folder_.path().c_str(), 0755), 0);
    folder_.write("locked/a.jpg", sound_);
    folder_.write("locked/inner/b.jpg", sound_);
    const std::string locked = folder_.path() + "/locked";
    ASSERT_EQ(::chmod(locked.c_str(), 0644), 0);  // r-- for everyone but the owner, rw- for the owner

    const ProcessResult run = runCheck({"-r", locked}, true);
    const auto rows = lines(run.out);
    ASSERT_EQ(rows.size(), 2u) << run.out << run.err;
    EXPECT_EQ(rows[1], locked + "/a.jpg\tファイルを開けません\t\t-1\t-1\t-1\t-1\t0");
    EXPECT_EQ(run.err, "scanlark-check: cannot list " + locked + "/inner: Permission denied\n");
    EXPECT_EQ(run.status, 1);
    ::chmod(locked.c_str(), 0755);
}

// Nothing but the table's own tabs and line ends may reach the terminal.
void expectNoControlBytes(const std::string& text, const char* allowed)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        if ((u < 0x20 || u == 0x7F) && !std::strchr(allowed, text[i]))
            ADD_FAILURE() << "control byte " << int{u} << " in: " << text;
        if (u == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80)
            ADD_FAILURE() << "C1 control in: " << text;
    }
}

TEST_F(ScanlarkCheck, ControlBytesInNamesAreEscaped)
{
    ASSERT_EQ(::chmod(folder_.path().c_str(), 0755), 0);
    folder_.write("ctl\x01\x1b[31m.jpg", sound_);
    folder_.write("del\x7f\\\xc2\x9b[2J.jpg", sound_);  // U+009B is CSI to a UTF-8 terminal
    folder_.write("\xe6\x97\xa5\x83\x54.jpg", sound_);  // UTF-8 and Shift_JIS bytes stay as they are
    const std::string top = folder_.path();

    const ProcessResult plain = runCheck({top});
    const auto rows = lines(plain.out);
    ASSERT_EQ(rows.size(), 4u) << plain.out;
    EXPECT_EQ(firstColumn(rows[1]), top + "/ctl\\x01\\x1b[31m.jpg");
    EXPECT_EQ(firstColumn(rows[2]), top + "/del\\x7f\\\\\\xc2\\x9b[2J.jpg");
    EXPECT_EQ(firstColumn(rows[3]), top + "/\xe6\x97\xa5\x83\x54.jpg");
    expectNoControlBytes(plain.out, "\t\n");

    // --json keeps its own escapes.
    const auto json = lines(runCheck({"--json", top}).out);
    ASSERT_EQ(json.size(), 3u);
    EXPECT_NE(json[0].find("/ctl\\u0001\\u001b[31m.jpg\""), std::string::npos) << json[0];
    EXPECT_NE(json[1].find("/del\\u007f\\\\\\u009b[2J.jpg\""), std::string::npos) << json[1];
    expectNoControlBytes(json[1], "");

    // Messages on stderr: a folder that cannot be listed, a bad option.
    const std::string lockedName = "no\x1b]0;title\x07\r\xc2\x9d";
    folder_.write(lockedName + "/x.jpg", sound_);
    ASSERT_EQ(::chmod((top + "/" + lockedName).c_str(), 0), 0);
    const ProcessResult listing = runCheck({"-r", top}, true);
    EXPECT_NE(listing.err.find("cannot list " + top + "/no\\x1b]0;title\\x07\\r\\xc2\\x9d: "), std::string::npos)
        << listing.err;
    expectNoControlBytes(listing.err, "\n");
    EXPECT_EQ(listing.status, 1);
    ::chmod((top + "/" + lockedName).c_str(), 0755);

    const ProcessResult usage = runCheck({"--bogus\x1b[2J"});
    EXPECT_NE(usage.err.find("'--bogus\\x1b[2J'"), std::string::npos) << usage.err;
    expectNoControlBytes(usage.err, "\n");
    EXPECT_EQ(usage.status, 2);
}

// A shortage of descriptors is the run's, never a verdict about a file: more
// threads than descriptors wait for them, and a run that can have none stops
// with a message and status 3 instead of calling the files unopenable.
TEST_F(ScanlarkCheck, TooFewDescriptorsNeverBecomeVerdicts)
{
    const Bytes decodable = ColourJpeg({}, [](int x, int y, uint8_t* rgb) {
        rgb[0] = static_cast<uint8_t>(x * 16);
        rgb[1] = static_cast<uint8_t>(y * 16);
        rgb[2] = 128;
    });
    for (int i = 0; i < 100; ++i)
        folder_.write("f" + std::to_string(i) + ".jpg", decodable);
    const ProcessResult many = runCheck({"-q", "-j", "300", "--deep", folder_.path()}, false, 64);
    EXPECT_EQ(many.status, 0) << many.err;
    EXPECT_EQ(many.err, "");
    const auto rows = lines(many.out);
    ASSERT_EQ(rows.size(), 101u);
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_NE(rows[i].find("\tなし\t"), std::string::npos) << rows[i];  // and "sound": status 0

#ifdef __SANITIZE_ADDRESS__
    // The sanitizers' own checks open a pipe now and then: with no
    // descriptor left they report memory they cannot look at.
    GTEST_SKIP() << "a run without descriptors cannot be watched by the sanitizers";
#endif
    const ProcessResult none = runCheck({"-q", folder_.path()}, false, 4);
    EXPECT_EQ(none.status, 3);
    EXPECT_NE(none.err.find("no file descriptor left"), std::string::npos) << none.err;
    EXPECT_EQ(none.out.find("開けません"), std::string::npos);
}

}  // namespace
