// The deep check on files made here: sound ones of each process, damage
// inside the scan, truncation, each kind of trailer and hostile declarations.
#include "ColourJpeg.h"
#include "decode/JpegDeepCheck.h"
#include "JpegBuilder.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csetjmp>
#include <thread>
#include <tuple>

#include <unistd.h>

#include <sys/resource.h>

#include <algorithm>
#include <string>

namespace {

// Noise compresses to data spread evenly over the rows, so that a byte
// offset in the scan says roughly which row it belongs to.
Bytes NoiseJpeg(ColourJpegSettings settings)
{
    uint32_t seed = 12345;
    return ColourJpeg(settings, [&](int, int, uint8_t* samples) {
        for (int c = 0; c < settings.components; ++c) {
            seed = seed * 1664525u + 1013904223u;
            samples[c] = static_cast<uint8_t>(seed >> 24);
        }
    });
}

TKvJpegInfo Walk(const Bytes& data)
{
    TKvJpegInfo walk;
    CheckJpegData(data, walk);
    return walk;
}

DeepInfo Deep(const Bytes& data)
{
    return DeepCheckJpegData(data, Walk(data));
}

// Offset of the first byte after the first SOS segment.
size_t ScanStart(const Bytes& data)
{
    for (size_t i = 2; i + 3 < data.size(); ++i) {
        if (data[i] == 0xFF && data[i + 1] == 0xDA)
            return i + 2 + (size_t{data[i + 2]} << 8 | data[i + 3]);
    }
    return 0;
}

// Offsets of the restart markers in the scan, in order.
std::vector<size_t> RestartMarkers(const Bytes& data)
{
    std::vector<size_t> markers;
    for (size_t i = ScanStart(data); i + 1 < data.size(); ++i) {
        if (data[i] == 0xFF && data[i + 1] >= 0xD0 && data[i + 1] <= 0xD7)
            markers.push_back(i);
    }
    return markers;
}

Bytes Joined(Bytes first, const Bytes& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// image with an MPF index (APP2) right after its SOI whose second entry
// declares an image pastEnd bytes after the end of the result.
Bytes WithMpfIndex(const Bytes& image, uint32_t pastEnd)
{
    Bytes index = {'M', 'P', 'F', 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                   1, 0,                                        // one IFD entry
                   0x02, 0xB0, 7, 0, 32, 0, 0, 0, 26, 0, 0, 0,  // MP entries: 32 bytes at 26
                   0, 0, 0, 0};                                 // no next IFD
    const auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            index.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    // The entries' offsets count from the byte-order mark: SOI (2), marker
    // and length (4), "MPF\0" (4).
    constexpr uint32_t kIndexStart = 10;
    const auto total = static_cast<uint32_t>(image.size() + 4 + index.size() + 32);
    le32(0x20030000);  // the primary image
    le32(total);
    le32(0);
    le32(0);
    le32(0x00020000);
    le32(1000);
    le32(total + pastEnd - kIndexStart);
    le32(0);
    Bytes out = {0xFF, 0xD8, 0xFF, 0xE2, static_cast<uint8_t>((index.size() + 2) >> 8),
                 static_cast<uint8_t>(index.size() + 2)};
    out.insert(out.end(), index.begin(), index.end());
    out.insert(out.end(), image.begin() + 2, image.end());
    return out;
}

// A progressive 8x8 image of two components with `scans` scans, of which
// the first 1,778 form a valid progression (every coefficient refined bit
// by bit) and the rest repeat the last one.
Bytes ManyScans(int scans)
{
    JpegBuilder b;
    b.soi().dqt8(Bytes(64, 1)).sof(0xC2, 8, 8, 2);
    // One DC and one AC table, each with a single one-bit code for symbol 0.
    Bytes tables = {0x00, 1};
    tables.insert(tables.end(), 15, 0);
    tables.push_back(0);
    tables.push_back(0x10);
    tables.push_back(1);
    tables.insert(tables.end(), 15, 0);
    tables.push_back(0);
    b.segment(0xC4, tables);
    int written = 0;
    const auto scan = [&](Bytes header, uint8_t data) {
        if (written < scans) {
            b.segment(0xDA, header).raw({data});
            ++written;
        }
    };
    for (int ah = 0; ah <= 13; ++ah) {
        const int al = ah == 0 ? 13 : 13 - ah;
        const int high = ah == 0 ? 0 : 14 - ah;
        scan({2, 1, 0x00, 2, 0x00, 0, 0, static_cast<uint8_t>(high << 4 | al)}, 0x3F);
    }
    Bytes last;
    for (uint8_t component = 1; component <= 2; ++component) {
        for (uint8_t k = 1; k < 64; ++k) {
            for (int step = 0; step <= 13; ++step) {
                const int al = step == 0 ? 13 : 13 - step;
                const int ah = step == 0 ? 0 : 14 - step;
                last = {1, component, 0x00, k, k, static_cast<uint8_t>(ah << 4 | al)};
                scan(last, 0x7F);
            }
        }
    }
    while (written < scans)
        scan(last, 0x7F);
    return b.eoi().bytes();
}

// A greyscale image whose Huffman tables have one 1-bit code each ("0":
// DC difference 0, and end of block), so that every block is the bits "00"
// and any code that starts with a 1 is longer than 16 bits. Block badBlock
// (if >= 0) starts with such a code, "1" and 16 zeros, which libjpeg-turbo's
// fast path takes for a zero: it decodes that file to the very same pixels,
// without a word, where jpeg_huff_decode warns.
Bytes OneCodeJpeg(int width, int height, int badBlock)
{
    std::string bits;
    for (int block = 0; block < (width / 8) * (height / 8); ++block)
        bits += block == badBlock ? "1" + std::string(16, '0') + "0" : "00";
    while (bits.size() % 8 != 0)
        bits += '1';
    Bytes scan;
    for (size_t i = 0; i < bits.size(); i += 8) {
        scan.push_back(static_cast<uint8_t>(std::stoi(bits.substr(i, 8), nullptr, 2)));
        if (scan.back() == 0xFF)
            scan.push_back(0);
    }
    Bytes tables;
    for (const uint8_t table : {0x00, 0x10}) {
        tables.push_back(table);
        tables.push_back(1);
        tables.insert(tables.end(), 15, 0);
        tables.push_back(0);
    }
    JpegBuilder b;
    b.soi().dqt8(Bytes(64, 1)).sof(0xC0, width, height, 1).segment(0xC4, tables).sos().raw(scan);
    return b.eoi().bytes();
}

// libjpeg's warnings on decoding data as an image viewer does, the whole
// file in one buffer.
long PlainLibjpegWarnings(const Bytes& data)
{
    jpeg_decompress_struct cinfo {};
    LibjpegErrors errors;
    UseLibjpegErrors(cinfo, errors);
    errors.pub.emit_message = [](j_common_ptr common, int level) {
        if (level < 0)
            ++common->err->num_warnings;
    };
    long warnings = -1;
    if (setjmp(errors.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        std::vector<JSAMPLE> row(cinfo.output_width * static_cast<size_t>(cinfo.output_components));
        JSAMPROW rows[1] = {row.data()};
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, rows, 1);
        jpeg_finish_decompress(&cinfo);
        warnings = cinfo.err->num_warnings;
    }
    jpeg_destroy_decompress(&cinfo);
    return warnings;
}

// data with bytes inserted at offset.
Bytes Inserted(Bytes data, size_t offset, const Bytes& bytes)
{
    data.insert(data.begin() + static_cast<std::ptrdiff_t>(offset), bytes.begin(), bytes.end());
    return data;
}

// Offset of the first segment with the given marker.
size_t SegmentAt(const Bytes& data, uint8_t marker)
{
    for (size_t i = 2; i + 1 < data.size(); ++i) {
        if (data[i] == 0xFF && data[i + 1] == marker)
            return i;
    }
    return 0;
}

long PeakResidentKiB()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct SoundCase {
    const char* name;
    ColourJpegSettings settings;
};

}  // namespace

TEST(DeepCheck, SoundFilesOfEveryProcessDecodeCleanlyFromMemoryAndFromFile)
{
    const auto settings = [](int components, bool progressive, bool arithmetic, int restartRows) {
        ColourJpegSettings s;
        s.width = 96;
        s.height = 80;
        s.components = components;
        s.quality = 80;
        s.progressive = progressive;
        s.arithmetic = arithmetic;
        s.restartRows = restartRows;
        return s;
    };
    const SoundCase cases[] = {
        {"baseline", settings(3, false, false, 0)},
        {"progressive", settings(3, true, false, 0)},
        {"restart interval", settings(3, false, false, 1)},
        {"greyscale", settings(1, false, false, 0)},
        {"arithmetic", settings(3, false, true, 0)},
        {"progressive arithmetic", settings(3, true, true, 0)},
        {"cmyk", settings(4, false, false, 0)},
    };
    TempFolder folder;
    for (const SoundCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes data = NoiseJpeg(c.settings);
        const DeepInfo deep = Deep(data);
        EXPECT_EQ(deep.Verdict, DeepVerdict::Sound) << deep.Message;
        EXPECT_EQ(deep.Message, "");
        EXPECT_EQ(deep.FirstBadRow, -1);
        EXPECT_EQ(deep.SoundFraction, 1.0);
        EXPECT_EQ(deep.Trailer.Kind, TrailerKind::None);
        const std::string path = folder.write("sound.jpg", data);
        EXPECT_EQ(DeepCheckJpegFile(path, Walk(data)), deep);
    }
}

TEST(DeepCheck, DamageInsideTheScanIsFoundInTheRowWhereItIs)
{
    // 16 MCU rows, a restart marker after each: row 8's data lies between
    // the 8th and 9th markers.
    ColourJpegSettings settings;
    settings.width = 128;
    settings.height = 256;
    settings.quality = 90;
    settings.restartRows = 1;
    const Bytes sound = NoiseJpeg(settings);
    const std::vector<size_t> restarts = RestartMarkers(sound);
    ASSERT_EQ(restarts.size(), 15u);
    const size_t rowStart = restarts[7] + 2;
    const size_t rowEnd = restarts[8];
    ASSERT_GT(rowEnd - rowStart, 200u);

    Bytes flipped = sound;
    flipped[(rowStart + rowEnd) / 2] ^= 0x10;
    Bytes zeroed = sound;
    std::fill(zeroed.begin() + static_cast<std::ptrdiff_t>(rowStart + 40),
              zeroed.begin() + static_cast<std::ptrdiff_t>(rowStart + 140), 0);
    // Bytes that read as a frame header of 13457 x 39044 pixels: the walk
    // takes its size from it, libjpeg calls it a marker in the scan.
    Bytes frame = sound;
    const Bytes sof2 = {0xFF, 0xC2, 0x00, 0x11, 0x08, 0x98, 0x84, 0x34, 0x51, 0x03,
                        0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01};
    std::copy(sof2.begin(), sof2.end(), frame.begin() + static_cast<std::ptrdiff_t>(rowStart + 40));
    for (const Bytes* damaged : {&flipped, &zeroed, &frame}) {
        SCOPED_TRACE(damaged == &flipped ? "bit flip" : damaged == &zeroed ? "zeroed block" : "frame header");
        ASSERT_EQ(Walk(*damaged).Verdict, jvOk) << "the markers must not show this damage";
        const DeepInfo deep = Deep(*damaged);
        EXPECT_EQ(deep.Verdict, DeepVerdict::Damaged);
        EXPECT_NE(deep.Message, "");
        // Placed in the interval it lies in, wherever libjpeg noticed it.
        EXPECT_EQ(deep.FirstBadRow, 8);
        // libjpeg starts afresh at the next restart marker, unless it stops
        // at a marker in the data.
        EXPECT_DOUBLE_EQ(deep.SoundFraction, damaged == &frame ? 8 / 16.0 : 15 / 16.0);
        // 4:2:0: 16 pixel rows to an MCU row, so the window can mark them.
        EXPECT_EQ(deep.RowHeight, 16);
        EXPECT_EQ(deep.DamagedRows, (std::vector<RowSpan>{{8, damaged == &frame ? 15 : 8}}));
    }
    const DeepInfo whole = Deep(sound);
    EXPECT_EQ(whole.RowHeight, 16);
    EXPECT_TRUE(whole.DamagedRows.empty());
}

TEST(DeepCheck, ATruncatedFileSaysHowMuchOfThePictureIsLeft)
{
    ColourJpegSettings settings;
    settings.width = 128;
    settings.height = 512;
    const Bytes sound = NoiseJpeg(settings);
    const Bytes half(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(sound.size() / 2));
    ASSERT_EQ(Walk(half).Verdict, jvDamaged);
    const DeepInfo deep = Deep(half);
    EXPECT_EQ(deep.Verdict, DeepVerdict::Damaged);
    EXPECT_EQ(deep.Message, "Premature end of JPEG file");
    EXPECT_NEAR(deep.SoundFraction, 0.5, 0.06);
    EXPECT_NEAR(deep.FirstBadRow, 16, 2);

    // A progressive file cut before its last scan lacks that scan's detail
    // in every row; cut inside the last one, the rows above the cut are whole.
    settings.progressive = true;
    const Bytes progressive = NoiseJpeg(settings);
    size_t lastScan = 0;
    for (size_t i = 2; i + 1 < progressive.size(); ++i)
        if (progressive[i] == 0xFF && progressive[i + 1] == 0xDA)
            lastScan = i;
    const Bytes early(progressive.begin(), progressive.begin() + static_cast<std::ptrdiff_t>(lastScan / 2));
    const Bytes late(progressive.begin(),
                     progressive.begin() + static_cast<std::ptrdiff_t>((lastScan + progressive.size()) / 2));
    EXPECT_EQ(Deep(early).FirstBadRow, 0);
    EXPECT_EQ(Deep(early).SoundFraction, 0.0);
    EXPECT_GT(Deep(late).FirstBadRow, 4);
    EXPECT_NEAR(Deep(late).SoundFraction, Deep(late).FirstBadRow / 32.0, 1e-9);

    // Cut before the first scan: nothing of the picture is left.
    const Bytes header(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(ScanStart(sound) - 20));
    const DeepInfo cut = Deep(header);
    EXPECT_EQ(cut.Verdict, DeepVerdict::Damaged);
    EXPECT_EQ(cut.FirstBadRow, 0);
    EXPECT_EQ(cut.SoundFraction, 0.0);
    EXPECT_EQ(cut.RowHeight, -1);
    EXPECT_TRUE(cut.DamagedRows.empty());
}

TEST(DeepCheck, HeadersLibjpegRejectsAreDamageAtTheTop)
{
    // The walk accepts any table; libjpeg does not accept this one.
    const Bytes data = JpegBuilder().minimalImage(Bytes(64, 1)).bytes();
    ASSERT_EQ(Walk(data).Verdict, jvOk);
    const DeepInfo deep = Deep(data);
    EXPECT_EQ(deep.Verdict, DeepVerdict::Damaged);
    EXPECT_EQ(deep.FirstBadRow, 0);
    EXPECT_EQ(deep.SoundFraction, 0.0);
}

TEST(DeepCheck, FilesWithoutAnImageToDecodeAreNotDecoded)
{
    struct Case {
        const char* name;
        Bytes data;
        const char* message;
    };
    const Case cases[] = {
        {"not a jpeg", Bytes(100, 'x'), "no image frame"},
        {"lossless", JpegBuilder().soi().dqt8(Bytes(64, 1)).sof(0xC3, 16, 16, 1).sos().entropy(50).eoi().bytes(),
         "lossless JPEG (SOF3) is not decoded"},
        // 65,000 x 65,000 pixels declared in about 200 bytes: refused
        // before libjpeg allocates anything for them.
        {"huge", JpegBuilder().soi().dqt8(Bytes(64, 1)).sof(0xC0, 65000, 65000, 3).sos(3).entropy(60).eoi().bytes(),
         "image larger than 256 megapixels"},
        // Within the pixel limit, but its coefficients would need 1.5 GB.
        {"progressive", JpegBuilder().soi().dqt8(Bytes(64, 1)).sof(0xC2, 16000, 16000, 3).sos(3).entropy(60).eoi().bytes(),
         "needs more than 512 MiB to decode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const long before = PeakResidentKiB();
        const DeepInfo deep = Deep(c.data);
        EXPECT_EQ(deep.Verdict, DeepVerdict::NotDecoded);
        EXPECT_EQ(deep.Message, c.message);
        EXPECT_EQ(deep.FirstBadRow, -1);
        EXPECT_EQ(deep.SoundFraction, -1.0);
        EXPECT_LT(PeakResidentKiB() - before, 16 * 1024);
    }
    ASSERT_LT(cases[2].data.size(), 220u);

    // A file that went away between the walk and the decode.
    const Bytes sound = NoiseJpeg({});
    EXPECT_EQ(DeepCheckJpegFile("/nonexistent/scanlark/a.jpg", Walk(sound)).Message,
              "cannot open: No such file or directory");
}

TEST(DeepCheck, ABadHuffmanCodeCountsWhereverItLies)
{
    // 4096 blocks, 1026 bytes of data: the bad code in the ninth block lies
    // where a decoder that holds the whole file reads on its fast path.
    const Bytes sound = OneCodeJpeg(1024, 256, -1);
    const Bytes bad = OneCodeJpeg(1024, 256, 8);
    ASSERT_EQ(PlainLibjpegWarnings(sound), 0);
    ASSERT_EQ(PlainLibjpegWarnings(bad), 0) << "the fast path must hide this code";
    ASSERT_EQ(Walk(bad).Verdict, jvOk);

    EXPECT_EQ(Deep(sound).Verdict, DeepVerdict::Sound) << Deep(sound).Message;
    const DeepInfo deep = Deep(bad);
    EXPECT_EQ(deep.Verdict, DeepVerdict::Damaged);
    EXPECT_EQ(deep.Message, "Corrupt JPEG data: bad Huffman code");
    EXPECT_EQ(deep.FirstBadRow, 0);
    TempFolder folder;
    EXPECT_EQ(DeepCheckJpegFile(folder.write("bad.jpg", bad), Walk(bad)), deep);
}

// Header damage that libjpeg rejects is damage; a well-formed file of a
// coding libjpeg does not decode is not decoded, and says which coding.
TEST(DeepCheck, MalformedHeadersAreDamagedOtherCodingsNamed)
{
    const auto frame = [](int code, int precision) {
        Bytes data = JpegBuilder().soi().dqt8(Bytes(64, 1)).sof(code, 16, 16, 1).sos().entropy(50).eoi().bytes();
        data[SegmentAt(data, static_cast<uint8_t>(code)) + 4] = static_cast<uint8_t>(precision);
        return data;
    };
    const Bytes bogusTable = JpegBuilder().soi().dqt8(Bytes(64, 1), 15).sof(0xC0, 16, 16, 1).sos().entropy(50).eoi().bytes();
    Bytes hierarchical = frame(0xC5, 8);
    hierarchical = Inserted(hierarchical, 2, {0xFF, 0xDE, 0x00, 0x0B, 8, 0, 16, 0, 16, 1, 1, 0x11, 0});
    struct Case {
        const char* name;
        Bytes data;
        DeepVerdict verdict;
        const char* message;
    };
    const Case cases[] = {
        {"bogus table index", bogusTable, DeepVerdict::Damaged, "Bogus DQT index 15"},
        {"precision 229", frame(0xC1, 229), DeepVerdict::Damaged, "Unsupported JPEG data precision 229"},
        {"precision 10", frame(0xC1, 10), DeepVerdict::Damaged, "Unsupported JPEG data precision 10"},
        {"baseline of 12 bits", frame(0xC0, 12), DeepVerdict::Damaged, "Unsupported JPEG data precision 12"},
        {"differential frame alone", frame(0xC5, 8), DeepVerdict::Damaged, "Unsupported JPEG process: SOF type 0xc5"},
        {"lossless of 17 bits", frame(0xC3, 17), DeepVerdict::Damaged, "Unsupported JPEG process: SOF type 0xc3"},
        {"12-bit", frame(0xC1, 12), DeepVerdict::NotDecoded, "12-bit JPEG is not decoded"},
        {"12-bit progressive", frame(0xC2, 12), DeepVerdict::NotDecoded, "12-bit JPEG is not decoded"},
        {"lossless", frame(0xC3, 16), DeepVerdict::NotDecoded, "lossless JPEG (SOF3) is not decoded"},
        {"hierarchical", hierarchical, DeepVerdict::NotDecoded, "hierarchical JPEG (SOF5) is not decoded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(Walk(c.data).Verdict, jvFileNotFound);
        const DeepInfo deep = Deep(c.data);
        EXPECT_EQ(deep.Verdict, c.verdict);
        EXPECT_EQ(deep.Message, c.message);
        EXPECT_EQ(deep.FirstBadRow, c.verdict == DeepVerdict::Damaged ? 0 : -1);
        EXPECT_EQ(deep.SoundFraction, c.verdict == DeepVerdict::Damaged ? 0.0 : -1.0);
    }
}

// Segments without a frame header: nothing to see, whatever the walk says.
TEST(DeepCheck, NoFrameHeaderIsDamaged)
{
    const Bytes xmpOnly = JpegBuilder().soi().app1Exif(40).com("no picture").eoi().bytes();
    const Bytes scanFirst = JpegBuilder().soi().dqt8(Bytes(64, 1)).sos().entropy(50).eoi().bytes();
    for (const Bytes* data : {&xmpOnly, &scanFirst}) {
        ASSERT_EQ(Walk(*data).Verdict, jvOk);
        const DeepInfo deep = Deep(*data);
        EXPECT_EQ(deep.Verdict, DeepVerdict::Damaged);
        EXPECT_EQ(deep.Message, "no image frame");
        EXPECT_EQ(deep.FirstBadRow, 0);
        EXPECT_EQ(deep.SoundFraction, 0.0);
    }
}

// A warning before the first scan that leaves every pixel as it was.
TEST(DeepCheck, AWarningBeforeTheScansLeavesThePictureWhole)
{
    ColourJpegSettings settings;
    settings.width = 64;
    settings.height = 64;
    const Bytes sound = NoiseJpeg(settings);
    Bytes jfif2 = sound;
    jfif2[SegmentAt(jfif2, 0xE0) + 9] = 2;  // version 2.01
    struct Case {
        const char* name;
        Bytes data;
        const char* message;
    };
    const Case cases[] = {
        {"stray bytes", Inserted(sound, SegmentAt(sound, 0xDB), {'?', '>'}),
         "Corrupt JPEG data: 2 extraneous bytes before marker 0xdb"},
        {"JFIF 2.01", jfif2, "Warning: unknown JFIF revision number 2.01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DeepInfo deep = Deep(c.data);
        EXPECT_EQ(deep.Verdict, DeepVerdict::Warning);
        EXPECT_EQ(deep.Message, c.message);
        EXPECT_EQ(deep.FirstBadRow, -1);
        EXPECT_EQ(deep.SoundFraction, 1.0);
        EXPECT_FALSE(IsDeepFailure(deep.Verdict, false));
        EXPECT_TRUE(IsDeepFailure(deep.Verdict, true));
    }
    // With damage in the scan as well, the damage is what counts.
    Bytes both = cases[0].data;
    both[ScanStart(both) + 40] ^= 0x55;
    std::fill(both.begin() + static_cast<std::ptrdiff_t>(ScanStart(both) + 40),
              both.begin() + static_cast<std::ptrdiff_t>(ScanStart(both) + 400), 0);
    EXPECT_EQ(Deep(both).Verdict, DeepVerdict::Damaged);
}

TEST(DeepCheck, ALostRestartIntervalCostsItsRowsOnly)
{
    ColourJpegSettings settings;
    settings.width = 128;
    settings.height = 256;
    settings.quality = 90;
    settings.restartRows = 1;
    const Bytes sound = NoiseJpeg(settings);
    const std::vector<size_t> restarts = RestartMarkers(sound);
    ASSERT_EQ(restarts.size(), 15u);
    // Row 8 and the marker before it gone: libjpeg fills row 8 and goes on.
    Bytes lost = sound;
    lost.erase(lost.begin() + static_cast<std::ptrdiff_t>(restarts[7]),
               lost.begin() + static_cast<std::ptrdiff_t>(restarts[8]));
    // Rows 3 and 11 overwritten, each inside its own interval.
    Bytes twice = sound;
    for (const size_t row : {3, 11})
        std::fill(twice.begin() + static_cast<std::ptrdiff_t>(restarts[row - 1] + 30),
                  twice.begin() + static_cast<std::ptrdiff_t>(restarts[row] - 30), 0x3C);
    // Rows 4 to 12 zeroed, eight markers with them: the next marker has the
    // number libjpeg expects, and every later interval lands eight rows up.
    Bytes eight = sound;
    std::fill(eight.begin() + static_cast<std::ptrdiff_t>(restarts[3] + 30),
              eight.begin() + static_cast<std::ptrdiff_t>(restarts[12] - 30), 0);
    using Spans = std::vector<RowSpan>;
    for (const auto& [data, first, share, spans] :
         {std::tuple{&lost, 8, 15 / 16.0, Spans{{8, 8}}}, std::tuple{&twice, 3, 14 / 16.0, Spans{{3, 3}, {11, 11}}},
          std::tuple{&eight, 4, 4 / 16.0, Spans{{4, 15}}}}) {
        const DeepInfo deep = Deep(*data);
        EXPECT_EQ(deep.Verdict, DeepVerdict::Damaged);
        EXPECT_EQ(deep.FirstBadRow, first);
        EXPECT_DOUBLE_EQ(deep.SoundFraction, share);
        EXPECT_EQ(deep.DamagedRows, spans);
    }
}

TEST(DeepCheck, ThousandsOfScansStopAtTheLimit)
{
    const Bytes valid = ManyScans(kMaxProgressiveScans);
    ASSERT_EQ(Walk(valid).Verdict, jvOk);
    EXPECT_EQ(Deep(valid).Verdict, DeepVerdict::Sound) << Deep(valid).Message;

    const Bytes many = ManyScans(5000);
    const DeepInfo deep = Deep(many);
    EXPECT_EQ(deep.Verdict, DeepVerdict::NotDecoded);
    EXPECT_EQ(deep.Message, "more than 100 scans");
}

TEST(DeepCheck, TrailersAreNamedByWhatTheyHold)
{
    ColourJpegSettings settings;
    settings.width = 32;
    settings.height = 32;
    const Bytes image = NoiseJpeg(settings);
    const Bytes second = NoiseJpeg({});
    const auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    Bytes random;
    uint32_t seed = 99;
    for (int i = 0; i < 500; ++i) {
        seed = seed * 1664525u + 1013904223u;
        random.push_back(static_cast<uint8_t>(seed >> 24));
    }
    struct Case {
        const char* name;
        Bytes first;
        Bytes appended;
        TrailerKind kind;
        int64_t videoAt = 0;  // where the kind's own data starts in the trailer
    };
    const Bytes withIndex = WithMpfIndex(image, 0);
    const Bytes mp4 = Joined({0, 0, 0, 0x18, 'f', 't', 'y', 'p', 'm', 'p', '4', '2'}, Bytes(300, 1));
    const Case cases[] = {
        {"jpeg", image, second, TrailerKind::Jpeg},
        {"mpf", withIndex, second, TrailerKind::Mpf},
        {"mpf elsewhere", WithMpfIndex(image, 30), second, TrailerKind::Jpeg},
        {"mp4", image, mp4, TrailerKind::Mp4},
        {"zip", image, Joined({'P', 'K', 3, 4, 20, 0}, random), TrailerKind::Zip},
        {"zeros", image, Bytes(70000, 0), TrailerKind::Zeros},
        {"text", image, text("Scanlark\r\n\t写真のメモ\n"), TrailerKind::Text},
        {"broken utf-8", image, text("abc\xE5\x86"), TrailerKind::Unknown},
        {"zeros then data", image, Joined(Bytes(70000, 0), {1}), TrailerKind::Unknown},
        {"random", image, random, TrailerKind::Unknown},
        // A 3DS writes one byte between the images, and its index says so.
        {"mpf after padding", WithMpfIndex(image, 1), Joined({0}, second), TrailerKind::Mpf},
        {"padding nothing declares", image, Joined({0}, second), TrailerKind::Unknown},
        {"motion photo", image, Joined(text("MotionPhoto_Data"), mp4), TrailerKind::Mp4, 16},
        {"motion photo without video", image, Joined(text("MotionPhoto_Data"), random), TrailerKind::Unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes data = Joined(c.first, c.appended);
        ASSERT_EQ(Walk(data).Verdict, jvOkWithTrailingData);
        const DeepInfo deep = Deep(data);
        EXPECT_EQ(deep.Verdict, DeepVerdict::Sound) << deep.Message;
        EXPECT_EQ(deep.Trailer.Kind, c.kind) << TrailerKindText(deep.Trailer.Kind);
        EXPECT_EQ(deep.Trailer.Offset, static_cast<int64_t>(c.first.size()) + c.videoAt);
        EXPECT_EQ(deep.Trailer.Size, static_cast<int64_t>(c.appended.size()) - c.videoAt);
    }

    // The index's offsets count from the index itself, so they move with the
    // image behind a Macintosh header; the image is decoded after the header.
    TempFolder folder;
    const Bytes macData = Joined(Joined(Bytes(128, 0), withIndex), second);
    const TKvJpegInfo macWalk = Walk(macData);
    ASSERT_TRUE(macWalk.HasMacBinaryHeader);
    const DeepInfo macDeep = DeepCheckJpegFile(folder.write("mac.jpg", macData), macWalk);
    EXPECT_EQ(macDeep.Verdict, DeepVerdict::Sound) << macDeep.Message;
    EXPECT_EQ(macDeep.Trailer.Kind, TrailerKind::Mpf);
    EXPECT_EQ(macDeep.Trailer.Offset, static_cast<int64_t>(128 + withIndex.size()));
}

// Gigabytes of zeros after an image are classified from a few blocks and the
// file system's map of where data lies, not read to the end.
TEST(DeepCheck, ALongSparseTrailerIsReadWhereItHoldsData)
{
    constexpr int64_t kStart = 1000;
    constexpr int64_t kSize = 8ll << 30;
    int64_t read = 0;
    const ReadAtFunction zeros = [&](uint64_t, uint8_t* buffer, size_t size) {
        read += static_cast<int64_t>(size);
        std::fill(buffer, buffer + size, 0);
        return size;
    };
    const NextDataFunction hole = [](uint64_t) { return DataExtent{kStart + kSize, kStart + kSize}; };
    EXPECT_EQ(ClassifyTrailer(zeros, 0, kStart, kSize, hole).Kind, TrailerKind::Zeros);
    EXPECT_LE(read, 1 << 20);

    // One block of data in the middle, and it is not zeros.
    const uint64_t middle = kStart + kSize / 2;
    const ReadAtFunction marked = [&](uint64_t offset, uint8_t* buffer, size_t size) {
        read += static_cast<int64_t>(size);
        for (size_t i = 0; i < size; ++i)
            buffer[i] = offset + i == middle + 7 ? 1 : 0;
        return size;
    };
    const NextDataFunction oneBlock = [&](uint64_t offset) {
        return offset <= middle ? DataExtent{middle, middle + 4096} : DataExtent{kStart + kSize, kStart + kSize};
    };
    read = 0;
    EXPECT_EQ(ClassifyTrailer(marked, 0, kStart, kSize, oneBlock).Kind, TrailerKind::Unknown);
    EXPECT_LE(read, 1 << 20);
    // Without a map, at most kTrailerReadLimit is read before giving up.
    read = 0;
    EXPECT_EQ(ClassifyTrailer(zeros, 0, kStart, kSize).Kind, TrailerKind::Unknown);
    EXPECT_LE(read, kTrailerReadLimit + (1 << 20));

    // A real sparse file.
    TempFolder folder;
    const Bytes image = NoiseJpeg({});
    const std::string path = folder.write("sparse.jpg", Joined(image, Bytes(4096, 0)));
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(image.size()) + kSize), 0);
    TKvJpegInfo walk = Walk(Joined(image, Bytes(4096, 0)));
    walk.TrailingBytes = kSize;
    const DeepInfo deep = DeepCheckJpegFile(path, walk);
    EXPECT_EQ(deep.Verdict, DeepVerdict::Sound);
    EXPECT_EQ(deep.Trailer.Kind, TrailerKind::Zeros);
    EXPECT_EQ(deep.Trailer.Size, kSize);
}

TEST(DeepMemoryBudget, ATakerWaitsForWhatOthersGiveBack)
{
    DeepMemoryBudget budget(100);
    EXPECT_FALSE(budget.take(101));
    ASSERT_TRUE(budget.take(60));
    std::atomic<bool> taken{false};
    std::thread other([&] {
        taken = budget.take(60);
        budget.giveBack(60);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(taken);
    budget.giveBack(60);
    other.join();
    EXPECT_TRUE(taken);
    EXPECT_TRUE(budget.take(100));

    const std::pair<const char*, std::optional<uint64_t>> sizes[] = {
        {"512M", 512ull << 20}, {"4g", 4ull << 30}, {"65536KiB", 64ull << 20}, {"1073741824", 1ull << 30},
        {"2GB", 2ull << 30}, {"0", std::nullopt}, {"", std::nullopt}, {"M", std::nullopt}, {"5X", std::nullopt},
        {"-1G", std::nullopt}, {"99999999999T", std::nullopt},
    };
    for (const auto& [text, bytes] : sizes)
        EXPECT_EQ(ParseMemorySize(text), bytes) << text;
}
