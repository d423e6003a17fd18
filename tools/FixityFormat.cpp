#include "FixityFormat.h"

#include "inspection/KvJpegInfoConsts.h"

namespace {

std::string_view deepText(StoredDeepVerdict stored)
{
    return DeepVerdictText(DeepInfoOf(stored).Verdict);
}

// Size, time, the walk's verdict and the deep one of a line without the
// walk's other fields.
void appendShortFields(std::string& line, std::optional<uint64_t> size, std::optional<int64_t> mtimeNanoseconds,
                       int32_t verdict, std::optional<StoredDeepVerdict> deep)
{
    if (size && mtimeNanoseconds) {
        line += ",\"size\":" + std::to_string(*size);
        int64_t seconds = *mtimeNanoseconds / 1000000000;
        int64_t nanoseconds = *mtimeNanoseconds % 1000000000;
        if (nanoseconds < 0) {
            nanoseconds += 1000000000;
            --seconds;
        }
        AppendJsonText(line, "mtime", IsoTime(seconds, static_cast<uint32_t>(nanoseconds)));
    } else {
        line += ",\"size\":null,\"mtime\":null";
    }
    AppendJsonText(line, "VerdictText", JpegVerdictText(verdict));
    line += ",\"Verdict\":" + std::to_string(verdict);
    AppendJsonText(line, "verdict_code", VerdictCode(verdict));
    if (deep) {
        line += ",\"Deep\":{\"Verdict\":\"";
        line += deepText(*deep);
        line += "\"}";
    }
}

void appendChecked(std::string& line, std::optional<int64_t> checkedAt)
{
    if (checkedAt)
        AppendJsonText(line, "checked", IsoTime(*checkedAt, 0));
}

}  // namespace

const char* FixityCell(Fixity fixity)
{
    return fixity == Fixity::None ? "-" : FixityText(fixity);
}

std::optional<StoredDeepVerdict> StoredDeep(const CheckOutcome& outcome)
{
    if (!outcome.deepChecked)
        return std::nullopt;
    switch (outcome.deep.Verdict) {
    case DeepVerdict::Sound: return StoredDeepVerdict::Sound;
    case DeepVerdict::Warning: return StoredDeepVerdict::Warning;
    case DeepVerdict::Damaged: return StoredDeepVerdict::Damaged;
    case DeepVerdict::NotDecoded: return StoredDeepVerdict::NotDecoded;
    }
    return std::nullopt;
}

DeepInfo DeepInfoOf(StoredDeepVerdict stored)
{
    DeepInfo deep;
    switch (stored) {
    case StoredDeepVerdict::Sound: deep.Verdict = DeepVerdict::Sound; break;
    case StoredDeepVerdict::Warning: deep.Verdict = DeepVerdict::Warning; break;
    case StoredDeepVerdict::Damaged: deep.Verdict = DeepVerdict::Damaged; break;
    case StoredDeepVerdict::NotDecoded: deep.Verdict = DeepVerdict::NotDecoded; break;
    }
    return deep;
}

std::string FixityJsonFields(const CheckOutcome& outcome, bool catalogue)
{
    std::string fields;
    if (outcome.hashed)
        AppendJsonText(fields, "sha256", Sha256Hex(outcome.sha256));
    if (!catalogue)
        return fields;
    if (outcome.fixity == Fixity::None)
        fields += ",\"Fixity\":null";
    else
        AppendJsonText(fields, "Fixity", FixityText(outcome.fixity));
    if (outcome.fixity == Fixity::Moved)
        AppendJsonPath(fields, "moved_from", outcome.movedFrom);
    return fields;
}

std::string StoredJsonLine(const std::string& path, const CheckOutcome& outcome)
{
    std::string line = JsonRecordStart(path);
    appendShortFields(line, outcome.facts.size, outcome.facts.mtimeInNanoseconds(), outcome.info.Verdict,
                      StoredDeep(outcome));
    line += FixityJsonFields(outcome, true);
    line += ",\"stored\":true";
    appendChecked(line, outcome.recorded ? outcome.recorded->checkedAt : std::nullopt);
    line += '}';
    return line;
}

std::string MissingJsonLine(const FixityRecord& record)
{
    std::string line = JsonRecordStart(record.path);
    appendShortFields(line, record.size, record.mtimeNanoseconds, jvFileNotFound, std::nullopt);
    AppendJsonText(line, "sha256", Sha256Hex(record.sha256));
    AppendJsonText(line, "Fixity", FixityText(Fixity::Missing));
    appendChecked(line, record.checkedAt);
    line += '}';
    return line;
}
