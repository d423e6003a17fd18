// The kinds of data that turn up after the end of a JPEG image, built as
// their own programs would write them, for the damaged-file corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A small deterministic generator (splitmix64): the same seed gives the same
// corpus on every machine.
class CorpusRandom {
public:
    explicit CorpusRandom(uint64_t seed) : state_(seed) {}
    uint64_t next();
    size_t below(size_t bound) { return static_cast<size_t>(next() % bound); }
    void fill(uint8_t* out, size_t size);

private:
    uint64_t state_;
};

// The first image with an APP2 MPF index declaring itself and second as its
// two images (as a camera writes a large preview or a second view), followed
// by second. The index is inserted at insertAt (after the leading APPn
// segments) and its offsets are relative to its own byte-order mark.
std::vector<uint8_t> WithMpfSecondImage(const std::vector<uint8_t>& first, size_t insertAt,
                                        const std::vector<uint8_t>& second, bool bigEndian);

// An ISO media file: an `ftyp` box, then an `mdat` box of mediaBytes random bytes.
std::vector<uint8_t> IsoMediaFile(CorpusRandom& random, size_t mediaBytes);
// A zip archive holding one stored text file.
std::vector<uint8_t> ZipArchive();
// Lines of plain ASCII text.
std::vector<uint8_t> PlainText();
// Random bytes that do not begin like any of the above or like a JPEG file.
std::vector<uint8_t> RandomBytes(CorpusRandom& random, size_t size);
