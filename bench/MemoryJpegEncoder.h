// JPEG compression of generated pixels into memory with libjpeg, for the
// in-process benchmarks.
#pragma once

#include "SyntheticImage.h"

#include <cstdint>
#include <vector>

struct JpegEncodeSettings {
    int quality = 90;          // IJG scale 1..100
    bool progressive = false;  // the encoder's standard progressive script
    int restartRows = 0;       // restart marker every so many MCU rows; 0: none
};

// Throws std::runtime_error when libjpeg reports an error.
std::vector<uint8_t> EncodeJpeg(const SyntheticImage& image, const JpegEncodeSettings& settings);
