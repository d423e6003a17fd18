// Drives the deep check with arbitrary bytes after the marker walk, as
// scanlark-check --deep does: libjpeg's errors and warnings must come back
// as a verdict (never exit or crash), and the record must hang together.
#include "decode/JpegDeepCheck.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    TKvJpegInfo walk;
    CheckJpegData(bytes, walk);
    // A million pixels keep each run within the fuzzer's memory limit; the
    // refusal itself is the same code as for the real limit.
    const DeepInfo deep = DeepCheckJpegData(bytes, walk, 1000 * 1000);
    switch (deep.Verdict) {
    case DeepVerdict::Sound:
        if (deep.FirstBadRow != -1 || deep.SoundFraction != 1 || !deep.Message.empty())
            std::abort();
        break;
    case DeepVerdict::Warning:
        if (deep.FirstBadRow != -1 || deep.SoundFraction != 1 || deep.Message.empty())
            std::abort();
        break;
    case DeepVerdict::Damaged:
        if (deep.FirstBadRow < 0 || deep.SoundFraction < 0 || deep.SoundFraction >= 1 || deep.Message.empty())
            std::abort();
        break;
    case DeepVerdict::NotDecoded:
        if (deep.FirstBadRow != -1 || deep.SoundFraction != -1 || deep.Message.empty())
            std::abort();
        break;
    }
    const bool trailer = deep.Trailer.Kind != TrailerKind::None;
    if (trailer != (walk.ScanComplete && walk.TrailingBytes > 0))
        std::abort();
    if (trailer && (uint64_t(deep.Trailer.Offset + deep.Trailer.Size) != size || deep.Trailer.Offset < walk.EndOffset))
        std::abort();
    return 0;
}
