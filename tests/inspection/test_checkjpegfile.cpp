// The per-file driver against the file system: what is not a regular file,
// files of 2 GiB and more, and the windowed reads that keep memory bounded.
#include "inspection/JpegByteSource.h"
#include "inspection/KvJpegInfo.h"
#include "JpegBuilder.h"
#include "LibjpegEncode.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>
#include <random>

namespace {

int checkPath(const std::string& path)
{
    TKvJpegInfo info;
    CheckJpegFile(path, info);
    return info.Verdict;
}

TEST(CheckJpegFile, AnythingButARegularFileIsNotThereAndIsNeverOpened)
{
    TempFolder folder;
    EXPECT_EQ(checkPath(folder.path() + "/missing.jpg"), jvFileNotFound);
    EXPECT_EQ(checkPath(folder.path()), jvFileNotFound);
    EXPECT_EQ(checkPath("/dev/null"), jvFileNotFound);
    EXPECT_EQ(checkPath(folder.path() + "/missing/below.jpg"), jvFileNotFound);

    // Opening a FIFO for reading would wait for a writer forever.
    const std::string fifo = folder.path() + "/pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto verdict = std::async(std::launch::async, [&] { return checkPath(fifo); });
    ASSERT_EQ(verdict.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the check hangs on a FIFO";
    EXPECT_EQ(verdict.get(), jvFileNotFound);

    const std::string socketPath = folder.path() + "/s.jpg";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(checkPath(socketPath), jvFileNotFound);
    ::close(fd);

    // A link to a sound file is the file.
    const std::string target = folder.write("real.jpg", JpegBuilder().soi().eoi().zeros(20).bytes());
    const std::string link = folder.path() + "/link.jpg";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(checkPath(link), jvOkWithTrailingData);
}

TEST(CheckJpegFile, UnreadableFileCannotBeOpened)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TempFolder folder;
    const std::string path = folder.write("locked.jpg", JpegBuilder().soi().eoi().zeros(20).bytes());
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    EXPECT_EQ(checkPath(path), jvCannotOpen);
}

TEST(CheckJpegFile, FilesOfTwoGibibytesAndMore)
{
    TempFolder folder;
    const int64_t twoGiB = int64_t{1} << 31;

    // A sound image followed by a 2.5 GiB hole: the trailing count needs 64 bits.
    const Bytes image = JpegBuilder().minimalImage(TableWithSum(3688)).bytes();
    const std::string trailing = folder.write("trailing.jpg", image);
    ASSERT_EQ(::truncate(trailing.c_str(), twoGiB + twoGiB / 4), 0);
    TKvJpegInfo info;
    CheckJpegFile(trailing, info);
    EXPECT_EQ(info.Verdict, jvOkWithTrailingData);
    EXPECT_EQ(info.EndOffset, static_cast<int64_t>(image.size()));
    EXPECT_EQ(info.TrailingBytes, twoGiB + twoGiB / 4 - static_cast<int64_t>(image.size()));

    // The end of the image itself lies beyond 2 GiB, after a sparse run of zeros.
    const std::string far = folder.write("far.jpg", JpegBuilder().soi().padding(20).bytes());
    {
        const int fd = ::open(far.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const uint8_t tail[] = {0xFF, 0xD9, 'x'};
        ASSERT_EQ(::pwrite(fd, tail, sizeof tail, twoGiB + 10), static_cast<ssize_t>(sizeof tail));
        ::close(fd);
    }
    TKvJpegInfo farInfo;
    CheckJpegFile(far, farInfo);
    EXPECT_EQ(farInfo.Verdict, jvOkWithTrailingData);
    EXPECT_EQ(farInfo.EndOffset, twoGiB + 12);
    EXPECT_EQ(farInfo.TrailingBytes, 1);
}

// Sound files of several layouts and, for each, truncations and byte flips
// as a damaged disk would make them.
std::vector<Bytes> filesAndTheirDamage()
{
    std::vector<Bytes> inputs;
    LibjpegSettings colour;
    colour.width = 40;
    colour.height = 24;
    inputs.push_back(LibjpegEncode(colour));
    colour.progressive = true;
    inputs.push_back(LibjpegEncode(colour));
    inputs.push_back(JpegBuilder().zeros(128).soi().app0Jfif(1, 2, 1, 1).app1Exif(70).com("comment").dqt16(std::vector<int>(64, 999)).sof(0xC9, 9, 9).sos().entropy(300).eoi().raw(std::string("tail")).bytes());
    inputs.push_back(JpegBuilder().soi().marker(0xDB).u16(1).raw({0x10}).zeros(126).raw({0xFF, 0xD9}).bytes());
    inputs.push_back(JpegBuilder().soi().marker(0xC0).u16(0).raw({8, 0, 10, 0, 20}).raw({0xFF, 0xFF}).eoi().zeros(12).bytes());

    std::mt19937 random(42);
    const size_t originals = inputs.size();
    for (size_t i = 0; i < originals; ++i) {
        for (int k = 0; k < 40; ++k) {
            Bytes damaged = inputs[i];
            if (k % 2 == 0) {
                damaged.resize(random() % damaged.size());
            } else {
                for (int flips = 0; flips < 4; ++flips)
                    damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
            }
            inputs.push_back(std::move(damaged));
        }
    }
    return inputs;
}

// Every file walked through a window of a few bytes must give exactly what
// the whole-file walk gives, whatever the seams cut through.
TEST(CheckJpegFile, WindowedReadsMatchTheWholeFileWalk)
{
    const std::vector<Bytes> inputs = filesAndTheirDamage();
    TempFolder folder;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const std::string path = folder.write("w" + std::to_string(i) + ".jpg", inputs[i]);
        TKvJpegInfo whole;
        JpegFileReader big(inputs[i].size() + 1);
        CheckJpegFile(path, whole, big);

        TKvJpegInfo inMemory;
        const bool walked = ScanJpegStream(std::span<const uint8_t>(inputs[i]), inMemory);
        EXPECT_EQ(walked, whole.Verdict != jvUnknownError) << i;
        EXPECT_EQ(inMemory.EndOffset, whole.EndOffset) << i;

        for (size_t window : {1u, 2u, 3u, 7u, 64u, 131u, 1000u}) {
            TKvJpegInfo windowed;
            JpegFileReader reader(window);
            CheckJpegFile(path, windowed, reader);
            EXPECT_TRUE(windowed == whole) << "input " << i << " window " << window;
        }
    }
}

class KeptBytes final : public ContentSink {
public:
    void take(const uint8_t* bytes, size_t count) override { kept.insert(kept.end(), bytes, bytes + count); }
    Bytes kept;
};

// A content sink on the reader sees each byte of every file exactly once, in
// order, whatever the walk jumped over (long segments, entropy-coded data
// past a window, data after the image, the rest of a file it gave up on),
// and the walk's result is the one it gives without a sink. One reader
// serves all files, as on a checking thread.
TEST(CheckJpegFile, AContentSinkSeesEveryByteOnceWhateverTheWalkSkips)
{
    std::vector<Bytes> inputs = filesAndTheirDamage();
    LibjpegSettings large;
    large.width = 160;
    large.height = 120;
    const Bytes encoded = LibjpegEncode(large);
    inputs.push_back(JpegBuilder().soi().padding(20000).app1Exif(3000).raw(Bytes(encoded.begin() + 2, encoded.end()))
                         .zeros(9000).bytes());
    inputs.push_back(Bytes(5000, 0x41));  // not a JPEG file: the walk reads two bytes
    inputs.push_back(Bytes{0xFF});

    TempFolder folder;
    std::vector<std::string> paths;
    for (size_t i = 0; i < inputs.size(); ++i)
        paths.push_back(folder.write("s" + std::to_string(i) + ".jpg", inputs[i]));
    for (size_t window : {7u, 131u, 4096u, 65536u}) {
        JpegFileReader reader(window);
        KeptBytes sink;
        reader.setContentSink(&sink);
        for (size_t i = 0; i < inputs.size(); ++i) {
            const std::string& path = paths[i];
            TKvJpegInfo plain;
            JpegFileReader plainReader(window);
            CheckJpegFile(path, plain, plainReader);

            sink.kept.clear();
            TKvJpegInfo hashed;
            CheckJpegFile(path, hashed, reader);
            EXPECT_TRUE(hashed == plain) << "input " << i << " window " << window;
            ASSERT_EQ(sink.kept.size(), inputs[i].size()) << "input " << i << " window " << window;
            EXPECT_TRUE(sink.kept == inputs[i]) << "input " << i << " window " << window;
        }
    }
}

TEST(CheckJpegFile, OneReaderServesManyFilesOfAnySize)
{
    TempFolder folder;
    LibjpegSettings big;
    big.width = 400;
    big.height = 300;
    const Bytes largeBytes = LibjpegEncode(big);
    const std::string large = folder.write("large.jpg", largeBytes);
    const std::string small = folder.write("small.jpg", JpegBuilder().soi().eoi().zeros(30).bytes());
    const std::string truncated = folder.write("cut.jpg", Bytes(largeBytes.begin(), largeBytes.begin() + 900));

    JpegFileReader reader(4096);
    for (int round = 0; round < 3; ++round) {
        for (const auto& [path, verdict] : {std::pair{large, jvOk}, std::pair{small, jvOkWithTrailingData},
                                            std::pair{truncated, jvDamaged}}) {
            TKvJpegInfo info;
            CheckJpegFile(path, info, reader);
            EXPECT_EQ(info.Verdict, verdict) << path;
        }
    }
}

}  // namespace
