// Compresses images of known colours with libjpeg, in any of the colour
// spaces a JPEG file can hold, for tests that look at decoded pixels.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

struct ColourJpegSettings {
    int width = 16;
    int height = 16;
    // Samples per pixel given by pixel(): 1 gray, 3 RGB, 4 CMYK.
    int components = 3;
    // For 4 components: how the file stores them (JCS_CMYK or JCS_YCCK),
    // and whether it carries the Adobe segment that marks inverted inks.
    J_COLOR_SPACE stored = JCS_UNKNOWN;
    bool adobeMarker = true;
    int quality = 100;
    bool progressive = false;
    bool arithmetic = false;
    int restartRows = 0;
};

// pixel(x, y, samples) writes the components samples of one pixel.
inline std::vector<uint8_t> ColourJpeg(const ColourJpegSettings& settings,
                                       const std::function<void(int, int, uint8_t*)>& pixel)
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
    cinfo.in_color_space = settings.components == 1 ? JCS_GRAYSCALE : settings.components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (settings.components == 4) {
        jpeg_set_colorspace(&cinfo, settings.stored == JCS_UNKNOWN ? JCS_CMYK : settings.stored);
        cinfo.write_Adobe_marker = settings.adobeMarker ? TRUE : FALSE;
    }
    jpeg_set_quality(&cinfo, settings.quality, TRUE);
    if (settings.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.arith_code = settings.arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = settings.restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(settings.width) * settings.components);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < settings.width; ++x)
            pixel(x, static_cast<int>(cinfo.next_scanline), row.data() + static_cast<size_t>(x) * settings.components);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// One colour all over.
inline std::vector<uint8_t> PlainColourJpeg(const ColourJpegSettings& settings, std::vector<uint8_t> samples)
{
    return ColourJpeg(settings, [&](int, int, uint8_t* out) {
        for (size_t i = 0; i < samples.size(); ++i)
            out[i] = samples[i];
    });
}
