// How true the deep check's FirstBadRow and SoundFraction are: sound JPEG
// files are encoded from photo-like pixels, damaged copies are made of them
// (bit flips, zeroed blocks, truncation, lost restart intervals), both are
// decoded whole with libjpeg, and the MCU rows whose pixels came out
// identical are counted. That count is what SoundFraction must tell.
//
//   measure_sound_fraction [-s SEED] [-v]
//
// Prints one table row per kind of file and damage, then the whole; -v also
// lists every file where the deep check and the pixels disagree. Exit status
// 0 when FirstBadRow is exact and SoundFraction within 0.05 of the true share
// on at least 95% of the files, else 1.
//
// Rows are compared as libjpeg decodes them without fancy upsampling and
// block smoothing, which would blend the rows next to a damaged one with it.
// Where libjpeg stops with an error, the rows it gave before count as they
// are and the rest as lost, as a viewer built on it shows them.
#include "JpegLayout.h"
#include "MemoryJpegEncoder.h"
#include "DeepCorpusTrailers.h"
#include "SyntheticImage.h"
#include "decode/JpegDeepCheck.h"
#include "decode/LibjpegInput.h"
#include "inspection/KvJpegInfo.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr double kShareTolerance = 0.05;
constexpr double kTarget = 0.95;

struct Original {
    const char* name;
    int width;
    int height;
    JpegEncodeSettings settings;
};

const Original kOriginals[] = {
    {"baseline", 640, 480, {.quality = 90}},
    {"baseline-opt", 800, 600, {.quality = 85, .optimiseHuffman = true}},
    {"baseline444", 640, 480, {.quality = 92, .fullChroma = true}},
    {"baseline-rst1row", 800, 600, {.quality = 90, .restartRows = 1}},
    {"baseline-rst4mcu", 1024, 768, {.quality = 88, .restartMcus = 4}},
    {"grey-rst1row", 640, 480, {.quality = 90, .restartRows = 1, .greyscale = true}},
    {"progressive", 800, 600, {.quality = 85, .progressive = true}},
    {"progressive-rst2rows", 800, 600, {.quality = 88, .progressive = true, .restartRows = 2}},
};

constexpr int kImagesPerOriginal = 3;
constexpr int kBitFlips = 8;
constexpr size_t kZeroBlocks[] = {16, 128, 1024, 8192};
constexpr int kLostIntervals = 4;

// A whole decode: RGB (or grey) rows; rowsOut rows came out before any error.
struct Picture {
    int width = 0;
    int height = 0;
    int components = 0;
    int mcuRowHeight = 8;
    int rowsOut = 0;
    Bytes pixels;
};

Picture DecodeWhole(const Bytes& data)
{
    Picture picture;
    jpeg_decompress_struct cinfo {};
    LibjpegErrors errors;
    UseLibjpegErrors(cinfo, errors);
    if (setjmp(errors.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
        cinfo.dct_method = JDCT_ISLOW;
        cinfo.do_fancy_upsampling = FALSE;
        cinfo.do_block_smoothing = FALSE;
        jpeg_start_decompress(&cinfo);
        picture.width = static_cast<int>(cinfo.output_width);
        picture.height = static_cast<int>(cinfo.output_height);
        picture.components = cinfo.output_components;
        picture.mcuRowHeight = cinfo.max_v_samp_factor * DCTSIZE;
        const size_t stride = static_cast<size_t>(picture.width) * picture.components;
        picture.pixels.resize(stride * picture.height);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = picture.pixels.data() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
            picture.rowsOut = static_cast<int>(cinfo.output_scanline);
        }
        jpeg_finish_decompress(&cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    return picture;
}

// The truth about a damaged copy: its first MCU row that differs from the
// original's (-1: none) and the share of rows that do not.
struct Truth {
    int firstBadRow = -1;
    double soundShare = 1;
};

Truth Compare(const Picture& original, const Picture& damaged)
{
    const int rows = (original.height + original.mcuRowHeight - 1) / original.mcuRowHeight;
    const size_t stride = static_cast<size_t>(original.width) * original.components;
    const bool sameShape = damaged.width == original.width && damaged.height == original.height
                           && damaged.components == original.components;
    Truth truth;
    int identical = 0;
    for (int row = 0; row < rows; ++row) {
        const int top = row * original.mcuRowHeight;
        const int bottom = std::min(original.height, top + original.mcuRowHeight);
        const bool same = sameShape && damaged.rowsOut >= bottom
                          && std::memcmp(original.pixels.data() + stride * top, damaged.pixels.data() + stride * top,
                                         stride * (bottom - top)) == 0;
        identical += same;
        if (!same && truth.firstBadRow < 0)
            truth.firstBadRow = row;
    }
    truth.soundShare = static_cast<double>(identical) / rows;
    return truth;
}

struct Damaged {
    std::string kind;
    std::string name;
    Bytes bytes;
};

// Offsets of the restart markers inside the scans.
std::vector<size_t> RestartMarkers(const Bytes& sound, const JpegLayout& layout)
{
    std::vector<size_t> markers;
    for (const ByteRange& scan : layout.scans)
        for (size_t i = scan.begin; i + 1 < scan.end; ++i)
            if (sound[i] == 0xFF && sound[i + 1] >= 0xD0 && sound[i + 1] <= 0xD7)
                markers.push_back(i);
    return markers;
}

size_t PickScanByte(const JpegLayout& layout, CorpusRandom& random)
{
    size_t total = 0;
    for (const ByteRange& scan : layout.scans)
        total += scan.size();
    size_t pick = random.below(total);
    for (const ByteRange& scan : layout.scans) {
        if (pick < scan.size())
            return scan.begin + pick;
        pick -= scan.size();
    }
    return layout.scans.back().begin;
}

std::vector<Damaged> DamagedCopies(const Bytes& sound, CorpusRandom& random)
{
    const JpegLayout layout = ReadJpegLayout(sound);
    std::vector<Damaged> out;
    for (int i = 0; i < kBitFlips; ++i) {
        Bytes copy = sound;
        copy[PickScanByte(layout, random)] ^= static_cast<uint8_t>(1u << random.below(8));
        out.push_back({"bit flip", "flip" + std::to_string(i), copy});
    }
    const ByteRange* largest = &layout.scans.front();
    for (const ByteRange& scan : layout.scans)
        if (scan.size() > largest->size())
            largest = &scan;
    for (const size_t block : kZeroBlocks) {
        if (largest->size() < 2 * block)
            continue;
        const size_t start = largest->begin + random.below(largest->size() - block);
        Bytes copy = sound;
        std::memset(copy.data() + start, 0, block);
        out.push_back({"zeroed block", "zero" + std::to_string(block), copy});
    }
    for (const int percent : {25, 50, 75}) {
        const size_t cut = std::max(layout.scans.front().begin + 16, sound.size() * percent / 100);
        out.push_back({"truncation", "cut" + std::to_string(percent), Bytes(sound.begin(), sound.begin() + cut)});
    }
    const std::vector<size_t> markers = RestartMarkers(sound, layout);
    for (int i = 0; i + 1 < static_cast<int>(markers.size()) && i < kLostIntervals; ++i) {
        // One interval's data and the marker before it, as a lost sector takes them.
        const size_t at = random.below(markers.size() - 1);
        Bytes copy = sound;
        copy.erase(copy.begin() + static_cast<std::ptrdiff_t>(markers[at]),
                   copy.begin() + static_cast<std::ptrdiff_t>(markers[at + 1]));
        out.push_back({"lost interval", "lost" + std::to_string(i), copy});
    }
    return out;
}

struct Tally {
    int files = 0;
    int differ = 0;     // pixels not all identical
    int detected = 0;   // deep verdict damaged
    int firstExact = 0;
    int shareClose = 0;
    int both = 0;
    int detectedBoth = 0;  // both, among the files called damaged

    void add(const Tally& other)
    {
        files += other.files;
        differ += other.differ;
        detected += other.detected;
        firstExact += other.firstExact;
        shareClose += other.shareClose;
        both += other.both;
        detectedBoth += other.detectedBoth;
    }
};

void PrintRow(const std::string& group, const Tally& t)
{
    const auto percent = [](int n, int of) { return of ? 100.0 * n / of : 0.0; };
    std::printf("| %-36s | %5d | %6d | %7d | %4d (%5.1f%%) | %4d (%5.1f%%) | %4d (%5.1f%%) | %4d (%5.1f%%) |\n",
                group.c_str(), t.files, t.differ, t.detected, t.firstExact, percent(t.firstExact, t.files),
                t.shareClose, percent(t.shareClose, t.files), t.both, percent(t.both, t.files), t.detectedBoth,
                percent(t.detectedBoth, t.detected));
}

}  // namespace

int main(int argc, char** argv)
{
    uint64_t seed = 1;
    int arg = 1;
    if (!TakeSeedOption(argc, argv, arg, seed))
        return 2;
    bool verbose = false;
    for (; arg < argc; ++arg) {
        if (std::strcmp(argv[arg], "-v") != 0) {
            std::fputs("usage: measure_sound_fraction [-s SEED] [-v]\n", stderr);
            return 2;
        }
        verbose = true;
    }

    CorpusRandom random(seed);
    std::map<std::string, Tally> groups;
    Tally all;
    uint64_t imageSeed = seed * 1000;
    for (const Original& original : kOriginals) {
        for (int image = 0; image < kImagesPerOriginal; ++image) {
            const Bytes sound =
                EncodeJpeg(MakePhotoLikeImage(original.width, original.height, ++imageSeed), original.settings);
            const Picture reference = DecodeWhole(sound);
            for (const Damaged& damaged : DamagedCopies(sound, random)) {
                const Truth truth = Compare(reference, DecodeWhole(damaged.bytes));
                TKvJpegInfo walk;
                CheckJpegData(damaged.bytes, walk);
                const DeepInfo deep = DeepCheckJpegData(damaged.bytes, walk);
                Tally one;
                one.files = 1;
                one.differ = truth.firstBadRow >= 0;
                one.detected = deep.Verdict == DeepVerdict::Damaged;
                one.firstExact = deep.FirstBadRow == truth.firstBadRow;
                one.shareClose = std::fabs(deep.SoundFraction - truth.soundShare) <= kShareTolerance;
                one.both = one.firstExact && one.shareClose;
                one.detectedBoth = one.detected && one.both;
                groups[std::string(original.name) + ", " + damaged.kind].add(one);
                all.add(one);
                if (verbose && !one.both)
                    std::printf("%s-%d-%s: deep %s row %d share %.3f (%s), pixels row %d share %.3f\n", original.name,
                                image, damaged.name.c_str(), std::string(DeepVerdictText(deep.Verdict)).c_str(),
                                deep.FirstBadRow, deep.SoundFraction, deep.Message.c_str(), truth.firstBadRow,
                                truth.soundShare);
            }
        }
    }
    std::printf("| %-36s | %5s | %6s | %7s | %-13s | %-13s | %-13s | %-13s |\n", "original, damage", "files",
                "differ", "damaged", "row exact", "share +-0.05", "both", "both/damaged");
    std::printf("|%s|------:|-------:|--------:|--------------:|--------------:|--------------:|--------------:|\n",
                std::string(38, '-').c_str());
    for (const auto& [group, tally] : groups)
        PrintRow(group, tally);
    PrintRow("all", all);
    const double share = all.files ? static_cast<double>(all.both) / all.files : 0;
    const double detectedShare = all.detected ? static_cast<double>(all.detectedBoth) / all.detected : 0;
    std::printf("FirstBadRow exact and SoundFraction within %.2f: %.1f%% of %d files, %.1f%% of the %d called damaged "
                "(target %.0f%%): %s\n",
                kShareTolerance, 100 * share, all.files, 100 * detectedShare, all.detected, 100 * kTarget,
                share >= kTarget ? "met" : "MISSED");
    return share >= kTarget ? 0 : 1;
}
