// Writes the nested tree of small JPEG files that run-catalogue-bench.sh
// lists, sorts and checks:
//
//   make_catalogue_tree DIR FOLDERS SUBFOLDERS FILES TEMPLATE...
//
// DIR/dNNN/sNN/IMG_NNNNNN.jpg: FOLDERS x SUBFOLDERS folders of FILES files
// each, the TEMPLATE files copied in turn. DIR must not exist yet.
//
// Every name is different, so the sort's collation keys cannot be shared
// between entries; one name in ten ends in ".jpeg". One file in 37 is cut in
// half and one in 53 carries trailing bytes, so the verdict column holds more
// than one value. Modification times are spread pseudo-randomly over five
// years, so neither the listing order nor the name order is the date order.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<char>;

int usage()
{
    std::fputs("usage: make_catalogue_tree DIR FOLDERS SUBFOLDERS FILES TEMPLATE...\n", stderr);
    return 2;
}

bool parseCount(const char* text, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= 1 && value <= 100000;
}

bool readFile(const char* path, Bytes& bytes)
{
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.good() || in.eof();
}

bool makeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) == 0)
        return true;
    std::fprintf(stderr, "make_catalogue_tree: %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
}

bool writeFile(const std::string& path, const char* data, size_t size, int64_t modifiedSeconds)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (size_t done = 0; ok && done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    // The access time stays "now", so reading the files to warm the cache
    // does not make the file system write every inode back.
    const timespec times[2] = {{0, UTIME_NOW}, {static_cast<time_t>(modifiedSeconds), 0}};
    ok = ok && ::futimens(fd, times) == 0;
    if (!ok)
        std::fprintf(stderr, "make_catalogue_tree: %s: %s\n", path.c_str(), std::strerror(errno));
    if (fd >= 0)
        ::close(fd);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    long folders = 0;
    long subfolders = 0;
    long files = 0;
    if (argc < 6 || !parseCount(argv[2], folders) || !parseCount(argv[3], subfolders) || !parseCount(argv[4], files))
        return usage();
    std::vector<Bytes> templates;
    for (int arg = 5; arg < argc; ++arg) {
        Bytes bytes;
        if (!readFile(argv[arg], bytes) || bytes.size() < 2) {
            std::fprintf(stderr, "make_catalogue_tree: %s: cannot read\n", argv[arg]);
            return 1;
        }
        templates.push_back(std::move(bytes));
    }

    const std::string root = argv[1];
    if (!makeFolder(root))
        return 1;
    // 2019-01-01 plus up to five years.
    constexpr int64_t kEarliest = 1546300800;
    constexpr int64_t kSpan = 5 * 365 * 86400;
    std::mt19937_64 random(3);
    const Bytes trailing(32, '\0');
    long index = 0;
    char name[64];
    for (long folder = 0; folder < folders; ++folder) {
        std::snprintf(name, sizeof name, "/d%03ld", folder);
        const std::string top = root + name;
        if (!makeFolder(top))
            return 1;
        for (long subfolder = 0; subfolder < subfolders; ++subfolder) {
            std::snprintf(name, sizeof name, "/s%02ld/", subfolder);
            const std::string leaf = top + name;
            if (!makeFolder(leaf))
                return 1;
            for (long file = 0; file < files; ++file, ++index) {
                std::snprintf(name, sizeof name, "IMG_%06ld.%s", index, index % 10 == 9 ? "jpeg" : "jpg");
                Bytes content = templates[static_cast<size_t>(index) % templates.size()];
                if (index % 37 == 36)
                    content.resize(content.size() / 2);
                else if (index % 53 == 52)
                    content.insert(content.end(), trailing.begin(), trailing.end());
                const int64_t modified = kEarliest + static_cast<int64_t>(random() % kSpan);
                if (!writeFile(leaf + name, content.data(), content.size(), modified))
                    return 1;
            }
        }
    }
    std::printf("files %ld\n", index);
    return 0;
}
