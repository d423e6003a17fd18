// The marker walk and the verdicts it leads to, on byte strings built in code.
#include "inspection/KvJpegInfo.h"
#include "inspection/KvJpegInfoConsts.h"
#include "JpegBuilder.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

namespace {

TKvJpegInfo checkBytes(const Bytes& bytes)
{
    static TempFolder folder;
    static int counter = 0;
    const std::string path = folder.write("case" + std::to_string(counter++) + ".jpg", bytes);
    TKvJpegInfo info;
    CheckJpegFile(path, info);
    return info;
}

Bytes standardTable(int quality)
{
    // The IJG-scaled luminance table: its sum is IjgQualitySums[quality].
    static const int base[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                 14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                 18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    Bytes table;
    for (int b : base) {
        const int v = (b * scale + 50) / 100;
        table.push_back(static_cast<uint8_t>(v < 1 ? 1 : v > 255 ? 255 : v));
    }
    return table;
}

Bytes truncate(const Bytes& bytes, size_t length) { return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length)); }

struct VerdictCase {
    const char* name;
    Bytes bytes;
    int verdict;
};

TEST(MarkerWalk, VerdictForEachWayAFileCanEnd)
{
    const Bytes sound = JpegBuilder().minimalImage(standardTable(50)).bytes();
    const Bytes app1Body = JpegBuilder().soi().app1Exif(400).bytes();
    const std::vector<VerdictCase> cases = {
        {"sound", sound, jvOk},
        {"appended text", JpegBuilder().raw(sound).raw(std::string("trailer")).bytes(), jvOkWithTrailingData},
        {"empty", {}, jvEmptyFile},
        {"19 bytes with signature", JpegBuilder().soi().marker(0xD9).zeros(15).bytes(), jvNotJpeg},
        {"text", JpegBuilder().raw(std::string(300, 'x')).bytes(), jvNotJpeg},
        {"cut in entropy data", truncate(sound, sound.size() - 60), jvDamaged},
        {"cut inside the body of APP1", truncate(app1Body, app1Body.size() - 100), jvDamaged},
        {"cut inside the APP1 identifier", JpegBuilder().soi().padding(12).marker(0xE1).u16(400).raw(std::string("Exi")).bytes(),
         jvUnknownError},
        {"segment length pointing past the end", JpegBuilder().soi().segmentWithLength(0xF0, 60000, Bytes(20, 1)).bytes(),
         jvDamaged},
        {"ends right after an FF", JpegBuilder().soi().padding(20).raw({0xFF}).bytes(), jvUnknownError},
        {"COM length below 2", JpegBuilder().soi().segmentWithLength(0xFE, 1, Bytes(30, 'c')).eoi().bytes(),
         jvUnknownError},
        {"COM payload past the end", JpegBuilder().soi().segmentWithLength(0xFE, 500, Bytes(30, 'c')).bytes(),
         jvUnknownError},
        {"SOI SOI EOI EOI", JpegBuilder().soi().padding(10).soi().padding(10).eoi().zeros(3).eoi().bytes(), jvOk},
        {"SOI SOI EOI", JpegBuilder().soi().padding(10).soi().padding(10).eoi().zeros(3).bytes(), jvDamaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(checkBytes(c.bytes).Verdict, c.verdict);
    }
}

TEST(MarkerWalk, TwentyByteFileWithTrailingZeros)
{
    const TKvJpegInfo info = checkBytes(JpegBuilder().soi().eoi().zeros(16).bytes());
    EXPECT_EQ(info.Verdict, jvOkWithTrailingData);
    EXPECT_EQ(info.EndOffset, 4);
    EXPECT_EQ(info.TrailingBytes, 16);
    EXPECT_EQ(info.SoiCount, 1);
    EXPECT_EQ(info.EoiCount, 1);
    EXPECT_TRUE(info.ScanComplete);
    EXPECT_FALSE(info.IsGrayscale);  // no table at all
    for (int32_t field : {info.JfifMajor, info.JfifMinor, int32_t{info.ProcessCode}, info.Height, info.Width,
                          info.ThumbHeight, info.ThumbWidth, info.Quality, info.IjgQuality})
        EXPECT_EQ(field, -1);
    EXPECT_FALSE(info.IsJfif || info.IsExif || info.HasMacBinaryHeader);
}

TEST(MarkerWalk, MacintoshHeaderBeforeTheSignature)
{
    const Bytes image = JpegBuilder().minimalImage(standardTable(75)).bytes();
    const Bytes withHeader = JpegBuilder().zeros(128).raw(image).bytes();
    const TKvJpegInfo info = checkBytes(withHeader);
    EXPECT_EQ(info.Verdict, jvOk);
    EXPECT_TRUE(info.HasMacBinaryHeader);
    EXPECT_EQ(info.EndOffset, static_cast<int64_t>(withHeader.size()));
    EXPECT_EQ(info.Width, 16);

    EXPECT_EQ(checkBytes(truncate(withHeader, 147)).Verdict, jvNotJpeg);
    // The signature at 128 is only looked for when 148 bytes or more are there.
    const TKvJpegInfo cut148 = checkBytes(truncate(withHeader, 148));
    EXPECT_TRUE(cut148.HasMacBinaryHeader);
    EXPECT_NE(cut148.Verdict, jvNotJpeg);
    // Something other than a signature at 128 is no JPEG file.
    Bytes shifted = JpegBuilder().zeros(129).raw(image).bytes();
    EXPECT_EQ(checkBytes(shifted).Verdict, jvNotJpeg);
}

TEST(MarkerWalk, DamagedFilesKeepWhatWasFoundBeforeTheEnd)
{
    const Bytes sound =
        JpegBuilder().soi().dqt8(standardTable(75)).dqt8(standardTable(60)).sof(0xC2, 640, 480).sos().entropy(500).eoi().bytes();
    const TKvJpegInfo cut = checkBytes(truncate(sound, sound.size() - 100));
    EXPECT_EQ(cut.Verdict, jvDamaged);
    EXPECT_EQ(cut.ProcessCode, 2);
    EXPECT_EQ(cut.Width, 640);
    EXPECT_EQ(cut.Height, 480);
    EXPECT_NE(cut.Quality, -1);
    EXPECT_EQ(cut.IjgQuality, 75);
    EXPECT_FALSE(cut.ScanComplete);
    EXPECT_EQ(cut.EndOffset, 0);
    EXPECT_EQ(cut.TrailingBytes, 0);
    EXPECT_TRUE(cut.IsGrayscale);  // the default stays: the walk did not complete

    // A file ending right after FF C0 has met its frame header all the same.
    const TKvJpegInfo afterSof = checkBytes(JpegBuilder().soi().padding(20).marker(0xC0).bytes());
    EXPECT_EQ(afterSof.Verdict, jvUnknownError);
    EXPECT_EQ(afterSof.ProcessCode, 0);
    EXPECT_EQ(afterSof.Height, -1);

    // Cut between the height and the width of a frame header.
    const TKvJpegInfo inSof = checkBytes(JpegBuilder().soi().padding(20).marker(0xC1).u16(17).raw({8, 1, 44, 2}).bytes());
    EXPECT_EQ(inSof.Verdict, jvUnknownError);
    EXPECT_EQ(inSof.Height, 300);
    EXPECT_EQ(inSof.Width, -1);

    // Cut inside a quantisation table.
    const Bytes inDqt = truncate(JpegBuilder().soi().app0Jfif(1, 1).dqt8(standardTable(50)).bytes(), 50);
    const TKvJpegInfo dqt = checkBytes(inDqt);
    EXPECT_EQ(dqt.Verdict, jvUnknownError);
    EXPECT_TRUE(dqt.IsJfif);
    EXPECT_EQ(dqt.Quality, -1);
}

TEST(MarkerWalk, FillBytesRestartsAndStuffedZeros)
{
    const TKvJpegInfo fill = checkBytes(JpegBuilder().soi().padding(20).raw({0xFF, 0xFF, 0xFF, 0xD9}).bytes());
    EXPECT_EQ(fill.Verdict, jvOk);
    EXPECT_EQ(fill.EndOffset, 30);

    const TKvJpegInfo markers =
        checkBytes(JpegBuilder().soi().padding(20).raw({0xFF, 0x00, 0xFF, 0xD0, 0xFF, 0xD7, 0x12}).eoi().bytes());
    EXPECT_EQ(markers.Verdict, jvOk);
    EXPECT_EQ(markers.EndOffset, 35);
}

TEST(MarkerWalk, SoiAndEoiBalanceOutsideSegments)
{
    // An embedded image inside APP1 is skipped with its segment and not counted.
    const Bytes thumbnail = JpegBuilder().soi().eoi().bytes();
    Bytes exifPayload = {'E', 'x', 'i', 'f', 0, 0};
    exifPayload.insert(exifPayload.end(), thumbnail.begin(), thumbnail.end());
    exifPayload.insert(exifPayload.end(), thumbnail.begin(), thumbnail.end());
    const Bytes withThumbnail = JpegBuilder().soi().segment(0xE1, exifPayload).zeros(20).eoi().bytes();
    const TKvJpegInfo info = checkBytes(withThumbnail);
    EXPECT_EQ(info.Verdict, jvOk);
    EXPECT_EQ(info.SoiCount, 1);
    EXPECT_TRUE(info.IsExif);

    const Bytes nested = JpegBuilder().soi().padding(10).soi().padding(10).eoi().zeros(3).eoi().raw(std::string("tail")).bytes();
    const TKvJpegInfo pair = checkBytes(nested);
    EXPECT_EQ(pair.SoiCount, 2);
    EXPECT_EQ(pair.EoiCount, 2);
    EXPECT_EQ(pair.EndOffset, static_cast<int64_t>(nested.size() - 4));
    EXPECT_EQ(pair.TrailingBytes, 4);
}

TEST(MarkerWalk, SegmentLengthsBelowTwoSendTheWalkBack)
{
    // L = 0 and L = 1 move back into the length field; the walk goes on from there.
    for (int length : {0, 1}) {
        SCOPED_TRACE(length);
        const TKvJpegInfo info = checkBytes(JpegBuilder().soi().marker(0xF0).u16(length).eoi().zeros(12).bytes());
        EXPECT_EQ(info.Verdict, jvOkWithTrailingData);
        EXPECT_EQ(info.EndOffset, 8);
    }
    // A frame header with L = 0 is still read whole, then the walk returns to
    // its length field, whose zero bytes are passed over.
    const TKvJpegInfo sof = checkBytes(JpegBuilder().soi().marker(0xC0).u16(0).raw({8, 0, 10, 0, 20}).eoi().zeros(12).bytes());
    EXPECT_EQ(sof.Height, 10);
    EXPECT_EQ(sof.Width, 20);
    EXPECT_EQ(sof.Verdict, jvOkWithTrailingData);
}

TEST(MarkerWalk, JfifExifAndComments)
{
    const Bytes jfif = JpegBuilder().soi().app0Jfif(1, 2, 2, 3).eoi().zeros(20).bytes();
    const TKvJpegInfo a = checkBytes(jfif);
    EXPECT_TRUE(a.IsJfif);
    EXPECT_EQ(a.JfifMajor, 1);
    EXPECT_EQ(a.JfifMinor, 2);
    EXPECT_EQ(a.ThumbWidth, 2);
    EXPECT_EQ(a.ThumbHeight, 3);

    const TKvJpegInfo app2 = checkBytes(JpegBuilder().soi().app0Jfif(2, 5, 0, 0, 0xE2).eoi().zeros(20).bytes());
    EXPECT_TRUE(app2.IsJfif);
    EXPECT_EQ(app2.JfifMajor, 2);
    EXPECT_EQ(app2.JfifMinor, 5);

    Bytes jfxx = {'J', 'F', 'X', 'X', 0, 1, 2, 0, 0, 1, 0, 1, 0, 0};
    const TKvJpegInfo notJfif = checkBytes(JpegBuilder().soi().segment(0xE0, jfxx).eoi().zeros(20).bytes());
    EXPECT_FALSE(notJfif.IsJfif);
    EXPECT_EQ(notJfif.JfifMajor, -1);

    // "JFIF\0" inside APP1 is not JFIF; "Exif\0\0" outside APP1 is not Exif.
    const TKvJpegInfo app1Jfif = checkBytes(JpegBuilder().soi().app0Jfif(1, 1, 0, 0, 0xE1).segment(0xE0, {'E', 'x', 'i', 'f', 0, 0}).eoi().zeros(20).bytes());
    EXPECT_FALSE(app1Jfif.IsJfif);
    EXPECT_FALSE(app1Jfif.IsExif);

    const TKvJpegInfo both = checkBytes(JpegBuilder().soi().app0Jfif(1, 1).app1Exif().eoi().zeros(20).bytes());
    EXPECT_TRUE(both.IsJfif);
    EXPECT_TRUE(both.IsExif);

    const TKvJpegInfo comments =
        checkBytes(JpegBuilder().soi().com("first").com(std::string("se\0co\xFFnd", 8)).eoi().zeros(20).bytes());
    EXPECT_EQ(comments.Comment, std::string("se\0co\xFFnd", 8));
    const TKvJpegInfo empty = checkBytes(JpegBuilder().soi().com("first").com("").eoi().zeros(20).bytes());
    EXPECT_EQ(empty.Comment, "");
    EXPECT_EQ(empty.Verdict, jvOkWithTrailingData);
}

TEST(MarkerWalk, ProcessCodesAndTheirTexts)
{
    for (int code : {0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF}) {
        const TKvJpegInfo info = checkBytes(JpegBuilder().soi().sof(code, 100, 50).eoi().bytes());
        EXPECT_EQ(info.ProcessCode, code - 0xC0);
        EXPECT_EQ(info.Width, 100);
    }
    // DHT, JPG and DAC are not frame headers.
    for (int code : {0xC4, 0xC8, 0xCC}) {
        const TKvJpegInfo info = checkBytes(JpegBuilder().soi().sof(code, 100, 50).eoi().bytes());
        EXPECT_EQ(info.ProcessCode, -1);
        EXPECT_EQ(info.Width, -1);
    }
    // The last frame header wins.
    const TKvJpegInfo two = checkBytes(JpegBuilder().soi().sof(0xC0, 10, 20).sof(0xC1, 30, 40).eoi().bytes());
    EXPECT_EQ(two.ProcessCode, 1);
    EXPECT_EQ(two.Width, 30);
    EXPECT_EQ(two.Height, 40);

    EXPECT_STREQ(JpegProcessText(1), "拡張シーケンシャル ハフマン圧縮");
    EXPECT_STREQ(JpegProcessText(-1), "");
    EXPECT_STREQ(JpegProcessText(4), "不明(SOF4)");
    EXPECT_STREQ(JpegProcessText(15), "微分ロスレス 算術圧縮");
    EXPECT_STREQ(JpegProcessText(16), "");
    EXPECT_STREQ(JpegVerdictText(1), "なし(付加バイナリ有り)");
    EXPECT_STREQ(JpegVerdictText(6), "ファイルサイズが0 バイトです");
    EXPECT_STREQ(JpegVerdictText(-1), "");
}

}  // namespace
