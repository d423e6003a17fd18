// Compresses generated pixels with libjpeg, for tests that need files as a
// real encoder writes them.
#pragma once

#include "ColourJpeg.h"

#include <cstdint>
#include <vector>

struct LibjpegSettings {
    int width = 48;
    int height = 32;
    int components = 3;
    int quality = 75;
    bool progressive = false;
    bool arithmetic = false;
};

inline std::vector<uint8_t> LibjpegEncode(const LibjpegSettings& settings)
{
    ColourJpegSettings colour;
    colour.width = settings.width;
    colour.height = settings.height;
    colour.components = settings.components;
    colour.quality = settings.quality;
    colour.progressive = settings.progressive;
    colour.arithmetic = settings.arithmetic;
    // A little noise on gradients, the same samples in the same order on
    // every call.
    unsigned seed = 7;
    return ColourJpeg(colour, [&](int x, int y, uint8_t* samples) {
        for (int c = 0; c < settings.components; ++c) {
            const size_t i = static_cast<size_t>(x) * settings.components + c;
            seed = seed * 1103515245u + 12345u;
            samples[c] = static_cast<uint8_t>((i * 3 + static_cast<size_t>(y) * 5) % 200 + (seed >> 28));
        }
    });
}
