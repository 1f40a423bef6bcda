#pragma once
// One prepared SQLite statement. Move-only; used by one thread at a time
// (the thread that owns its connection). Every failure throws DatabaseError
// with the connection's code and message, read before anything else runs on
// the connection.

#include "errors/database_error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace sorvalind {

class Statement {
public:
    // Compiles the first statement of `sql`.
    Statement(sqlite3* database, std::string_view sql);

    // Binds a text (copied) or, for none, NULL to the 1-based `index`.
    void bind(int index, std::optional<std::string_view> value);
    // True for a row, false when done.
    bool step();
    // Back to the start with every binding cleared; never fails (a step's
    // failure was already thrown by step()).
    void reset() noexcept;

    // The column of the current row as text; none for NULL. The view lasts
    // until the next step or reset.
    std::optional<std::string_view> columnText(int column) const noexcept;
    std::int64_t columnInt64(int column) const noexcept;
    int columnInt(int column) const noexcept;
    bool columnIsNull(int column) const noexcept;

    sqlite3_stmt* get() const noexcept { return statement_.get(); }

private:
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const noexcept;
    };
    sqlite3* database_;
    std::unique_ptr<sqlite3_stmt, Finalize> statement_;
};

} // namespace sorvalind
