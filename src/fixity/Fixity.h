// What a catalogue remembers of a file, and how a file found now compares
// with it.
#pragma once

#include "fixity/Sha256.h"

#include <cstdint>
#include <optional>
#include <string>

// The deep verdict as the catalogue stores it (numbers fixed for all time).
enum class StoredDeepVerdict : int32_t { Sound = 0, Warning = 1, Damaged = 2, NotDecoded = 3 };

// One file as recorded. The facts of the file are those the check saw when
// it read the content whose digest is kept; they are unknown (nullopt) for
// a file taken from a manifest that was not there to look at.
struct FixityRecord {
    std::string path;  // bytes as the run wrote them
    std::optional<uint64_t> size;
    std::optional<int64_t> mtimeNanoseconds;  // since 1970, UTC
    std::optional<uint64_t> inode;
    Sha256Bytes sha256{};
    std::optional<int32_t> verdict;  // the walk's, 0..7; none for a file taken from a manifest
    std::optional<StoredDeepVerdict> deepVerdict;  // none when the deep check was not run
    std::optional<int64_t> checkedAt;  // seconds since 1970 of the check the verdicts come from

    bool operator==(const FixityRecord&) const = default;
};

// How a file compares with the catalogue.
enum class Fixity {
    None,     // no comparison (the file could not be opened or read)
    Same,     // the content is the recorded one
    Changed,  // size and time as recorded, the content not: silent corruption
    Edited,   // size or time differ from the record, and so does the content
    New,      // no record at this path, nor of this content at a path gone
    Missing,  // recorded, and not there now
    Moved,    // no record at this path; the recorded content of a path gone
};

// "same", "changed", "edited", "new", "missing", "moved"; "" for None.
const char* FixityText(Fixity fixity);
// Changed and Missing: the run's exit status is 1.
inline bool IsFixityAlarm(Fixity fixity) { return fixity == Fixity::Changed || fixity == Fixity::Missing; }

// A file read now (size, time and digest of what was read) against its
// record: Same when the content is the same whatever the times say, Changed
// when the content differs while size and time are as recorded (or were
// never recorded), Edited when they differ too.
Fixity CompareWithRecord(const FixityRecord& record, uint64_t size, int64_t mtimeNanoseconds, const Sha256Bytes& sha256);

// Whether a file whose size, time and inode are these is, as far as they
// tell, the one recorded: all three known and equal.
bool LooksAsRecorded(const FixityRecord& record, uint64_t size, int64_t mtimeNanoseconds, uint64_t inode);
