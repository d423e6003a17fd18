#include "decode/KvJpegDecoder.h"
#include "platform/KvPreviewLoader.h"

#include "ColourJpeg.h"
#include "FileHelpers.h"
#include "TempFiles.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Rgb {
    int r, g, b;
};

Rgb At(const TKvDecodedImage& image, int x, int y)
{
    const uint32_t word = image.Pixels[static_cast<size_t>(y) * image.Width + x];
    return {static_cast<int>(word >> 16 & 0xFF), static_cast<int>(word >> 8 & 0xFF), static_cast<int>(word & 0xFF)};
}

// Every pixel opaque and within tolerance of expected.
void ExpectAllNear(const TKvDecodedImage& image, Rgb expected, int tolerance, const char* what)
{
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) {
            const uint32_t word = image.Pixels[static_cast<size_t>(y) * image.Width + x];
            const Rgb got = At(image, x, y);
            ASSERT_EQ(word >> 24, 0xFFu) << what << " at " << x << "," << y;
            ASSERT_NEAR(got.r, expected.r, tolerance) << what << " at " << x << "," << y;
            ASSERT_NEAR(got.g, expected.g, tolerance) << what << " at " << x << "," << y;
            ASSERT_NEAR(got.b, expected.b, tolerance) << what << " at " << x << "," << y;
        }
}

TKvDecodedImage DecodeVector(const std::vector<uint8_t>& bytes)
{
    return DecodeJpegBytes(bytes.data(), bytes.size());
}

ColourJpegSettings Settings(int components, J_COLOR_SPACE stored = JCS_UNKNOWN, bool adobe = true)
{
    ColourJpegSettings settings;
    settings.width = 24;
    settings.height = 16;
    settings.components = components;
    settings.stored = stored;
    settings.adobeMarker = adobe;
    return settings;
}

}  // namespace

// Each way a file can store its colours comes out as the colour it means.
// Plain CMYK 0/128/255/64 is 25% black over red-orange: RGB 191/95/0; Adobe's
// encoders store the same inks inverted and say so in their segment.
TEST(KvJpegDecoder, EveryColourSpaceGivesTheColourItStandsFor)
{
    ColourJpegSettings progressive = Settings(3);
    progressive.progressive = true;
    const struct {
        const char* what;
        ColourJpegSettings settings;
        std::vector<uint8_t> samples;
        Rgb expected;
    } cases[] = {
        {"YCbCr", Settings(3), {200, 40, 90}, {200, 40, 90}},
        {"progressive YCbCr", progressive, {200, 40, 90}, {200, 40, 90}},
        {"grayscale", Settings(1), {100}, {100, 100, 100}},
        {"plain CMYK", Settings(4, JCS_CMYK, false), {0, 128, 255, 64}, {191, 95, 0}},
        {"Adobe inverted CMYK", Settings(4, JCS_CMYK, true), {255, 127, 0, 191}, {191, 95, 0}},
        {"Adobe YCCK", Settings(4, JCS_YCCK, true), {255, 127, 0, 191}, {191, 95, 0}},
    };
    for (const auto& c : cases) {
        const TKvDecodedImage image = DecodeVector(PlainColourJpeg(c.settings, c.samples));
        ASSERT_FALSE(image.Empty()) << c.what;
        EXPECT_EQ(image.Width, 24) << c.what;
        EXPECT_EQ(image.Height, 16) << c.what;
        ExpectAllNear(image, c.expected, 4, c.what);
    }
}

// A file cut short, as one still being copied: full size, the decoded top
// as it is, libjpeg's filler below, every pixel written.
TEST(KvJpegDecoder, TruncatedFileGivesWhatWasDecodedAtFullSize)
{
    ColourJpegSettings settings = Settings(3);
    settings.width = 64;
    settings.height = 64;
    std::vector<uint8_t> bytes = ColourJpeg(settings, [](int x, int y, uint8_t* out) {
        out[0] = static_cast<uint8_t>(y < 32 ? 240 : 20);
        out[1] = static_cast<uint8_t>(x * 3);
        out[2] = 60;
    });
    size_t scan = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
            scan = i;
    ASSERT_GT(scan, 0u);
    bytes.resize(scan + (bytes.size() - scan) / 3);

    TempFolder folder;
    const TKvDecodedImage image = DecodeJpegFile(folder.write("cut.jpg", bytes));
    ASSERT_FALSE(image.Empty());
    EXPECT_EQ(image.Width, 64);
    EXPECT_EQ(image.Height, 64);
    EXPECT_NEAR(At(image, 0, 0).r, 240, 4);
    EXPECT_NEAR(At(image, 63, 0).g, 189, 6);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(image.Pixels[static_cast<size_t>(y) * 64 + x] >> 24, 0xFFu);
}

// Whatever is at the path, the answer is an image or nothing, at once.
TEST(KvJpegDecoder, AnythingButAReadableJpegFileGivesNothing)
{
    TempFolder folder;
    const std::vector<uint8_t> sound = PlainColourJpeg(Settings(3), {10, 20, 30});
    std::vector<uint8_t> tablesOnly(sound.begin(), sound.end());
    for (size_t i = 0; i + 1 < tablesOnly.size(); ++i)
        if (tablesOnly[i] == 0xFF && tablesOnly[i + 1] == 0xDA) {
            tablesOnly.resize(i);
            tablesOnly.insert(tablesOnly.end(), {0xFF, 0xD9});
            break;
        }
    std::filesystem::create_directory(folder.path() + "/folder.jpg");

    const struct {
        const char* what;
        std::string path;
        bool decodes;
    } cases[] = {
        {"sound", folder.write("sound.jpg", sound), true},
        {"name that is not UTF-8", folder.write("\x82\xA0\xFF.jpg", sound), true},
        {"text named .jpg", folder.write("text.jpg", {'h', 'e', 'l', 'l', 'o', '\n'}), false},
        {"empty", folder.write("empty.jpg", {}), false},
        {"tables and no image", folder.write("tables.jpg", tablesOnly), false},
        {"missing", folder.path() + "/missing.jpg", false},
        {"folder named .jpg", folder.path() + "/folder.jpg", false},
        {"empty path", "", false},
    };
    for (const auto& c : cases) {
        const TKvDecodedImage image = DecodeJpegFile(c.path);
        EXPECT_EQ(!image.Empty(), c.decodes) << c.what;
        if (c.decodes)
            ExpectAllNear(image, {10, 20, 30}, 3, c.what);
        else
            EXPECT_EQ(image.Width + image.Height, 0) << c.what;
    }
    EXPECT_TRUE(DecodeJpegBytes(nullptr, 0).Empty());
    EXPECT_TRUE(DecodeVector({0xFF, 0xD8}).Empty());
}

TEST(KvJpegDecoder, FifoNamedJpegNeverBlocks)
{
    TempFolder folder;
    const std::string fifo = folder.path() + "/pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto decoding = std::async(std::launch::async, [&] { return DecodeJpegFile(fifo); });
    const bool finished = decoding.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!finished) {
        // Let a blocked open or read end, so that the failure is reported.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    EXPECT_TRUE(finished);
    EXPECT_TRUE(decoding.get().Empty());
}

// A tiny file that declares 16,001 x 16,000 pixels is refused before any
// pixel memory exists: the peak resident size does not grow by the gigabyte
// its pixels would take.
TEST(KvJpegDecoder, ImageOverTheSizeLimitIsRefusedBeforeAllocating)
{
    std::vector<uint8_t> bytes = PlainColourJpeg(Settings(3), {90, 90, 90});
    size_t frame = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            frame = i;
            break;
        }
    ASSERT_GT(frame, 0u);
    auto declare = [&](int width, int height) {
        bytes[frame + 5] = static_cast<uint8_t>(height >> 8);
        bytes[frame + 6] = static_cast<uint8_t>(height & 0xFF);
        bytes[frame + 7] = static_cast<uint8_t>(width >> 8);
        bytes[frame + 8] = static_cast<uint8_t>(width & 0xFF);
    };
    declare(64, 48);
    const TKvDecodedImage small = DecodeVector(bytes);  // the same file, small, is shown
    EXPECT_EQ(small.Width, 64);
    EXPECT_EQ(small.Height, 48);

    rusage before {};
    ::getrusage(RUSAGE_SELF, &before);
    declare(16001, 16000);
    static_assert(16001ull * 16000 > kMaxDecodedPixels && 16000ull * 16000 <= kMaxDecodedPixels);
    EXPECT_TRUE(DecodeVector(bytes).Empty());
    declare(16000, 16001);
    EXPECT_TRUE(DecodeVector(bytes).Empty());
    rusage after {};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes";
}

// Showing one photo after another decodes into the memory of the one before
// when it has room, and into fresh memory when it has not.
TEST(KvJpegDecoder, DecodesIntoTheMemoryItIsGivenWhenThereIsRoom)
{
    TempFolder folder;
    ColourJpegSettings large = Settings(3);
    large.width = 64;
    large.height = 64;
    const std::string first = folder.write("large.jpg", PlainColourJpeg(large, {250, 0, 0}));
    const std::string second = folder.write("small.jpg", PlainColourJpeg(Settings(3), {0, 0, 250}));

    TKvDecodedImage spare = DecodeJpegFile(first);
    ASSERT_EQ(spare.Capacity, 64u * 64);
    const uint32_t* memory = spare.Pixels.get();
    const TKvDecodedImage smaller = DecodeJpegFile(second, &spare);
    EXPECT_TRUE(spare.Empty());
    EXPECT_EQ(spare.Pixels, nullptr);
    EXPECT_EQ(smaller.Pixels.get(), memory);
    EXPECT_EQ(smaller.Capacity, 64u * 64);
    ExpectAllNear(smaller, {0, 0, 250}, 4, "into the larger image's memory");

    TKvDecodedImage tooSmall = DecodeJpegFile(second);
    const TKvDecodedImage larger = DecodeJpegFile(first, &tooSmall);
    EXPECT_EQ(larger.Capacity, 64u * 64);
    ExpectAllNear(larger, {250, 0, 0}, 4, "into fresh memory");

    // A decode that gives nothing (no file, not a JPEG, abandoned) leaves
    // the memory for the next one.
    TKvDecodedImage kept = DecodeJpegFile(first);
    const uint32_t* keptMemory = kept.Pixels.get();
    const std::atomic<bool> abandon{true};
    EXPECT_TRUE(DecodeJpegFile(folder.path() + "/missing.jpg", &kept).Empty());
    EXPECT_TRUE(DecodeJpegFile(folder.write("text.jpg", {'h', 'i'}), &kept).Empty());
    EXPECT_TRUE(DecodeJpegFile(first, &kept, &abandon).Empty());
    EXPECT_EQ(kept.Pixels.get(), keptMemory);
    EXPECT_EQ(kept.Capacity, 64u * 64);
    EXPECT_EQ(DecodeJpegFile(first, &kept).Pixels.get(), keptMemory);
}

// A small file can repeat one progressive scan thousands of times, each a
// pass over the whole image: past the limit the file is refused.
TEST(KvJpegDecoder, ProgressiveFileWithTooManyScansIsRefused)
{
    ColourJpegSettings settings = Settings(1);
    settings.progressive = true;
    const std::vector<uint8_t> bytes = PlainColourJpeg(settings, {128});
    // The first scan: its SOS segment and entropy data up to the next marker.
    size_t start = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            start = i;
            break;
        }
    ASSERT_GT(start, 0u);
    size_t end = start + 2;
    while (end + 1 < bytes.size() && !(bytes[end] == 0xFF && bytes[end + 1] != 0x00 && (bytes[end + 1] < 0xD0 || bytes[end + 1] > 0xD7)))
        ++end;
    const std::vector<uint8_t> scan(bytes.begin() + static_cast<long>(start), bytes.begin() + static_cast<long>(end));
    auto withRepeats = [&](int repeats) {
        std::vector<uint8_t> out(bytes.begin(), bytes.begin() + static_cast<long>(end));
        for (int i = 0; i < repeats; ++i)
            out.insert(out.end(), scan.begin(), scan.end());
        out.insert(out.end(), bytes.begin() + static_cast<long>(end), bytes.end());
        return out;
    };
    EXPECT_FALSE(DecodeVector(withRepeats(10)).Empty());  // repeated scans alone are only warned about
    EXPECT_TRUE(DecodeVector(withRepeats(kMaxProgressiveScans + 10)).Empty());
}

// The preview's loads run off the caller's thread and the newest wins: one
// superseded or cancelled mid-decode stops at once, even in a hole of 32 GB
// that libjpeg would search byte by byte for minutes, and never delivers;
// the destructor stops a decode the same way.
TEST(KvPreviewLoader, OnlyTheNewestLoadDeliversAndAbandonedDecodesStopAtOnce)
{
    TempFolder folder;
    const std::string hole = folder.path() + "/hole.jpg";
    WriteWithHole(hole, {0xFF, 0xD8}, uintmax_t{32} << 30);
    const std::string photo = folder.write("photo.jpg", PlainColourJpeg(Settings(3), {10, 20, 30}));
    std::vector<std::string> delivered;
    std::atomic<int> started{0};
    const auto decode = [&](const std::string& path) {
        return [&, path](const std::atomic<bool>& abandoned) -> TKvPreviewLoader::Delivery {
            ++started;
            const bool shown = !DecodeJpegFile(path, nullptr, &abandoned).Empty();
            return [&, path, shown] { delivered.push_back(shown ? path : "nothing"); };
        };
    };
    const auto clock = std::chrono::steady_clock::now();
    {
        TKvPreviewLoader loader;
        loader.Start(decode(hole));
        ASSERT_TRUE(waitUntil([&] { return started == 1; }));
        for (int i = 0; i < 20; ++i)
            loader.Start(decode(i % 2 ? photo : hole));
        ASSERT_TRUE(waitUntil([&] { return !loader.Pending(); }));
        EXPECT_EQ(delivered, std::vector<std::string>{photo});

        const int before = started;
        loader.Start(decode(hole));
        ASSERT_TRUE(waitUntil([&] { return started > before; }));
        loader.Cancel();
        EXPECT_FALSE(loader.Pending());
        loader.Start(decode(photo));
        ASSERT_TRUE(waitUntil([&] { return !loader.Pending(); }));
        EXPECT_EQ(delivered, (std::vector<std::string>{photo, photo}));

        loader.Start(decode(hole));
        ASSERT_TRUE(waitUntil([&] { return started > before + 2; }));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - clock, std::chrono::seconds(10)) << "each hole alone takes minutes";
}
