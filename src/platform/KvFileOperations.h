// Copying, moving and deleting the files chosen in the list, on byte paths,
// so that no step can lose a file: a copy is written into a file without a
// name in the destination folder and given its name only when complete, a
// move across file systems removes its source only after the copy is in
// place with the right size, and a file is never copied or moved onto itself.
//
// Threads: each function runs to the end on the thread that calls it (the
// program runs it on a worker) and calls the callbacks on that same thread,
// synchronously, one at a time; a callback that must ask the user waits for
// the answer itself. No Qt object is touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Overwrite: the existing file goes to the trash and the new one takes its
// name. KeepBoth: the new file gets a free name beside it ("name (2).ext").
enum class TKvConflictAnswer { Overwrite, KeepBoth, Skip, Cancel };

// ApplyToAll: the answer also holds for every later conflict of the same run,
// which is then not asked about.
struct TKvConflictReply {
    TKvConflictAnswer Answer = TKvConflictAnswer::Skip;
    bool ApplyToAll = false;
};

// Current: the source (or, for delete, the path) being worked on; Index is
// its position in the list given (from 0) of Count. BytesDone of BytesTotal
// count the current file only; delete reports 0 of 0.
struct TKvFileProgress {
    std::string Current;
    size_t Index = 0;
    size_t Count = 0;
    uint64_t BytesDone = 0;
    uint64_t BytesTotal = 0;
};

// Every member may be empty. OnProgress is called when a file starts and
// after each chunk copied. OnConflict(source, destination) is asked when the
// destination name exists; without it the file is skipped.
// OnOverwriteWithoutTrash(destination, reason) is asked when a file to be
// overwritten cannot go to the trash (reason says why, in Japanese): true
// overwrites it for good; false, or no callback, leaves both files and
// counts a failure. CancelRequested
// is polled before each file and between chunks; true ends the run there,
// leaving the current file as it was before (source in place, no partial
// destination) and what is done so far done. OnPlaced(source, destination)
// is told of each file copied or moved, once it is in place, with the name
// it got.
struct TKvFileOperationCallbacks {
    std::function<void(const TKvFileProgress&)> OnProgress;
    std::function<TKvConflictReply(const std::string&, const std::string&)> OnConflict;
    std::function<bool(const std::string&, const std::string&)> OnOverwriteWithoutTrash;
    std::function<bool()> CancelRequested;
    std::function<void(const std::string&, const std::string&)> OnPlaced;
};

// Path: the source (or path to delete) as given. Reason: what failed, in
// Japanese UTF-8, with the system's reason where there is one.
struct TKvFileFailure {
    std::string Path;
    std::string Reason;
};

// Done: files copied, moved or deleted. Skipped: files left because of a
// conflict answer. Every other file that was reached has one failure entry;
// files after a cancel are not reached and not listed.
struct TKvFileOperationResult {
    size_t Done = 0;
    size_t Skipped = 0;
    bool Cancelled = false;
    std::vector<TKvFileFailure> Failures;
};

// Copies each source (a file, or a link to one: its content is copied) to
// destinationFolder + "/" + its last path component. The copy gets the
// source's permission bits (rwx for user, group, others) and modification
// time, and the holes of a sparse source stay holes. An existing destination
// is replaced, after OnConflict said so, only by a complete copy, and goes
// to the trash first (or, when the trash cannot take it, is destroyed only
// after OnOverwriteWithoutTrash agreed); a failed or cancelled copy leaves nothing behind but
// what was there before, and so does a copy killed at any moment where the
// file system has unnamed files (O_TMPFILE: ext4, xfs, btrfs, tmpfs). Where
// it has none (vfat, NFS), the copy is written under a hidden name of this
// program's, ".scanlark-copy-" and a checked random part, which a kill can
// leave and the next copy or move into that folder removes
// (RemoveStaleCopies); so can a kill in the instant between a replacing
// copy's two steps. Never a partial file under the real name. A copy that
// replaces a file is synced to the disk before it is put in place; a plain
// copy is left to the cache, as cp leaves it (its source remains).
TKvFileOperationResult CopyFiles(const std::vector<std::string>& sources, const std::string& destinationFolder,
                                 const TKvFileOperationCallbacks& callbacks);

// As CopyFiles, but moves: a rename within one file system (the entry
// itself, a link stays a link); across file systems a copy as above whose
// size is checked against the source before the source is removed. Only a
// regular file is moved across file systems. A file whose copy is in place
// but whose source cannot be removed is a failure with both left.
TKvFileOperationResult MoveFiles(const std::vector<std::string>& sources, const std::string& destinationFolder,
                                 const TKvFileOperationCallbacks& callbacks);

// One file of a transfer: its source, the folder it goes into and the name
// it gets there (empty: the source's last path component).
struct TKvTransferItem {
    std::string Source;
    std::string Folder;
    std::string Name;
};

// CopyFiles (move false) or MoveFiles (move true), each file into its own
// folder under its own name; the folders must exist.
TKvFileOperationResult TransferFiles(const std::vector<TKvTransferItem>& items, bool move,
                                     const TKvFileOperationCallbacks& callbacks);

// Deletes each path: with toTrash, into the desktop's trash (MoveToTrash),
// and a path that cannot go there is a failure, never removed for good;
// without it, permanently, only regular files and links (a link itself, not
// what it points to). A missing path is a failure. OnConflict is not used.
TKvFileOperationResult DeleteFiles(const std::vector<std::string>& paths, bool toTrash,
                                   const TKvFileOperationCallbacks& callbacks);

// Removes from folder the unfinished copies that an interrupted copy left:
// regular files under a name that only this program makes (see CopyFiles)
// that belong to this user, have not changed for a minute and that no
// running copy holds (each copy holds a lock on its file until it is in
// place). Files of any other name, however alike, are left alone.
void RemoveStaleCopies(const std::string& folder);
