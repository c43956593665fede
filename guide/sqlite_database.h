#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kalore {

// A failed SQLite call; what() holds SQLite's own message.
class SqliteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SqliteStatement;

// One connection. Throws SqliteError on failure.
class SqliteDatabase {
public:
    enum class Mode { CreateAnew, OpenExisting };
    SqliteDatabase(const std::string& path, Mode mode);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    void Exec(const std::string& sql);
    SqliteStatement Prepare(std::string_view sql);
    std::int64_t LastInsertId() const;
    sqlite3* Handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

// A prepared statement: bind from 1, Step() until false, read columns from 0.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&&) = delete;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, std::string_view text);
    SqliteStatement& BindNull(int index);
    // True while a row is there to read.
    bool Step();
    // Ready to run again, bindings cleared.
    void Reset();
    std::int64_t Int(int column) const;
    std::string Text(int column) const;

private:
    void Check(int code) const;

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

} // namespace kalore
