// --catalog FILE --import-manifest M: a sha256sum manifest made elsewhere
// taken into the catalogue, so that --verify compares the files with it.
#pragma once

#include "fixity/FixityCatalog.h"

#include <cstdint>
#include <stdexcept>
#include <string>

struct ImportCounts {
    uint64_t recorded = 0;   // records made or replaced
    uint64_t unchanged = 0;  // a record of the same content was there (its verdicts stay)
    uint64_t notJpeg = 0;    // names without .jpg or .jpeg, passed over
};

// A line that is not a manifest line: nothing of the manifest is recorded.
class ManifestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the manifest from fd to its end and records each JPEG file's digest
// with its size, time and inode as they are now (none when it is not
// there), in one transaction. Throws ManifestError for a line of another
// form, CatalogError when the catalogue fails, std::system_error when fd
// cannot be read; nothing is recorded then.
ImportCounts ImportManifest(FixityCatalog& catalog, int fd);
