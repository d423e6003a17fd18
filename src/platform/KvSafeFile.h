// Reading and replacing the program's own files (the settings file,
// "folder.txt") by their byte paths, so that a crash or a full disk while
// saving never leaves a partly written file.
#pragma once

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>

// The whole content of the regular file at path into bytes. False, with bytes
// unspecified, when path is empty or holds a NUL, the file is missing,
// unreadable or not a regular file (a folder, a FIFO: the open never blocks),
// or it is, or grows while being read to, more than sizeLimit bytes. errno
// then says why: ENOENT (or ENOTDIR) only when there is no such file, so a
// caller can tell a missing file from one it must not overwrite; EINVAL for
// a file that is not a regular one, EFBIG for one over the limit.
bool ReadFileContents(const std::string& path, std::string& bytes, size_t sizeLimit);

// Whether a failed ReadFileContents (its errno) means that there is no file.
inline bool NoSuchFile(int error) { return error == ENOENT || error == ENOTDIR; }

// Writes all of bytes to fd, going on after short writes and EINTR. False
// with errno set when a write fails (a write of nothing counts as ENOSPC).
bool WriteAllBytes(int fd, std::string_view bytes);

// Replaces the whole file at path with bytes: they go to a new hidden file in
// the same folder, which is synced and then renamed over the target, and the
// folder is synced so that the rename lasts. A new file gets mode 0666 less
// the umask; an existing one's permission bits (and, where the process may,
// its owner and group) are kept. An existing file this process may not write
// to fails with EACCES, as writing into it would, although the rename could
// replace it. When path is a symbolic link, the file it points to is replaced
// and the link stays.
// On failure the old file is byte-identical, no temporary file is left, false
// is returned, errno holds the cause and *error (when given) says which step
// failed on which file, with the OS reason.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error);

// Removes the temporary files that ReplaceFileContents makes for path and
// that an earlier run left behind when it was killed while saving: regular
// files of this user, named as those are, last written more than
// minimumAgeSeconds ago (a save in progress is younger). Failures are
// ignored. Returns how many were removed.
int RemoveStaleTemporaryFiles(const std::string& path, int minimumAgeSeconds = 60);
