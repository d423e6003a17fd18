// Opening by paths of any length. The kernel refuses a path of PATH_MAX bytes
// or more (ENAMETOOLONG) even when every folder on it exists; these walk such
// a path in pieces, each opened relative to the folder before it.
#pragma once

#include <string>

// openat(folderFd, path, flags) for a path of any length (folderFd may be
// AT_FDCWD). A path shorter than PATH_MAX costs exactly one openat; a longer
// one costs one more per PATH_MAX bytes, and never holds more than two
// descriptors at a time. Links on the way are followed as openat follows
// them. Returns the descriptor, or -1 with errno set by the failing step.
int OpenLongPath(int folderFd, const std::string& path, int flags);
