// Quality figures: the IJG sums, the estimate's rounding, the table counting
// and summing of the walk, and files as libjpeg writes them.
#include "inspection/KvJpegInfo.h"
#include "JpegBuilder.h"
#include "LibjpegEncode.h"

#include <gtest/gtest.h>

namespace {

TKvJpegInfo walk(const Bytes& bytes, bool* completed = nullptr)
{
    TKvJpegInfo info;
    const bool ok = ScanJpegStream(std::span<const uint8_t>(bytes), info);
    if (completed)
        *completed = ok;
    return info;
}

TEST(Quality, IjgSumsFollowTheEncoderScaling)
{
    EXPECT_EQ(IjgQualitySums[1], 16320);
    EXPECT_EQ(IjgQualitySums[50], 3688);
    EXPECT_EQ(IjgQualitySums[75], 1858);
    EXPECT_EQ(IjgQualitySums[100], 64);
    for (int q = 2; q <= 100; ++q)
        EXPECT_LT(IjgQualitySums[q], IjgQualitySums[q - 1]) << q;
}

TEST(Quality, EstimateRoundsHalfToEvenAndTakesTheLowerQuality)
{
    struct Row {
        int64_t count, sum;
        int quality;
    };
    const Row rows[] = {
        {1, 3688, 50}, {1, 3687, 50}, {1, 3689, 49},
        {2, 7377, 50},  // 3688.5 -> 3688
        {2, 7379, 49},  // 3689.5 -> 3690
        {2, 1858 + 2800, 68},
        {1, 0, 100}, {1, 64, 100}, {1, 65, 99}, {1, 16320, 1}, {1, 16321, 1}, {3, 65535LL * 64 * 3, 1},
    };
    for (const Row& row : rows)
        EXPECT_EQ(EstimateQuality(row.count, row.sum), row.quality) << row.count << " " << row.sum;

    EXPECT_EQ(FindIjgQuality(3688), 50);
    EXPECT_EQ(FindIjgQuality(3689), -1);
    EXPECT_EQ(FindIjgQuality(0), -1);
    EXPECT_EQ(FindIjgQuality(64), 100);
    EXPECT_EQ(FindIjgQuality(16320), 1);
}

TEST(Quality, SecondTableChangesTheEstimateButNotTheIjgQuality)
{
    const Bytes twoSegments = JpegBuilder().soi().dqt8(TableWithSum(1858)).dqt8(TableWithSum(2800), 1).eoi().zeros(20).bytes();
    const TKvJpegInfo info = walk(twoSegments);
    EXPECT_EQ(info.Quality, 68);
    EXPECT_EQ(info.IjgQuality, 75);
    EXPECT_FALSE(info.IsGrayscale);
    EXPECT_TRUE(info.ScanComplete);

    const TKvJpegInfo first = walk(JpegBuilder().soi().dqt8(TableWithSum(1858)).eoi().zeros(20).bytes());
    EXPECT_EQ(first.Quality, 75);
    EXPECT_EQ(first.IjgQuality, 75);
    EXPECT_TRUE(first.IsGrayscale);

    const TKvJpegInfo noMatch = walk(JpegBuilder().soi().dqt8(TableWithSum(3689)).eoi().zeros(20).bytes());
    EXPECT_EQ(noMatch.Quality, 49);
    EXPECT_EQ(noMatch.IjgQuality, -1);

    const TKvJpegInfo zeros = walk(JpegBuilder().soi().dqt8(Bytes(64, 0)).eoi().zeros(20).bytes());
    EXPECT_EQ(zeros.Quality, 100);
    EXPECT_EQ(zeros.IjgQuality, -1);

    const TKvJpegInfo none = walk(JpegBuilder().soi().eoi().zeros(20).bytes());
    EXPECT_EQ(none.Quality, -1);
    EXPECT_EQ(none.IjgQuality, -1);
}

TEST(Quality, TablesAreCountedFromTheSegmentLength)
{
    // Two 8-bit tables in one segment (L = 132): counted 2, so no IJG quality.
    // The second block starts at the second table's Pq/Tq byte, which is summed
    // as a value, and that table's last value is left out.
    Bytes payload = {0x00};
    payload.insert(payload.end(), 64, 50);
    payload.push_back(0x01);
    payload.insert(payload.end(), 64, 40);
    const TKvJpegInfo two = walk(JpegBuilder().soi().segment(0xDB, payload).eoi().zeros(20).bytes());
    const int64_t quirkySum = 64 * 50 + 1 + 63 * 40;
    ASSERT_NE(EstimateQuality(2, quirkySum), EstimateQuality(2, 64 * 50 + 64 * 40));
    EXPECT_EQ(two.Quality, EstimateQuality(2, quirkySum));
    EXPECT_EQ(two.IjgQuality, -1);
    EXPECT_FALSE(two.IsGrayscale);

    // One 16-bit table (L = 131) counts two tables.
    const TKvJpegInfo wide = walk(JpegBuilder().soi().dqt16(std::vector<int>(64, 300)).eoi().zeros(20).bytes());
    EXPECT_EQ(wide.Quality, EstimateQuality(2, 64 * 300));
    EXPECT_FALSE(wide.IsGrayscale);

    // (L - 3) / 64 rounded half to even: L = 99 gives 1.5 -> 2, L = 163 gives 2.5 -> 2.
    for (const auto& [length, count] : {std::pair{99, 2}, std::pair{163, 2}, std::pair{195, 3}, std::pair{67, 1}}) {
        SCOPED_TRACE(length);
        Bytes body = {0x00};
        body.insert(body.end(), static_cast<size_t>(length - 3), 100);
        const TKvJpegInfo info = walk(JpegBuilder().soi().segment(0xDB, body).eoi().zeros(20).bytes());
        const int64_t blocks = (length - 3) / 64;  // whole 64-byte blocks the loop reads
        EXPECT_EQ(info.Quality, EstimateQuality(count, blocks * 64 * 100));
        EXPECT_EQ(info.IsGrayscale, count == 1);
    }
}

TEST(Quality, ShortSegmentsStillReadOneBlockPastTheirEnd)
{
    // L = 3: counts one table, reads the precision byte and one 64-byte block
    // beyond E, then the walk returns to E and meets the EOI inside that block.
    Bytes block(62, 1);
    block.push_back(0xFF);
    block.push_back(0xD9);
    bool completed = false;
    const Bytes bytes = JpegBuilder().soi().marker(0xDB).u16(3).raw({0x00}).raw(block).bytes();
    const TKvJpegInfo info = walk(bytes, &completed);
    EXPECT_TRUE(completed);
    EXPECT_TRUE(info.ScanComplete);
    EXPECT_TRUE(info.IsGrayscale);
    EXPECT_EQ(info.EndOffset, static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(info.Quality, EstimateQuality(1, 62 + 0xFF + 0xD9));

    // L below 3 counts one table too; without 64 bytes to read the walk fails.
    for (int length : {0, 1, 2}) {
        const TKvJpegInfo small = walk(JpegBuilder().soi().marker(0xDB).u16(length).raw({0x00}).raw(block).bytes());
        EXPECT_TRUE(small.ScanComplete) << length;
        EXPECT_TRUE(small.IsGrayscale) << length;
    }
    const TKvJpegInfo shortData = walk(JpegBuilder().soi().marker(0xDB).u16(67).raw({0x00}).zeros(40).bytes(), &completed);
    EXPECT_FALSE(completed);
    EXPECT_EQ(shortData.Quality, -1);

    // A 16-bit table in a segment too short for it reads its 128 bytes anyway.
    Bytes wideBlock(126, 0);
    wideBlock.push_back(0xFF);
    wideBlock.push_back(0xD9);
    const TKvJpegInfo wide = walk(JpegBuilder().soi().marker(0xDB).u16(67).raw({0x10}).raw(wideBlock).bytes(), &completed);
    EXPECT_TRUE(completed);
    EXPECT_TRUE(wide.ScanComplete);
    EXPECT_EQ(wide.Quality, EstimateQuality(1, 0xFFD9));
}

TEST(Quality, UnknownPrecisionAddsNothingAndDoesNotStall)
{
    Bytes body = {0x20};
    body.insert(body.end(), 200, 7);
    const TKvJpegInfo info = walk(JpegBuilder().soi().segment(0xDB, body).eoi().zeros(20).bytes());
    EXPECT_TRUE(info.ScanComplete);
    EXPECT_EQ(info.Quality, 100);  // sum 0
    EXPECT_EQ(info.IjgQuality, -1);  // three tables counted
}

TEST(Quality, ThousandsOfWideTablesDoNotOverflow)
{
    JpegBuilder builder;
    builder.soi();
    for (int i = 0; i < 3000; ++i)
        builder.dqt16(std::vector<int>(64, 65535));
    const TKvJpegInfo info = walk(builder.eoi().zeros(20).bytes());
    // Sum 3000 * 64 * 65535 (beyond 32 bits) over 6000 tables: the worst quality.
    EXPECT_EQ(info.Quality, 1);
    EXPECT_TRUE(info.ScanComplete);
}

TEST(Quality, LibjpegFilesGiveTheirQualityBack)
{
    for (int q = 1; q <= 100; ++q) {
        LibjpegSettings gray;
        gray.components = 1;
        gray.quality = q;
        const TKvJpegInfo info = walk(LibjpegEncode(gray));
        EXPECT_EQ(info.IjgQuality, q);
        EXPECT_EQ(info.Quality, q);
        EXPECT_TRUE(info.IsGrayscale && info.ScanComplete) << q;
        EXPECT_EQ(info.ProcessCode, 0);
    }
    for (int q : {10, 50, 75, 90, 95}) {
        LibjpegSettings colour;
        colour.quality = q;
        colour.progressive = q == 90;
        const TKvJpegInfo info = walk(LibjpegEncode(colour));
        EXPECT_EQ(info.IjgQuality, q);
        EXPECT_LE(info.Quality, q);  // chrominance tables pull the estimate down
        EXPECT_FALSE(info.IsGrayscale);
        EXPECT_EQ(info.ProcessCode, q == 90 ? 2 : 0);
        EXPECT_TRUE(info.IsJfif);
        EXPECT_EQ(info.Width, 48);
        EXPECT_EQ(info.Height, 32);
    }
    LibjpegSettings arithmetic;
    arithmetic.arithmetic = true;
    EXPECT_EQ(walk(LibjpegEncode(arithmetic)).ProcessCode, 9);
}

}  // namespace
