// Drives the marker walk with arbitrary bytes: no crash, no hang, a verdict
// 0..7, figures in range, and the same record whether the data is walked
// whole or through a window of a few bytes, on every marker search path.
#include "inspection/JpegByteSource.h"
#include "inspection/KvJpegInfo.h"
#include "inspection/MarkerScan.h"

#include <cstdlib>
#include <cstring>

namespace {

// Serves the data through a tiny window, as the file reader does at its seams.
class SmallWindowSource final : public JpegByteSource {
public:
    SmallWindowSource(const uint8_t* data, size_t size, size_t window) : data_(data), windowSize_(window)
    {
        size_ = size;
    }

protected:
    bool fill(uint64_t pos) override
    {
        window_ = data_ + pos;
        windowStart_ = pos;
        windowLength_ = static_cast<size_t>(std::min<uint64_t>(windowSize_, size_ - pos));
        return true;
    }

private:
    const uint8_t* data_;
    size_t windowSize_;
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TKvJpegInfo whole;
    CheckJpegData(std::span<const uint8_t>(data, size), whole);
    require(whole.Verdict >= 0 && whole.Verdict <= 7);
    require(whole.Quality == -1 || (whole.Quality >= 1 && whole.Quality <= 100));
    require(whole.IjgQuality == -1 || (whole.IjgQuality >= 1 && whole.IjgQuality <= 100));
    require(whole.ProcessCode >= -1 && whole.ProcessCode <= 15);
    require(whole.Comment.size() <= size);
    if (whole.ScanComplete) {
        require(whole.EndOffset >= 4 && static_cast<uint64_t>(whole.EndOffset) <= size);
        require(whole.TrailingBytes == static_cast<int64_t>(size) - whole.EndOffset);
        require(whole.SoiCount == whole.EoiCount);
    } else {
        require(whole.EndOffset == 0 && whole.TrailingBytes == 0);
    }

    const size_t window = size == 0 ? 1 : 1 + data[size - 1] % 13;
    SmallWindowSource source(data, size, window);
    TKvJpegInfo windowed;
    const bool walked = size == 0 || ScanJpegStream(source, windowed);
    require(walked == (whole.Verdict != 3));
    windowed.Verdict = whole.Verdict;  // the walk alone gives none
    require(size == 0 || windowed == whole);

    // Every marker search the processor runs gives the same record, whole
    // and through the small window.
    const MarkerScanPath best = MarkerScanPathInUse();
    for (MarkerScanPath path : {MarkerScanPath::Scalar, MarkerScanPath::Sse2, MarkerScanPath::Avx2}) {
        if (!ProcessorHas(path))
            continue;
        UseMarkerScanPath(path);
        TKvJpegInfo other;
        CheckJpegData(std::span<const uint8_t>(data, size), other);
        require(other == whole);
        SmallWindowSource again(data, size, window);
        TKvJpegInfo otherWindowed;
        if (size != 0)
            ScanJpegStream(again, otherWindowed);
        otherWindowed.Verdict = whole.Verdict;
        require(size == 0 || otherWindowed == whole);
    }
    UseMarkerScanPath(best);
    return 0;
}
