// The physical limit of checking by a marker walk: read each file whole into
// one buffer that is reused from file to file, and find every 0xFF byte with
// memchr. A checker cannot be faster than this over the same files, so its
// throughput is measured against this loop.
//
//   memchr_baseline [-n] [-z] [-f LISTFILE | FILE...]
//
// -n: read only, no memchr (the cost of reading the files alone).
// Without FILE arguments the paths come from LISTFILE ("-": standard input)
// or from standard input, one a line (-z: separated by NUL bytes). Prints the
// files, bytes, 0xFF bytes and seconds; exit status 1 when a file could not
// be read.
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Totals {
    uint64_t files = 0;
    uint64_t bytes = 0;
    uint64_t ffBytes = 0;
    uint64_t failures = 0;
};

class BaselineScanner {
public:
    bool readOnly = false;

    void scanFile(const std::string& path, Totals& totals)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            fail(path, totals);
            return;
        }
        struct stat status {};
        if (::fstat(fd, &status) != 0) {
            fail(path, totals);
            ::close(fd);
            return;
        }
        const auto size = static_cast<size_t>(status.st_size);
        if (size > capacity_) {
            // Only growth allocates; a smaller file reuses the buffer as is.
            buffer_.reset(new uint8_t[size]);
            capacity_ = size;
        }
        size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd, buffer_.get() + got, size - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                fail(path, totals);
                ::close(fd);
                return;
            }
            if (n == 0)
                break;
            got += static_cast<size_t>(n);
        }
        ::close(fd);

        const uint8_t* position = buffer_.get();
        const uint8_t* const end = position + got;
        uint64_t found = 0;
        while (position < end) {
            const auto* hit = static_cast<const uint8_t*>(std::memchr(position, 0xFF, static_cast<size_t>(end - position)));
            if (!hit)
                break;
            ++found;
            position = hit + 1;
        }
        totals.ffBytes += found;
    }

private:
    static void fail(const std::string& path, Totals& totals)
    {
        std::fprintf(stderr, "memchr_baseline: %s: %s\n", path.c_str(), std::strerror(errno));
        ++totals.failures;
    }

    std::unique_ptr<uint8_t[]> buffer_;
    size_t capacity_ = 0;
};

int usage()
{
    std::fputs("usage: memchr_baseline [-n] [-z] [-f LISTFILE | FILE...]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    char separator = '\n';
    const char* listFile = nullptr;
    BaselineScanner scanner;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == '-' && argv[arg][1] != '\0'; ++arg) {
        if (std::strcmp(argv[arg], "--") == 0) {
            ++arg;
            break;
        }
        if (std::strcmp(argv[arg], "-n") == 0)
            scanner.readOnly = true;
        else if (std::strcmp(argv[arg], "-z") == 0)
            separator = '\0';
        else if (std::strcmp(argv[arg], "-f") == 0 && arg + 1 < argc)
            listFile = argv[++arg];
        else
            return usage();
    }
    if (listFile && arg < argc)
        return usage();

    std::ios::sync_with_stdio(false);
    Totals totals;
    const auto start = std::chrono::steady_clock::now();
    if (arg < argc) {
        for (; arg < argc; ++arg)
            scanner.scanFile(argv[arg], totals);
    } else {
        std::ifstream file;
        std::istream* in = &std::cin;
        if (listFile && std::strcmp(listFile, "-") != 0) {
            file.open(listFile, std::ios::binary);
            if (!file) {
                std::fprintf(stderr, "memchr_baseline: %s: cannot open\n", listFile);
                return 2;
            }
            in = &file;
        }
        std::string path;
        while (std::getline(*in, path, separator)) {
            if (!path.empty())
                scanner.scanFile(path, totals);
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    std::printf("files %llu\nbytes %llu\nff_bytes %llu\nseconds %.6f\n", static_cast<unsigned long long>(totals.files),
                static_cast<unsigned long long>(totals.bytes), static_cast<unsigned long long>(totals.ffBytes), elapsed.count());
    return totals.failures ? 1 : 0;
}
