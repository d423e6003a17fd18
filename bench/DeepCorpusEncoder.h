// JPEG compression of generated pixels with the choices a damaged-file corpus
// needs: process, chroma subsampling, greyscale, restart markers.
#pragma once

#include "SyntheticImage.h"

#include <cstdint>
#include <vector>

struct CorpusJpegSettings {
    int quality = 90;            // IJG scale 1..100
    bool progressive = false;    // the encoder's standard progressive script
    bool greyscale = false;      // one component, from the pixels' luma
    bool fullChroma = false;     // 4:4:4 instead of 4:2:0 (ignored for greyscale)
    bool optimiseHuffman = false;
    int restartRows = 0;         // restart marker every so many MCU rows; 0: none
};

// Throws std::runtime_error when libjpeg reports an error.
std::vector<uint8_t> EncodeCorpusJpeg(const SyntheticImage& image, const CorpusJpegSettings& settings);
