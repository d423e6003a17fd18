// Compresses generated pixels with libjpeg, for tests that need files as a
// real encoder writes them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <cstdio>
#include <jpeglib.h>

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
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(settings.width);
    cinfo.image_height = static_cast<JDIMENSION>(settings.height);
    cinfo.input_components = settings.components;
    cinfo.in_color_space = settings.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, settings.quality, TRUE);
    if (settings.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.arith_code = settings.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(settings.width) * settings.components);
    unsigned seed = 7;
    while (cinfo.next_scanline < cinfo.image_height) {
        for (size_t i = 0; i < row.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            row[i] = static_cast<uint8_t>((i * 3 + cinfo.next_scanline * 5) % 200 + (seed >> 28));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}
