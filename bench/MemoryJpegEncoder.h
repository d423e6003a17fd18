// JPEG compression of generated pixels into memory with libjpeg, for the
// in-process benchmarks and the damaged-file corpus.
#pragma once

#include "SyntheticImage.h"

#include <cstdint>
#include <vector>

struct JpegEncodeSettings {
    int quality = 90;          // IJG scale 1..100
    bool progressive = false;  // the encoder's standard progressive script
    int restartRows = 0;       // restart marker every so many MCU rows; 0: none
    int restartMcus = 0;       // or every so many MCUs, as cameras write them; 0: none
    bool greyscale = false;    // one component, from the pixels' luma
    bool fullChroma = false;   // 4:4:4 instead of 4:2:0 (ignored for greyscale)
    bool optimiseHuffman = false;
};

// Throws std::runtime_error when libjpeg reports an error.
std::vector<uint8_t> EncodeJpeg(const SyntheticImage& image, const JpegEncodeSettings& settings);
