#include "store/library_connection.h"

#include <sqlite3.h>

namespace sorvalind {
namespace {

// Queries built from filters come in a bounded number of shapes; the limit
// only keeps an unexpected stream of distinct texts from growing the cache.
constexpr std::size_t cacheLimit = 128;

} // namespace

LibraryConnection::LibraryConnection(Database database, std::shared_ptr<RevisionCounters> counters,
                                     const WallClock& wallClock)
    : database_(std::move(database)), counters_(std::move(counters)), wallClock_(wallClock) {}

LibraryConnection::~LibraryConnection() {
    // Statements first: the connection closes cleanly only without them.
    cache_.clear();
}

LibraryConnection::Lease::Lease(Statement* statement, bool* inUse, std::unique_ptr<Statement> owned) noexcept
    : statement_(statement), inUse_(inUse), owned_(std::move(owned)) {}

LibraryConnection::Lease::Lease(Lease&& other) noexcept
    : statement_(std::exchange(other.statement_, nullptr)), inUse_(std::exchange(other.inUse_, nullptr)),
      owned_(std::move(other.owned_)) {}

LibraryConnection::Lease::~Lease() {
    if (!statement_) return;
    statement_->reset();
    if (inUse_) *inUse_ = false;
}

Database& LibraryConnection::database() {
    if (!database_.isOpen()) throw DatabaseError(libraryClosedMessage);
    return database_;
}

void LibraryConnection::close() {
    if (!database_.isOpen()) return;
    cache_.clear();
    database_.close();
    genreIndex.reset();
}

LibraryConnection::Lease LibraryConnection::lease(std::string_view sql) {
    auto& database = this->database();
    auto found = cache_.find(sql);
    if (found != cache_.end()) {
        if (!found->second->inUse) {
            found->second->inUse = true;
            return Lease(&found->second->statement, &found->second->inUse, nullptr);
        }
    } else if (cache_.size() < cacheLimit) {
        auto cached = std::make_unique<Cached>(Cached{database.prepare(sql)});
        auto* entry = cached.get();
        cache_.emplace(std::string(sql), std::move(cached));
        entry->inUse = true;
        return Lease(&entry->statement, &entry->inUse, nullptr);
    }
    // The same text is already being stepped further up the stack, or the
    // cache is full: a statement of its own for this use.
    auto owned = std::make_unique<Statement>(database.prepare(sql));
    auto* statement = owned.get();
    return Lease(statement, nullptr, std::move(owned));
}

std::size_t& LibraryConnection::expectedRows(std::string_view sql) {
    auto found = rowCounts_.find(sql);
    if (found != rowCounts_.end()) return found->second;
    if (rowCounts_.size() >= cacheLimit) rowCounts_.clear();
    return rowCounts_.emplace(std::string(sql), 0).first->second;
}

void LibraryConnection::bindAll(Statement& statement, const Binding* first, std::size_t count) {
    for (std::size_t index = 0; index < count; ++index)
        statement.bind(static_cast<int>(index + 1), first[index]);
}

LibraryConnection::Lease LibraryConnection::statement(std::string_view sql,
                                                      std::initializer_list<Binding> bindings) {
    auto result = lease(sql);
    bindAll(*result, bindings.begin(), bindings.size());
    return result;
}

LibraryConnection::Lease LibraryConnection::statement(std::string_view sql,
                                                      const std::vector<Binding>& bindings) {
    auto result = lease(sql);
    bindAll(*result, bindings.data(), bindings.size());
    return result;
}

std::int64_t LibraryConnection::run(std::string_view sql, std::initializer_list<Binding> bindings) {
    auto lease = statement(sql, bindings);
    while (lease->step()) {
    }
    return database_.changes();
}

std::int64_t LibraryConnection::run(std::string_view sql, const std::vector<Binding>& bindings) {
    return run(sql, std::span<const Binding>(bindings));
}

std::int64_t LibraryConnection::run(std::string_view sql, std::span<const Binding> bindings) {
    auto lease = this->lease(sql);
    bindAll(*lease, bindings.data(), bindings.size());
    while (lease->step()) {
    }
    return database_.changes();
}

std::string_view LibraryConnection::jsonColumn(const Statement& statement) {
    auto text = statement.columnText(0);
    if (!text) throw DatabaseError("A stored row has no JSON text", SQLITE_MISMATCH);
    return *text;
}

std::optional<std::string> LibraryConnection::text(std::string_view sql,
                                                   std::initializer_list<Binding> bindings) {
    auto lease = statement(sql, bindings);
    if (!lease->step()) return std::nullopt;
    auto value = lease->columnText(0);
    if (!value) return std::nullopt;
    return std::string(*value);
}

std::optional<std::int64_t> LibraryConnection::integer(std::string_view sql,
                                                       std::initializer_list<Binding> bindings) {
    auto lease = statement(sql, bindings);
    if (!lease->step()) return std::nullopt;
    return lease->columnInt64(0);
}

std::optional<std::string> LibraryConnection::storedJSON(std::string_view table, const std::string& id) {
    std::string sql = "SELECT json FROM ";
    sql += table;
    sql += " WHERE id=?";
    return text(sql, {id});
}

} // namespace sorvalind
