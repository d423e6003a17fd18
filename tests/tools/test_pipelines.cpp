// scanlark-check among other programs: several runs writing into one pipe,
// a run ended by a signal, file lists, shards and the JSON records that
// programs read.
#include "JpegBuilder.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> split(const std::string& text, char end = '\n')
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(end, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    if (start < text.size())
        parts.push_back(text.substr(start) + "<torn>");
    return parts;
}

std::vector<std::string> sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

// One scanlark-check process. Its stdout goes to outFd (or a file of the
// fixture's), stdin comes from a pipe the test writes, stderr to a pty when
// asked (for the progress line).
struct RunSetup {
    int outFd = -1;             // -1: a file, read by out()
    bool unprivileged = false;  // as uid 65534 when run by root
    int stderrFd = -1;          // -1: a file, read by err()
};

class Checker {
public:
    Checker(const std::vector<std::string>& args, RunSetup setup = {}) : scratch_(std::make_unique<TempFolder>())
    {
        int input[2];
        if (::pipe2(input, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            const int out = setup.outFd >= 0 ? setup.outFd : ::open(outPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = setup.stderrFd >= 0 ? setup.stderrFd : ::open(errPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(input[0], 0);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::close_range(3, ~0U, 0);
            ::signal(SIGPIPE, SIG_DFL);  // the test ignores it, the checker must not
            ::alarm(30);
            if (setup.unprivileged && ::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(126);
            std::vector<char*> argv = {const_cast<char*>(SCANLARK_CHECK_PATH)};
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(SCANLARK_CHECK_PATH, argv.data());
            ::_exit(127);
        }
        ::close(input[0]);
        input_ = input[1];
        // A checker that has ended (a test failing) must not end the test.
        ::signal(SIGPIPE, SIG_IGN);
    }
    ~Checker()
    {
        closeInput();
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    void write(const std::string& bytes)
    {
        for (size_t at = 0; at < bytes.size();) {
            const ssize_t n = ::write(input_, bytes.data() + at, bytes.size() - at);
            if (n <= 0)
                throw std::runtime_error("write to the checker");
            at += static_cast<size_t>(n);
        }
    }
    void closeInput()
    {
        if (input_ >= 0)
            ::close(input_);
        input_ = -1;
    }
    void signal(int number) { ::kill(pid_, number); }
    // The exit status, or 1000 + the signal that ended it.
    int wait()
    {
        closeInput();
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }
    std::string out() const { return readAll(outPath()); }
    std::string err() const { return readAll(errPath()); }

private:
    std::string outPath() const { return scratch_->path() + "/out"; }
    std::string errPath() const { return scratch_->path() + "/err"; }

    std::unique_ptr<TempFolder> scratch_;
    pid_t pid_ = -1;
    int input_ = -1;
    bool waited_ = false;
};

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result runCheck(const std::vector<std::string>& args, const std::string& input = {}, RunSetup setup = {})
{
    Checker checker(args, setup);
    checker.write(input);
    const int status = checker.wait();
    return {status, checker.out(), checker.err()};
}

class Pipelines : public ::testing::Test {
protected:
    // A sound file whose comment makes its record about `length` bytes long.
    Bytes soundWithComment(size_t length)
    {
        return JpegBuilder().soi().com(std::string(length, 'c')).app0Jfif(1, 2).dqt8(TableWithSum(1858))
            .sof(0xC0, 32, 16, 1).sos().entropy(300).eoi().bytes();
    }
    // n files f1000.jpg..., records of lengths from 400 to 4000 bytes, so
    // that many cross any buffer's boundary, yet each fits into one write
    // that a pipe takes whole.
    std::vector<std::string> writeFiles(const TempFolder& folder, int n, const std::string& prefix = "f")
    {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i)
            paths.push_back(folder.write(prefix + std::to_string(1000 + i) + ".jpg", soundWithComment(size_t(i * 37 % 3600))));
        return paths;
    }
    TempFolder folder_;
};

// Four runs into one pipe give the lines four separate runs give: none torn
// or mixed with another's, the table's rows as the JSON lines.
TEST_F(Pipelines, RunsSharingOnePipeNeverTearALine)
{
    const std::vector<std::string> paths = writeFiles(folder_, 400);
    for (const std::vector<std::string>& format : {std::vector<std::string>{"--json"}, std::vector<std::string>{}}) {
        int pipe[2];
        ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
        std::vector<std::unique_ptr<Checker>> runs;
        std::vector<std::string> expected;
        for (int k = 0; k < 4; ++k) {
            std::vector<std::string> args = format;
            args.insert(args.end(), {"-q", "-j1"});
            args.insert(args.end(), paths.begin() + k * 100, paths.begin() + (k + 1) * 100);
            for (const std::string& line : split(runCheck(args).out))
                expected.push_back(line);
            runs.push_back(std::make_unique<Checker>(args, RunSetup{pipe[1]}));
        }
        ::close(pipe[1]);
        std::string joined;
        char buffer[1 << 16];
        // Read slowly, so that the pipe fills and the writers wait on each other.
        for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) {
            joined.append(buffer, static_cast<size_t>(n));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ::close(pipe[0]);
        for (auto& run : runs)
            EXPECT_EQ(run->wait(), 0);
        EXPECT_EQ(sorted(split(joined)), sorted(expected)) << (format.empty() ? "table" : "json");
    }
}

// While the list is still open, the lines of the paths read so far are
// written within about 100 ms; a termination signal then ends the run in
// order, with 128 + its number, and nothing half written.
TEST_F(Pipelines, LinesComeWhileTheListIsReadAndASignalEndsTheRunInOrder)
{
    const std::vector<std::string> paths = writeFiles(folder_, 300);
    std::string list;
    for (const std::string& path : paths)
        list += path + "\n";
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        Checker run({"--json", "-j2", "--files-from=-"});
        run.write(list);
        std::string out;
        for (int tries = 0; tries < 500 && split(out).size() < paths.size(); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            out = run.out();
        }
        EXPECT_EQ(split(out).size(), paths.size()) << "signal " << number;
        run.signal(number);
        EXPECT_EQ(run.wait(), 128 + number);
        const auto lines = split(run.out());
        ASSERT_EQ(lines.size(), paths.size());
        for (size_t i = 0; i < lines.size(); ++i)
            ASSERT_TRUE(lines[i].starts_with("{\"schema\":1,\"path\":\"" + paths[i] + "\"") && lines[i].ends_with("}"))
                << lines[i];
    }
}

// Lists, one path a line or NUL-separated, from a file or stdin: each path
// is taken as a PATH argument would be (a folder is listed), in order,
// after the arguments.
TEST_F(Pipelines, FileListsAreTakenAsPaths)
{
    const std::string sound = folder_.write("a b.jpg", soundWithComment(1));
    const std::string odd = folder_.write("line\nbreak.jpg", soundWithComment(1));
    folder_.write("sub/x.jpg", soundWithComment(1));
    folder_.write("sub/y.jpg", soundWithComment(1));
    const std::string sub = folder_.path() + "/sub";
    const std::string missing = folder_.path() + "/missing.jpg";
    const std::string listFile = folder_.path() + "/list";
    std::ofstream(listFile) << sound << "\n\n" << sub << "\n" << missing;

    const std::vector<std::string> fromLines = {sound, sub + "/x.jpg", sub + "/y.jpg", missing};
    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::vector<std::string> paths;
    } cases[] = {
        {{"--files-from", listFile}, "", fromLines},
        {{"--files-from=-"}, sound + "\n\n" + sub + "\n" + missing + "\n", fromLines},
        {{"-0", "--files-from=-", odd}, sound + '\0' + odd + '\0' + '\0',
         {odd, sound, odd}},
        {{"--null", "--files-from=-"}, sub + std::string(1, '\0'), {sub + "/x.jpg", sub + "/y.jpg"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--print0", "-q"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result run = runCheck(args, c.input);
        EXPECT_EQ(split(run.out, '\0'), c.paths) << c.args[0];
        EXPECT_EQ(run.status, std::find(c.paths.begin(), c.paths.end(), missing) != c.paths.end() ? 1 : 0);
    }

    // A list that cannot be opened is a usage error; one that cannot be read
    // leaves the run incomplete.
    EXPECT_EQ(runCheck({"--files-from", folder_.path() + "/none"}).status, 2);
    const Result folderList = runCheck({"-q", "--files-from", folder_.path(), sound});
    EXPECT_EQ(folderList.status, 3);
    EXPECT_NE(folderList.err.find("cannot read the file list: Is a directory"), std::string::npos) << folderList.err;
    EXPECT_EQ(split(folderList.out).size(), 2u);  // the header and sound's row
}

// --print0 with --errors-only, --no-header, short options together,
// --name=value, --version and usage errors.
TEST_F(Pipelines, OptionsOfTheCommandLine)
{
    const std::string good = folder_.write("good.jpg", soundWithComment(1));
    Bytes cut = soundWithComment(1);
    cut.resize(cut.size() - 40);
    const std::string bad = folder_.write("sub/bad.jpg", cut);
    const std::string badName = folder_.write("sub/new\nline.jpg", cut);

    const Result damaged = runCheck({"-rq", "--errors-only", "--print0", folder_.path()});
    EXPECT_EQ(damaged.out, bad + '\0' + badName + '\0');
    EXPECT_EQ(damaged.status, 1);
    const Result table = runCheck({"-qr", "--no-header", "--jobs=2", folder_.path()});
    const auto rows = split(table.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0].starts_with(good + "\t")) << rows[0];

    const Result version = runCheck({"--version"});
    EXPECT_EQ(version.out, "scanlark-check (Scanlark) " SCANLARK_PROJECT_VERSION "\n");
    EXPECT_EQ(version.status, 0);

    for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"-rx", good}, "unknown option '-x'"},
             {{"--print0", "--json", good}, "--print0 and --json"},
             {{"--shard=0/3", good}, "--shard needs K/N"},
             {{"--shard", "4/3", good}, "--shard needs K/N"},
             {{"--shard=1/0", good}, "--shard needs K/N"},
             {{"--shard=x", good}, "--shard needs K/N"},
             {{"--files-from"}, "needs a value"},
             {{"--files-from=-", "--files-from=-"}, "once"}}) {
        const Result usage = runCheck(args);
        EXPECT_EQ(usage.status, 2) << message;
        EXPECT_NE(usage.err.find(message), std::string::npos) << usage.err;
        EXPECT_EQ(usage.out, "");
    }
}

// The shards of one count check every file once, and a file stays in its
// shard when files are added.
TEST_F(Pipelines, ShardsSplitTheFilesOnceAndKeepThemWhereTheyAre)
{
    writeFiles(folder_, 60);
    const auto shardRun = [&](int k, int n) {
        return split(runCheck({"--json", "-rq", "--shard=" + std::to_string(k) + "/" + std::to_string(n), folder_.path()}).out);
    };
    const auto whole = split(runCheck({"--json", "-rq", folder_.path()}).out);
    std::vector<std::vector<std::string>> before;
    std::vector<std::string> all;
    for (int k = 1; k <= 3; ++k) {
        before.push_back(shardRun(k, 3));
        EXPECT_GT(before.back().size(), 5u) << k;  // 60 files do spread
        all.insert(all.end(), before.back().begin(), before.back().end());
    }
    EXPECT_EQ(sorted(all), sorted(whole));  // once each, nothing else
    EXPECT_EQ(shardRun(1, 1), whole);

    writeFiles(folder_, 30, "g");
    for (int k = 1; k <= 3; ++k) {
        const auto after = shardRun(k, 3);
        for (const std::string& line : before[k - 1])
            EXPECT_NE(std::find(after.begin(), after.end(), line), after.end()) << line;
    }
}

// Each record names its schema, the file's size and time, and an ASCII
// verdict code; something unreadable gets a record too, and exit status 3.
TEST_F(Pipelines, JsonRecordsForPrograms)
{
    struct Case {
        const char* name;
        Bytes bytes;
        const char* fields;
    };
    Bytes cut = soundWithComment(1);
    cut.resize(cut.size() - 40);
    Bytes appended = soundWithComment(1);
    appended.push_back(1);
    const Case cases[] = {
        {"sound.jpg", soundWithComment(1), "\"verdict_code\":\"sound\""},
        {"appended.jpg", appended, "\"verdict_code\":\"sound_appended\""},
        {"cut.jpg", cut, "\"verdict_code\":\"damaged\""},
        {"empty.jpg", {}, "\"size\":0,\"mtime\":\"2021-02-03T04:05:06.123456789Z\",\"VerdictText\""},
        {"text.jpg", Bytes(20, 'x'), "\"size\":20,\"mtime\":\"2021-02-03T04:05:06.123456789Z\",\"VerdictText\""},
    };
    std::vector<std::string> args = {"--json", "-q"};
    for (const Case& c : cases) {
        args.push_back(folder_.write(c.name, c.bytes));
        const timespec times[2] = {{1612325106, 123456789}, {1612325106, 123456789}};  // 2021-02-03 04:05:06 UTC
        ASSERT_EQ(::utimensat(AT_FDCWD, args.back().c_str(), times, 0), 0);
    }
    args.push_back(folder_.path() + "/missing.jpg");
    const auto lines = split(runCheck(args).out);
    ASSERT_EQ(lines.size(), std::size(cases) + 1);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_TRUE(lines[i].starts_with("{\"schema\":1,\"path\":\"" + args[i + 2] + "\",\"size\":")) << lines[i];
        EXPECT_NE(lines[i].find(cases[i].fields), std::string::npos) << lines[i];
    }
    EXPECT_NE(lines[4].find("\"verdict_code\":\"not_jpeg\""), std::string::npos) << lines[4];
    EXPECT_NE(lines[5].find("\"size\":null,\"mtime\":null,\"VerdictText\":\"ファイルが存在しません\",\"Verdict\":4,"
                            "\"verdict_code\":\"not_found\""),
              std::string::npos) << lines[5];

    // A folder that may not be searched: a record, and status 1 as for a
    // file that may not be opened.
    ASSERT_EQ(::chmod(folder_.path().c_str(), 0755), 0);
    folder_.write("locked/inner/a.jpg", soundWithComment(1));
    const std::string locked = folder_.path() + "/locked";
    ASSERT_EQ(::chmod(locked.c_str(), 0644), 0);  // listed, but not searched
    const Result listing = runCheck({"--json", "-rq", locked}, "", {-1, true});
    EXPECT_EQ(listing.out, "{\"schema\":1,\"path\":\"" + locked + "/inner\",\"type\":\"folder\",\"error\":\"Permission "
                           "denied\",\"error_code\":\"EACCES\"}\n");
    EXPECT_EQ(listing.status, 1);
    ::chmod(locked.c_str(), 0755);

    // A file that opens but whose read fails (a sysfs attribute that answers
    // EIO): status 3, also beside damage.
    const std::string eio = "/sys/devices/software/power/autosuspend_delay_ms";
    const Result unreadable = runCheck({"--json", "-q", eio, folder_.path() + "/cut.jpg"});
    if (unreadable.err.find("Input/output error") == std::string::npos)
        GTEST_SKIP() << eio << " does not answer EIO here: " << unreadable.err;
    const auto records = split(unreadable.out);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], "{\"schema\":1,\"path\":\"" + eio + "\",\"type\":\"file\",\"error\":\"Input/output error\","
                          "\"error_code\":\"EIO\"}");
    EXPECT_EQ(unreadable.status, 3);
}

// On a terminal, stderr shows how the listing goes while it goes on; -q
// shows nothing.
TEST_F(Pipelines, ListingProgressOnATerminal)
{
    const std::vector<std::string> paths = writeFiles(folder_, 20);
    for (const bool quiet : {false, true}) {
        int master = -1, slave = -1;
        ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        std::vector<std::string> args = {"--files-from=-", "--no-header"};
        if (quiet)
            args.push_back("-q");
        Checker run(args, {-1, false, slave});
        ::close(slave);
        run.write(paths[0] + "\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the listing waits for more
        run.write(paths[1] + "\n");
        EXPECT_EQ(run.wait(), 0);
        std::string shown;
        char buffer[4096];
        for (pollfd p{master, POLLIN, 0}; ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            shown.append(buffer, static_cast<size_t>(n));
        }
        ::close(master);
        if (quiet) {
            EXPECT_EQ(shown, "");
        } else {
            EXPECT_NE(shown.find("listing: 1 files in 0 folders so far; "), std::string::npos) << shown;
        }
        EXPECT_EQ(split(run.out()).size(), 2u);
    }
}

}  // namespace
