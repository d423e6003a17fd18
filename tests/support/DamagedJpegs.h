// Photos that the marker walk calls sound and a decode calls damaged: bit
// flips and zeroed blocks inside the entropy-coded data, made from one noise
// picture with a restart marker after each row of MCUs, so that the damage
// lies in a known row.
#pragma once

#include "ColourJpeg.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// 128 x 256 pixels in 4:2:0, 16 rows of MCUs of 16 pixels, a restart marker
// after each; seed varies the noise.
inline std::vector<uint8_t> RestartNoiseJpeg(uint32_t seed = 12345)
{
    ColourJpegSettings settings;
    settings.width = 128;
    settings.height = 256;
    settings.quality = 90;
    settings.restartRows = 1;
    return ColourJpeg(settings, [&](int, int, uint8_t* samples) {
        for (int c = 0; c < settings.components; ++c) {
            seed = seed * 1664525u + 1013904223u;
            samples[c] = static_cast<uint8_t>(seed >> 24);
        }
    });
}

// The offset of each restart marker of the first scan, in order.
inline std::vector<size_t> RestartMarkerOffsets(const std::vector<uint8_t>& data)
{
    size_t scan = 0;
    for (size_t i = 2; i + 3 < data.size() && scan == 0; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xDA)
            scan = i + 2 + (size_t{data[i + 2]} << 8 | data[i + 3]);
    std::vector<size_t> markers;
    for (size_t i = scan; scan > 0 && i + 1 < data.size(); ++i)
        if (data[i] == 0xFF && data[i + 1] >= 0xD0 && data[i + 1] <= 0xD7)
            markers.push_back(i);
    return markers;
}

// One bit flipped in the middle of MCU row `row` (1..15) of a RestartNoiseJpeg.
// Not every flip shows in a decode: rows 3 and 8 of the default noise do.
inline std::vector<uint8_t> WithBitFlip(std::vector<uint8_t> data, size_t row)
{
    const std::vector<size_t> markers = RestartMarkerOffsets(data);
    data[(markers[row - 1] + 2 + markers[row]) / 2] ^= 0x10;
    return data;
}

// 100 bytes zeroed near the start of MCU row `row` (1..15).
inline std::vector<uint8_t> WithZeroedBlock(std::vector<uint8_t> data, size_t row)
{
    const std::vector<size_t> markers = RestartMarkerOffsets(data);
    const auto start = data.begin() + static_cast<std::ptrdiff_t>(markers[row - 1] + 2 + 40);
    std::fill(start, start + 100, uint8_t{0});
    return data;
}
