// Photo-like RGB pixels for the benchmark corpora.
//
// A flat or purely random image gives entropy-coded data unlike a photo's
// (almost no bytes, or nothing but noise), and the marker walk's speed
// depends on how often 0xFF turns up in that data. These pixels mix what a
// photo has: smooth sky and light gradients, a horizon, textured ground at
// several scales, a few man-made objects with sharp edges and regular
// patterns, and sensor noise.
#pragma once

#include <cstdint>
#include <vector>

struct SyntheticImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
};

// The same size and seed give the same pixels on every machine (no standard
// library distributions, whose output varies between implementations).
// width and height are at least 1.
SyntheticImage MakePhotoLikeImage(int width, int height, uint64_t seed);

// The corpus makers' "-s SEED" option: when argv[arg] is "-s", reads the
// number after it into seed and moves arg past both. False when the number
// is not a whole decimal number.
bool TakeSeedOption(int argc, char** argv, int& arg, uint64_t& seed);
