// Micro-benchmarks of the marker walk on generated photo-like JPEG files: in
// memory (the walk alone), beside a bare memchr pass over the same bytes (the
// limit), and through a file with a reused reader (the walk plus open, read
// and close, as the checker runs it).
#include "inspection/JpegByteSource.h"
#include "inspection/KvJpegInfo.h"
#include "MemoryJpegEncoder.h"
#include "SyntheticImage.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace {

// Built on first use, so listing the benchmarks costs nothing.
const std::vector<uint8_t>& PhotoJpeg()
{
    // 12 megapixels, quality 90: a typical camera photo.
    static const std::vector<uint8_t> bytes = EncodeJpeg(MakePhotoLikeImage(4000, 3000, 12), {90, false, 0});
    return bytes;
}

const std::vector<uint8_t>& ProgressivePhotoJpeg()
{
    static const std::vector<uint8_t> bytes = EncodeJpeg(MakePhotoLikeImage(4000, 3000, 12), {90, true, 0});
    return bytes;
}

const std::vector<uint8_t>& ThumbnailJpeg()
{
    static const std::vector<uint8_t> bytes = EncodeJpeg(MakePhotoLikeImage(160, 120, 34), {90, false, 0});
    return bytes;
}

// A JPEG file in /tmp, removed again when the program ends.
class TemporaryJpegFile {
public:
    explicit TemporaryJpegFile(std::span<const uint8_t> bytes)
    {
        char name[] = "/tmp/scanlark-bench-XXXXXX.jpg";
        const int fd = ::mkstemps(name, 4);
        if (fd < 0)
            throw std::system_error(errno, std::generic_category(), "mkstemps");
        path_ = name;
        size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int error = errno;
                ::close(fd);
                ::unlink(name);
                throw std::system_error(error, std::generic_category(), "write");
            }
            written += static_cast<size_t>(n);
        }
        ::close(fd);
    }
    ~TemporaryJpegFile() { ::unlink(path_.c_str()); }
    TemporaryJpegFile(const TemporaryJpegFile&) = delete;
    TemporaryJpegFile& operator=(const TemporaryJpegFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string& PhotoFile()
{
    static const TemporaryJpegFile file(PhotoJpeg());
    return file.path();
}

const std::string& ThumbnailFile()
{
    static const TemporaryJpegFile file(ThumbnailJpeg());
    return file.path();
}

void ReportThroughput(benchmark::State& state, size_t bytesPerItem)
{
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytesPerItem));
    state.SetItemsProcessed(state.iterations());
    state.counters["file_bytes"] = static_cast<double>(bytesPerItem);
}

void BM_ScanJpegStream(benchmark::State& state, const std::vector<uint8_t>& (*jpeg)())
{
    const std::span<const uint8_t> bytes(jpeg());
    // A walk that stops early would look fast: make sure this one goes to EOI.
    TKvJpegInfo check;
    if (!ScanJpegStream(bytes, check) || !check.ScanComplete) {
        state.SkipWithError("the generated file does not walk to its end");
        return;
    }
    for (auto _ : state) {
        TKvJpegInfo info;
        bool complete = ScanJpegStream(bytes, info);
        benchmark::DoNotOptimize(complete);
        benchmark::DoNotOptimize(info);
    }
    ReportThroughput(state, bytes.size());
}

// The same bytes with nothing but memchr for 0xFF: the walk's upper bound.
void BM_MemchrFF(benchmark::State& state, const std::vector<uint8_t>& (*jpeg)())
{
    const std::vector<uint8_t>& bytes = jpeg();
    for (auto _ : state) {
        const uint8_t* position = bytes.data();
        const uint8_t* const end = position + bytes.size();
        uint64_t found = 0;
        while (const auto* hit = static_cast<const uint8_t*>(std::memchr(position, 0xFF, static_cast<size_t>(end - position)))) {
            ++found;
            position = hit + 1;
        }
        benchmark::DoNotOptimize(found);
    }
    ReportThroughput(state, bytes.size());
}

void BM_CheckJpegFile(benchmark::State& state, const std::string& (*file)())
{
    const std::string& path = file();
    JpegFileReader reader;
    TKvJpegInfo check;
    CheckJpegFile(path, check, reader);
    if (check.Verdict != jvOk) {
        state.SkipWithError("the generated file is not judged sound");
        return;
    }
    for (auto _ : state) {
        TKvJpegInfo info;
        CheckJpegFile(path, info, reader);
        benchmark::DoNotOptimize(info);
    }
    ReportThroughput(state, static_cast<size_t>(std::filesystem::file_size(path)));
}

}  // namespace

BENCHMARK_CAPTURE(BM_ScanJpegStream, photo_12mp_q90, &PhotoJpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ScanJpegStream, photo_12mp_q90_progressive, &ProgressivePhotoJpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ScanJpegStream, thumbnail_160x120, &ThumbnailJpeg);
BENCHMARK_CAPTURE(BM_MemchrFF, photo_12mp_q90, &PhotoJpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MemchrFF, thumbnail_160x120, &ThumbnailJpeg);
BENCHMARK_CAPTURE(BM_CheckJpegFile, photo_12mp_q90, &PhotoFile)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CheckJpegFile, thumbnail_160x120, &ThumbnailFile);

BENCHMARK_MAIN();
