// Decoding a JPEG file into 32-bit pixels for the preview pane, with libjpeg.
// The window's damage check never uses this: it reads markers only.
//
// Everything here is plain C++ over libjpeg (no Qt), callable from any
// thread; one call owns all its libjpeg state. Hostile input never ends the
// process: libjpeg's errors come back as an empty result, its warnings are
// ignored, and sizes are checked before any pixel memory is allocated.
#pragma once

#include "decode/LibjpegInput.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct TKvFreePixels {
    void operator()(uint32_t* pixels) const;
};
using TKvPixelMemory = std::unique_ptr<uint32_t[], TKvFreePixels>;

// Memory for count pixels, uninitialised, or null when there is none. Large
// blocks are aligned for the kernel's huge pages: the first write into fresh
// memory (a page fault per 4 KiB page) can cost more than decoding into it.
TKvPixelMemory AllocatePixels(size_t count);

// Why a decode gave no image.
enum class TKvDecodeFailure {
    None,
    Unreadable,         // could not be opened or read; SystemError holds errno
    NotAFile,           // a folder, a FIFO, a device
    NotJpeg,            // libjpeg stopped with an error (not a JPEG, or cut short in its header)
    TooLarge,           // declared larger than the limit; DeclaredWidth x DeclaredHeight
    UnsupportedColour,  // components the preview cannot show
    NoMemory,           // no memory for the pixels
};

// A decoded image: Width x Height pixels, row after row without padding,
// each one 32-bit value 0xFFRRGGBB (the layout of QImage::Format_RGB32).
// Empty (Width = Height = 0, no Pixels) when nothing could be decoded.
// Capacity is how many pixels Pixels has room for (at least Width x Height).
struct TKvDecodedImage {
    int Width = 0;
    int Height = 0;
    size_t Capacity = 0;
    TKvPixelMemory Pixels;
    // For an empty image: why, and for TooLarge the size the header declares.
    TKvDecodeFailure Failure = TKvDecodeFailure::None;
    int SystemError = 0;
    uint32_t DeclaredWidth = 0;
    uint32_t DeclaredHeight = 0;
    bool Empty() const { return Width == 0; }
};

// Decodes the JPEG file at path (bytes as the OS takes them, any length) at
// full size: scale 1/1, block smoothing on, the accurate integer DCT.
// Grayscale comes out as gray levels; CMYK and YCCK (plain or with Adobe's
// inverted values) as the colours they stand for.
// Returns an empty image, with its Failure, when path is not a regular file
// (a folder, a FIFO: opening never blocks), cannot be read, is not a JPEG,
// is declared larger than kMaxDecodedPixels, or libjpeg stops with an error.
// A file that ends early (or is still being written) gives what libjpeg
// decoded, the rest filled as libjpeg fills missing data; every pixel of a
// returned image has been written.
// When reuse holds memory with room for the image, the image is decoded
// into it: showing one photo after another of the same size then writes
// into memory that is already mapped. reuse is left empty when an image
// comes back; when none does, it keeps memory for the next decode (its own,
// or a larger block this decode allocated), so that abandoned and failed
// decodes between two photos cost no fresh memory.
// When abandon is given, the decode polls it (at every 64 KiB read, every
// pass of a progressive scan over a row of blocks and every call for output
// rows) and gives up with an empty image soon after it turns true: a file
// that takes minutes to get through (a hole of gigabytes for libjpeg to
// search byte by byte) is dropped within milliseconds.
TKvDecodedImage DecodeJpegFile(const std::string& path, TKvDecodedImage* reuse = nullptr,
                               const std::atomic<bool>* abandon = nullptr);

// The same for a file's bytes in memory, refusing images of more than
// maxPixels pixels (the fuzz target keeps its memory small this way).
TKvDecodedImage DecodeJpegBytes(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxDecodedPixels);
