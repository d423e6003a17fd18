// The fixity catalogue: one SQLite file, named by the person, that remembers
// for each file (keyed by its path's bytes) its size, time, inode, the
// SHA-256 of its content and the verdicts of its check.
//
// The file is in WAL mode, so that readers never wait for a writer; writes
// are made in batches, each one transaction, so a run killed at any moment
// leaves every batch it committed and nothing of the one it was writing.
// Writers of several processes wait for each other (up to
// SqliteDatabase::kLockWait). The schema has a version (PRAGMA user_version)
// and the file an application id, so that a file of anything else, or of a
// newer schema, is refused before anything is written to it; an older
// schema is brought up to date, step by step, in one transaction.
#pragma once

#include "fixity/Fixity.h"
#include "fixity/SqliteDatabase.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class CatalogOpening {
    // Creates the file when it is missing (or empty); brings an older schema up.
    Create,
    // The file must hold a catalogue already; an older schema is brought up.
    Existing,
    // Another connection to a catalogue that a Create or Existing one has
    // opened before (a checking thread's): only looked up in.
    Reader,
};

// One connection; one thread at a time. Every failure is a CatalogError
// whose text names the file and says what is wrong.
class FixityCatalog {
public:
    FixityCatalog(const std::string& file, CatalogOpening opening, std::function<bool()> stopping = {});
    ~FixityCatalog();
    FixityCatalog(const FixityCatalog&) = delete;
    FixityCatalog& operator=(const FixityCatalog&) = delete;

    std::optional<FixityRecord> find(std::string_view path);
    // The same, cheaper for paths asked in ascending byte order (the files
    // of a folder as they are listed): the search of one is a step from the
    // last. Within holdSnapshot() only.
    std::optional<FixityRecord> findInOrder(std::string_view path);
    // Paths of the records whose content has this digest, at most limit.
    std::vector<std::string> pathsWithContent(const Sha256Bytes& sha256, size_t limit);
    // The path of each record that begins with folder (which ends with
    // "/"), in byte order.
    void forEachIn(std::string_view folder, const std::function<void(std::string_view path)>& take);

    // Lookups between these two see one state of the file, and cost no lock
    // of their own (a Reader's, between files it checks; not while writing).
    void holdSnapshot();
    void releaseSnapshot();

    // Writes join the open batch; the first one opens it (waiting while
    // another process writes). commit() ends it; a batch not committed is
    // lost, never half written.
    void put(const FixityRecord& record);
    void remove(std::string_view path);
    void commit();
    size_t uncommitted() const { return uncommitted_; }

    static constexpr int kSchemaVersion = 1;
    // PRAGMA application_id of a catalogue: "SLKF".
    static constexpr int32_t kApplicationId = 0x534C4B46;

private:
    void checkAndBringUp(CatalogOpening opening);
    void bringUp();
    void beginBatch();
    FixityRecord recordFrom(SqliteStatement& row) const;

    SqliteDatabase db_;
    struct Statements;
    std::unique_ptr<Statements> statements_;
    bool inBatch_ = false;
    bool inSnapshot_ = false;
    // findInOrder's cursor: on a row (whose path is cursorPath_), or not.
    bool cursorRow_ = false;
    std::string cursorPath_;
    size_t uncommitted_ = 0;
};
