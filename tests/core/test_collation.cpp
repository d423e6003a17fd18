// Collation keys against the comparison they stand for, and the name sort
// that uses them.
#include "catalogue/KvCollation.h"
#include "catalogue/KvFileInfoCompare.h"
#include "catalogue/KvFileInfoList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <string>
#include <thread>
#include <vector>

namespace {

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// Names that stress the key: case and accents, kana and kanji, half-width
// forms, digits, punctuation, control bytes, bytes that are not UTF-8, long
// names past the short-name buffer, shared eight-byte beginnings, and short
// keys that begin longer ones (an accent adds only to the second level).
std::vector<std::string> trickyNames()
{
    std::vector<std::string> names = {
        "",          "a.jpg",          "A.jpg",          "b.jpg",        "B.JPG",        "\xC3\xA1.jpg",
        "\xC3\x84.jpg", "写真.jpg",    "しゃしん.jpg",   "シャシン.jpg", "ｼｬｼﾝ.jpg",    "img10.jpg",
        "img9.jpg",  "img_1.jpg",      "img-1.jpg",      "img 1.jpg",    ".hidden",      "\x01" "a.jpg",
        "\xFF\xFE.jpg", "bad\xC3.jpg", "IMG00001.JPG",   "img00001.jpg", "img00001a.jpg", "img0000.jpg",
        "a",         "A",              "\xC3\xA1",       "a\xCC\x81",   "ab",           "\xC3\xA1" "b",
    };
    for (const char* name : {"あ.jpg", "ア.jpg", "ｱ.jpg", "ａ.jpg", "Ａ.jpg"})
        names.push_back(name);
    names.push_back(std::string(300, 'x'));
    names.push_back(std::string(299, 'x') + "y");
    names.push_back(std::string(299, 'X') + "\xC3\xA9");
    return names;
}

TEST(Collation, KeysOrderExactlyAsTheComparisonAndIgnoreCaseOnly)
{
    const std::vector<std::string> names = trickyNames();
    std::vector<std::string> keys;
    for (const std::string& name : names) {
        keys.push_back(FileNameCollationKey(name));
        EXPECT_FALSE(keys.back().empty()) << name;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        for (size_t j = 0; j < names.size(); ++j) {
            EXPECT_EQ(sign(keys[i].compare(keys[j])), sign(CollateFileNames(names[i], names[j])))
                << '"' << names[i] << "\" vs \"" << names[j] << '"';
        }
    }
    // Texts: the same order through the text entry points.
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        const QString a = DecodeFileName(names[i]);
        const QString b = DecodeFileName(names[i + 1]);
        EXPECT_EQ(sign(CollationKey(a).compare(CollationKey(b))), sign(CollateTexts(a, b)));
        EXPECT_EQ(sign(CollateTexts(a, b)), sign(CollateFileNames(names[i], names[i + 1])));
    }

    EXPECT_EQ(CollateFileNames("IMG00001.JPG", "img00001.jpg"), 0);
    EXPECT_EQ(FileNameCollationKey("IMG00001.JPG"), FileNameCollationKey("img00001.jpg"));
    EXPECT_NE(CollateFileNames("a.jpg", "\xC3\xA1.jpg"), 0);  // an accent is no case
    EXPECT_LT(CollateFileNames("a.jpg", "B.jpg"), 0);
    EXPECT_LT(CollateFileNames("img0000.jpg", "img00001.jpg"), 0);
}

// Lower-casing is the only folding: kana type and width still order the
// names, so their order is fixed and reverses with the direction.
TEST(Collation, KanaTypeAndWidthOrderButCaseDoesNot)
{
    const std::pair<const char*, const char*> distinct[] = {
        {"あ.jpg", "ア.jpg"}, {"ア.jpg", "ｱ.jpg"}, {"ａ.jpg", "a.jpg"}, {"Ａ.jpg", "a.jpg"}, {"写真ア", "写真あ"}};
    for (const auto& [x, y] : distinct) {
        const int forward = CollateFileNames(x, y);
        EXPECT_NE(forward, 0) << x << " vs " << y;
        EXPECT_EQ(sign(CollateFileNames(y, x)), -sign(forward)) << x << " vs " << y;
        EXPECT_NE(FileNameCollationKey(x), FileNameCollationKey(y)) << x << " vs " << y;
        EXPECT_NE(CollateTexts(QString::fromUtf8(x), QString::fromUtf8(y)), 0) << x << " vs " << y;
    }
    const std::pair<const char*, const char*> sameButCase[] = {
        {"A.jpg", "a.jpg"}, {"ＡＢ.JPG", "ａｂ.jpg"}, {"\xC3\x84.jpg", "\xC3\xA4.jpg"}};
    for (const auto& [x, y] : sameButCase) {
        EXPECT_EQ(CollateFileNames(x, y), 0) << x << " vs " << y;
        EXPECT_EQ(FileNameCollationKey(x), FileNameCollationKey(y)) << x << " vs " << y;
        EXPECT_EQ(CollateTexts(QString::fromUtf8(x), QString::fromUtf8(y)), 0) << x << " vs " << y;
    }

    TKvFileInfoList list;
    for (const char* name : {"ア.jpg", "ａ.jpg", "あ.jpg", "a.jpg", "ｱ.jpg", "b.jpg"}) {
        auto entry = std::make_unique<TKvFileInfo>();
        entry->Path = "/p/";
        entry->Name = name;
        list.AllFileInfos.push_back(std::move(entry));
    }
    list.NumberEntries();
    list.FilterEntries();
    const auto names = [&list] {
        std::vector<std::string> result;
        for (const TKvFileInfo* entry : list.VisibleFileInfos())
            result.push_back(entry->Name);
        return result;
    };
    list.SortMode = KvSortMode::Name;
    list.SortDown = false;
    list.Sort();
    std::vector<std::string> ascending = names();
    list.SortDown = true;
    list.Sort();
    std::vector<std::string> descending = names();
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(ascending, descending);
}

TEST(Collation, KeysMadeOnAnotherThreadAreTheSame)
{
    const std::vector<std::string> names = trickyNames();
    std::vector<std::string> here;
    for (const std::string& name : names)
        here.push_back(FileNameCollationKey(name));
    std::vector<std::string> there;
    std::thread([&] {
        for (const std::string& name : names)
            there.push_back(FileNameCollationKey(name));
    }).join();
    EXPECT_EQ(here, there);
}

// The sort after a listing (name, then folder) against the plain comparison.
TEST(Collation, NameSortOrdersAsThePlainComparison)
{
    std::mt19937 random(11);
    const std::vector<std::string> names = trickyNames();
    const char* folders[] = {"/a/", "/B/", "/b/", "/写真/"};
    TKvFileInfoList list;
    for (int i = 0; i < 400; ++i) {
        auto entry = std::make_unique<TKvFileInfo>();
        entry->Path = folders[random() % 4];
        entry->Name = names[random() % names.size()];
        if (i % 3 == 0)
            entry->NameKey = FileNameCollationKey(entry->Name);  // some made by a listing, some not
        list.AllFileInfos.push_back(std::move(entry));
    }
    list.Options = {filoHiddenFileView, filoIncludePath};
    list.NumberEntries();
    list.FilterEntries();
    for (const bool down : {false, true}) {
        list.SortMode = KvSortMode::Name;
        list.SortDown = down;
        list.Sort();
        const auto& v = list.VisibleFileInfos();
        ASSERT_EQ(v.size(), 400u);
        for (size_t i = 1; i < v.size(); ++i) {
            int order = CollateFileNames(v[i - 1]->Name, v[i]->Name);
            if (order == 0)
                order = CollateFileNames(v[i - 1]->Path, v[i]->Path);
            EXPECT_LE(down ? -order : order, 0) << "down " << down << " at " << i;
        }
    }
}

}  // namespace
