#pragma once
// One SQLite database file, opened for reading and writing (never created), with statements whose
// values are always bound, never pasted into the SQL text. Nothing waits for a lock another
// connection holds: a busy database fails at once, so that a browser at work is never waited on.
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace platform::sqlite {

class SqliteError : public std::runtime_error {
public:
    SqliteError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }
    // Another connection holds the lock that was needed.
    bool busy() const;
    // The file is no database at all, or a damaged one.
    bool damaged() const;

private:
    int code_;
};

class Statement {
public:
    Statement(Statement&&) noexcept;
    Statement& operator=(Statement&&) noexcept;
    ~Statement();

    // Parameters count from 1, as "?1" names them.
    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, int64_t number);
    // True while a row is there to read; false once the statement is done.
    bool step();
    // Runs it to its end, reading nothing.
    void run();
    // The column of the current row; "" for NULL.
    std::string text(int column) const;
    int64_t number(int column) const;

private:
    friend class Database;
    Statement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}
    sqlite3* db_;
    sqlite3_stmt* statement_;
};

class Database {
public:
    // SqliteError when the file cannot be opened.
    explicit Database(const std::filesystem::path& host_file);
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    // One or more statements that return nothing worth reading.
    void execute(std::string_view sql);
    Statement prepare(std::string_view sql);
    // The first column of the first row of a statement without parameters; "" without a row.
    std::string single_text(std::string_view sql);

    bool has_table(std::string_view table);
    // Empties each of the tables that the database has; the others are passed over, as the tables
    // of one program's databases differ between its versions.
    void empty_tables(std::initializer_list<const char*> tables);
    bool has_column(std::string_view table, std::string_view column);
    // "ok", or the first problem PRAGMA integrity_check finds.
    std::string integrity();
    // The same through PRAGMA quick_check: every page and record is read, but no index is held
    // against its table, which is most of the time a full check takes.
    std::string quick_integrity();
    // "wal", "delete", "truncate", ... in lower case.
    std::string journal_mode();

private:
    sqlite3* db_ = nullptr;
};

}  // namespace platform::sqlite
