#include "platform/sqlite/transaction.h"

namespace sorvalind {
namespace {

void runToDone(Database& database, const char* sql) {
    auto statement = database.prepare(sql);
    if (statement.step()) throw DatabaseError("unexpected row", 0);
}

} // namespace

Transaction::Transaction(Database& database) : database_(database) {
    runToDone(database_, "BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (!open_) return;
    try {
        runToDone(database_, "ROLLBACK");
    } catch (...) {
        // SQLite may already have rolled back on its own (a full disk, an
        // interrupt); there is nothing more to undo.
    }
}

void Transaction::commit() {
    runToDone(database_, "COMMIT");
    open_ = false;
}

} // namespace sorvalind
