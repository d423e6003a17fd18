// The fixity catalogue through scanlark-check: what --verify tells apart,
// what --changed-only leaves unread, manifests sha256sum agrees with, and
// a catalogue that stays whole whatever happens to the runs writing it.
#include "CheckerProcess.h"
#include "ColourJpeg.h"
#include "FileHelpers.h"
#include "JpegBuilder.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace {

// A sound file, libjpeg's, whose content differs with n.
Bytes soundFile(int n)
{
    ColourJpegSettings settings;
    settings.quality = 90;
    return ColourJpeg(settings, [n](int x, int y, uint8_t* rgb) {
        rgb[0] = static_cast<uint8_t>(x * 16 + n);
        rgb[1] = static_cast<uint8_t>(y * 16 + n * 7);
        rgb[2] = static_cast<uint8_t>(n * 13);
    });
}

// The deep verdict of a JSON line.
std::string deepVerdict(const std::string& line)
{
    const std::string key = "\"Deep\":{\"Verdict\":\"";
    const size_t at = line.find(key);
    return at == std::string::npos ? "<none>" : line.substr(at + key.size(), line.find('"', at + key.size()) - at - key.size());
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

// The value of a JSON field of a line as written: a string's inside, or the
// token (true, null, a number); "<none>" when the line has no such field.
std::string field(const std::string& line, const std::string& name)
{
    const std::string key = "\"" + name + "\":";
    const size_t at = line.find(key);
    if (at == std::string::npos)
        return "<none>";
    const size_t start = at + key.size();
    if (line[start] == '"') {
        std::string value;
        for (size_t i = start + 1; i < line.size() && line[i] != '"'; ++i)
            value += line[i] == '\\' ? line[++i] : line[i];
        return value;
    }
    return line.substr(start, line.find_first_of(",}", start) - start);
}

// Path -> Fixity of each JSON line.
std::map<std::string, std::string> fixityByPath(const std::string& json)
{
    std::map<std::string, std::string> result;
    for (const std::string& line : lines(json))
        result[field(line, "path")] = field(line, "Fixity");
    return result;
}

struct stat statOf(const std::string& path)
{
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status;
}

// Flips one bit inside the image data; the file keeps its modification time
// (as bit rot does) unless newTime.
void flipBit(const std::string& path, bool newTime)
{
    const struct stat before = statOf(path);
    std::string bytes = ReadBytes(path);
    bytes[bytes.size() - 30] ^= 0x10;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    timespec times[2] = {before.st_atim, before.st_mtim};
    if (newTime)
        times[1].tv_sec += 10;
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// The catalogue file as the test reads it.
class CatalogFile {
public:
    // create: a database of the test's own, made when missing.
    explicit CatalogFile(const std::string& path, bool create = false)
    {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0), nullptr);
    }
    ~CatalogFile() { sqlite3_close(db_); }
    // The rows of a query, each one line of its columns.
    std::vector<std::string> rows(const std::string& sql)
    {
        std::vector<std::string> result;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return {"error: " + std::string(sqlite3_errmsg(db_))};
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                row += (i ? "|" : "") + std::string(text ? text : "NULL");
            }
            result.push_back(row);
        }
        sqlite3_finalize(statement);
        return result;
    }
    std::string value(const std::string& sql)
    {
        const auto all = rows(sql);
        return all.empty() ? "" : all.front();
    }
    void exec(const std::string& sql) { sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }

private:
    sqlite3* db_ = nullptr;
};

class Fixity : public ::testing::Test {
protected:
    std::string archive() const { return folder_.path() + "/archive"; }
    std::string catalog() const { return folder_.path() + "/catalog.db"; }
    std::string write(const std::string& name, int n) { return folder_.write("archive/" + name, soundFile(n)); }
    TempFolder folder_;
};

// A catalogue of sound files; then one file rots (its time kept), one is
// edited, one deleted and one renamed: --verify names exactly those, and
// writes nothing.
TEST_F(Fixity, VerifyTellsSilentCorruptionFromEditsLossesAndMoves)
{
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "sub/f.jpg"})
        write(name, name[0]);
    const CheckerResult first = RunChecker({"-rq", "--json", "--catalog", catalog(), archive()});
    ASSERT_EQ(first.status, 0) << first.err;
    for (const auto& [path, fixity] : fixityByPath(first.out))
        EXPECT_EQ(fixity, "new") << path;

    flipBit(archive() + "/b.jpg", false);
    flipBit(archive() + "/c.jpg", true);
    std::filesystem::remove(archive() + "/d.jpg");
    std::filesystem::rename(archive() + "/e.jpg", archive() + "/e2.jpg");
    const auto before = CatalogFile(catalog()).rows("SELECT * FROM files ORDER BY path");

    const CheckerResult verify = RunChecker({"-rq", "--json", "--catalog", catalog(), "--verify", archive()});
    EXPECT_EQ(verify.status, 1) << verify.err;
    const std::map<std::string, std::string> expected = {
        {archive() + "/a.jpg", "same"},    {archive() + "/b.jpg", "changed"}, {archive() + "/c.jpg", "edited"},
        {archive() + "/d.jpg", "missing"}, {archive() + "/e2.jpg", "moved"},  {archive() + "/sub/f.jpg", "same"}};
    EXPECT_EQ(fixityByPath(verify.out), expected) << verify.out;
    const auto out = lines(verify.out);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(field(out.back(), "path"), archive() + "/d.jpg") << "the missing come after the others";
    EXPECT_EQ(field(out.back(), "Verdict"), "4");
    EXPECT_EQ(field(out.back(), "sha256").size(), 64u);
    for (const std::string& line : out) {
        if (field(line, "Fixity") == "moved")
            EXPECT_EQ(field(line, "moved_from"), archive() + "/e.jpg");
    }
    EXPECT_EQ(CatalogFile(catalog()).rows("SELECT * FROM files ORDER BY path"), before);

    // The table says the same in its last column; --errors-only keeps the alarms.
    const auto table = lines(RunChecker({"-rq", "--errors-only", "--catalog", catalog(), "--verify", archive()}).out);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_TRUE(table[0].ends_with("\tfixity"));
    EXPECT_TRUE(table[1].starts_with(archive() + "/b.jpg\t") && table[1].ends_with("\tchanged")) << table[1];
    EXPECT_TRUE(table[2].starts_with(archive() + "/d.jpg\t") && table[2].ends_with("\tmissing")) << table[2];
}

// Recording over a changed archive: a corrupted file's record stays (it is
// the evidence), an edited one is recorded anew, a record follows its file
// when it moves, and records of files that are gone stay until forgotten.
TEST_F(Fixity, RecordingKeepsTheEvidenceFollowsMovesAndForgetsOnlyWhenAsked)
{
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        write(name, name[0]);
    ASSERT_EQ(RunChecker({"-q", "--catalog", catalog(), archive()}).status, 0);
    flipBit(archive() + "/a.jpg", false);
    flipBit(archive() + "/b.jpg", true);
    std::filesystem::remove(archive() + "/c.jpg");
    std::filesystem::rename(archive() + "/d.jpg", archive() + "/d2.jpg");

    const CheckerResult record = RunChecker({"-q", "--json", "--catalog", catalog(), archive()});
    EXPECT_EQ(record.status, 1);
    const auto verify = [&] {
        return fixityByPath(RunChecker({"-q", "--json", "--catalog", catalog(), "--verify", archive()}).out);
    };
    std::map<std::string, std::string> expected = {{archive() + "/a.jpg", "changed"},
                                                   {archive() + "/b.jpg", "same"},
                                                   {archive() + "/c.jpg", "missing"},
                                                   {archive() + "/d2.jpg", "same"}};
    EXPECT_EQ(verify(), expected);

    const CheckerResult forget = RunChecker({"-q", "--json", "--catalog", catalog(), "--forget-missing", archive()});
    EXPECT_EQ(fixityByPath(forget.out)[archive() + "/c.jpg"], "missing");
    EXPECT_EQ(forget.status, 1) << "a.jpg is still changed";
    expected.erase(archive() + "/c.jpg");
    EXPECT_EQ(verify(), expected);
    EXPECT_EQ(CatalogFile(catalog()).value("SELECT count(*) FROM files"), "3");
}

// --changed-only reads no file whose size, time and inode are as recorded:
// a rotten file that kept its time passes as recorded (only a full verify
// finds it), a file copied over itself (a new inode) is read again, and a
// run that decodes reads files recorded without a deep verdict.
TEST_F(Fixity, ChangedOnlyReadsOnlyFilesThatDoNotLookAsRecorded)
{
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        write(name, name[0]);
    ASSERT_EQ(RunChecker({"-q", "--catalog", catalog(), archive()}).status, 0);
    flipBit(archive() + "/b.jpg", false);
    const std::string c = archive() + "/c.jpg";
    const struct stat cBefore = statOf(c);
    std::filesystem::copy_file(c, c + ".tmp");
    std::filesystem::rename(c + ".tmp", c);
    const timespec times[2] = {cBefore.st_atim, cBefore.st_mtim};
    ::utimensat(AT_FDCWD, c.c_str(), times, 0);

    const auto quick = lines(RunChecker({"-q", "--json", "--catalog", catalog(), "--verify", "--changed-only", archive()}).out);
    ASSERT_EQ(quick.size(), 3u);
    for (const std::string& line : quick)
        EXPECT_EQ(field(line, "Fixity"), "same") << line;
    EXPECT_EQ(field(quick[0], "stored"), "true");
    EXPECT_EQ(field(quick[0], "verdict_code"), "sound");
    EXPECT_NE(field(quick[0], "checked"), "<none>");
    EXPECT_EQ(field(quick[0], "Width"), "<none>") << "nothing of the walk but its verdict is recorded";
    EXPECT_EQ(field(quick[1], "stored"), "true") << "the rotten file was not read";
    EXPECT_EQ(field(quick[2], "stored"), "<none>") << "a new inode is read";
    EXPECT_EQ(fixityByPath(RunChecker({"-q", "--json", "--catalog", catalog(), "--verify", archive()}).out)[archive() + "/b.jpg"],
              "changed");

    // Recorded without a deep verdict: a decoding run reads every file, and records what it found.
    const auto deep = lines(RunChecker({"-q", "--json", "--deep", "--catalog", catalog(), "--changed-only", archive()}).out);
    ASSERT_EQ(deep.size(), 3u);
    EXPECT_EQ(field(deep[0], "stored"), "<none>");
    EXPECT_EQ(deepVerdict(deep[0]), "sound");
    const auto deepAgain = lines(RunChecker({"-q", "--json", "--deep", "--catalog", catalog(), "--changed-only", archive()}).out);
    ASSERT_EQ(deepAgain.size(), 3u);
    EXPECT_EQ(field(deepAgain[0], "stored"), "true");
    EXPECT_EQ(deepVerdict(deepAgain[0]), "sound") << deepAgain[0];

    // The table of a run that reads nothing.
    const auto table = lines(RunChecker({"-q", "--catalog", catalog(), "--changed-only", archive()}).out);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_TRUE(table[1].starts_with(archive() + "/a.jpg\tなし\t")) << table[1];
    EXPECT_TRUE(table[1].ends_with("\tsame"));
}

// Names sha256sum escapes (backslash, line feed, carriage return) and names
// that are not UTF-8: --manifest writes sha256sum's own lines, sha256sum -c
// verifies them, and a manifest sha256sum made is taken into a catalogue.
TEST_F(Fixity, ManifestsAreSha256sumsOwn)
{
    const std::vector<std::string> names = {"back\\slash.jpg", "carriage\rreturn.jpg", "new\nline.jpg", "plain.jpg",
                                            "space .jpg", "\xff\xfe.jpg"};
    for (size_t i = 0; i < names.size(); ++i)
        write(names[i], static_cast<int>(i));
    write("notes.txt", 99);
    const CheckerResult manifest = RunChecker({"-q", "--manifest", "."}, "", archive());
    ASSERT_EQ(manifest.status, 0) << manifest.err;
    ASSERT_EQ(lines(manifest.out).size(), names.size()) << manifest.out;

    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back("./" + name);
    const CheckerResult theirs = RunProgram("sha256sum", paths, "", archive());
    if (theirs.status == 127)
        GTEST_SKIP() << "sha256sum is not installed";
    EXPECT_EQ(manifest.out, theirs.out);
    folder_.write("manifest.txt", Bytes(manifest.out.begin(), manifest.out.end()));
    const CheckerResult check = RunProgram("sha256sum", {"-c", "--quiet", folder_.path() + "/manifest.txt"}, "", archive());
    EXPECT_EQ(check.status, 0) << check.out << check.err;

    // sha256sum's manifest of every file, the text file too, into a new catalogue.
    paths.push_back("./notes.txt");
    const std::string theirManifest = RunProgram("sha256sum", paths, "", archive()).out;
    const CheckerResult import = RunChecker({"--catalog", catalog(), "--import-manifest", "-"}, theirManifest, archive());
    EXPECT_EQ(import.status, 0) << import.err;
    EXPECT_NE(import.err.find("6 records made"), std::string::npos) << import.err;
    EXPECT_NE(import.err.find("1 names not of JPEG files"), std::string::npos) << import.err;
    flipBit(archive() + "/plain.jpg", false);
    const auto verify = fixityByPath(RunChecker({"-q", "--json", "--catalog", catalog(), "--verify", "."}, "", archive()).out);
    ASSERT_EQ(verify.size(), names.size());
    for (const auto& [path, fixity] : verify)
        EXPECT_EQ(fixity, path == "./plain.jpg" ? "changed" : "same") << path;

    // A manifest with a line of another form records nothing.
    const std::string before = ReadBytes(catalog());
    const CheckerResult bad = RunChecker({"--catalog", catalog(), "--import-manifest", "-"},
                                         theirManifest + "this is not a manifest line\n", archive());
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("line 8 is not a sha256sum line"), std::string::npos) << bad.err;
    EXPECT_EQ(CatalogFile(catalog()).value("SELECT count(*) FROM files"), "6");
}

// A file that is not a catalogue, another program's database and a
// catalogue of a newer schema are refused with a message and left exactly
// as they were; an empty file becomes a catalogue; --verify never creates one.
TEST_F(Fixity, WhatIsNotACatalogueIsRefusedAndLeftAsItIs)
{
    write("a.jpg", 1);
    const std::string text = folder_.write("text.db", Bytes(5000, 'x'));
    const std::string other = folder_.path() + "/other.db";
    CatalogFile(other, true).exec("CREATE TABLE notes (text); INSERT INTO notes VALUES ('mine');");
    const std::string newer = folder_.path() + "/newer.db";
    ASSERT_EQ(RunChecker({"-q", "--catalog", newer, archive()}).status, 0);
    CatalogFile(newer).exec("PRAGMA user_version = 99");
    struct Case {
        std::string file;
        std::string says;
    };
    for (const Case& c : {Case{text, "is not a Scanlark catalogue (not an SQLite database)"},
                          Case{other, "is not a Scanlark catalogue (an SQLite database of another program)"},
                          Case{newer, "is a catalogue of a newer Scanlark (schema 99"}}) {
        const std::string bytes = ReadBytes(c.file);
        for (const std::vector<std::string>& args : {std::vector<std::string>{"--catalog", c.file, archive()},
                                                     {"--catalog", c.file, "--verify", archive()}}) {
            const CheckerResult run = RunChecker(args);
            EXPECT_EQ(run.status, 2) << c.file;
            EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
            EXPECT_NE(run.err.find("it is left as it is"), std::string::npos) << run.err;
            EXPECT_EQ(run.out, "");
            EXPECT_TRUE(ReadBytes(c.file) == bytes) << c.file << " was changed";
        }
    }
    const std::string empty = folder_.write("empty.db", {});
    EXPECT_EQ(RunChecker({"-q", "--catalog", empty, archive()}).status, 0);
    EXPECT_EQ(CatalogFile(empty).value("SELECT count(*) FROM files"), "1");
    EXPECT_EQ(CatalogFile(empty).value("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(CatalogFile(empty).value("PRAGMA user_version"), "1");

    const CheckerResult none = RunChecker({"--catalog", folder_.path() + "/none.db", "--verify", archive()});
    EXPECT_EQ(none.status, 2);
    EXPECT_FALSE(std::filesystem::exists(folder_.path() + "/none.db"));
}

// Runs killed at any moment leave a whole catalogue with every batch they
// committed, and the next --changed-only run reads only what is not in it.
// A run ended by SIGTERM commits what it wrote lines for.
TEST_F(Fixity, AKilledRunLeavesTheCatalogueWholeAndTheNextResumes)
{
    constexpr int kFiles = 4000;
    for (int i = 0; i < kFiles; ++i)
        write("f" + std::to_string(10000 + i) + ".jpg", i);
    const auto recorded = [](const std::string& file) {
        const std::string count = std::filesystem::exists(file) ? CatalogFile(file).value("SELECT count(*) FROM files") : "";
        return count.empty() || count.starts_with("error") ? 0 : std::stoi(count);
    };
    // Waits until the run has committed its first batch.
    const auto firstBatch = [&](const std::string& file) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline && recorded(file) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    {
        CheckerProcess run({"-q", "-j1", "--catalog", catalog(), archive()});
        firstBatch(catalog());
        run.signal(SIGKILL);
        run.wait();
    }
    CatalogFile file(catalog());
    EXPECT_EQ(file.value("PRAGMA integrity_check"), "ok");
    const int kept = std::stoi(file.value("SELECT count(*) FROM files"));
    EXPECT_LT(kept, kFiles) << "the run ended before it was killed";

    const CheckerResult resumed = RunChecker({"-q", "--json", "--catalog", catalog(), "--changed-only", archive()});
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    int stored = 0, fresh = 0;
    for (const std::string& line : lines(resumed.out)) {
        stored += field(line, "stored") == "true";
        fresh += field(line, "Fixity") == "new";
    }
    EXPECT_EQ(stored, kept);
    EXPECT_EQ(stored + fresh, kFiles);
    EXPECT_EQ(file.value("SELECT count(*) FROM files"), std::to_string(kFiles));

    // SIGTERM: whatever has its line has its record.
    const std::string second = folder_.path() + "/second.db";
    CheckerProcess run({"-q", "-j1", "--json", "--catalog", second, archive()});
    firstBatch(second);
    run.signal(SIGTERM);
    const CheckerResult ended = run.wait();
    const size_t written = lines(ended.out).size();
    EXPECT_EQ(ended.status, 128 + SIGTERM);
    EXPECT_LT(written, size_t{kFiles});
    EXPECT_EQ(recorded(second), static_cast<int>(written));
}

// A run that finds the catalogue locked by another writer waits for it, and
// two runs recording at once lose nothing of each other's.
TEST_F(Fixity, RunsOnOneCatalogueWaitForEachOther)
{
    for (int i = 0; i < 300; ++i) {
        write("one/f" + std::to_string(i) + ".jpg", i);
        write("two/f" + std::to_string(i) + ".jpg", 1000 + i);
    }
    ASSERT_EQ(RunChecker({"-q", "--catalog", catalog(), archive() + "/one/f0.jpg"}).status, 0);
    {
        CatalogFile holder(catalog());
        holder.exec("BEGIN IMMEDIATE");
        holder.exec("INSERT INTO files (path, sha256) VALUES (x'00', zeroblob(32))");
        CheckerProcess waiting({"-q", "--catalog", catalog(), archive() + "/one"});
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        holder.exec("COMMIT");
        const CheckerResult run = waiting.wait();
        EXPECT_EQ(run.status, 0) << run.err;
    }
    CheckerProcess one({"-q", "-j1", "--catalog", catalog(), archive() + "/one"});
    CheckerProcess two({"-q", "-j1", "--catalog", catalog(), archive() + "/two"});
    EXPECT_EQ(one.wait().status, 0);
    EXPECT_EQ(two.wait().status, 0);
    EXPECT_EQ(CatalogFile(catalog()).value("SELECT count(*) FROM files"), "601");
}

// Missing are the recorded files a run's listing would have taken: not
// those below when it does not recurse, nor hidden ones with --no-hidden,
// nor another shard's.
TEST_F(Fixity, MissingAreTheFilesTheListingWouldHaveTaken)
{
    const std::vector<std::string> names = {"top.jpg", "sub/below.jpg", ".hidden/h.jpg", ".dot.jpg", "sub/deeper/d.jpg"};
    for (size_t i = 0; i < names.size(); ++i)
        write(names[i], static_cast<int>(i));
    ASSERT_EQ(RunChecker({"-rq", "--catalog", catalog(), archive()}).status, 0);
    for (const std::string& name : names)
        std::filesystem::remove(archive() + "/" + name);
    const auto missing = [&](std::vector<std::string> options) {
        options.insert(options.end(), {"-q", "--json", "--catalog", catalog(), "--verify", archive()});
        std::set<std::string> found;
        for (const auto& [path, fixity] : fixityByPath(RunChecker(options).out)) {
            if (path == archive())
                continue;  // the folder given, when it is gone
            EXPECT_EQ(fixity, "missing");
            found.insert(path.substr(archive().size() + 1));
        }
        return found;
    };
    EXPECT_EQ(missing({"-r"}), std::set<std::string>(names.begin(), names.end()));
    EXPECT_EQ(missing({}), (std::set<std::string>{"top.jpg", ".dot.jpg"}));
    EXPECT_EQ(missing({"-r", "--no-hidden"}), (std::set<std::string>{"top.jpg", "sub/below.jpg", "sub/deeper/d.jpg"}));
    std::set<std::string> shards;
    size_t inShards = 0;
    for (const char* shard : {"--shard=1/2", "--shard=2/2"}) {
        const auto part = missing({"-r", shard});
        inShards += part.size();
        shards.insert(part.begin(), part.end());
    }
    EXPECT_EQ(inShards, names.size());
    EXPECT_EQ(shards.size(), names.size());
    // A folder given that is gone entirely.
    std::filesystem::remove_all(archive());
    EXPECT_EQ(missing({"-r"}).size(), names.size());
}

TEST_F(Fixity, CatalogueOptionsOnTheCommandLine)
{
    write("a.jpg", 1);
    for (const std::vector<std::string>& args : {
             std::vector<std::string>{"--verify", archive()},
             {"--changed-only", archive()},
             {"--forget-missing", archive()},
             {"--import-manifest", "-"},
             {"--catalog", catalog(), "--verify", "--forget-missing", archive()},
             {"--catalog", catalog(), "--import-manifest", "-", archive()},
             {"--manifest", "--json", archive()},
             {"--manifest", "--print0", archive()},
             {"--catalog=", archive()},
         }) {
        const CheckerResult run = RunChecker(args);
        EXPECT_EQ(run.status, 2) << args[0] << " " << args[1];
        EXPECT_NE(run.err.find("Try 'scanlark-check --help'"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(catalog()));
}

}  // namespace
