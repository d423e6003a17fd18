// libjpeg glue shared by the preview's decoder and the deep check: errors that
// come back to the caller instead of ending the process, input from a file
// descriptor, and the limits that keep a hostile file from taking the machine.
//
// Plain C++ over libjpeg; every object belongs to one decode on one thread.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

// Images of more decoded pixels than this are refused before libjpeg
// allocates anything for their pixels.
inline constexpr uint64_t kMaxDecodedPixels = 256ull * 1000 * 1000;

// Progressive files can hold any number of scans, and each costs a pass over
// the whole image: half a megabyte can declare 256 megapixels, whose every
// scan took about a twentieth of a second here, so a thousand scans would
// keep a decoder busy for most of a minute. Real encoders write about a dozen.
inline constexpr int kMaxProgressiveScans = 100;

// libjpeg's error manager with a way back: error_exit longjmps to jump, so
// whoever calls setjmp(jump) gets control again after any libjpeg error.
// Everything between setjmp and the error must be trivially destructible.
struct LibjpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// Installs errors on cinfo (before jpeg_create_decompress). Warnings and
// traces are dropped unless the caller sets pub.emit_message afterwards.
void UseLibjpegErrors(jpeg_decompress_struct& cinfo, LibjpegErrors& errors);

// Installs monitor on cinfo (after jpeg_create_decompress) as a progress
// monitor that stops the decode with an error once the input has more than
// kMaxProgressiveScans scans; ScanLimitReached tells that error apart from
// the others.
void UseScanLimit(jpeg_decompress_struct& cinfo, jpeg_progress_mgr& monitor);
bool ScanLimitReached(const jpeg_decompress_struct& cinfo);

// libjpeg's stdio source, over a descriptor: a file that ends early (or is
// still being written) ends with an inserted EOI after a JWRN_JPEG_EOF
// warning, as libjpeg's own source does, so the decoder fills the rest.
struct LibjpegFileSource {
    jpeg_source_mgr pub;
    int fd = -1;
    bool startOfFile = true;
    JOCTET buffer[65536];
};

// Reads from fd, from where its offset stands, into source's buffer.
void UseFileSource(jpeg_decompress_struct& cinfo, LibjpegFileSource& source, int fd);

// A source that hands libjpeg at most kSliceBytes at a time, from a
// descriptor or from memory. libjpeg-turbo decodes a Huffman MCU on its fast
// path only while 512 bytes per block of the MCU lie in the source's buffer,
// and that path turns a code longer than 16 bits into a zero without a word;
// with less at hand every code goes through jpeg_huff_decode, which warns.
// The deep check reads through this one so that no bad code goes unseen
// wherever it lies. Ends early as LibjpegFileSource does.
inline constexpr size_t kSliceBytes = 511;

struct LibjpegSlicedSource {
    jpeg_source_mgr pub;
    int fd = -1;                      // read from here when >= 0, else from memory
    const JOCTET* memory = nullptr;   // not owned
    size_t memorySize = 0;
    const JOCTET* next = nullptr;     // read but not handed out yet
    size_t left = 0;
    uint64_t handedOut = 0;           // bytes given to libjpeg so far
    bool startOfFile = true;
    JOCTET buffer[65536];
};

// Reads from fd from where its offset stands, or the size bytes at data
// (which must outlive the decode).
void UseSlicedSource(jpeg_decompress_struct& cinfo, LibjpegSlicedSource& source, int fd);
void UseSlicedSource(jpeg_decompress_struct& cinfo, LibjpegSlicedSource& source, const uint8_t* data, size_t size);

// How many bytes of the input libjpeg has taken so far (read past the start).
uint64_t SlicedSourceOffset(const jpeg_decompress_struct& cinfo, const LibjpegSlicedSource& source);
