#pragma once
// One write transaction: "BEGIN IMMEDIATE" on construction, "COMMIT" on
// commit(), "ROLLBACK" when it ends uncommitted (a failed body or a failed
// COMMIT; the rollback's own failure is ignored, the first error is the one
// that matters). Begin and commit throw DatabaseError. Used on the thread
// that owns the connection; not movable.

#include "platform/sqlite/database.h"

namespace sorvalind {

class Transaction {
public:
    explicit Transaction(Database& database);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Database& database_;
    bool open_ = true;
};

} // namespace sorvalind
