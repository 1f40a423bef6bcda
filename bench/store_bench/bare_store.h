#pragma once
// The floor the store is measured against: the same SQL on a plain SQLite
// connection with reused prepared statements and nothing else, rows read
// back with a bare simdjson walk instead of the records' decoders.
// Benchmark thread only; failures throw std::runtime_error with SQLite's
// message.

#include "library/search_page.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace sorvalind::bench {

// One page's rows as the store writes them, made ahead of time so the floor
// pays neither for the records' encoding nor for comparing them.
struct PageRows {
    struct Row {
        std::vector<std::optional<std::string>> values;
    };
    struct SongRows {
        Row song;
        // The song identifier alone, for the deletions.
        Row id;
        std::vector<Row> credits;
        std::vector<Row> genres;
    };
    std::vector<Row> artists;
    std::vector<Row> albums;
    std::vector<SongRows> songs;

    static PageRows of(const SearchPage& page, const std::string& generation);
};

class BareStore {
public:
    // Opens an existing store file with the store's own pragmas.
    explicit BareStore(const std::string& path);
    ~BareStore();
    BareStore(const BareStore&) = delete;
    BareStore& operator=(const BareStore&) = delete;

    // Writes one page in one transaction with the store's statements, and
    // the checkpoint text under "syncCheckpoint".
    void write(const PageRows& rows, const std::string& checkpoint);

    // Runs `sql` with the bindings and walks the JSON of column 0 of every
    // row with simdjson; returns the number of rows. The statement is
    // prepared once per distinct text and reused.
    std::size_t query(const std::string& sql, const std::vector<std::optional<std::string>>& bindings);

    // Runs `sql` and steps through its rows without reading them (for
    // statements whose rows are not JSON); returns the number of rows.
    std::size_t rows(const std::string& sql);

    // The end of a run: the three deletions, the checkpoint removed and the
    // time stored, in one transaction.
    void finish(const std::string& generation);

    // Copies the whole database (a consistent snapshot) to `path`.
    void backupTo(const std::string& path);

    // Opening as the store opens, up to reading the schema version; the
    // returned store closes the connection when released.
    static std::unique_ptr<BareStore> openAndReadVersion(const std::string& path);

private:
    BareStore() = default;
    sqlite3_stmt* prepared(const std::string& sql);
    void exec(const char* sql);

    sqlite3* db_ = nullptr;
    struct Prepared;
    std::vector<std::unique_ptr<Prepared>> statements_;
    struct Walker;
    std::unique_ptr<Walker> walker_;
};

} // namespace sorvalind::bench
