// Writes one photo-like binary PPM image (P6) for the benchmark corpus, to a
// file or to standard output for piping into an encoder.
//
//   make_corpus_images [-s SEED] WIDTHxHEIGHT [OUTPUT]
//
// OUTPUT "-" or none: standard output.
#include "SyntheticImage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage()
{
    std::fputs("usage: make_corpus_images [-s SEED] WIDTHxHEIGHT [OUTPUT]\n", stderr);
    return 2;
}

bool parseNumber(const char* text, unsigned long long limit, unsigned long long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= 1 && value <= limit;
}

bool parseSize(const std::string& text, int& width, int& height)
{
    const size_t cross = text.find('x');
    if (cross == std::string::npos)
        return false;
    unsigned long long w = 0;
    unsigned long long h = 0;
    // 65500 is the largest side a baseline JPEG encoder accepts.
    if (!parseNumber(text.substr(0, cross).c_str(), 65500, w) || !parseNumber(text.substr(cross + 1).c_str(), 65500, h))
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    uint64_t seed = 1;
    int arg = 1;
    if (!TakeSeedOption(argc, argv, arg, seed))
        return usage();
    if (argc - arg < 1 || argc - arg > 2)
        return usage();
    int width = 0;
    int height = 0;
    if (!parseSize(argv[arg], width, height))
        return usage();
    const std::string output = argc - arg == 2 ? argv[arg + 1] : "-";

    const SyntheticImage image = MakePhotoLikeImage(width, height, seed);

    FILE* file = output == "-" ? stdout : std::fopen(output.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "make_corpus_images: %s: %s\n", output.c_str(), std::strerror(errno));
        return 1;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    std::fwrite(image.rgb.data(), 1, image.rgb.size(), file);
    // A write error (a full disk, a closed pipe) shows at the latest on close.
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed) {
        std::fprintf(stderr, "make_corpus_images: %s: write failed\n", output.c_str());
        return 1;
    }
    return 0;
}
