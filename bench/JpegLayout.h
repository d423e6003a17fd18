// Where the parts of a sound JPEG file lie, for damaging it on purpose: the
// entropy-coded data of each scan and the end of the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ByteRange {
    size_t begin = 0;
    size_t end = 0;  // one past the last byte
    size_t size() const { return end - begin; }
};

struct JpegLayout {
    // One range per scan, from the byte after its SOS header to the marker
    // that ends it; restart markers inside are part of the range.
    std::vector<ByteRange> scans;
    size_t afterAppSegments = 0;  // offset after SOI and the APPn segments that follow it directly
    size_t imageEnd = 0;          // offset after EOI
};

// For files this corpus encodes itself: throws std::runtime_error on anything
// but a well-formed single image.
JpegLayout ReadJpegLayout(const std::vector<uint8_t>& bytes);
