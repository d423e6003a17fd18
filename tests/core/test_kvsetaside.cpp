// Setting files aside with their folders: where each file goes, the record
// of a run and its escapes, the SHA-256 it keeps, and undoing a move byte
// for byte, refusing what changed or whose place was taken.
#include "FileHelpers.h"
#include "TempFiles.h"
#include "catalogue/KvSetAside.h"
#include "fixity/Sha256.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::string HexDigestOf(const std::string& bytes)
{
    return Sha256Hex(Sha256Of({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
}

// "写真" in Shift_JIS: not UTF-8, so it must travel as bytes.
const std::string kShiftJisFolder = "\x8E\xCA\x90\x5E";

TEST(SetAsideRecord, EveryByteOfANameReadsBackAndMalformedRecordsAreRefused)
{
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte += static_cast<char>(c);
    const std::vector<TKvSetAsideRecord> records = {
        {"/cards/" + everyByte + ".jpg", "/aside/" + everyByte + ".jpg", 1234, std::string(64, 'a'), "damaged", ""},
        {"/a\\t/b\tc\nd\re.jpg", "/x/" + kShiftJisFolder + "/e.jpg", 0, "", "sound", "damaged"},
        {"\\", "\\\\", 18446744073709551615u, "", "", "not-decoded"},
    };
    const std::string text = SetAsideRecordText(records);
    EXPECT_TRUE(text.starts_with("original\tplaced\tsize\tsha256\tverdict\tdeep\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
    EXPECT_EQ(ParseSetAsideRecord(text), records);
    EXPECT_EQ(ParseSetAsideRecord(SetAsideRecordText({})), std::vector<TKvSetAsideRecord>{});

    const std::string header(kSetAsideRecordHeader);
    for (const std::string& bad : {
             std::string("/a\t/b\t1\t\t\t\n"),                    // no header
             header + "\n/a\t/b\t1\t\t\t",                         // the last line cut short
             header + "\n/a\t/b\t1\t\t\n",                         // five fields
             header + "\n/a\t/b\t1\t\t\t\t\n",                     // seven
             header + "\n/a\\x\t/b\t1\t\t\t\n",                    // an unknown escape
             header + "\n/a\\\t/b\t1\t\t\t\n",                     // a backslash before the tab
             header + "\n/a\t/b\t-1\t\t\t\n",                      // a size that is no count
             header + "\n/a\t/b\t\t\t\t\n",                        // no size
             header + "\n/a\t/b\t12x\t\t\t\n",
         })
        EXPECT_EQ(ParseSetAsideRecord(bad), std::nullopt) << bad;
    EXPECT_EQ(SetAsideRecordName(0).size(), std::string("scanlark-moved-19700101-000000.tsv").size());
}

TEST(SetAside, EachFileKeepsItsFolderBelowTheListedOne)
{
    struct Row {
        std::string source, listed, destination, expected;
    };
    const Row rows[] = {
        {"/cards/A/DCIM/100CANON/IMG_0001.JPG", "/cards/", "/aside", "/aside/A/DCIM/100CANON"},
        {"/cards/A/DCIM/100CANON/IMG_0001.JPG", "/cards", "/aside/", "/aside/A/DCIM/100CANON"},
        {"/cards/a.jpg", "/cards/", "/aside", "/aside"},
        {"/elsewhere/a.jpg", "/cards/", "/aside", "/aside"},
        {"/cardsX/a/b.jpg", "/cards/", "/aside", "/aside"},
        {"/cards//a/./b.jpg", "/cards/", "/aside", "/aside/a"},
        {"/cards/a/../b.jpg", "/cards/", "/aside", "/aside"},
        {"/a/b.jpg", "/", "/aside", "/aside/a"},
        {"/cards/" + kShiftJisFolder + "/x.jpg", "/cards/", "/", "/" + kShiftJisFolder},
        {"/cards/a/b.jpg", "", "/aside", "/aside"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(KeptFolderOf(row.source, row.listed, row.destination), row.expected) << row.source;
}

TEST(SetAside, TheRecordKeepsTheDigestOfAFileLargerThanOneRead)
{
    TempFolder folder;
    const std::string big(3 << 20, 'x');
    const std::string source = folder.write("in/big.bin", Bytes(big));
    const TKvSetAsideResult run = SetAsideFiles({{source, "", ""}}, folder.path() + "/in/", folder.path() + "/out",
                                                false, {}, 1800000000);
    const auto records = ParseSetAsideRecord(ReadBytes(run.RecordPath));
    ASSERT_TRUE(records && records->size() == 1);
    EXPECT_EQ(records->front().Sha256, HexDigestOf(big));
}

class SetAsideRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Two cards with the same names, and a folder named in Shift_JIS.
        for (const std::string card : {"A", "B"})
            sources_.push_back(
                tree_.write("cards/" + card + "/DCIM/100CANON/IMG_0001.JPG", Bytes("photo of card " + card)));
        sources_.push_back(tree_.write("cards/" + kShiftJisFolder + "/IMG_0002.JPG", Bytes(std::string(5000, '\x7f'))));
        sources_.push_back(tree_.write("cards/top.jpg", Bytes("top")));
        for (const std::string& source : sources_)
            contents_.push_back(ReadBytes(source));
        fs::create_directories(aside());
    }
    std::string listed() const { return tree_.path() + "/cards/"; }
    std::string aside() const { return tree_.path() + "/aside"; }
    std::vector<TKvSetAsideFile> files() const
    {
        std::vector<TKvSetAsideFile> files;
        for (const std::string& source : sources_)
            files.push_back({source, "sound", "damaged"});
        return files;
    }
    // The place a source goes to under aside().
    std::string placed(size_t i) const { return aside() + "/" + sources_[i].substr(listed().size()); }

    TempFolder tree_;
    std::vector<std::string> sources_;
    std::vector<std::string> contents_;
};

TEST_F(SetAsideRun, AMoveKeepingFoldersAndItsUndoRoundTripTheFilesByteForByte)
{
    const std::time_t when = 1800000000;
    const TKvSetAsideResult run = SetAsideFiles(files(), listed(), aside(), true, {}, when);
    EXPECT_EQ(run.Transfer.Done, sources_.size());
    EXPECT_TRUE(run.Transfer.Failures.empty());
    ASSERT_EQ(run.RecordPath, aside() + "/" + SetAsideRecordName(when));
    for (size_t i = 0; i < sources_.size(); ++i) {
        EXPECT_FALSE(fs::exists(sources_[i])) << i;
        EXPECT_EQ(ReadBytes(placed(i)), contents_[i]) << i;
    }
    const std::optional<std::vector<TKvSetAsideRecord>> records = ParseSetAsideRecord(ReadBytes(run.RecordPath));
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), sources_.size());
    for (size_t i = 0; i < sources_.size(); ++i) {
        const TKvSetAsideRecord& r = (*records)[i];
        EXPECT_EQ(r, (TKvSetAsideRecord{sources_[i], placed(i), contents_[i].size(), HexDigestOf(contents_[i]), "sound",
                                        "damaged"}));
    }

    // A second run in the same second gets a record of its own.
    const std::string other = tree_.write("cards/C/x.jpg", Bytes("x"));
    const TKvSetAsideResult second = SetAsideFiles({{other, "", ""}}, listed(), aside(), false, {}, when);
    EXPECT_EQ(second.RecordPath, aside() + "/" + SetAsideRecordName(when).substr(0, 30) + "-2.tsv");

    const TKvFileOperationResult undo = UndoSetAside(run.RecordPath, {});
    EXPECT_EQ(undo.Done, sources_.size());
    EXPECT_TRUE(undo.Failures.empty()) << undo.Failures.front().Reason;
    for (size_t i = 0; i < sources_.size(); ++i) {
        EXPECT_EQ(ReadBytes(sources_[i]), contents_[i]) << i;
        EXPECT_FALSE(fs::exists(placed(i))) << i;
    }
    EXPECT_FALSE(fs::exists(run.RecordPath));  // nothing left to undo
}

TEST_F(SetAsideRun, UndoRefusesChangedFilesAndTakenPlacesAndKeepsThemInTheRecord)
{
    const TKvSetAsideResult run = SetAsideFiles(files(), listed(), aside(), true, {}, 1800000000);
    ASSERT_FALSE(run.RecordPath.empty());
    // Card A's photo changed in place, same size; card B's place taken again;
    // the folder of the Shift_JIS file gone meanwhile (made again).
    tree_.write("aside/A/DCIM/100CANON/IMG_0001.JPG", Bytes("photo of card Z"));
    tree_.write("cards/B/DCIM/100CANON/IMG_0001.JPG", Bytes("new"));
    fs::remove_all(tree_.path() + "/cards/" + kShiftJisFolder);

    const TKvFileOperationResult undo = UndoSetAside(run.RecordPath, {});
    EXPECT_EQ(undo.Done, 2u);
    ASSERT_EQ(undo.Failures.size(), 2u);
    EXPECT_EQ(undo.Failures[0].Path, placed(0));
    EXPECT_EQ(undo.Failures[0].Reason, "記録のあとで内容が変わっています (SHA-256)");
    EXPECT_EQ(undo.Failures[1].Path, placed(1));
    EXPECT_EQ(undo.Failures[1].Reason, "元の場所に別のファイルがあります");
    EXPECT_EQ(ReadBytes(sources_[1]), "new");
    EXPECT_EQ(ReadBytes(placed(1)), contents_[1]);
    EXPECT_EQ(ReadBytes(sources_[2]), contents_[2]);
    EXPECT_EQ(ReadBytes(sources_[3]), contents_[3]);

    // The record keeps the two refused; once their places are free and the
    // content is back, a second undo brings them home.
    const std::optional<std::vector<TKvSetAsideRecord>> left = ParseSetAsideRecord(ReadBytes(run.RecordPath));
    ASSERT_TRUE(left);
    ASSERT_EQ(left->size(), 2u);
    tree_.write("aside/A/DCIM/100CANON/IMG_0001.JPG", Bytes(contents_[0]));
    fs::remove(sources_[1]);
    const TKvFileOperationResult again = UndoSetAside(run.RecordPath, {});
    EXPECT_EQ(again.Done, 2u);
    EXPECT_TRUE(again.Failures.empty());
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(ReadBytes(sources_[i]), contents_[i]);

    // A record that names a file outside its folder, or is not a record at all.
    const std::string forged = tree_.write(
        "aside/forged.tsv", Bytes(std::string(kSetAsideRecordHeader) + "\n" + tree_.path() + "/back.jpg\t" +
                                  sources_[3] + "\t3\t" + HexDigestOf("top") + "\t\t\n"));
    const TKvFileOperationResult refused = UndoSetAside(forged, {});
    ASSERT_EQ(refused.Failures.size(), 1u);
    EXPECT_EQ(refused.Failures[0].Reason, "記録の場所が正しくありません");
    EXPECT_TRUE(fs::exists(sources_[3]));
    EXPECT_EQ(UndoSetAside(tree_.write("aside/junk.tsv", Bytes("junk")), {}).Failures.at(0).Reason, "記録を読めません");
}

TEST_F(SetAsideRun, ACopyKeepsItsSourcesAndRecordsTheNameAConflictGave)
{
    tree_.write("aside/top.jpg", Bytes("older"));
    TKvFileOperationCallbacks callbacks;
    callbacks.OnConflict = [](const std::string&, const std::string&) {
        return TKvConflictReply{TKvConflictAnswer::KeepBoth, false};
    };
    const TKvSetAsideResult run = SetAsideFiles(files(), listed(), aside(), false, callbacks, 1800000000);
    EXPECT_EQ(run.Transfer.Done, sources_.size());
    for (size_t i = 0; i < sources_.size(); ++i)
        EXPECT_EQ(ReadBytes(sources_[i]), contents_[i]);
    EXPECT_EQ(ReadBytes(aside() + "/top.jpg"), "older");
    EXPECT_EQ(ReadBytes(aside() + "/top (2).jpg"), "top");
    const auto records = ParseSetAsideRecord(ReadBytes(run.RecordPath));
    ASSERT_TRUE(records);
    EXPECT_EQ(records->back().Placed, aside() + "/top (2).jpg");

    // A folder that cannot be made is that file's failure; the rest go on.
    tree_.write("blocked/A", Bytes("a file where a folder must go"));
    const TKvSetAsideResult blocked =
        SetAsideFiles(files(), listed(), tree_.path() + "/blocked", false, {}, 1800000000);
    EXPECT_EQ(blocked.Transfer.Done, 3u);
    ASSERT_EQ(blocked.Transfer.Failures.size(), 1u);
    EXPECT_EQ(blocked.Transfer.Failures[0].Path, sources_[0]);
}

}  // namespace
