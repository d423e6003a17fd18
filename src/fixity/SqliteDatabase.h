// A thin RAII layer over one SQLite connection and its prepared statements:
// every failure is thrown as a CatalogError that names the file, and a
// writer that finds the database locked waits (a busy handler) instead of
// failing at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class CatalogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SqliteStatement;

// One connection; one thread at a time.
class SqliteDatabase {
public:
    // flags: SQLITE_OPEN_*. stopping, when set, is asked while waiting for a
    // lock another connection holds; true gives up (a CatalogError).
    SqliteDatabase(const std::string& file, int flags, std::function<bool()> stopping = {});
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Runs statements that return nothing of interest.
    void exec(const char* sql);
    // The first column of the first row of sql, as an integer.
    int64_t integer(const char* sql);

    [[noreturn]] void fail(const std::string& what);
    // SQLite's primary result code of the last failure.
    int lastError() const;
    const std::string& file() const { return file_; }
    sqlite3* handle() { return db_; }

    // How long a write waits for another connection's transaction to end.
    static constexpr std::chrono::seconds kLockWait{120};

private:
    static int onBusy(void* self, int attempts);

    std::string file_;
    sqlite3* db_ = nullptr;
    std::function<bool()> stopping_;
    std::chrono::steady_clock::time_point busySince_{};
};

// A prepared statement, reset before each use.
class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Starts a new use: clears the bindings of the last.
    SqliteStatement& reset();
    SqliteStatement& bindBlob(int index, std::string_view bytes);
    SqliteStatement& bindBlob(int index, const void* bytes, size_t size);
    SqliteStatement& bindInteger(int index, std::optional<int64_t> value);
    // True while rows come; false when done.
    bool step();
    // Runs a statement that returns no rows.
    void run();

    bool isNull(int column) const;
    int64_t integer(int column) const;
    std::optional<int64_t> optionalInteger(int column) const;
    std::string_view blob(int column) const;

private:
    SqliteDatabase& db_;
    sqlite3_stmt* statement_ = nullptr;
};
