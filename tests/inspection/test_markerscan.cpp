// The search for the next marker: every path (scalar, SSE2, AVX2) gives the
// same answer on one table, wherever the vector blocks and the buffer end cut.
#include "inspection/JpegByteSource.h"
#include "inspection/KvJpegInfo.h"
#include "inspection/MarkerScan.h"
#include "JpegBuilder.h"
#include "LibjpegEncode.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr MarkerScanPath kPaths[] = {MarkerScanPath::Scalar, MarkerScanPath::Sse2, MarkerScanPath::Avx2};

const char* nameOf(MarkerScanPath path)
{
    return path == MarkerScanPath::Scalar ? "scalar" : path == MarkerScanPath::Sse2 ? "SSE2" : "AVX2";
}

// Puts every later walk on path and back on the best one at the end of scope.
class ScanPathScope {
public:
    explicit ScanPathScope(MarkerScanPath path) : before_(MarkerScanPathInUse()) { UseMarkerScanPath(path); }
    ~ScanPathScope() { UseMarkerScanPath(before_); }
    ScanPathScope(const ScanPathScope&) = delete;
    ScanPathScope& operator=(const ScanPathScope&) = delete;

private:
    MarkerScanPath before_;
};

// Bytes with FF in them but no marker pair, ending in a byte that is not FF:
// stuffed zeros and restart markers every few bytes.
Bytes noMarkers(size_t n)
{
    static const uint8_t pattern[] = {0xFF, 0x00, 0x12, 0xFF, 0xD5, 0x34, 0x56, 0xFF, 0xD0, 0xFF, 0x00};
    Bytes bytes;
    for (size_t i = 0; i < n; ++i)
        bytes.push_back(pattern[i % sizeof pattern]);
    if (!bytes.empty() && bytes.back() == 0xFF)
        bytes.back() = 0x77;
    return bytes;
}

struct PairCase {
    const char* name;
    Bytes bytes;
    size_t expected;  // SIZE_MAX: none, the answer is the last byte
};

TEST(MarkerScan, EveryPathFindsTheSamePairWhereverTheBlocksCut)
{
    const std::vector<PairCase> cases = {
        {"EOI", {0x11, 0xFF, 0xD9, 0x22}, 1},
        {"fill byte before a marker", {0xFF, 0xFF, 0xD9}, 0},
        {"stuffed zero then EOI", {0xFF, 0x00, 0xFF, 0xD9}, 2},
        {"restarts D0 and D7 then SOF", {0xFF, 0xD0, 0xFF, 0xD7, 0xFF, 0xC0}, 4},
        {"D8 is a marker, CF too", {0xFF, 0xCF}, 0},
        {"marker code 01", {0x00, 0xFF, 0x01}, 1},
        {"code in the last byte", {0x10, 0x20, 0xFF, 0xDA}, 2},
        {"FF as the last byte", {0x10, 0xFF, 0x00, 0xFF}, SIZE_MAX},
        {"stuffed zero as the last pair", {0x10, 0xFF, 0x00}, SIZE_MAX},
        {"restart as the last pair", {0xFF, 0xD3}, SIZE_MAX},
        {"nothing but stuffed pairs", noMarkers(70), SIZE_MAX},
        {"after 40 stuffed bytes", [] {
             Bytes b = noMarkers(40);
             b.insert(b.end(), {0xFF, 0xE1, 0x00});
             return b;
         }(), 40},
    };
    for (const auto& c : cases) {
        // Prefixes of 0..70 bytes move the pair across every 16- and 32-byte
        // seam; the case's bytes always end the buffer.
        for (size_t shift = 0; shift <= 70; ++shift) {
            Bytes data = noMarkers(shift);
            data.insert(data.end(), c.bytes.begin(), c.bytes.end());
            const size_t expected = c.expected == SIZE_MAX ? data.size() - 1 : shift + c.expected;
            for (MarkerScanPath path : kPaths) {
                if (!ProcessorHas(path))
                    continue;
                EXPECT_EQ(FindMarkerPair(data.data(), data.size(), path), expected)
                    << c.name << ", shift " << shift << ", " << nameOf(path);
            }
        }
    }
    for (MarkerScanPath path : kPaths)
        EXPECT_EQ(FindMarkerPair(nullptr, 0, path), 0u) << nameOf(path);
}

// The whole walk on each path, in memory and through file windows of a few
// bytes (seams inside every pair), gives the scalar path's record.
TEST(MarkerScan, EveryPathGivesTheSameRecords)
{
    std::vector<Bytes> inputs;
    LibjpegSettings settings;
    settings.width = 96;
    settings.height = 64;
    settings.quality = 98;  // dense entropy data: many stuffed zeros
    inputs.push_back(LibjpegEncode(settings));
    settings.progressive = true;
    inputs.push_back(LibjpegEncode(settings));
    inputs.push_back(JpegBuilder().soi().app0Jfif(1, 2).sos().entropy(3000).raw({0xFF, 0xD4}).entropy(500, 7).eoi().bytes());
    inputs.push_back(JpegBuilder().soi().sos().raw(noMarkers(100)).raw({0xFF}).bytes());
    std::mt19937 random(7);
    const size_t originals = inputs.size();
    for (size_t i = 0; i < originals; ++i) {
        for (int k = 0; k < 30; ++k) {
            Bytes damaged = inputs[i];
            if (k % 2 == 0)
                damaged.resize(random() % damaged.size());
            else
                damaged[random() % damaged.size()] = k % 4 == 1 ? 0xFF : static_cast<uint8_t>(random());
            inputs.push_back(std::move(damaged));
        }
    }

    TempFolder folder;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const std::string path = folder.write("p" + std::to_string(i) + ".jpg", inputs[i]);
        TKvJpegInfo scalar;
        {
            const ScanPathScope scope(MarkerScanPath::Scalar);
            CheckJpegData(inputs[i], scalar);
        }
        for (MarkerScanPath scanPath : kPaths) {
            const ScanPathScope scope(scanPath);
            TKvJpegInfo inMemory;
            CheckJpegData(inputs[i], inMemory);
            EXPECT_TRUE(inMemory == scalar) << "input " << i << ", " << nameOf(scanPath);
            for (size_t window : {2u, 17u, 33u, 4096u}) {
                TKvJpegInfo fromFile;
                JpegFileReader reader(window);
                CheckJpegFile(path, fromFile, reader);
                EXPECT_TRUE(fromFile == scalar) << "input " << i << ", " << nameOf(scanPath) << ", window " << window;
            }
        }
    }
}

}  // namespace
