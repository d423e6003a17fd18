#include "fixity/FixityCatalog.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace {

// Step i takes a catalogue of schema i to schema i + 1; a new file starts
// at 0. A later schema adds its step here and raises kSchemaVersion.
constexpr const char* kSchemaSteps[] = {
    // 0 -> 1: the files, in the order of their paths (a lookup, and a step
    // from a file to the next of its folder, read one B-tree), and their
    // contents' first 8 bytes for finding a file that moved.
    "CREATE TABLE files ("
    "  path BLOB PRIMARY KEY NOT NULL,"
    "  size INTEGER,"
    "  mtime_ns INTEGER,"
    "  inode INTEGER,"
    "  sha256 BLOB NOT NULL,"
    "  verdict INTEGER,"
    "  deep_verdict INTEGER,"
    "  checked_at INTEGER"
    ") WITHOUT ROWID;"
    "CREATE INDEX files_by_content ON files (substr(sha256, 1, 8));",
};
static_assert(std::size(kSchemaSteps) == FixityCatalog::kSchemaVersion);

constexpr const char* kColumns = "path, size, mtime_ns, inode, sha256, verdict, deep_verdict, checked_at";

std::optional<int64_t> asSigned(std::optional<uint64_t> value)
{
    return value ? std::optional<int64_t>(static_cast<int64_t>(*value)) : std::nullopt;
}

std::optional<uint64_t> asUnsigned(std::optional<int64_t> value)
{
    return value ? std::optional<uint64_t>(static_cast<uint64_t>(*value)) : std::nullopt;
}

int flagsFor(const std::string& file, CatalogOpening opening)
{
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    struct stat status {};
    if (opening == CatalogOpening::Create && ::stat(file.c_str(), &status) != 0 && errno == ENOENT)
        flags |= SQLITE_OPEN_CREATE;
    return flags;
}

}  // namespace

struct FixityCatalog::Statements {
    explicit Statements(SqliteDatabase& db)
        : find(db, (std::string("SELECT ") + kColumns + " FROM files WHERE path = ?1").c_str()),
          content(db, "SELECT path FROM files WHERE substr(sha256, 1, 8) = ?1 AND sha256 = ?2 LIMIT ?3"),
          from(db, (std::string("SELECT ") + kColumns + " FROM files WHERE path >= ?1 ORDER BY path").c_str()),
          in(db, "SELECT path FROM files WHERE path >= ?1 AND path < ?2 ORDER BY path"),
          put(db, (std::string("INSERT INTO files (") + kColumns + ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"
                   " ON CONFLICT (path) DO UPDATE SET size = excluded.size, mtime_ns = excluded.mtime_ns,"
                   " inode = excluded.inode, sha256 = excluded.sha256, verdict = excluded.verdict,"
                   " deep_verdict = excluded.deep_verdict, checked_at = excluded.checked_at").c_str()),
          remove(db, "DELETE FROM files WHERE path = ?1")
    {
    }
    SqliteStatement find, content, from, in, put, remove;
};

FixityCatalog::FixityCatalog(const std::string& file, CatalogOpening opening, std::function<bool()> stopping)
    : db_(file, flagsFor(file, opening), std::move(stopping))
{
    checkAndBringUp(opening);
    // Committed batches survive the process; only a power cut may take the
    // last few (never leaving the file inconsistent).
    db_.exec("PRAGMA synchronous = NORMAL");
    statements_ = std::make_unique<Statements>(db_);
}

FixityCatalog::~FixityCatalog()
{
    statements_.reset();
}

void FixityCatalog::checkAndBringUp(CatalogOpening opening)
{
    const std::string& file = db_.file();
    int64_t application = 0, version = 0, tables = 0;
    try {
        application = db_.integer("PRAGMA application_id");
        version = db_.integer("PRAGMA user_version");
        tables = db_.integer("SELECT count(*) FROM sqlite_schema");
    } catch (const CatalogError&) {
        if (db_.lastError() == SQLITE_NOTADB)
            throw CatalogError(file + " is not a Scanlark catalogue (not an SQLite database); it is left as it is");
        throw;
    }
    const bool empty = application == 0 && version == 0 && tables == 0;
    if (!empty && application != kApplicationId)
        throw CatalogError(file + " is not a Scanlark catalogue (an SQLite database of another program);"
                                  " it is left as it is");
    if (version > kSchemaVersion)
        throw CatalogError(file + " is a catalogue of a newer Scanlark (schema " + std::to_string(version)
                           + "; this one knows schemas up to " + std::to_string(kSchemaVersion)
                           + "); it is left as it is");
    if (empty && opening != CatalogOpening::Create)
        throw CatalogError(file + " holds no catalogue yet");
    if (opening == CatalogOpening::Reader) {
        if (version < kSchemaVersion)
            throw CatalogError(file + " changed its schema while it was read");
        return;
    }
    // WAL, kept in the file: readers of other runs never wait for a writer.
    db_.exec("PRAGMA journal_mode = WAL");
    if (version < kSchemaVersion)
        bringUp();
}

void FixityCatalog::bringUp()
{
    db_.exec("BEGIN IMMEDIATE");
    // Another run may have brought it up while this one waited.
    const int64_t version = db_.integer("PRAGMA user_version");
    if (version > kSchemaVersion) {
        db_.exec("ROLLBACK");
        throw CatalogError(db_.file() + " became a catalogue of a newer Scanlark; it is left as it is");
    }
    for (int64_t step = version; step < kSchemaVersion; ++step)
        db_.exec(kSchemaSteps[step]);
    db_.exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
    db_.exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
    db_.exec("COMMIT");
}

FixityRecord FixityCatalog::recordFrom(SqliteStatement& row) const
{
    FixityRecord record;
    record.path = row.blob(0);
    record.size = asUnsigned(row.optionalInteger(1));
    record.mtimeNanoseconds = row.optionalInteger(2);
    record.inode = asUnsigned(row.optionalInteger(3));
    const std::string_view sha = row.blob(4);
    if (sha.size() == record.sha256.size())
        std::memcpy(record.sha256.data(), sha.data(), sha.size());
    if (const auto verdict = row.optionalInteger(5))
        record.verdict = static_cast<int32_t>(*verdict);
    if (const auto deep = row.optionalInteger(6); deep && *deep >= 0 && *deep <= 3)
        record.deepVerdict = static_cast<StoredDeepVerdict>(*deep);
    record.checkedAt = row.optionalInteger(7);
    return record;
}

std::optional<FixityRecord> FixityCatalog::find(std::string_view path)
{
    SqliteStatement& find = statements_->find.reset().bindBlob(1, path);
    if (!find.step())
        return std::nullopt;
    return recordFrom(find);
}

std::optional<FixityRecord> FixityCatalog::findInOrder(std::string_view path)
{
    SqliteStatement& from = statements_->from;
    // A few steps forward from the last one found; then a search. A step
    // may pass the records of a subfolder, which sort among a folder's files.
    constexpr int kSteps = 4;
    if (cursorRow_ && cursorPath_ <= path) {
        for (int step = 0; step < kSteps && cursorPath_ < path; ++step) {
            cursorRow_ = from.step();
            if (!cursorRow_)
                return std::nullopt;  // no record at or after path
            cursorPath_ = from.blob(0);
        }
        if (cursorPath_ >= path)
            return cursorPath_ == path ? std::optional(recordFrom(from)) : std::nullopt;
    }
    cursorRow_ = from.reset().bindBlob(1, path).step();
    if (!cursorRow_)
        return std::nullopt;
    cursorPath_ = from.blob(0);
    return cursorPath_ == path ? std::optional(recordFrom(from)) : std::nullopt;
}

std::vector<std::string> FixityCatalog::pathsWithContent(const Sha256Bytes& sha256, size_t limit)
{
    SqliteStatement& content = statements_->content.reset()
                                   .bindBlob(1, sha256.data(), 8)
                                   .bindBlob(2, sha256.data(), sha256.size())
                                   .bindInteger(3, static_cast<int64_t>(limit));
    std::vector<std::string> paths;
    while (content.step())
        paths.emplace_back(content.blob(0));
    return paths;
}

void FixityCatalog::forEachIn(std::string_view folder, const std::function<void(std::string_view path)>& take)
{
    if (folder.empty() || folder.back() != '/')
        throw std::invalid_argument("forEachIn: a folder ends with /");
    // Every path that begins with "folder/" lies below "folder0".
    std::string end(folder);
    end.back() = '/' + 1;
    SqliteStatement& in = statements_->in.reset().bindBlob(1, folder).bindBlob(2, end);
    while (in.step())
        take(in.blob(0));
}

void FixityCatalog::holdSnapshot()
{
    if (inSnapshot_ || inBatch_)
        return;
    cursorRow_ = false;  // its state is of the last snapshot
    db_.exec("BEGIN DEFERRED");
    inSnapshot_ = true;
}

void FixityCatalog::releaseSnapshot()
{
    if (!inSnapshot_)
        return;
    statements_->from.reset();
    cursorRow_ = false;
    db_.exec("COMMIT");
    inSnapshot_ = false;
}

void FixityCatalog::beginBatch()
{
    if (inBatch_)
        return;
    releaseSnapshot();
    db_.exec("BEGIN IMMEDIATE");
    inBatch_ = true;
}

void FixityCatalog::put(const FixityRecord& record)
{
    beginBatch();
    std::optional<int64_t> deep;
    if (record.deepVerdict)
        deep = static_cast<int64_t>(*record.deepVerdict);
    std::optional<int64_t> verdict;
    if (record.verdict)
        verdict = *record.verdict;
    statements_->put.reset()
        .bindBlob(1, record.path)
        .bindInteger(2, asSigned(record.size))
        .bindInteger(3, record.mtimeNanoseconds)
        .bindInteger(4, asSigned(record.inode))
        .bindBlob(5, record.sha256.data(), record.sha256.size())
        .bindInteger(6, verdict)
        .bindInteger(7, deep)
        .bindInteger(8, record.checkedAt)
        .run();
    ++uncommitted_;
}

void FixityCatalog::remove(std::string_view path)
{
    beginBatch();
    statements_->remove.reset().bindBlob(1, path).run();
    ++uncommitted_;
}

void FixityCatalog::commit()
{
    if (!inBatch_)
        return;
    db_.exec("COMMIT");
    inBatch_ = false;
    uncommitted_ = 0;
}
