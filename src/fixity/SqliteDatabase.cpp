#include "fixity/SqliteDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <thread>

SqliteDatabase::SqliteDatabase(const std::string& file, int flags, std::function<bool()> stopping)
    : file_(file), stopping_(std::move(stopping))
{
    const int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw CatalogError("cannot open the catalogue " + file + ": " + reason);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_handler(db_, &SqliteDatabase::onBusy, this);
}

SqliteDatabase::~SqliteDatabase()
{
    // An open transaction is rolled back: what was committed stays.
    sqlite3_close_v2(db_);
}

int SqliteDatabase::onBusy(void* self, int attempts)
{
    auto& db = *static_cast<SqliteDatabase*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (attempts == 0)
        db.busySince_ = now;
    if ((db.stopping_ && db.stopping_()) || now - db.busySince_ > kLockWait)
        return 0;
    // Short waits first: another run holds the lock for one batch only.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(1 + attempts, 20)));
    return 1;
}

void SqliteDatabase::fail(const std::string& what)
{
    const int code = sqlite3_errcode(db_) & 0xFF;
    std::string reason = sqlite3_errmsg(db_);
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        reason = "another program has held it locked for too long";
    throw CatalogError("the catalogue " + file_ + ": " + what + ": " + reason);
}

int SqliteDatabase::lastError() const
{
    return sqlite3_errcode(db_) & 0xFF;
}

void SqliteDatabase::exec(const char* sql)
{
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(std::string("cannot run ") + std::string(sql).substr(0, 40));
}

int64_t SqliteDatabase::integer(const char* sql)
{
    SqliteStatement statement(*this, sql);
    if (!statement.step())
        fail(std::string("no answer to ") + sql);
    return statement.integer(0);
}

SqliteStatement::SqliteStatement(SqliteDatabase& db, const char* sql) : db_(db)
{
    if (sqlite3_prepare_v3(db.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr) != SQLITE_OK)
        db.fail("cannot read it");
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

SqliteStatement& SqliteStatement::reset()
{
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    return *this;
}

SqliteStatement& SqliteStatement::bindBlob(int index, std::string_view bytes)
{
    return bindBlob(index, bytes.data(), bytes.size());
}

SqliteStatement& SqliteStatement::bindBlob(int index, const void* bytes, size_t size)
{
    // An empty blob is still a blob, never NULL.
    static const char kNothing = 0;
    if (sqlite3_bind_blob64(statement_, index, size ? bytes : &kNothing, size, SQLITE_TRANSIENT) != SQLITE_OK)
        db_.fail("cannot bind a value");
    return *this;
}

SqliteStatement& SqliteStatement::bindInteger(int index, std::optional<int64_t> value)
{
    const int rc = value ? sqlite3_bind_int64(statement_, index, *value) : sqlite3_bind_null(statement_, index);
    if (rc != SQLITE_OK)
        db_.fail("cannot bind a value");
    return *this;
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    db_.fail("cannot read or write it");
}

void SqliteStatement::run()
{
    while (step()) {
    }
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

std::optional<int64_t> SqliteStatement::optionalInteger(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return integer(column);
}

std::string_view SqliteStatement::blob(int column) const
{
    const void* bytes = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes ? std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(size)) : std::string_view();
}
