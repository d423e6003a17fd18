// Read-ahead: files opened and announced ahead of the check are handed over,
// never opened twice, never a FIFO, and give the verdicts the check gives
// without read-ahead, whatever happens to them in between.
#include "inspection/JpegByteSource.h"
#include "inspection/KvJpegInfo.h"
#include "inspection/ReadAhead.h"
#include "JpegBuilder.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

size_t openDescriptors()
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// A list of paths read ahead with the kind the listing would give.
struct Listing {
    std::vector<std::string> paths;
    std::vector<ReadAhead::Kind> kinds;

    void add(const std::string& path, ReadAhead::Kind kind = ReadAhead::Kind::Unknown)
    {
        paths.push_back(path);
        kinds.push_back(kind);
    }
    ReadAhead::Describe describe()
    {
        return [this](size_t index, std::string& path, uint64_t& size) {
            path = paths[index];
            size = 0;
            return kinds[index];
        };
    }
};

// True when some process holds fifo open for reading: only then does a
// non-blocking open for writing succeed.
bool fifoHasReader(const std::string& fifo)
{
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

class ReadAheadTest : public ::testing::Test {
protected:
    const Bytes sound_ = JpegBuilder().minimalImage(Bytes(64, 9)).bytes();
    const Bytes cut_ = Bytes(sound_.begin(), sound_.end() - 40);
    TempFolder folder_;
};

TEST_F(ReadAheadTest, VerdictsMatchTheCheckWithoutReadAheadAndNothingIsOpenedTwice)
{
    Listing listing;
    listing.add(folder_.write("a.jpg", sound_));
    listing.add(folder_.write("b.jpg", cut_), ReadAhead::Kind::Regular);
    listing.add(folder_.path() + "/missing.jpg");
    listing.add(folder_.write("empty.jpg", {}));
    const std::string fifo = folder_.path() + "/pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    listing.add(fifo);
    listing.add(folder_.path(), ReadAhead::Kind::Other);
    listing.add(folder_.write("c.jpg", Bytes(300, 'x')));
    listing.add("/dev/null");

    std::vector<int32_t> without;
    JpegFileReader reader;
    for (const std::string& path : listing.paths) {
        TKvJpegInfo info;
        CheckJpegFile(path, info, reader);
        without.push_back(info.Verdict);
    }
    EXPECT_EQ(without, (std::vector<int32_t>{jvOk, jvDamaged, jvFileNotFound, jvEmptyFile, jvFileNotFound,
                                             jvFileNotFound, jvNotJpeg, jvFileNotFound}));

    const size_t before = openDescriptors();
    {
        ReadAhead ahead(listing.describe(), nullptr, ReadAheadLimits{3, 1u << 20});
        std::vector<int32_t> with;
        size_t handedOver = 0;
        for (size_t i = 0; i < listing.paths.size(); ++i) {
            const int fd = ahead.take(i, listing.paths.size());
            handedOver += fd >= 0;
            EXPECT_FALSE(fifoHasReader(fifo)) << "the FIFO was opened ahead, at item " << i;
            TKvJpegInfo info;
            CheckJpegFile(listing.paths[i], info, reader, fd);
            with.push_back(info.Verdict);
        }
        EXPECT_EQ(with, without);
        // Every regular file but the first (b, empty, c) was opened ahead and handed over.
        EXPECT_EQ(ahead.opened(), 3u);
        EXPECT_EQ(handedOver, 3u);
    }
    EXPECT_EQ(openDescriptors(), before);
}

// The check judges a file as it is at its turn: content changed, the name
// removed, or another file renamed over it since it was announced.
TEST_F(ReadAheadTest, FilesThatChangeOrVanishAfterTheAnnouncementGiveTodaysVerdict)
{
    Listing listing;
    listing.add(folder_.write("first.jpg", sound_));
    const std::string grows = folder_.write("grows.jpg", cut_);
    const std::string removed = folder_.write("removed.jpg", sound_);
    const std::string replaced = folder_.write("replaced.jpg", sound_);
    const std::string becomesFifo = folder_.write("fifo.jpg", sound_);
    for (const std::string& path : {grows, removed, replaced, becomesFifo})
        listing.add(path, ReadAhead::Kind::Regular);

    ReadAhead ahead(listing.describe(), nullptr);
    JpegFileReader reader;
    TKvJpegInfo first;
    CheckJpegFile(listing.paths[0], first, reader, ahead.take(0, listing.paths.size()));
    EXPECT_EQ(first.Verdict, jvOk);
    EXPECT_EQ(ahead.opened(), 4u);

    folder_.write("grows.jpg", sound_);
    ASSERT_EQ(std::remove(removed.c_str()), 0);
    const std::string other = folder_.write("other.jpg", Bytes(100, 'x'));
    ASSERT_EQ(std::rename(other.c_str(), replaced.c_str()), 0);
    ASSERT_EQ(std::remove(becomesFifo.c_str()), 0);
    ASSERT_EQ(::mkfifo(becomesFifo.c_str(), 0600), 0);

    std::vector<int32_t> verdicts;
    for (size_t i = 1; i < listing.paths.size(); ++i) {
        TKvJpegInfo info;
        CheckJpegFile(listing.paths[i], info, reader, ahead.take(i, listing.paths.size()));
        verdicts.push_back(info.Verdict);
    }
    EXPECT_EQ(verdicts, (std::vector<int32_t>{jvOk, jvFileNotFound, jvNotJpeg, jvFileNotFound}));
}

TEST_F(ReadAheadTest, LimitsStopAndSkippedItems)
{
    Listing listing;
    for (int i = 0; i < 10; ++i)
        listing.add(folder_.write("f" + std::to_string(i) + ".jpg", sound_), ReadAhead::Kind::Regular);

    const size_t before = openDescriptors();
    {
        // One descriptor more throughout: the folder the names are opened in.
        ReadAhead ahead(listing.describe(), nullptr, ReadAheadLimits{3, 1u << 20});
        EXPECT_EQ(ahead.take(0, 10), -1);  // nothing was ahead of the first
        EXPECT_EQ(ahead.opened(), 3u);
        EXPECT_EQ(openDescriptors(), before + 1 + 3);
        // Items the walk passes over give their descriptors back.
        const int fd = ahead.take(5, 10);
        EXPECT_EQ(fd, -1);
        EXPECT_EQ(openDescriptors(), before + 1 + 3);
        ahead.abandon();
        EXPECT_EQ(openDescriptors(), before + 1);
        // end bounds the announcing.
        EXPECT_EQ(ahead.take(6, 8), -1);
        EXPECT_EQ(openDescriptors(), before + 1 + 1);
    }
    EXPECT_EQ(openDescriptors(), before);

    // The byte limit: one file at least, then no more once the sizes reach it.
    Listing sized = listing;
    {
        ReadAhead ahead(
            [&sized](size_t index, std::string& path, uint64_t& size) {
                path = sized.paths[index];
                size = 1000;
                return ReadAhead::Kind::Regular;
            },
            nullptr, ReadAheadLimits{8, 2500});
        ahead.take(0, 10);
        EXPECT_EQ(ahead.opened(), 3u);
    }

    // Stopping ends the announcing before anything is opened.
    bool stopping = false;
    ReadAhead ahead(listing.describe(), nullptr, ReadAheadLimits{}, [&stopping] { return stopping; });
    stopping = true;
    EXPECT_EQ(ahead.take(0, 10), -1);
    EXPECT_EQ(ahead.opened(), 0u);
    EXPECT_EQ(openDescriptors(), before);
}

// Out of the page cache: written to the disk, then dropped.
void makeCold(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

TEST_F(ReadAheadTest, OnlyWhileFilesComeFromTheDisk)
{
    Listing listing;
    for (int i = 0; i < 140; ++i)
        listing.add(folder_.write("f" + std::to_string(1000 + i) + ".jpg", sound_), ReadAhead::Kind::Regular);
    JpegFileReader reader;
    const auto check = [&](ReadAhead& ahead, size_t i) {
        TKvJpegInfo info;
        CheckJpegFile(listing.paths[i], info, reader, ahead.take(i, listing.paths.size()));
        EXPECT_EQ(info.Verdict, jvOk) << i;
    };

    // Warm files: nothing is ever opened ahead.
    {
        ReadAhead ahead(listing.describe(), &reader);
        for (size_t i = 0; i < 100; ++i)
            check(ahead, i);
        EXPECT_FALSE(ahead.active());
        EXPECT_EQ(ahead.opened(), 0u);
    }

    // A cold file turns it on; a file looked at before its announcement that
    // is in the cache already turns it off. Dropping pages from the cache
    // leaves some behind now and then, so the first few files are made cold
    // and read-ahead turns on at the first of them that waited.
    for (size_t i = 0; i < 8; ++i)
        makeCold(listing.paths[i]);
    ReadAhead ahead(listing.describe(), &reader);
    check(ahead, 0);
    EXPECT_EQ(ahead.opened(), 0u);
    size_t next = 1;
    while (!ahead.active() && next < 8)
        check(ahead, next++);
    EXPECT_TRUE(ahead.active());
    EXPECT_EQ(ahead.opened(), 32u);
    size_t offAt = 0;
    for (size_t i = next; i < listing.paths.size(); ++i) {
        check(ahead, i);
        if (!ahead.active() && offAt == 0)
            offAt = i;
    }
    // The file looked at is announced while the one limits.files before it
    // is checked; a file read at its turn that came from the cache anyway
    // turns it off earlier.
    EXPECT_GT(offAt, 0u);
    EXPECT_LE(offAt, ReadAhead::kProbeInterval - 1 - ReadAheadLimits{}.files);
    EXPECT_FALSE(ahead.active());

    // Cold files: the file looked at is opened ahead and handed over like the
    // others, not left to wait for the disk at its turn. (Later ones are not
    // asserted: dropping pages from the cache leaves some behind, and a file
    // found in the cache rightly turns read-ahead off.)
    for (const std::string& path : listing.paths)
        makeCold(path);
    ReadAhead cold(listing.describe(), &reader);
    const size_t looked = ReadAhead::kProbeInterval - 1;
    const size_t announcing = looked - ReadAheadLimits{}.files;
    bool onWhenAnnounced = false;
    for (size_t i = 0; i <= looked; ++i) {
        const int fd = cold.take(i, listing.paths.size());
        if (i + 1 == announcing)
            onWhenAnnounced = cold.active();
        if (i == looked && onWhenAnnounced)
            EXPECT_GE(fd, 0);
        TKvJpegInfo info;
        CheckJpegFile(listing.paths[i], info, reader, fd);
        EXPECT_EQ(info.Verdict, jvOk) << i;
    }
}

}  // namespace
