#include "fixity/Fixity.h"

const char* FixityText(Fixity fixity)
{
    switch (fixity) {
    case Fixity::None: return "";
    case Fixity::Same: return "same";
    case Fixity::Changed: return "changed";
    case Fixity::Edited: return "edited";
    case Fixity::New: return "new";
    case Fixity::Missing: return "missing";
    case Fixity::Moved: return "moved";
    }
    return "";
}

Fixity CompareWithRecord(const FixityRecord& record, uint64_t size, int64_t mtimeNanoseconds, const Sha256Bytes& sha256)
{
    if (sha256 == record.sha256)
        return Fixity::Same;
    // A record without facts (from a manifest) says only what the content
    // should be: any other content is an alarm, never explained away.
    if (!record.size || !record.mtimeNanoseconds)
        return Fixity::Changed;
    return *record.size == size && *record.mtimeNanoseconds == mtimeNanoseconds ? Fixity::Changed : Fixity::Edited;
}

bool LooksAsRecorded(const FixityRecord& record, uint64_t size, int64_t mtimeNanoseconds, uint64_t inode)
{
    return record.size == size && record.mtimeNanoseconds == mtimeNanoseconds && record.inode == inode;
}
