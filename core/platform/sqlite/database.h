#pragma once
// One SQLite connection. Move-only; the connection is opened in serialized
// mode, but callers still keep it to one thread at a time (the store's actor
// queue), since statements and transactions are per connection. Throws
// DatabaseError with SQLite's code and message, always read from the
// connection before it could be closed.

#include "errors/database_error.h"
#include "platform/sqlite/statement.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;

namespace sorvalind {

class Database {
public:
    // Opens `path` with the SQLite open flags given (SQLITE_OPEN_FULLMUTEX is
    // always added). A failure throws DatabaseError "Unable to open database"
    // with the open's result code, and closes the handle SQLite may return.
    Database(const std::string& path, int flags);
    Database(Database&&) noexcept = default;
    Database& operator=(Database&&) noexcept = default;
    // Closes what is still open, whatever statements remain.
    ~Database() = default;

    sqlite3* get() const noexcept { return handle_.get(); }
    bool isOpen() const noexcept { return handle_ != nullptr; }

    // Closes the connection. A failure (statements still open) throws and
    // keeps the connection; closing a closed connection does nothing.
    void close();

    // Runs a script of one or more statements.
    void execute(const std::string& script);
    Statement prepare(std::string_view sql) const { return Statement(handle_.get(), sql); }
    void setBusyTimeout(int milliseconds);

    // Rows changed by the last INSERT, UPDATE or DELETE.
    std::int64_t changes() const noexcept;
    // True while a transaction is open.
    bool inTransaction() const noexcept;

    // The connection's current code and message as an error.
    DatabaseError lastError() const { return errorOf(handle_.get()); }
    static DatabaseError errorOf(sqlite3* handle);

private:
    struct Close {
        void operator()(sqlite3* handle) const noexcept;
    };
    std::unique_ptr<sqlite3, Close> handle_;
};

} // namespace sorvalind
