// Drives the preview's decoder with arbitrary bytes: libjpeg's errors must
// come back as an empty image (never exit or crash), and every pixel of an
// image that comes back must have been written (each carries the opaque
// alpha byte the decoder writes).
#include "decode/KvJpegDecoder.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A million pixels keep each run within the fuzzer's memory limit; the
    // refusal itself is the same code as for the real limit.
    const TKvDecodedImage image = DecodeJpegBytes(data, size, 1000 * 1000);
    if (image.Empty()) {
        if (image.Width != 0 || image.Height != 0)
            std::abort();
        return 0;
    }
    if (image.Width <= 0 || image.Height <= 0 || uint64_t(image.Width) * image.Height > 1000 * 1000)
        std::abort();
    const size_t count = size_t(image.Width) * image.Height;
    for (size_t i = 0; i < count; ++i)
        if (image.Pixels[i] >> 24 != 0xFF)
            std::abort();
    return 0;
}
