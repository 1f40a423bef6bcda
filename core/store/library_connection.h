#pragma once
// What the repository's source files share: the actor-confined connection
// with its statement cache, row decoder and transaction discipline, the
// change counters, and the hop onto the repository's queue.
// Internal to core/store. LibraryConnection: the repository's queue only.
// RevisionCounters: any thread. Failures as in library_repository.h.

#include "errors/database_error.h"
#include "library/genre_index.h"
#include "library/json_coding.h"
#include "platform/sqlite/database.h"
#include "platform/sqlite/transaction.h"
#include "runtime/async_call.h"
#include "runtime/clock.h"
#include "runtime/thread_executor.h"
#include "runtime/timer_wait.h"
#include "store/library_repository.h"
#include "store/library_revisions.h"
#include "store/row_decoder.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sorvalind {

// The store's own fixed failure texts.
inline constexpr const char* libraryClosedMessage = "The library is closed";
inline constexpr const char* newerLibraryMessage = "This library needs a newer Sorvalind version";

// The published counters. Any thread; never blocks on I/O.
class RevisionCounters {
public:
    LibraryRevisions current() const noexcept {
        std::lock_guard lock(mutex_);
        return revisions_;
    }
    void add(const LibraryRevisions& changes) noexcept {
        std::lock_guard lock(mutex_);
        revisions_.add(changes);
    }

private:
    mutable std::mutex mutex_;
    LibraryRevisions revisions_;
};

// One value to bind: a text, or none for NULL.
using Binding = std::optional<std::string_view>;

class LibraryConnection {
public:
    LibraryConnection(Database database, std::shared_ptr<RevisionCounters> counters,
                      const WallClock& wallClock);
    ~LibraryConnection();
    LibraryConnection(const LibraryConnection&) = delete;
    LibraryConnection& operator=(const LibraryConnection&) = delete;

    // A prepared statement lent from the cache (or made afresh when the
    // cached one is in use); reset with its bindings cleared when the lease
    // ends.
    class Lease {
    public:
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&&) = delete;
        ~Lease();
        Statement& operator*() const noexcept { return *statement_; }
        Statement* operator->() const noexcept { return statement_; }

    private:
        friend class LibraryConnection;
        Lease(Statement* statement, bool* inUse, std::unique_ptr<Statement> owned) noexcept;
        Statement* statement_;
        bool* inUse_;
        std::unique_ptr<Statement> owned_;
    };

    // The statement for `sql` with the bindings given, counting from 1.
    // Throws "The library is closed" after close().
    Lease statement(std::string_view sql, std::initializer_list<Binding> bindings = {});
    Lease statement(std::string_view sql, const std::vector<Binding>& bindings);

    // Runs a statement that returns no row (INSERT, UPDATE, DELETE); returns
    // the number of rows it changed.
    std::int64_t run(std::string_view sql, std::initializer_list<Binding> bindings = {});
    std::int64_t run(std::string_view sql, const std::vector<Binding>& bindings);
    std::int64_t run(std::string_view sql, std::span<const Binding> bindings);

    // Decodes the JSON text of column 0 of every row as a T, in row order. A
    // NULL in column 0 or a failing step throws DatabaseError; a row that
    // does not decode throws its DecodingError.
    // Long lists are decoded on several threads (RowDecoder).
    template <class T>
    std::vector<T> records(std::string_view sql, std::initializer_list<Binding> bindings = {}) {
        auto lease = statement(sql, bindings);
        return rowDecoder_.decode<T>(*lease, &jsonColumn, expectedRows(sql));
    }
    template <class T> std::vector<T> records(std::string_view sql, const std::vector<Binding>& bindings) {
        auto lease = statement(sql, bindings);
        return rowDecoder_.decode<T>(*lease, &jsonColumn, expectedRows(sql));
    }
    // The JSON texts of `records`, in order; a long list is encoded on
    // several threads (RowDecoder). Throws EncodingError.
    template <class T> std::vector<std::string> encode(const std::vector<const T*>& records) {
        return rowDecoder_.encode(records);
    }
    // The first row decoded, or none when there is no row.
    template <class T>
    std::optional<T> record(std::string_view sql, std::initializer_list<Binding> bindings = {}) {
        auto lease = statement(sql, bindings);
        if (!lease->step()) return std::nullopt;
        return fromJSONText<T>(jsonColumn(*lease));
    }
    template <class T> static std::vector<T> decodeRows(Statement& statement) {
        std::vector<T> rows;
        while (statement.step())
            rows.push_back(fromJSONText<T>(jsonColumn(statement)));
        return rows;
    }
    // Column 0 of the current row; NULL throws DatabaseError.
    static std::string_view jsonColumn(const Statement& statement);

    // Column 0 of the first row as text; none when there is no row or it is
    // NULL.
    std::optional<std::string> text(std::string_view sql, std::initializer_list<Binding> bindings = {});
    // Column 0 of the first row as an integer; none when there is no row.
    std::optional<std::int64_t> integer(std::string_view sql, std::initializer_list<Binding> bindings = {});
    // The "json" column of the row `id` of `table`; none when there is none.
    std::optional<std::string> storedJSON(std::string_view table, const std::string& id);

    // Runs `body(changes)` inside "BEGIN IMMEDIATE" ... "COMMIT" and adds
    // the changes it counted to the published counters only after COMMIT;
    // any failure rolls back, publishes nothing and is rethrown unchanged.
    template <class Body> auto transaction(Body body) -> std::invoke_result_t<Body&, LibraryRevisions&> {
        LibraryRevisions changes;
        Transaction transaction(database());
        if constexpr (std::is_void_v<std::invoke_result_t<Body&, LibraryRevisions&>>) {
            body(changes);
            transaction.commit();
            counters_->add(changes);
        } else {
            auto result = body(changes);
            transaction.commit();
            counters_->add(changes);
            return result;
        }
    }

    // The open connection; throws "The library is closed" after close().
    Database& database();
    void close();

    LibraryRevisions revisions() const noexcept { return counters_->current(); }
    const WallClock& wallClock() const noexcept { return wallClock_; }

    // The grouped genre index with the genres counter it was built at.
    std::optional<std::pair<std::int64_t, GenreIndex>> genreIndex;

private:
    struct Cached {
        Statement statement;
        bool inUse = false;
    };
    Lease lease(std::string_view sql);
    // The row count of the last read of `sql`, to size the next one's list.
    std::size_t& expectedRows(std::string_view sql);
    static void bindAll(Statement& statement, const Binding* first, std::size_t count);

    // Looks statements up by the SQL text without copying it.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept {
            return std::hash<std::string_view>{}(text);
        }
    };

    Database database_;
    RowDecoder rowDecoder_;
    std::shared_ptr<RevisionCounters> counters_;
    const WallClock& wallClock_;
    std::unordered_map<std::string, std::unique_ptr<Cached>, TextHash, std::equal_to<>> cache_;
    std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> rowCounts_;
};

template <class Fn> auto LibraryRepository::perform(Fn fn) -> std::invoke_result_t<Fn&, LibraryConnection&> {
    if (mainActor_.isCurrent()) throw OwnExecutorWaitError();
    return callSync(*queue_, [this, &fn]() { return fn(*connection_); });
}

} // namespace sorvalind
