#include "platform/sqlite/statement.h"

#include "platform/sqlite/database.h"

#include <sqlite3.h>

#include <limits>

namespace sorvalind {

void Statement::Finalize::operator()(sqlite3_stmt* statement) const noexcept {
    sqlite3_finalize(statement);
}

Statement::Statement(sqlite3* database, std::string_view sql) : database_(database) {
    if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw DatabaseError("statement too long", SQLITE_TOOBIG);
    sqlite3_stmt* raw = nullptr;
    int code = sqlite3_prepare_v2(database, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    // Even a failed prepare may hand back a statement to finalize.
    statement_.reset(raw);
    if (code != SQLITE_OK) throw Database::errorOf(database);
    if (!raw) throw DatabaseError("empty statement", SQLITE_MISUSE);
}

void Statement::bind(int index, std::optional<std::string_view> value) {
    int code;
    if (!value) {
        code = sqlite3_bind_null(statement_.get(), index);
    } else {
        // SQLite reads a null pointer as NULL, and an empty view may have
        // one: the empty text must stay a text.
        const char* data = value->data() ? value->data() : "";
        code =
            sqlite3_bind_text64(statement_.get(), index, data, value->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    if (code != SQLITE_OK) throw Database::errorOf(database_);
}

bool Statement::step() {
    int code = sqlite3_step(statement_.get());
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    throw Database::errorOf(database_);
}

void Statement::reset() noexcept {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
}

std::optional<std::string_view> Statement::columnText(int column) const noexcept {
    auto* text = sqlite3_column_text(statement_.get(), column);
    if (!text) return std::nullopt;
    auto size = sqlite3_column_bytes(statement_.get(), column);
    return std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

std::int64_t Statement::columnInt64(int column) const noexcept {
    return sqlite3_column_int64(statement_.get(), column);
}

int Statement::columnInt(int column) const noexcept {
    return sqlite3_column_int(statement_.get(), column);
}

bool Statement::columnIsNull(int column) const noexcept {
    return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
}

} // namespace sorvalind
