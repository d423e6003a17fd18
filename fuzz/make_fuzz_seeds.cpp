// Writes the fuzzer's seed files: small sound files from libjpeg and the
// hand-built shapes the walk treats specially.
#include "JpegBuilder.h"
#include "LibjpegEncode.h"

#include <cstdio>
#include <string>

#include <sys/stat.h>

namespace {

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
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    ::mkdir(folder.c_str(), 0777);

    LibjpegSettings small;
    small.width = 16;
    small.height = 16;
    LibjpegSettings gray = small;
    gray.components = 1;
    LibjpegSettings progressive = small;
    progressive.progressive = true;
    LibjpegSettings arithmetic = small;
    arithmetic.arithmetic = true;

    const std::vector<std::pair<std::string, Bytes>> seeds = {
        {"colour", LibjpegEncode(small)},
        {"gray", LibjpegEncode(gray)},
        {"progressive", LibjpegEncode(progressive)},
        {"arithmetic", LibjpegEncode(arithmetic)},
        {"mac-header", JpegBuilder().zeros(128).soi().app0Jfif(1, 2, 1, 1).com("c").eoi().bytes()},
        {"segments", JpegBuilder().soi().app1Exif(20).dqt16(std::vector<int>(64, 300)).sof(0xC1, 8, 8).dht().sos().entropy(64).eoi().bytes()},
        {"short-lengths", JpegBuilder().soi().marker(0xDB).u16(1).raw({0x10}).zeros(130).marker(0xC0).u16(0).raw({8, 0, 1, 0, 1}).raw({0xFF, 0xFF, 0xD8}).eoi().eoi().bytes()},
        {"two-tables", JpegBuilder().soi().segment(0xDB, Bytes(131, 9)).padding(3).eoi().raw(std::string("tail")).bytes()},
    };
    for (const auto& [name, bytes] : seeds) {
        if (!writeFile(folder + "/" + name, bytes)) {
            std::perror(name.c_str());
            return 1;
        }
    }
    return 0;
}
