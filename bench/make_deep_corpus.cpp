// Writes the damaged-file corpus of run-deep-bench.sh: sound JPEG files of
// several processes and sizes, and copies of them damaged as failing storage
// and careless tools damage files, one folder per kind of damage:
//
//   sound/         the originals
//   bitflip/       one bit flipped inside the entropy-coded data
//   huffman/       50 bit flips and 50 runs of 8 random bytes in the scan of
//                  each of four 640x480 baseline files: standard Huffman
//                  tables, and optimised ones at qualities 90, 30 and (grey) 15,
//                  whose tables leave more and more codes unused
//   random-block/  1 to 64 KiB inside one scan overwritten with random bytes
//   zero-block/    the same with zeros
//   truncated/     cut in the headers, at 25, 50 and 75% of the file, before EOI
//   append-KIND/   data after the image: jpeg, mpf, mp4, zip, zeros, text, random
//
//   make_deep_corpus [-s SEED] DIR
//
// The same seed gives the same files. File names start with the original's
// name, so a file's origin and damage read from its path.
#include "DeepCorpusTrailers.h"
#include "JpegLayout.h"
#include "MemoryJpegEncoder.h"
#include "SyntheticImage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Original {
    const char* name;
    int width;
    int height;
    JpegEncodeSettings settings;
};

// From a thumbnail to 5 megapixels; every process and sampling the check meets.
const Original kOriginals[] = {
    {"base420-160x120", 160, 120, {.quality = 85}},
    {"base444-640x480", 640, 480, {.quality = 92, .fullChroma = true}},
    {"base420opt-1600x1200", 1600, 1200, {.quality = 90, .optimiseHuffman = true}},
    {"base420-2592x1944", 2592, 1944, {.quality = 88}},
    {"prog420-320x240", 320, 240, {.quality = 80, .progressive = true}},
    {"prog420-1024x768", 1024, 768, {.quality = 90, .progressive = true}},
    {"prog444-2048x1536", 2048, 1536, {.quality = 85, .progressive = true, .fullChroma = true}},
    {"rst420-1280x960", 1280, 960, {.quality = 90, .restartRows = 1}},
    {"rstprog420-1024x768", 1024, 768, {.quality = 88, .progressive = true, .restartRows = 2}},
    {"grey-1200x900", 1200, 900, {.quality = 90, .greyscale = true}},
    {"greyprog-640x480", 640, 480, {.quality = 85, .progressive = true, .greyscale = true}},
    {"greyrst-2000x1500", 2000, 1500, {.quality = 92, .restartRows = 1, .greyscale = true}},
};

constexpr int kBitFlipsPerOriginal = 6;

// Both Huffman kinds, each damaged many times: a code that no table holds
// turns up only now and then, more often the fewer codes a table uses.
const Original kHuffmanOriginals[] = {
    {"std420q90-640x480", 640, 480, {.quality = 90}},
    {"opt420q90-640x480", 640, 480, {.quality = 90, .optimiseHuffman = true}},
    {"opt420q30-640x480", 640, 480, {.quality = 30, .optimiseHuffman = true}},
    {"optgreyq15-640x480", 640, 480, {.quality = 15, .greyscale = true, .optimiseHuffman = true}},
};
constexpr int kHuffmanDamages = 50;
constexpr size_t kBlockSizes[] = {1024, 4096, 16384, 65536};

class CorpusWriter {
public:
    explicit CorpusWriter(std::filesystem::path root) : root_(std::move(root)) {}

    void write(const std::string& category, const std::string& name, const Bytes& bytes)
    {
        const std::filesystem::path folder = root_ / category;
        std::filesystem::create_directories(folder);
        const std::filesystem::path path = folder / (name + ".jpg");
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + path.string());
        ++counts_[category];
    }

    const std::map<std::string, int>& counts() const { return counts_; }

private:
    std::filesystem::path root_;
    std::map<std::string, int> counts_;
};

std::string numbered(const std::string& name, const char* what, size_t number)
{
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "-%s%02zu", what, number);
    return name + suffix;
}

// Picks a byte of the entropy-coded data, every byte of every scan alike.
size_t pickScanByte(const JpegLayout& layout, CorpusRandom& random)
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

void writeBitFlips(CorpusWriter& out, const std::string& category, int count, const std::string& name,
                   const Bytes& sound, const JpegLayout& layout, CorpusRandom& random)
{
    for (int i = 0; i < count; ++i) {
        Bytes damaged = sound;
        damaged[pickScanByte(layout, random)] ^= static_cast<uint8_t>(1u << random.below(8));
        out.write(category, numbered(name, "flip", static_cast<size_t>(i)), damaged);
    }
}

// A block inside the largest scan that holds it with room on both sides, so
// that the damage starts after the scan's first bytes and ends before its end.
void writeBlocks(CorpusWriter& out, const std::string& name, const Bytes& sound, const JpegLayout& layout,
                 CorpusRandom& random)
{
    const ByteRange* largest = &layout.scans.front();
    for (const ByteRange& scan : layout.scans)
        if (scan.size() > largest->size())
            largest = &scan;
    for (size_t block : kBlockSizes) {
        if (largest->size() < block + block / 2)
            continue;
        const size_t room = largest->size() - block;
        const size_t start = largest->begin + room / 4 + random.below(room / 2);
        Bytes noise = sound;
        random.fill(noise.data() + start, block);
        out.write("random-block", numbered(name, "kib", block / 1024), noise);
        Bytes zeros = sound;
        std::memset(zeros.data() + start, 0, block);
        out.write("zero-block", numbered(name, "kib", block / 1024), zeros);
    }
}

void writeTruncations(CorpusWriter& out, const std::string& name, const Bytes& sound, const JpegLayout& layout)
{
    const auto cut = [&](const char* label, size_t size) {
        const auto end = sound.begin() + static_cast<std::ptrdiff_t>(size);
        out.write("truncated", name + "-" + label, Bytes(sound.begin(), end));
    };
    cut("headers", layout.scans.front().begin / 2);
    cut("25pct", sound.size() / 4);
    cut("50pct", sound.size() / 2);
    cut("75pct", sound.size() * 3 / 4);
    cut("no-eoi", layout.imageEnd - 2);
}

Bytes joined(const Bytes& image, const Bytes& trailer)
{
    Bytes file = image;
    file.insert(file.end(), trailer.begin(), trailer.end());
    return file;
}

void writeAppended(CorpusWriter& out, const std::string& name, size_t index, const Bytes& sound,
                   const JpegLayout& layout, const Bytes& second, CorpusRandom& random)
{
    out.write("append-jpeg", name, joined(sound, second));
    out.write("append-mpf", name, WithMpfSecondImage(sound, layout.afterAppSegments, second, index % 2 == 0));
    out.write("append-mp4", name, joined(sound, IsoMediaFile(random, 4096 + random.below(60000))));
    out.write("append-zip", name, joined(sound, ZipArchive()));
    // Padding from a few bytes to a whole flash page.
    const size_t padding[] = {16, 512, 4096, 65536};
    out.write("append-zeros", name, joined(sound, Bytes(padding[index % 4], 0)));
    out.write("append-text", name, joined(sound, PlainText()));
    out.write("append-random", name, joined(sound, RandomBytes(random, 64 + random.below(8192))));
}

int usage()
{
    std::fputs("usage: make_deep_corpus [-s SEED] DIR\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    uint64_t seed = 1;
    int arg = 1;
    if (!TakeSeedOption(argc, argv, arg, seed))
        return usage();
    if (argc - arg != 1)
        return usage();

    try {
        CorpusWriter out(argv[arg]);
        CorpusRandom random(seed);
        const Bytes second = EncodeJpeg(MakePhotoLikeImage(640, 480, seed + 1000), {.quality = 80});
        size_t index = 0;
        for (const Original& original : kOriginals) {
            const Bytes sound =
                EncodeJpeg(MakePhotoLikeImage(original.width, original.height, seed + index), original.settings);
            const JpegLayout layout = ReadJpegLayout(sound);
            if (layout.scans.empty() || layout.imageEnd != sound.size())
                throw std::runtime_error(std::string("unexpected layout of ") + original.name);
            out.write("sound", original.name, sound);
            writeBitFlips(out, "bitflip", kBitFlipsPerOriginal, original.name, sound, layout, random);
            writeBlocks(out, original.name, sound, layout, random);
            writeTruncations(out, original.name, sound, layout);
            writeAppended(out, original.name, index, sound, layout, second, random);
            ++index;
        }
        for (const Original& original : kHuffmanOriginals) {
            const Bytes sound =
                EncodeJpeg(MakePhotoLikeImage(original.width, original.height, seed + index), original.settings);
            const JpegLayout layout = ReadJpegLayout(sound);
            writeBitFlips(out, "huffman", kHuffmanDamages, original.name, sound, layout, random);
            for (int i = 0; i < kHuffmanDamages; ++i) {
                Bytes damaged = sound;
                const size_t at = pickScanByte(layout, random);
                random.fill(damaged.data() + at, std::min<size_t>(8, layout.scans.back().end - at));
                out.write("huffman", numbered(original.name, "bytes", static_cast<size_t>(i)), damaged);
            }
            ++index;
        }
        for (const auto& [category, count] : out.counts())
            std::printf("%s %d\n", category.c_str(), count);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_deep_corpus: %s\n", error.what());
        return 1;
    }
    return 0;
}
