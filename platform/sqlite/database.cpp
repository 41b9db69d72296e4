#include "platform/sqlite/database.h"

#include <sqlite3.h>

namespace platform::sqlite {

namespace {

[[noreturn]] void fail(sqlite3* db, int code) {
    throw SqliteError(code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

void check(sqlite3* db, int code) {
    if (code != SQLITE_OK) fail(db, code);
}

}  // namespace

bool SqliteError::busy() const {
    const int primary = code_ & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool SqliteError::damaged() const {
    const int primary = code_ & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), statement_(other.statement_) {
    other.statement_ = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(statement_);
        db_ = other.db_;
        statement_ = other.statement_;
        other.statement_ = nullptr;
    }
    return *this;
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::bind(int index, std::string_view text) {
    check(db_, sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

Statement& Statement::bind(int index, int64_t number) {
    check(db_, sqlite3_bind_int64(statement_, index, number));
    return *this;
}

bool Statement::step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) {
        sqlite3_reset(statement_);
        return false;
    }
    sqlite3_reset(statement_);
    fail(db_, code);
}

void Statement::run() {
    while (step()) {
    }
}

std::string Statement::text(int column) const {
    const auto* bytes = sqlite3_column_text(statement_, column);
    if (!bytes) return {};
    return std::string(reinterpret_cast<const char*>(bytes),
                       static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

int64_t Statement::number(int column) const { return sqlite3_column_int64(statement_, column); }

Database::Database(const std::filesystem::path& host_file) {
    const int code = sqlite3_open_v2(host_file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (code != SQLITE_OK) {
        SqliteError error(code, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
        sqlite3_close(db_);
        db_ = nullptr;
        throw error;
    }
    sqlite3_extended_result_codes(db_, 1);
}

Database::~Database() { sqlite3_close(db_); }

void Database::execute(std::string_view sql) {
    const std::string text(sql);
    check(db_, sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr));
}

Statement Database::prepare(std::string_view sql) {
    sqlite3_stmt* statement = nullptr;
    check(db_, sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr));
    return Statement(db_, statement);
}

std::string Database::single_text(std::string_view sql) {
    Statement statement = prepare(sql);
    std::string first = statement.step() ? statement.text(0) : std::string();
    statement.run();
    return first;
}

bool Database::has_table(std::string_view table) {
    Statement statement = prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    statement.bind(1, table);
    const bool found = statement.step();
    statement.run();
    return found;
}

void Database::empty_tables(std::initializer_list<const char*> tables) {
    for (const char* table : tables)
        if (has_table(table)) execute(std::string("DELETE FROM ") + table);
}

bool Database::has_column(std::string_view table, std::string_view column) {
    Statement statement = prepare("SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2");
    statement.bind(1, table).bind(2, column);
    const bool found = statement.step();
    statement.run();
    return found;
}

std::string Database::integrity() { return single_text("PRAGMA integrity_check"); }

std::string Database::quick_integrity() { return single_text("PRAGMA quick_check"); }

std::string Database::journal_mode() { return single_text("PRAGMA journal_mode"); }

}  // namespace platform::sqlite
