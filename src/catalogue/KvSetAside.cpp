#include "catalogue/KvSetAside.h"

#include "fixity/Sha256.h"
#include "paths/BytePath.h"
#include "paths/LongPath.h"
#include "platform/ErrorText.h"
#include "platform/KvSafeFile.h"

#include <QCoreApplication>

#include <cerrno>
#include <charconv>
#include <map>
#include <set>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records are small: a line per file. Anything larger is not ours.
constexpr size_t kLargestRecord = size_t{256} << 20;

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// The SHA-256 of the regular file at path as 64 hex digits; nothing (errno
// set) when it cannot be opened or read, or is not a regular file.
std::optional<std::string> FileSha256(const std::string& path)
{
    // Non-blocking: a FIFO put in the file's place never waits for a writer.
    const int fd = OpenLongPath(AT_FDCWD, path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::optional<std::string> digest;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        Sha256Digest sha;
        std::vector<uint8_t> buffer(size_t{1} << 20);
        for (;;) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                digest = Sha256Hex(sha.finish());
            if (n <= 0)
                break;
            sha.take(buffer.data(), static_cast<size_t>(n));
        }
    } else {
        errno = EISDIR;
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return digest;
}

// A reason for people, in the window's language.
std::string Text(const char* what)
{
    return QCoreApplication::translate("FileOperations", what).toStdString();
}

std::string Failure(const char* what, int error)
{
    return Text(what) + ": " + ErrorText(error);
}

// A free name for a new record in folder: the run's own, else with "-2",
// "-3", ... before ".tsv".
std::string FreeRecordPath(const std::string& folder, std::time_t when)
{
    const std::string name = SetAsideRecordName(when);
    const std::string stem = name.substr(0, name.size() - 4);
    for (int n = 1; n < 1000; ++n) {
        const std::string candidate =
            WithTrailingSlash(folder) + (n == 1 ? name : stem + "-" + std::to_string(n) + ".tsv");
        struct stat taken {};
        if (::lstat(candidate.c_str(), &taken) != 0 && errno == ENOENT)
            return candidate;
    }
    return WithTrailingSlash(folder) + name;
}

// Whether path lies inside folder (no "." or ".." components on the way).
bool Inside(const std::string& path, const std::string& folder)
{
    const std::string prefix = WithTrailingSlash(folder);
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::string_view part : Split(std::string_view(path).substr(prefix.size()), '/'))
        if (part.empty() || part == "." || part == "..")
            return false;
    return true;
}

// Why the placed file of record may not go back, or empty when it may.
std::string Refusal(const TKvSetAsideRecord& record, const std::string& recordFolder)
{
    if (!Inside(record.Placed, recordFolder) || record.Original.empty() || record.Original.front() != '/')
        return Text(QT_TRANSLATE_NOOP("FileOperations", "記録の場所が正しくありません"));
    struct stat placed {};
    if (::lstat(record.Placed.c_str(), &placed) != 0)
        return Failure(QT_TRANSLATE_NOOP("FileOperations", "ファイルがありません"), errno);
    if (!S_ISREG(placed.st_mode) || static_cast<uint64_t>(placed.st_size) != record.Size)
        return Text(QT_TRANSLATE_NOOP("FileOperations", "記録のあとで内容が変わっています"));
    const std::optional<std::string> digest = FileSha256(record.Placed);
    if (!digest)
        return Failure(QT_TRANSLATE_NOOP("FileOperations", "ファイルを読めません"), errno);
    if (record.Sha256.empty() || *digest != record.Sha256)
        return Text(QT_TRANSLATE_NOOP("FileOperations", "記録のあとで内容が変わっています (SHA-256)"));
    struct stat original {};
    if (::lstat(record.Original.c_str(), &original) == 0 || errno != ENOENT)
        return Text(QT_TRANSLATE_NOOP("FileOperations", "元の場所に別のファイルがあります"));
    if (!MakeFolders(FolderOfPath(record.Original)))
        return Failure(QT_TRANSLATE_NOOP("FileOperations", "元のフォルダを作成できません"), errno);
    return {};
}

}  // namespace

std::string EscapeRecordField(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::optional<std::string> UnescapeRecordField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return std::nullopt;
        }
    }
    return out;
}

std::string SetAsideRecordText(const std::vector<TKvSetAsideRecord>& records)
{
    std::string text(kSetAsideRecordHeader);
    text += '\n';
    for (const TKvSetAsideRecord& r : records) {
        for (const std::string* field : {&r.Original, &r.Placed}) {
            text += EscapeRecordField(*field);
            text += '\t';
        }
        text += std::to_string(r.Size);
        for (const std::string* field : {&r.Sha256, &r.Verdict, &r.Deep}) {
            text += '\t';
            text += EscapeRecordField(*field);
        }
        text += '\n';
    }
    return text;
}

std::optional<std::vector<TKvSetAsideRecord>> ParseSetAsideRecord(std::string_view text)
{
    std::vector<std::string_view> lines = Split(text, '\n');
    if (lines.empty() || lines.front() != kSetAsideRecordHeader)
        return std::nullopt;
    if (!lines.back().empty())
        return std::nullopt;  // cut short: the last line has no end
    lines.pop_back();
    std::vector<TKvSetAsideRecord> records;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string_view> fields = Split(lines[i], '\t');
        if (fields.size() != 6)
            return std::nullopt;
        std::optional<std::string> unescaped[6];
        for (const size_t f : {0, 1, 3, 4, 5}) {
            unescaped[f] = UnescapeRecordField(fields[f]);
            if (!unescaped[f])
                return std::nullopt;
        }
        TKvSetAsideRecord record;
        const std::string_view size = fields[2];
        const auto [end, error] = std::from_chars(size.data(), size.data() + size.size(), record.Size);
        if (error != std::errc() || end != size.data() + size.size() || size.empty())
            return std::nullopt;
        record.Original = std::move(*unescaped[0]);
        record.Placed = std::move(*unescaped[1]);
        record.Sha256 = std::move(*unescaped[3]);
        record.Verdict = std::move(*unescaped[4]);
        record.Deep = std::move(*unescaped[5]);
        records.push_back(std::move(record));
    }
    return records;
}

std::string SetAsideRecordName(std::time_t when)
{
    std::tm local {};
    ::localtime_r(&when, &local);
    char name[64];
    std::strftime(name, sizeof name, "scanlark-moved-%Y%m%d-%H%M%S.tsv", &local);
    return name;
}

std::string KeptFolderOf(const std::string& source, const std::string& listedFolder, const std::string& destination)
{
    std::string folder = WithoutTrailingSlash(destination);
    const std::string listed = WithTrailingSlash(listedFolder);
    const size_t lastSlash = source.rfind('/');
    if (listed.size() <= 1 && listedFolder.empty())
        return folder.empty() ? std::string("/") : folder;
    if (lastSlash == std::string::npos || lastSlash < listed.size() || source.compare(0, listed.size(), listed) != 0)
        return folder.empty() ? std::string("/") : folder;
    const std::string_view relative = std::string_view(source).substr(listed.size(), lastSlash - listed.size());
    std::string kept;
    for (std::string_view part : Split(relative, '/')) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return folder.empty() ? std::string("/") : folder;
        kept += '/';
        kept += part;
    }
    if (folder == "/")
        folder.clear();
    folder += kept;
    return folder.empty() ? std::string("/") : folder;
}

bool MakeFolders(const std::string& folder)
{
    if (folder.empty() || folder.find('\0') != std::string::npos) {
        errno = EINVAL;
        return false;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    const std::string parent = FolderOfPath(WithoutTrailingSlash(folder));
    if (!parent.empty() && parent != WithTrailingSlash(folder) && !MakeFolders(WithoutTrailingSlash(parent)))
        return false;
    if (::mkdir(folder.c_str(), 0777) == 0)
        return true;
    // Made meanwhile by someone else: as good.
    const int error = errno;
    if (error == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    errno = error;
    return false;
}

TKvSetAsideResult SetAsideFiles(const std::vector<TKvSetAsideFile>& files, const std::string& listedFolder,
                                const std::string& destination, bool move, const TKvFileOperationCallbacks& callbacks,
                                std::time_t when)
{
    TKvSetAsideResult result;
    std::vector<TKvFileFailure> folderFailures;
    std::vector<TKvTransferItem> items;
    std::map<std::string, const TKvSetAsideFile*> bySource;
    for (const TKvSetAsideFile& file : files) {
        const std::string folder = KeptFolderOf(file.Source, listedFolder, destination);
        if (!MakeFolders(folder)) {
            folderFailures.push_back({file.Source, Failure(QT_TRANSLATE_NOOP("FileOperations", "コピー先のフォルダを作成できません"), errno)});
            continue;
        }
        items.push_back({file.Source, folder, {}});
        bySource.emplace(file.Source, &file);
    }
    std::vector<TKvSetAsideRecord> records;
    TKvFileOperationCallbacks recording = callbacks;
    recording.OnPlaced = [&](const std::string& source, const std::string& placed) {
        TKvSetAsideRecord record;
        record.Original = source;
        record.Placed = placed;
        struct stat st {};
        if (::lstat(placed.c_str(), &st) == 0)
            record.Size = static_cast<uint64_t>(st.st_size);
        record.Sha256 = FileSha256(placed).value_or(std::string());
        if (const auto found = bySource.find(source); found != bySource.end()) {
            record.Verdict = found->second->Verdict;
            record.Deep = found->second->Deep;
        }
        records.push_back(std::move(record));
        if (callbacks.OnPlaced)
            callbacks.OnPlaced(source, placed);
    };
    result.Transfer = TransferFiles(items, move, recording);
    for (TKvFileFailure& failure : folderFailures)
        result.Transfer.Failures.push_back(std::move(failure));
    if (records.empty())
        return result;
    const std::string path = FreeRecordPath(WithoutTrailingSlash(destination), when);
    std::string error;
    if (ReplaceFileContents(path, SetAsideRecordText(records), &error))
        result.RecordPath = path;
    else
        result.Transfer.Failures.push_back({path, Text(QT_TRANSLATE_NOOP("FileOperations", "記録を書き込めません")) + ": " + error});
    return result;
}

TKvFileOperationResult UndoSetAside(const std::string& recordPath, const TKvFileOperationCallbacks& callbacks)
{
    TKvFileOperationResult result;
    std::string text;
    std::optional<std::vector<TKvSetAsideRecord>> records;
    if (ReadFileContents(recordPath, text, kLargestRecord))
        records = ParseSetAsideRecord(text);
    if (!records) {
        result.Failures.push_back({recordPath, Text(QT_TRANSLATE_NOOP("FileOperations", "記録を読めません"))});
        return result;
    }
    const std::string recordFolder = FolderOfPath(recordPath);
    std::vector<TKvTransferItem> items;
    for (size_t i = 0; i < records->size(); ++i) {
        if (callbacks.CancelRequested && callbacks.CancelRequested()) {
            result.Cancelled = true;
            return result;
        }
        const TKvSetAsideRecord& record = (*records)[i];
        if (callbacks.OnProgress)
            callbacks.OnProgress({record.Placed, i, records->size(), 0, 0});
        const std::string refusal = Refusal(record, recordFolder);
        if (!refusal.empty()) {
            result.Failures.push_back({record.Placed, refusal});
            continue;
        }
        items.push_back({record.Placed, FolderOfPath(record.Original), LastPathComponent(record.Original)});
    }
    std::set<std::string> movedBack;
    TKvFileOperationCallbacks back = callbacks;
    // A place taken between the look above and the move is refused too.
    back.OnConflict = [&result](const std::string& source, const std::string&) {
        result.Failures.push_back({source, Text(QT_TRANSLATE_NOOP("FileOperations", "元の場所に別のファイルがあります"))});
        return TKvConflictReply{TKvConflictAnswer::Skip, false};
    };
    back.OnPlaced = [&](const std::string& source, const std::string& destination) {
        movedBack.insert(source);
        if (callbacks.OnPlaced)
            callbacks.OnPlaced(source, destination);
    };
    TKvFileOperationResult moved = TransferFiles(items, true, back);
    result.Done = moved.Done;
    result.Cancelled = moved.Cancelled;
    for (TKvFileFailure& failure : moved.Failures)
        result.Failures.push_back(std::move(failure));

    std::vector<TKvSetAsideRecord> left;
    for (TKvSetAsideRecord& record : *records)
        if (!movedBack.count(record.Placed))
            left.push_back(std::move(record));
    if (left.empty()) {
        if (::unlink(recordPath.c_str()) != 0)
            result.Failures.push_back({recordPath, Failure(QT_TRANSLATE_NOOP("FileOperations", "記録を削除できません"), errno)});
    } else if (left.size() != records->size()) {
        std::string error;
        if (!ReplaceFileContents(recordPath, SetAsideRecordText(left), &error))
            result.Failures.push_back({recordPath, Text(QT_TRANSLATE_NOOP("FileOperations", "記録を書き込めません")) + ": " + error});
    }
    return result;
}
