// The fixity catalogue's part of scanlark-check's records: the content's
// digest, how it compares with the catalogue, and the records of files that
// were not read (--changed-only) or are gone.
#pragma once

#include "CheckRunner.h"
#include "decode/JpegDeepCheck.h"
#include "fixity/Fixity.h"

#include <optional>
#include <string>

// ,"sha256":"..." when the content is known; with catalogue, ,"Fixity":"..."
// (null when there was nothing to compare) and with a move ,"moved_from".
std::string FixityJsonFields(const CheckOutcome& outcome, bool catalogue);
// A file that was not read: what the catalogue holds of its verdicts, its
// size and time as they are now, "stored": true and "checked", the time of
// the check the verdicts come from.
std::string StoredJsonLine(const std::string& path, const CheckOutcome& outcome);
// A recorded file that is gone: verdict 4, the recorded size, time and
// digest, and "checked".
std::string MissingJsonLine(const FixityRecord& record);
// The table's fixity cell: the fixity's word, "-" for none.
const char* FixityCell(Fixity fixity);

std::optional<StoredDeepVerdict> StoredDeep(const CheckOutcome& outcome);
DeepInfo DeepInfoOf(StoredDeepVerdict stored);
