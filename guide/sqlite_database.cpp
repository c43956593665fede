#include "guide/sqlite_database.h"

#include <filesystem>
#include <system_error>

#include <sqlite3.h>

namespace kalore {
namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
    throw SqliteError(what + " : " + (db != nullptr ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

SqliteDatabase::SqliteDatabase(const std::string& path, Mode mode) {
    // SQLite would wait in the open of a FIFO it may only read.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw SqliteError(path + " : ce n'est pas un fichier ordinaire");
    }
    const int flags = mode == Mode::CreateAnew
                          ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX
                          : SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteError(path + " : " + message);
    }
    // A guide another program is checking can wait a little rather than fail.
    sqlite3_busy_timeout(db_, 2000);
}

SqliteDatabase::~SqliteDatabase() {
    // A statement still alive would keep a plain close from closing anything.
    sqlite3_close_v2(db_);
}

void SqliteDatabase::Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message != nullptr ? message : "error";
        sqlite3_free(message);
        throw SqliteError(text);
    }
}

SqliteStatement SqliteDatabase::Prepare(std::string_view sql) {
    return SqliteStatement(db_, sql);
}

std::int64_t SqliteDatabase::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : db_(db) {
    if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement_, nullptr) != SQLITE_OK) {
        Fail(db, std::string(sql.substr(0, 40)));
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(other.db_), statement_(other.statement_) {
    other.statement_ = nullptr;
}

void SqliteStatement::Check(int code) const {
    if (code != SQLITE_OK) {
        Fail(db_, "bind");
    }
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
    Check(sqlite3_bind_int64(statement_, index, value));
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
    Check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT));
    return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
    Check(sqlite3_bind_null(statement_, index));
    return *this;
}

bool SqliteStatement::Step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code != SQLITE_DONE) {
        Fail(db_, "step");
    }
    return false;
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

std::int64_t SqliteStatement::Int(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(statement_, column);
    return text != nullptr
               ? std::string(reinterpret_cast<const char*>(text),
                             static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
               : std::string();
}

} // namespace kalore
