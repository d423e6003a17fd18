// Writes a folder of sample JPEG files, sound and damaged, made from
// generated pixels: the demo folder of `make run` and the fuzzer's seeds.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<unsigned char>;

struct EncodeSettings {
    int width = 320;
    int height = 240;
    int components = 3;
    int quality = 85;
    bool progressive = false;
    std::string comment;
    bool exif = false;
};

// Smooth gradients with some texture, so the entropy data looks like a photo's.
Bytes makePixels(int width, int height, int components)
{
    Bytes pixels(static_cast<size_t>(width) * height * components);
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>(seed >> 27) - 16;
            for (int c = 0; c < components; ++c) {
                int v = (x * (c + 1) * 255 / width + y * 255 / height) / 2 + ((x / 8 + y / 8) % 2) * 20 + noise;
                v = v < 0 ? 0 : v > 255 ? 255 : v;
                pixels[(static_cast<size_t>(y) * width + x) * components + c] = static_cast<unsigned char>(v);
            }
        }
    }
    return pixels;
}

Bytes encode(const EncodeSettings& settings)
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
    jpeg_start_compress(&cinfo, TRUE);
    if (settings.exif) {
        static const unsigned char exif[] = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif, sizeof exif);
    }
    if (!settings.comment.empty()) {
        jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(settings.comment.data()),
                          static_cast<unsigned>(settings.comment.size()));
    }
    const Bytes pixels = makePixels(settings.width, settings.height, settings.components);
    const size_t stride = static_cast<size_t>(settings.width) * settings.components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&pixels[cinfo.next_scanline * stride]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

bool writeFile(const std::string& path, const Bytes& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-samples FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    ::mkdir(folder.c_str(), 0777);
    ::mkdir((folder + "/nested").c_str(), 0777);

    EncodeSettings colour;
    colour.comment = "sample";
    const Bytes sound = encode(colour);

    EncodeSettings progressive = colour;
    progressive.progressive = true;
    EncodeSettings gray;
    gray.components = 1;
    gray.quality = 75;
    EncodeSettings exif = colour;
    exif.exif = true;
    EncodeSettings sjis = colour;
    sjis.comment = "\x83\x54\x83\x93\x83\x76\x83\x8b";  // a Japanese word in Shift_JIS

    Bytes appended = sound;
    for (const char c : std::string("appended text after the image\n"))
        appended.push_back(static_cast<unsigned char>(c));
    Bytes truncated(sound.begin(), sound.begin() + static_cast<long>(sound.size() * 2 / 3));
    Bytes cutHeader(sound.begin(), sound.begin() + 40);  // inside the first quantisation table
    Bytes macHeader(128, 0);
    macHeader.insert(macHeader.end(), sound.begin(), sound.end());
    Bytes twoImages = sound;
    twoImages.insert(twoImages.end(), sound.begin(), sound.end());
    const Bytes tiny = {0xFF, 0xD8, 0xFF, 0xD9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::string text = "This is a text file with a .jpg name.\n";

    const struct {
        const char* name;
        Bytes bytes;
    } samples[] = {
        {"sound.jpg", sound},
        {"progressive.jpg", encode(progressive)},
        {"grayscale.jpg", encode(gray)},
        {"exif.jpg", encode(exif)},
        {"shift-jis-comment.jpg", encode(sjis)},
        {"appended-data.jpg", appended},
        {"two-images.jpg", twoImages},
        {"mac-header.JPG", macHeader},
        {"tiny.jpeg", tiny},
        {"truncated.jpg", truncated},
        {"cut-in-header.jpg", cutHeader},
        {"not-a-jpeg.jpg", Bytes(text.begin(), text.end())},
        {"empty.jpg", Bytes()},
        {"nested/sound.jpg", sound},
        {"nested/truncated.jpg", truncated},
    };
    for (const auto& sample : samples) {
        if (!writeFile(folder + "/" + sample.name, sample.bytes)) {
            std::fprintf(stderr, "make-samples: cannot write %s/%s: %s\n", folder.c_str(), sample.name,
                         std::strerror(errno));
            return 1;
        }
    }
    return 0;
}
