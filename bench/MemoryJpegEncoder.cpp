#include "MemoryJpegEncoder.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE without including stdio.h
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace {

// libjpeg's default error handler ends the process; this one jumps back to
// EncodeJpeg, which turns the message into an exception once it is outside
// the C code.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void jumpOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void setSampling(jpeg_compress_struct& compress, const JpegEncodeSettings& settings)
{
    if (settings.greyscale) {
        jpeg_set_colorspace(&compress, JCS_GRAYSCALE);
        return;
    }
    const int luma = settings.fullChroma ? 1 : 2;
    compress.comp_info[0].h_samp_factor = luma;
    compress.comp_info[0].v_samp_factor = luma;
    for (int c = 1; c < 3; ++c) {
        compress.comp_info[c].h_samp_factor = 1;
        compress.comp_info[c].v_samp_factor = 1;
    }
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const SyntheticImage& image, const JpegEncodeSettings& settings)
{
    jpeg_compress_struct compress{};
    ErrorManager errors{};
    compress.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOnError;
    // libjpeg updates the output buffer while compressing; kept on the heap,
    // it stays valid for the error path after a jump (a local would not).
    struct MemoryOutput {
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
    };
    const auto output = std::make_unique<MemoryOutput>();

    if (setjmp(errors.jump)) {
        char message[JMSG_LENGTH_MAX];
        errors.base.format_message(reinterpret_cast<j_common_ptr>(&compress), message);
        jpeg_destroy_compress(&compress);
        std::free(output->buffer);
        throw std::runtime_error(std::string("libjpeg: ") + message);
    }

    jpeg_create_compress(&compress);
    jpeg_mem_dest(&compress, &output->buffer, &output->size);
    compress.image_width = static_cast<JDIMENSION>(image.width);
    compress.image_height = static_cast<JDIMENSION>(image.height);
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, settings.quality, TRUE);
    setSampling(compress, settings);
    compress.optimize_coding = settings.optimiseHuffman ? TRUE : FALSE;
    // After the colour space and sampling: the script depends on the components.
    if (settings.progressive)
        jpeg_simple_progression(&compress);
    compress.restart_in_rows = settings.restartRows;
    if (settings.restartMcus > 0)
        compress.restart_interval = static_cast<unsigned>(settings.restartMcus);
    jpeg_start_compress(&compress, TRUE);
    const size_t stride = static_cast<size_t>(image.width) * 3;
    while (compress.next_scanline < compress.image_height) {
        // libjpeg takes non-const rows but does not write to them.
        auto* row = const_cast<JSAMPLE*>(&image.rgb[compress.next_scanline * stride]);
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    std::vector<uint8_t> bytes(output->buffer, output->buffer + output->size);
    std::free(output->buffer);
    return bytes;
}
