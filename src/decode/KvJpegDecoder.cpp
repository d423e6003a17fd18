#include "decode/KvJpegDecoder.h"

#include "decode/LibjpegInput.h"
#include "paths/LongPath.h"

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>

namespace {

// --- Pixels ----------------------------------------------------------------

inline uint32_t Rgb(unsigned r, unsigned g, unsigned b)
{
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// a * b / 255, rounded, for 8-bit a and b.
inline unsigned Mul255(unsigned a, unsigned b)
{
    const unsigned t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// One row of C, M, Y, K samples to RGB. Adobe's encoders store the inks
// inverted (255 = no ink) and mark their files with an Adobe segment;
// others store them as they are.
void CmykRowToRgb(const JSAMPLE* in, uint32_t* out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, in += 4) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = Rgb(Mul255(c, k), Mul255(m, k), Mul255(y, k));
    }
}

void RgbRowToPixels(const JSAMPLE* in, uint32_t* out, int width)
{
    for (int x = 0; x < width; ++x, in += 3)
        out[x] = Rgb(in[0], in[1], in[2]);
}

#ifdef JCS_EXTENSIONS
// libjpeg-turbo writes 0xFFRRGGBB words straight into the image.
constexpr J_COLOR_SPACE kWordOrder = (std::endian::native == std::endian::little) ? JCS_EXT_BGRX : JCS_EXT_XRGB;
#endif

// --- Giving up early ---------------------------------------------------------

// The source's refill and the progress monitor, each wrapped so that the
// decode stops with an error once abandon turns true; libjpeg hands both the
// decode's client_data. Between them they run every 64 KiB of input, every
// row of blocks a progressive scan passes over and every call for output rows.
struct AbandonHooks {
    const std::atomic<bool>* abandon;
    boolean (*fillInputBuffer)(j_decompress_ptr);
    void (*progressMonitor)(j_common_ptr);
};

void StopIfAbandoned(j_common_ptr cinfo)
{
    if (static_cast<const AbandonHooks*>(cinfo->client_data)->abandon->load(std::memory_order_relaxed))
        ERREXIT(cinfo, JERR_FILE_READ);  // the code is never read: nobody waits for the image
}

boolean FillUnlessAbandoned(j_decompress_ptr cinfo)
{
    StopIfAbandoned(reinterpret_cast<j_common_ptr>(cinfo));
    return static_cast<const AbandonHooks*>(cinfo->client_data)->fillInputBuffer(cinfo);
}

void MonitorUnlessAbandoned(j_common_ptr cinfo)
{
    StopIfAbandoned(cinfo);
    static_cast<const AbandonHooks*>(cinfo->client_data)->progressMonitor(cinfo);
}

// The decode proper. Every object here is trivially destructible, since an
// error leaves through longjmp; what survives an error lives in image.
void DecodeInto(jpeg_decompress_struct& cinfo, LibjpegErrors& errors, TKvDecodedImage& image, uint64_t maxPixels)
{
    // image may hold memory to reuse, and keeps it when the decode fails; an
    // image is complete once Width is set.
    if (setjmp(errors.jump)) {
        image.Failure = TKvDecodeFailure::NotJpeg;
        return;
    }
    jpeg_read_header(&cinfo, TRUE);
    const uint64_t pixels = uint64_t{cinfo.image_width} * cinfo.image_height;
    if (pixels == 0 || pixels > maxPixels) {
        image.Failure = pixels == 0 ? TKvDecodeFailure::NotJpeg : TKvDecodeFailure::TooLarge;
        image.DeclaredWidth = cinfo.image_width;
        image.DeclaredHeight = cinfo.image_height;
        return;
    }

    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    cinfo.do_block_smoothing = TRUE;
    cinfo.dct_method = JDCT_ISLOW;
    bool cmyk = false;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
#ifdef JCS_EXTENSIONS
        cinfo.out_color_space = kWordOrder;
#else
        cinfo.out_color_space = JCS_RGB;
#endif
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;  // libjpeg turns YCCK into CMYK
        cmyk = true;
        break;
    default:  // two components, or unknown ones: nothing to show
        image.Failure = TKvDecodeFailure::UnsupportedColour;
        return;
    }
    jpeg_calc_output_dimensions(&cinfo);
    const uint64_t outputPixels = uint64_t{cinfo.output_width} * cinfo.output_height;
    if (outputPixels == 0 || outputPixels > maxPixels) {
        image.Failure = TKvDecodeFailure::TooLarge;
        image.DeclaredWidth = cinfo.output_width;
        image.DeclaredHeight = cinfo.output_height;
        return;
    }

    jpeg_start_decompress(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    if (image.Capacity < outputPixels) {
        image.Pixels = AllocatePixels(static_cast<size_t>(outputPixels));
        image.Capacity = image.Pixels ? static_cast<size_t>(outputPixels) : 0;
        if (!image.Pixels) {
            image.Failure = TKvDecodeFailure::NoMemory;
            return;
        }
    }
    const bool direct = !cmyk && cinfo.output_components == 4;
    // From libjpeg's pool: a longjmp must not skip a destructor here.
    JSAMPARRAY row = direct ? nullptr
                            : (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                         cinfo.output_width * cinfo.output_components, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        uint32_t* out = image.Pixels.get() + static_cast<size_t>(cinfo.output_scanline) * width;
        if (direct) {
            JSAMPROW rows[16];
            const JDIMENSION left = cinfo.output_height - cinfo.output_scanline;
            const JDIMENSION count = left < 16 ? left : 16;
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = reinterpret_cast<JSAMPROW>(out + static_cast<size_t>(i) * width);
            if (jpeg_read_scanlines(&cinfo, rows, count) == 0)
                break;  // cannot happen with a source that never suspends
        } else {
            if (jpeg_read_scanlines(&cinfo, row, 1) != 1)
                break;
            if (cmyk)
                CmykRowToRgb(row[0], out, width, cinfo.saw_Adobe_marker);
            else
                RgbRowToPixels(row[0], out, width);
        }
    }
    if (cinfo.output_scanline < cinfo.output_height) {
        image.Failure = TKvDecodeFailure::NotJpeg;
        return;
    }
    image.Width = width;
    image.Height = height;
}

// Sets up libjpeg around DecodeInto for a source that setSource installs.
template <typename SetSource>
TKvDecodedImage Decode(SetSource setSource, uint64_t maxPixels, TKvDecodedImage* reuse,
                       const std::atomic<bool>* abandon = nullptr)
{
    jpeg_decompress_struct cinfo {};
    LibjpegErrors errors {};
    // Warnings (corrupt data, premature end) say nothing the person can act
    // on in a preview: the decode goes on.
    UseLibjpegErrors(cinfo, errors);
    jpeg_progress_mgr scanLimit {};
    AbandonHooks hooks {};

    TKvDecodedImage image;
    if (reuse) {
        image.Pixels = std::move(reuse->Pixels);
        image.Capacity = image.Pixels ? reuse->Capacity : 0;
        *reuse = TKvDecodedImage();
    }
    if (setjmp(errors.jump) != 0) {
        image.Failure = TKvDecodeFailure::NotJpeg;
    } else {
        jpeg_create_decompress(&cinfo);
        UseScanLimit(cinfo, scanLimit);
        // Virtual arrays beyond this (progressive images near the pixel
        // limit) fail instead of growing without bound.
        cinfo.mem->max_memory_to_use = 2L * 1000 * 1000 * 1000;
        setSource(cinfo);
        if (abandon) {
            hooks = {abandon, cinfo.src->fill_input_buffer, scanLimit.progress_monitor};
            cinfo.client_data = &hooks;
            cinfo.src->fill_input_buffer = FillUnlessAbandoned;
            scanLimit.progress_monitor = MonitorUnlessAbandoned;
        }
        DecodeInto(cinfo, errors, image, maxPixels);
    }
    jpeg_destroy_decompress(&cinfo);
    if (image.Width == 0) {
        if (reuse) {
            reuse->Capacity = image.Pixels ? image.Capacity : 0;
            reuse->Pixels = std::move(image.Pixels);
        }
        TKvDecodedImage failed;
        failed.Failure = image.Failure == TKvDecodeFailure::None ? TKvDecodeFailure::NotJpeg : image.Failure;
        failed.DeclaredWidth = image.DeclaredWidth;
        failed.DeclaredHeight = image.DeclaredHeight;
        image = std::move(failed);
    }
    return image;
}

}  // namespace

void TKvFreePixels::operator()(uint32_t* pixels) const
{
    std::free(pixels);
}

TKvPixelMemory AllocatePixels(size_t count)
{
    constexpr size_t kHugePage = size_t{2} << 20;
    if (count > SIZE_MAX / 4 - kHugePage)
        return {};
    const size_t bytes = count * 4;
    if (bytes < 2 * kHugePage)
        return TKvPixelMemory(static_cast<uint32_t*>(std::malloc(bytes ? bytes : 4)));
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, rounded);
    if (memory)
        ::madvise(memory, rounded, MADV_HUGEPAGE);  // a hint: without it, small pages
    return TKvPixelMemory(static_cast<uint32_t*>(memory));
}

TKvDecodedImage DecodeJpegFile(const std::string& path, TKvDecodedImage* reuse, const std::atomic<bool>* abandon)
{
    TKvDecodedImage image;
    image.Failure = TKvDecodeFailure::Unreadable;
    if (path.empty() || path.find('\0') != std::string::npos) {
        image.SystemError = ENOENT;
        return image;
    }
    // O_NONBLOCK: a FIFO named .jpg must not hang the window.
    const int fd = OpenLongPath(AT_FDCWD, path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        image.SystemError = errno;
        return image;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        image.SystemError = errno;
    } else if (!S_ISREG(info.st_mode)) {
        image.Failure = TKvDecodeFailure::NotAFile;
    } else {
        auto source = std::make_unique<LibjpegFileSource>();
        image = Decode([&](jpeg_decompress_struct& cinfo) { UseFileSource(cinfo, *source, fd); }, kMaxDecodedPixels,
                       reuse, abandon);
    }
    ::close(fd);
    return image;
}

TKvDecodedImage DecodeJpegBytes(const uint8_t* data, size_t size, uint64_t maxPixels)
{
    if (!data || size == 0) {
        TKvDecodedImage none;
        none.Failure = TKvDecodeFailure::NotJpeg;
        return none;
    }
    return Decode([&](jpeg_decompress_struct& cinfo) {
        jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    }, maxPixels, nullptr);
}
