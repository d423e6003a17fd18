#include "decode/JpegCoding.h"

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>
#include <jerror.h>

bool MayBeUnsupportedCoding(int code)
{
    switch (code) {
    case JERR_ARITH_NOTIMPL:
    case JERR_BAD_PRECISION:
    case JERR_NOT_COMPILED:
    case JERR_SOF_UNSUPPORTED:
    case JERR_UNKNOWN_MARKER:  // DHP and EXP, the markers of hierarchical files
        return true;
    default:
        return false;
    }
}

bool IsLimitError(int code)
{
    switch (code) {
    case JERR_CONVERSION_NOTIMPL:
    case JERR_IMAGE_TOO_BIG:
    case JERR_NOTIMPL:
    case JERR_WIDTH_OVERFLOW:
        return true;
    default:
        return false;
    }
}

bool IsOutOfMemoryError(int code)
{
    return code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY;
}

std::string UnsupportedCoding(const ReadAtFunction& readAt, int64_t imageStart)
{
    constexpr int kMaxSegments = 256;
    uint64_t pos = static_cast<uint64_t>(imageStart) + 2;
    bool hierarchical = false;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        uint8_t head[4];
        if (readAt(pos, head, 4) != 4 || head[0] != 0xFF)
            return {};
        const uint8_t marker = head[1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        const size_t length = size_t{head[2]} << 8 | head[3];
        if (marker == 0xDA || marker == 0xD9 || length < 2)
            return {};
        if (marker == 0xDE)
            hierarchical = true;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            uint8_t sof[6];
            if (length < 8 || readAt(pos + 4, sof, 6) != 6)
                return {};
            const int precision = sof[0];
            const size_t components = sof[5];
            if (components == 0 || length != 8 + 3 * components)
                return {};
            const int process = marker & 0x0F;  // 0-2 DCT, 3 lossless, 5-7 differential; +8 arithmetic
            const bool differential = (process & 3) != 0 && (process & 4) != 0;
            const bool lossless = (process & 3) == 3;
            if (differential && !hierarchical)
                return {};
            if (hierarchical)
                return "hierarchical JPEG (SOF" + std::to_string(marker - 0xC0) + ") is not decoded";
            if (lossless)
                return precision >= 2 && precision <= 16
                           ? "lossless JPEG (SOF" + std::to_string(marker - 0xC0) + ") is not decoded"
                           : std::string();
            if (precision == 12 && marker != 0xC0)
                return "12-bit JPEG is not decoded";
            return {};
        }
        pos += 2 + length;
    }
    return {};
}
