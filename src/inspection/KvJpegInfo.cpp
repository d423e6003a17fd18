#include "inspection/KvJpegInfo.h"

#include "inspection/JpegByteSource.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ITU-T T.81 Annex K, Table K.1: the luminance quantisation table.
constexpr std::array<int, 64> kLuminanceBase = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99,
};

// The table sum the IJG encoder produces at quality q (baseline-limited).
constexpr int32_t ijgSum(int q)
{
    const int scale = q < 50 ? 5000 / q : 200 - 2 * q;
    int32_t sum = 0;
    for (int base : kLuminanceBase) {
        int value = (base * scale + 50) / 100;
        value = value < 1 ? 1 : value > 255 ? 255 : value;
        sum += value;
    }
    return sum;
}

constexpr std::array<int32_t, 101> makeIjgSums()
{
    std::array<int32_t, 101> sums{};
    for (int q = 1; q <= 100; ++q)
        sums[q] = ijgSum(q);
    return sums;
}

constexpr std::array<int32_t, 101> kIjgSums = makeIjgSums();
static_assert(kIjgSums[1] == 16320 && kIjgSums[50] == 3688 && kIjgSums[75] == 1858 && kIjgSums[100] == 64);

// numerator / denominator rounded to the nearest integer, halves to even.
// Both are non-negative here; exact where a double would not be.
int64_t divideRoundHalfEven(int64_t numerator, int64_t denominator)
{
    const int64_t quotient = numerator / denominator;
    const int64_t twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && (quotient & 1)))
        return quotient + 1;
    return quotient;
}

enum class Step { Continue, Finished, Failed };

// One pass over the marker segments. Each handler starts right after the
// marker code and leaves the reader where the walk goes on.
class MarkerWalk {
public:
    MarkerWalk(JpegByteSource& source, TKvJpegInfo& info) : reader_(source), info_(info) {}

    bool run();

private:
    Step dispatch(uint8_t marker);
    Step frameHeader(uint8_t marker);
    Step endOfImage();
    Step quantisationTables();
    Step applicationSegment();
    Step exifSegment();
    Step comment();
    Step skipSegment();

    // Reads the segment length L; segmentEnd_ := offset of its first byte + L.
    bool beginSegment(uint16_t& length);
    bool beginSegment()
    {
        uint16_t length;
        return beginSegment(length);
    }
    Step endSegment()
    {
        reader_.seek(segmentEnd_);
        return Step::Continue;
    }

    BoundedReader reader_;
    TKvJpegInfo& info_;
    uint64_t segmentEnd_ = 0;
    int64_t tableCount_ = 0;
    int64_t tableSum_ = 0;
};

bool MarkerWalk::run()
{
    if (reader_.size() < 20)
        return true;
    uint8_t signature[3];
    if (!reader_.read(signature, 3))
        return false;
    static constexpr uint8_t kSoiPrefix[3] = {0xFF, 0xD8, 0xFF};
    if (std::memcmp(signature, kSoiPrefix, 3) != 0) {
        // A 128-byte Macintosh header may precede the data.
        if (reader_.size() < 148)
            return true;
        reader_.seek(128);
        if (!reader_.read(signature, 3))
            return false;
        if (std::memcmp(signature, kSoiPrefix, 3) != 0)
            return true;
        info_.HasMacBinaryHeader = true;
    }
    ++info_.SoiCount;
    // The signature's last FF is the prefix of the first marker.
    reader_.skip(-1);

    for (;;) {
        // Bytes that are not FF (entropy-coded data among them) are passed over.
        uint8_t marker;
        switch (reader_.nextMarker(marker)) {
        case BoundedReader::MarkerSearch::End:
            return true;
        case BoundedReader::MarkerSearch::Truncated:
            return false;
        case BoundedReader::MarkerSearch::Found:
            break;
        }
        switch (dispatch(marker)) {
        case Step::Failed:
            return false;
        case Step::Finished:
            return true;
        case Step::Continue:
            break;
        }
        if (reader_.atEnd())
            return true;
    }
}

Step MarkerWalk::dispatch(uint8_t marker)
{
    switch (marker) {
    case 0x00:  // stuffed zero in entropy-coded data
        return Step::Continue;
    case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC5: case 0xC6: case 0xC7:
    case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
        return frameHeader(marker);
    case 0xD0: case 0xD1: case 0xD2: case 0xD3: case 0xD4: case 0xD5: case 0xD6: case 0xD7:
        return Step::Continue;  // RSTn carry no length
    case 0xD8:
        ++info_.SoiCount;
        return Step::Continue;
    case 0xD9:
        return endOfImage();
    case 0xDB:
        return quantisationTables();
    case 0xE1:
        return exifSegment();
    case 0xE0: case 0xE2: case 0xE3: case 0xE4: case 0xE5: case 0xE6: case 0xE7:
    case 0xE8: case 0xE9: case 0xEA: case 0xEB: case 0xEC: case 0xED: case 0xEE: case 0xEF:
        return applicationSegment();
    case 0xFE:
        return comment();
    case 0xFF:
        // A fill byte (T.81 B.1.1.2): this FF is the next marker's prefix.
        reader_.skip(-1);
        return Step::Continue;
    default:
        // SOS included: its entropy-coded data follows the header and is
        // passed over by the main loop.
        return skipSegment();
    }
}

bool MarkerWalk::beginSegment(uint16_t& length)
{
    const uint64_t lengthOffset = reader_.pos();
    if (!reader_.u16be(length))
        return false;
    // A length below 2 sends the walk back into its own length field.
    segmentEnd_ = lengthOffset + length;
    return true;
}

Step MarkerWalk::frameHeader(uint8_t marker)
{
    // Set before the length is read: a file ending here still tells its process.
    info_.ProcessCode = static_cast<int8_t>(marker - 0xC0);
    if (!beginSegment())
        return Step::Failed;
    reader_.skip(1);  // sample precision
    uint16_t value;
    if (!reader_.u16be(value))
        return Step::Failed;
    info_.Height = value;
    if (!reader_.u16be(value))
        return Step::Failed;
    info_.Width = value;
    return endSegment();
}

Step MarkerWalk::endOfImage()
{
    ++info_.EoiCount;
    if (info_.SoiCount != info_.EoiCount)
        return Step::Continue;
    info_.EndOffset = static_cast<int64_t>(reader_.pos());
    info_.TrailingBytes = static_cast<int64_t>(reader_.size()) - info_.EndOffset;
    if (tableCount_ != 1)
        info_.IsGrayscale = false;
    info_.ScanComplete = true;
    return Step::Finished;
}

Step MarkerWalk::quantisationTables()
{
    uint16_t length;
    if (!beginSegment(length))
        return Step::Failed;
    // Tables are counted from the length alone: 64 bytes a table, halves to even.
    const int64_t payload = static_cast<int64_t>(length) - 3;
    tableCount_ += payload > 64 ? divideRoundHalfEven(payload, 64) : 1;

    uint8_t precisionAndDestination;
    if (!reader_.u8(precisionAndDestination))
        return Step::Failed;
    const int precision = precisionAndDestination >> 4;
    // Consecutive 64-value blocks from here on, whatever the table boundaries;
    // later tables' Pq/Tq bytes are summed as values. Precisions other than
    // 8 and 16 bits (T.81 B.2.4.1) add nothing.
    if (precision == 0 || precision == 1) {
        do {
            uint8_t block[128];
            const size_t blockBytes = precision == 0 ? 64 : 128;
            if (!reader_.read(block, blockBytes))
                return Step::Failed;
            if (precision == 0) {
                for (size_t i = 0; i < 64; ++i)
                    tableSum_ += block[i];
            } else {
                for (size_t i = 0; i < 128; i += 2)
                    tableSum_ += block[i] << 8 | block[i + 1];
            }
        } while (segmentEnd_ > reader_.pos() + 63);
    }
    info_.Quality = EstimateQuality(tableCount_, tableSum_);
    if (tableCount_ == 1)
        info_.IjgQuality = FindIjgQuality(tableSum_);
    return endSegment();
}

Step MarkerWalk::applicationSegment()
{
    if (!beginSegment())
        return Step::Failed;
    uint8_t identifier[6];
    if (!reader_.read(identifier, 6))
        return Step::Failed;
    if (std::memcmp(identifier, "JFIF", 5) == 0) {
        info_.IsJfif = true;
        reader_.skip(-1);  // the sixth byte is the major version
        uint8_t field;
        if (!reader_.u8(field))
            return Step::Failed;
        info_.JfifMajor = field;
        if (!reader_.u8(field))
            return Step::Failed;
        info_.JfifMinor = field;
        reader_.skip(5);  // density unit and the two densities
        if (!reader_.u8(field))
            return Step::Failed;
        info_.ThumbWidth = field;
        if (!reader_.u8(field))
            return Step::Failed;
        info_.ThumbHeight = field;
    }
    return endSegment();
}

Step MarkerWalk::exifSegment()
{
    if (!beginSegment())
        return Step::Failed;
    uint8_t identifier[6];
    if (!reader_.read(identifier, 6))
        return Step::Failed;
    if (std::memcmp(identifier, "Exif\0\0", 6) == 0)
        info_.IsExif = true;
    return endSegment();
}

Step MarkerWalk::comment()
{
    uint16_t length;
    if (!beginSegment(length) || length < 2)
        return Step::Failed;
    std::string text(length - 2u, '\0');
    if (!reader_.read(text.data(), text.size()))
        return Step::Failed;
    info_.Comment = std::move(text);
    return endSegment();
}

Step MarkerWalk::skipSegment()
{
    if (!beginSegment())
        return Step::Failed;
    return endSegment();
}

// A missing name, a path through something that is not a folder and a link
// that leads nowhere (dangling, or a loop) mean there is no file; any other
// failure (no permission to search the folder, ...) means it cannot be opened.
int32_t notThereOrCannotOpen(int error)
{
    return error == ENOENT || error == ENOTDIR || error == ELOOP ? jvFileNotFound : jvCannotOpen;
}

// The verdict of a failed open. A socket or a device without its driver
// refuses to open (ENXIO and the like) but is still no regular file, so only
// then is the name looked at.
int32_t openFailure(int folder, const char* name, int error)
{
    const int32_t verdict = notThereOrCannotOpen(error);
    struct stat status {};
    if (verdict == jvCannotOpen && folder != -1 && ::fstatat(folder, name, &status, 0) == 0 &&
        !S_ISREG(status.st_mode))
        return jvFileNotFound;
    return verdict;
}

// Closes the descriptor on every path, exceptions included.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

class AttachedReader {
public:
    AttachedReader(JpegFileReader& reader, int fd, uint64_t size) : reader_(reader) { reader_.attach(fd, size); }
    ~AttachedReader() { reader_.detach(); }
    AttachedReader(const AttachedReader&) = delete;
    AttachedReader& operator=(const AttachedReader&) = delete;

private:
    JpegFileReader& reader_;
};

// Verdict of a file whose content was walked (size above 0).
void setVerdictAfterWalk(bool walked, TKvJpegInfo& info)
{
    if (!walked)
        info.Verdict = jvUnknownError;
    else if (info.SoiCount == 0)
        info.Verdict = jvNotJpeg;
    else if (info.SoiCount == info.EoiCount)
        info.Verdict = info.TrailingBytes == 0 ? jvOk : jvOkWithTrailingData;
    else
        info.Verdict = jvDamaged;
}

}  // namespace

constinit const std::array<int32_t, 101> IjgQualitySums = kIjgSums;

uint8_t EstimateQuality(int64_t TableCount, int64_t Sum)
{
    if (TableCount < 1)
        TableCount = 1;
    const int64_t average = divideRoundHalfEven(Sum < 0 ? 0 : Sum, TableCount);
    // The highest quality whose luminance sum is still at least the average.
    for (int q = 100; q >= 1; --q) {
        if (kIjgSums[q] >= average)
            return static_cast<uint8_t>(q);
    }
    return 1;
}

int32_t FindIjgQuality(int64_t Sum)
{
    for (int q = 100; q >= 1; --q) {
        if (kIjgSums[q] == Sum)
            return q;
    }
    return -1;
}

bool ScanJpegStream(JpegByteSource& source, TKvJpegInfo& Info)
{
    return MarkerWalk(source, Info).run();
}

bool ScanJpegStream(std::span<const uint8_t> data, TKvJpegInfo& Info)
{
    MemoryByteSource source(data);
    return ScanJpegStream(source, Info);
}

void CheckJpegFile(const std::string& FileName, TKvJpegInfo& Info, JpegFileReader& reader, int openedAhead,
                   struct stat* opened)
{
    Info.Verdict = jvUnknownError;
    if (opened)
        opened->st_mode = 0;
    FileDescriptor fd(openedAhead);
    struct stat status {};
    if (fd.get() >= 0) {
        if (::fstat(fd.get(), &status) != 0)
            throw std::system_error(errno, std::generic_category(), "fstat");
        // Removed (or replaced) since it was opened: the name decides, as if
        // it had never been opened ahead.
        if (status.st_nlink == 0)
            fd.reset(-1);
    }
    if (fd.get() < 0) {
        const char* name = nullptr;
        const int folder = reader.folderFor(FileName, name);
        // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer,
        // and the fstat below refuses it, as it refuses every other kind of
        // file that is not a regular one.
        if (folder != -1)
            fd.reset(::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (fd.get() < 0) {
            // No descriptor left says nothing about the file.
            if (errno == EMFILE || errno == ENFILE)
                throw std::system_error(errno, std::generic_category(), "open");
            Info.Verdict = openFailure(folder, name, errno);
            return;
        }
        if (::fstat(fd.get(), &status) != 0)
            throw std::system_error(errno, std::generic_category(), "fstat");
    }
    if (opened)
        *opened = status;
    if (!S_ISREG(status.st_mode)) {
        Info.Verdict = jvFileNotFound;
        return;
    }
    if (status.st_size == 0) {
        Info.Verdict = jvEmptyFile;
        return;
    }
    bool walked;
    {
        const AttachedReader attached(reader, fd.get(), static_cast<uint64_t>(status.st_size));
        walked = ScanJpegStream(reader, Info);
        // Whatever the walk did not read (data after the image, the rest of
        // a file it gave up on) still goes to the reader's content sink.
        if (reader.contentSink())
            reader.passRest();
    }
    setVerdictAfterWalk(walked, Info);
}

void CheckJpegFile(const std::string& FileName, TKvJpegInfo& Info)
{
    JpegFileReader reader;
    CheckJpegFile(FileName, Info, reader);
}

void CheckJpegData(std::span<const uint8_t> data, TKvJpegInfo& Info)
{
    if (data.empty()) {
        Info.Verdict = jvEmptyFile;
        return;
    }
    setVerdictAfterWalk(ScanJpegStream(data, Info), Info);
}
