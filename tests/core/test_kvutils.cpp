#include "catalogue/KvUtils.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

// Readable failure messages; found by argument-dependent lookup.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);

constexpr int64_t KiB = 1024;
constexpr int64_t MiB = KiB * 1024;
constexpr int64_t GiB = MiB * 1024;
constexpr int64_t TiB = GiB * 1024;

struct SizeRow {
    int64_t bytes;
    const char* text;  // UTF-8
};

// ---- SizeToStr ----

TEST(SizeToStr, PicksUnitAndThreeSignificantDigits)
{
    const std::vector<SizeRow> rows = {
        {0, "0 バイト"},
        {1, "1 バイト"},
        {999, "999 バイト"},
        {1000, "0.977 KB"},
        {1024, "1 KB"},
        {1536, "1.5 KB"},
        {10 * KiB + 512, "10.5 KB"},
        {100 * KiB, "100 KB"},
        {1'023'487, "999 KB"},  // 999.499 KB
        {1'023'999, "1000 KB"},  // rounds up to 1000 and stays in KB
        {1'024'000, "0.977 MB"},
        {123'456'789, "118 MB"},
        {1'048'575'999, "1000 MB"},
        {1'048'576'000, "0.977 GB"},
        {2 * GiB, "2 GB"},  // beyond 32-bit sizes
        {5 * GiB + GiB / 4, "5.25 GB"},
        {999 * GiB, "999 GB"},
        {999 * GiB + GiB * 6 / 10, "1000 GB"},
        {1000 * GiB, "0.977 TB"},
        {TiB, "1 TB"},
        {1000 * TiB, "1000 TB"},
        {12345 * TiB, "12345 TB"},  // no exponent notation, no separator
        {std::numeric_limits<int64_t>::max(), "8388608 TB"},
    };
    for (const SizeRow& row : rows)
        EXPECT_EQ(SizeToStr(row.bytes, english), QString::fromUtf8(row.text)) << row.bytes;
}

TEST(SizeToStr, NegativeTotalMeansTwoGigabytesOrMore)
{
    for (int64_t bytes : {int64_t{-1}, int64_t{-1000}, std::numeric_limits<int64_t>::min()})
        EXPECT_EQ(SizeToStr(bytes, english), QString::fromUtf8("2GB以上")) << bytes;
}

TEST(SizeToStr, FollowsTheLocalesSeparators)
{
    const std::vector<SizeRow> rows = {
        {1536, "1,5 KB"},
        {1000, "0,977 KB"},
        {1'023'999, "1000 KB"},  // no thousands separator in "1000"
        {12345 * TiB, "12345 TB"},
    };
    for (const SizeRow& row : rows)
        EXPECT_EQ(SizeToStr(row.bytes, german), QString::fromUtf8(row.text)) << row.bytes;
}

// ---- SizeToKBStr ----

TEST(SizeToKBStr, RoundsUpToWholeKilobytesWithSeparators)
{
    const std::vector<SizeRow> rows = {
        {0, "0 KB"},
        {1, "1 KB"},
        {1023, "1 KB"},
        {1024, "1 KB"},
        {1025, "2 KB"},
        {1'048'576, "1,024 KB"},
        {1'048'577, "1,025 KB"},
        {2 * GiB, "2,097,152 KB"},  // negative once in a 32-bit size
        {4 * GiB + 1, "4,194,305 KB"},
        {std::numeric_limits<int64_t>::max(), "9,007,199,254,740,992 KB"},
    };
    for (const SizeRow& row : rows)
        EXPECT_EQ(SizeToKBStr(row.bytes, english), QString::fromUtf8(row.text)) << row.bytes;
}

TEST(SizeToKBStr, NegativeSizesTruncateTowardZero)
{
    const std::vector<SizeRow> rows = {
        {-1, "0 KB"},
        {-1024, "0 KB"},
        {-2046, "0 KB"},
        {-2047, "-1 KB"},
    };
    for (const SizeRow& row : rows)
        EXPECT_EQ(SizeToKBStr(row.bytes, english), QString::fromUtf8(row.text)) << row.bytes;
}

TEST(SizeToKBStr, GroupsUnderEveryLocale)
{
    EXPECT_EQ(SizeToKBStr(1'048'576, german), QString::fromUtf8("1.024 KB"));
    // The C locale omits group separators unless asked.
    EXPECT_EQ(SizeToKBStr(1'048'576, QLocale::c()), QString::fromUtf8("1,024 KB"));
}

// ---- AttrToStr ----

TEST(AttrToStr, ListedBitsOnlyInFixedOrder)
{
    const std::vector<std::pair<uint32_t, const char*>> rows = {
        {0x00, ""},     {0x01, "R"},    {0x02, "H"},  {0x04, "S"},     {0x20, "A"},
        {0x22, "HA"},   {0x27, "RHSA"}, {0x10, ""},   {0x12, "H"},     {0x08, ""},
        {0x40, ""},     {0x80, ""},     {0xFFFFFFFF, "RHSA"}, {0xFFFFFFD8, ""},
    };
    for (const auto& [bits, text] : rows)
        EXPECT_EQ(AttrToStr(bits), QString::fromLatin1(text)) << std::hex << bits;
}

// ---- SwapWord and ComparePointers ----

TEST(SwapWord, ExchangesTheTwoBytes)
{
    const std::vector<std::pair<uint16_t, uint16_t>> rows = {
        {0x1234, 0x3412}, {0x00FF, 0xFF00}, {0xFF00, 0x00FF}, {0x0000, 0x0000}, {0xFFFF, 0xFFFF}, {0xFFD8, 0xD8FF},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(SwapWord(in), out) << std::hex << in;
}

TEST(ComparePointers, OrdersNullBeforeSet)
{
    int a = 0;
    int b = 0;
    EXPECT_EQ(ComparePointers(nullptr, &a), -1);
    EXPECT_EQ(ComparePointers(&a, nullptr), 1);
    EXPECT_EQ(ComparePointers(nullptr, nullptr), 0);
    EXPECT_EQ(ComparePointers(&a, &b), 0);  // two set pointers are equal, whatever their addresses
    EXPECT_EQ(ComparePointers(&b, &a), 0);
}

// ---- String helpers ----

TEST(StripLowerPrefix, DropsLeadingAsciiLowerCaseLetters)
{
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"filoHiddenFileView", "HiddenFileView"},
        {"abc", ""},
        {"", ""},
        {"Abc", "Abc"},
        {"x1y", "1y"},
        {"ab_cd", "_cd"},
        {"abcDefGhi", "DefGhi"},
        {"äbcD", "äbcD"},  // not ASCII: stops at once
        {"abäD", "äD"},
        {"ab cd", " cd"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(StripLowerPrefix(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

TEST(DeleteLastChar, ByteStrings)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"", ""},
        {"a", ""},
        {"/home/user/", "/home/user"},
        {"/", ""},
        {"\x82\xa0", "\x82"},  // bytes, not characters
        {"a\0b"s, "a\0"s},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(DeleteLastChar(in), out);
}

TEST(DeleteLastChar, Texts)
{
    const std::vector<std::pair<QString, QString>> rows = {
        {u""_qs, u""_qs},
        {u"a"_qs, u""_qs},
        {u"フォルダ\\"_qs, u"フォルダ"_qs},
        {QString::fromUtf8("a\xF0\x9F\x98\x80"), u"a"_qs},  // a surrogate pair is one character
        {QString(QChar(0xD800)), u""_qs},  // a lone surrogate is one character too
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(DeleteLastChar(in), out) << in.toStdString();
}

TEST(FileMaskToExtList, RemovesStarsAndTurnsSemicolonsIntoCommas)
{
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"*.jpeg;*.jpg", ".jpeg,.jpg"},
        {"*.jpg", ".jpg"},
        {"", ""},
        {"*.*", "."},
        {";;", ",,"},
        {"**.a*b;c", ".ab,c"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(FileMaskToExtList(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

TEST(GraphicExtList, JpegExtensionsFromTheMimeDatabase)
{
    const QStringList extensions = GraphicExtList(u"image/jpeg"_qs).split(u',');
    EXPECT_TRUE(extensions.contains(u".jpg"_qs)) << extensions.join(u',').toStdString();
    EXPECT_TRUE(extensions.contains(u".jpeg"_qs)) << extensions.join(u',').toStdString();
    // Motion JPEG videos derive from the format but are not pictures.
    EXPECT_FALSE(extensions.contains(u".mjpg"_qs) || extensions.contains(u".mjpeg"_qs));
    for (const QString& extension : extensions) {
        EXPECT_TRUE(extension.startsWith(u'.') && extension.size() > 1) << extension.toStdString();
        EXPECT_FALSE(extension.contains(u'*') || extension.contains(u';')) << extension.toStdString();
        EXPECT_EQ(extensions.count(extension), 1) << extension.toStdString();
    }
}

// The shared MIME database also lists "*.jpe" for JPEG; the catalogue's
// filter holds the two registered extensions only.
TEST(GraphicExtList, JpegIsExactlyJpegAndJpg)
{
    EXPECT_EQ(GraphicExtList(u"image/jpeg"_qs), u".jpeg,.jpg"_qs);
}

TEST(GraphicExtList, IncludesTypesThatInherit)
{
    // image/svg+xml is a kind of application/xml in the shared MIME database.
    const QStringList extensions = GraphicExtList(u"application/xml"_qs).split(u',');
    EXPECT_TRUE(extensions.contains(u".xml"_qs));
    EXPECT_TRUE(extensions.contains(u".svg"_qs));
    EXPECT_EQ(extensions.first(), u".xml"_qs);  // the type's own masks come first
}

TEST(GraphicExtList, UnknownTypeGivesNothing)
{
    EXPECT_EQ(GraphicExtList(u"image/x-no-such-type"_qs), QString());
    EXPECT_EQ(GraphicExtList(QString()), QString());
}

TEST(StringsToNulList, EachStringEndsInNulAndOneMoreEndsTheList)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{}, "\0"s},
        {{"a"}, "a\0\0"s},
        {{"/tmp/a.jpg", "/tmp/b c.jpg"}, "/tmp/a.jpg\0/tmp/b c.jpg\0\0"s},
        {{"\x82\xa0.jpg"}, "\x82\xa0.jpg\0\0"s},  // bytes kept as they are
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(StringsToNulList(in), out);
}

TEST(StringsToNulList, RefusesStringsThatWouldEndOrSplitTheList)
{
    const std::vector<std::vector<std::string>> rows = {
        {""},
        {"a", "", "b"},  // would end the list after "a"
        {"a\0b"s},  // would read back as two paths
    };
    for (const auto& in : rows)
        EXPECT_THROW(StringsToNulList(in), std::invalid_argument);
}

}  // namespace
