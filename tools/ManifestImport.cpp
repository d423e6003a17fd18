#include "ManifestImport.h"

#include "CheckTargets.h"
#include "fixity/Sha256Manifest.h"

#include <cerrno>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void importLine(FixityCatalog& catalog, std::string_view line, uint64_t number, ImportCounts& counts)
{
    if (line.empty())
        return;
    ManifestEntry entry;
    if (!ParseManifestLine(line, entry))
        throw ManifestError("line " + std::to_string(number) + " is not a sha256sum line");
    const size_t slash = entry.path.rfind('/');
    if (!HasJpegExtension(slash == std::string::npos ? entry.path : entry.path.substr(slash + 1))) {
        ++counts.notJpeg;
        return;
    }
    const std::optional<FixityRecord> old = catalog.find(entry.path);
    if (old && old->sha256 == entry.sha256) {
        ++counts.unchanged;
        return;
    }
    FixityRecord record;
    record.path = entry.path;
    record.sha256 = entry.sha256;
    struct stat status {};
    if (LookAtPath(entry.path, status) && S_ISREG(status.st_mode)) {
        record.size = static_cast<uint64_t>(status.st_size);
        record.mtimeNanoseconds = int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
        record.inode = static_cast<uint64_t>(status.st_ino);
    }
    catalog.put(record);
    ++counts.recorded;
}

}  // namespace

ImportCounts ImportManifest(FixityCatalog& catalog, int fd)
{
    ImportCounts counts;
    std::string pending;
    uint64_t number = 0;
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category(), "read");
        }
        if (got == 0)
            break;
        pending.append(chunk, static_cast<size_t>(got));
        size_t start = 0;
        for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
            importLine(catalog, std::string_view(pending).substr(start, end - start), ++number, counts);
        pending.erase(0, start);
    }
    // The last line may lack its line end.
    if (!pending.empty())
        importLine(catalog, pending, ++number, counts);
    catalog.commit();
    return counts;
}
