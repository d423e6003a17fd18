// Cell and status texts of the file list, without a window: dates, numbers,
// names that are not UTF-8, and the check-result columns.
#include "catalogue/KvFileInfo.h"
#include "components/DamageBand.h"
#include "components/ScanlarkCellTexts.h"
#include "components/ScanlarkColumns.h"
#include "components/ScanlarkStatusTexts.h"
#include "decode/DeepInfo.h"
#include "inspection/KvJpegInfo.h"
#include "platform/KvDirectoryListing.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

const QLocale kJapanese(QLocale::Japanese, QLocale::Japan);

int64_t localNanoseconds(const QDateTime& local, int64_t extraNanoseconds = 0)
{
    return local.toMSecsSinceEpoch() * 1000000 + extraNanoseconds;
}

TEST(CellTexts, DatesAreTheShortDateWithTheTimeInDigits)
{
    const QDateTime morning(QDate(2026, 12, 8), QTime(5, 45, 37));
    EXPECT_EQ(FileTimeText(localNanoseconds(morning), kJapanese), QStringLiteral("2026/12/08 5:45:37"));
    EXPECT_EQ(FileTimeText(localNanoseconds(QDateTime(QDate(2026, 1, 2), QTime(23, 5, 9))), kJapanese),
              QStringLiteral("2026/01/02 23:05:09"));
    // Exactly midnight shows the date alone; a moment after it, the time too.
    const QDateTime midnight(QDate(2022, 1, 2), QTime(0, 0));
    EXPECT_EQ(FileTimeText(localNanoseconds(midnight), kJapanese), QStringLiteral("2022/01/02"));
    EXPECT_EQ(FileTimeText(localNanoseconds(midnight, 1), kJapanese), QStringLiteral("2022/01/02 0:00:00"));
    EXPECT_EQ(FileTimeText(kUnknownFileTime, kJapanese), QString());
    // Other locales keep their own order and separators, with seconds.
    const QString english = FileTimeText(localNanoseconds(morning), QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(english.contains(QStringLiteral("5:45:37"))) << english.toStdString();
}

TEST(CellTexts, FileColumnsShowNamesThatAreNotUtf8AndGroupNumbers)
{
    TKvFileInfo e;
    e.Path = "/photos/\x83\x54\x83\x93/";  // "サン" in Shift_JIS
    e.Name = "\x83\x54\x83\x93\x83\x76\x83\x8b.jpg";  // "サンプル.jpg"
    e.FindIndex = 1234567;
    e.Size = 1234;
    e.LastWriteTime = kUnknownFileTime;
    using namespace ScanlarkColumn;
    EXPECT_EQ(FileColumnText(e, Name, kJapanese), QStringLiteral("サンプル.jpg"));
    EXPECT_EQ(FileColumnText(e, FullFileName, kJapanese), QStringLiteral("/photos/サン/サンプル.jpg"));
    EXPECT_EQ(FileColumnText(e, Path, kJapanese), QStringLiteral("/photos/サン/"));
    EXPECT_EQ(FileColumnText(e, PathOnly, kJapanese), QStringLiteral("サン"));
    EXPECT_EQ(FileColumnText(e, FindIndex, kJapanese), QStringLiteral("1,234,567"));
    EXPECT_EQ(FileColumnText(e, SizeDetail, kJapanese), QStringLiteral("1,234"));
    EXPECT_EQ(FileColumnText(e, LastWriteTime, kJapanese), QString());
    // Bytes that are neither UTF-8 nor Shift_JIS still show, marked.
    e.Name = "bad\xFF.jpg";
    EXPECT_EQ(FileColumnText(e, Name, kJapanese), QStringLiteral("bad\uFFFD.jpg"));
    // The C locale leaves the separator out by default; the list never does.
    EXPECT_EQ(GroupedNumber(1234, QLocale::c()), QStringLiteral("1,234"));
    EXPECT_EQ(FileColumnText(e, JPEG_Error, kJapanese), QString());
}

TEST(CellTexts, CheckColumns)
{
    TKvJpegInfo j;  // every number unknown
    using namespace ScanlarkColumn;
    for (int column = JPEG_Error; column < Count; ++column)
        EXPECT_EQ(JpegColumnText(j, column, kJapanese), QString()) << "column " << column;

    j.Verdict = 0;
    j.TrailingBytes = 4096;
    j.IsJfif = true;
    j.JfifMajor = 1;
    j.JfifMinor = 2;
    j.Quality = 85;
    j.IjgQuality = 100;
    j.Width = 0;
    EXPECT_EQ(JpegColumnText(j, JPEG_Error, kJapanese), QStringLiteral("なし"));
    EXPECT_EQ(JpegColumnText(j, JPEG_AddBinary, kJapanese), QStringLiteral("4,096"));
    EXPECT_EQ(JpegColumnText(j, JPEG_Version, kJapanese), QStringLiteral("JFIF 1.02"));
    EXPECT_EQ(JpegColumnText(j, JPEG_Quality, kJapanese), QStringLiteral("85 %"));
    EXPECT_EQ(JpegColumnText(j, JPEG_IJGQuality, kJapanese), QStringLiteral("100 %"));
    EXPECT_EQ(JpegColumnText(j, JPEG_Width, kJapanese), QStringLiteral("0"));
    j.Verdict = 2;
    EXPECT_EQ(JpegColumnText(j, JPEG_Error, kJapanese), QStringLiteral("JPEGファイルが破損しています"));
    j.Verdict = 7;
    EXPECT_EQ(JpegColumnText(j, JPEG_Error, kJapanese), QStringLiteral("JPEGファイルではありません"));
    // File columns have no check text.
    EXPECT_EQ(JpegColumnText(j, Name, kJapanese), QString());
}

TEST(StatusTexts, LongestTextsCoverTheLargestCountsAndEveryState)
{
    EXPECT_TRUE(LongestStatusTexts(0, kJapanese).contains(QStringLiteral("999,999 個のオブジェクトを選択")));
    EXPECT_TRUE(LongestStatusTexts(1, kJapanese).contains(QStringLiteral("999,999 個のオブジェクト")));
    EXPECT_TRUE(LongestStatusTexts(1, kJapanese).contains(QStringLiteral("999,999 / 999,999")));
    const QStringList check = LongestStatusTexts(3, kJapanese);
    for (const QString& text : {QStringLiteral("エラー未チェック"), QStringLiteral("100 %完了"),
                                QStringLiteral("999,999 個のエラー")})
        EXPECT_TRUE(check.contains(text)) << text.toStdString();
    EXPECT_TRUE(LongestStatusTexts(2, kJapanese).contains(QStringLiteral("2GB以上")));
    EXPECT_TRUE(LongestStatusTexts(4, kJapanese).isEmpty());
}

}  // namespace

namespace {

// The deep check's columns and the preview's words and bands for one result:
// a damaged photo with restart markers (two damaged runs), one without (to
// the bottom), one whose header libjpeg rejected, and a sound one with a video
// after it.
TEST(CellTexts, DeepCheckColumnsHintAndBands)
{
    TKvJpegInfo walk;
    walk.Verdict = 0;
    DeepInfo restarts;
    restarts.Verdict = DeepVerdict::Damaged;
    restarts.FirstBadRow = 3;
    restarts.SoundFraction = 0.8749;
    restarts.RowHeight = 16;
    restarts.DamagedRows = {{3, 3}, {10, 11}};
    DeepInfo toBottom = restarts;
    toBottom.DamagedRows = {};
    toBottom.FirstBadRow = 14;
    DeepInfo header;
    header.Verdict = DeepVerdict::Damaged;
    header.SoundFraction = 0;
    DeepInfo video;
    video.Verdict = DeepVerdict::Sound;
    video.SoundFraction = 1;
    video.Trailer = {TrailerKind::Mp4, 5000, 1234567};

    const auto text = [&](const DeepInfo& deep, int column) { return CheckColumnText(&walk, &deep, column, kJapanese); };
    EXPECT_EQ(text(restarts, ScanlarkColumn::JPEG_Error), QStringLiteral("画像データが破損しています"));
    EXPECT_EQ(text(restarts, ScanlarkColumn::JPEG_DeepVerdict), QStringLiteral("破損"));
    EXPECT_EQ(text(restarts, ScanlarkColumn::JPEG_SoundFraction), QStringLiteral("87 %"));
    EXPECT_EQ(text(restarts, ScanlarkColumn::JPEG_FirstBadRow), QStringLiteral("3"));
    EXPECT_EQ(text(header, ScanlarkColumn::JPEG_FirstBadRow), QString());
    EXPECT_EQ(text(video, ScanlarkColumn::JPEG_Error), JpegColumnText(walk, ScanlarkColumn::JPEG_Error, kJapanese));
    EXPECT_EQ(text(video, ScanlarkColumn::JPEG_Trailer), QStringLiteral("MP4 動画 (1,234,567 バイト)"));
    EXPECT_EQ(CheckColumnText(&walk, nullptr, ScanlarkColumn::JPEG_DeepVerdict, kJapanese), QString());

    EXPECT_EQ(DamageHint(restarts), QStringLiteral(" 破損: 行 3 から, 無傷 87%"));
    EXPECT_EQ(DamageHint(header), QStringLiteral(" 破損: 無傷 0%"));
    EXPECT_EQ(DamageHint(video), QStringLiteral(" 付加データ: MP4 動画"));
    EXPECT_EQ(DamageBands(restarts, 256), (std::vector<TKvRowBand>{{48, 64}, {160, 192}}));
    EXPECT_EQ(DamageBands(toBottom, 230), (std::vector<TKvRowBand>{{224, 230}}));
    EXPECT_TRUE(DamageBands(header, 256).empty());
    EXPECT_TRUE(DamageBands(video, 256).empty());
}

}  // namespace
