#include "platform/sqlite/database.h"

#include <sqlite3.h>

namespace sorvalind {

void Database::Close::operator()(sqlite3* handle) const noexcept {
    sqlite3_close_v2(handle);
}

Database::Database(const std::string& path, int flags) {
    sqlite3* raw = nullptr;
    int code = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
    // SQLite hands back a handle even when the open fails; it must be closed.
    handle_.reset(raw);
    if (code != SQLITE_OK) {
        handle_.reset();
        throw DatabaseError("Unable to open database", code);
    }
    sqlite3_extended_result_codes(raw, 1);
}

void Database::close() {
    if (!handle_) return;
    if (sqlite3_close(handle_.get()) != SQLITE_OK) throw lastError();
    (void)handle_.release();
}

void Database::execute(const std::string& script) {
    char* message = nullptr;
    int code = sqlite3_exec(handle_.get(), script.c_str(), nullptr, nullptr, &message);
    if (code == SQLITE_OK) return;
    std::string text = message ? message : sqlite3_errstr(code);
    sqlite3_free(message);
    throw DatabaseError(std::move(text), sqlite3_extended_errcode(handle_.get()));
}

void Database::setBusyTimeout(int milliseconds) {
    if (sqlite3_busy_timeout(handle_.get(), milliseconds) != SQLITE_OK) throw lastError();
}

std::int64_t Database::changes() const noexcept {
    return sqlite3_changes64(handle_.get());
}

bool Database::inTransaction() const noexcept {
    return sqlite3_get_autocommit(handle_.get()) == 0;
}

DatabaseError Database::errorOf(sqlite3* handle) {
    if (!handle) return DatabaseError("no open connection", SQLITE_MISUSE);
    return DatabaseError(sqlite3_errmsg(handle), sqlite3_extended_errcode(handle));
}

} // namespace sorvalind
