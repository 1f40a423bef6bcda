#include "platform/sqlite/database.h"
#include "platform/sqlite/transaction.h"
#include "support/paths.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <optional>

namespace sorvalind::test {
namespace {

class SQLiteWrapperTest : public ::testing::Test {
protected:
    SQLiteWrapperTest() {
        database.execute("PRAGMA foreign_keys=ON; CREATE TABLE parent(id TEXT PRIMARY KEY);"
                         "CREATE TABLE child(id TEXT REFERENCES parent(id) DEFERRABLE INITIALLY DEFERRED);"
                         "CREATE TABLE t(x NOT NULL);");
    }
    std::int64_t count(const char* table) {
        auto statement = database.prepare(std::string("SELECT count(*) FROM ") + table);
        statement.step();
        return statement.columnInt64(0);
    }

    TempDir folder;
    Database database{(folder.path() / "test.sqlite").string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE};
};

TEST_F(SQLiteWrapperTest, BindsTextsAndNullsAndReadsThemBack) {
    auto insert = database.prepare("INSERT INTO t VALUES(?)");
    // An empty view without storage is still the empty text, not NULL.
    insert.bind(1, std::string_view());
    EXPECT_FALSE(insert.step());
    insert.reset();
    insert.bind(1, std::nullopt);
    try {
        insert.step();
        FAIL() << "no failure";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.message(), "NOT NULL constraint failed: t.x");
        EXPECT_EQ(error.code(), SQLITE_CONSTRAINT_NOTNULL);
    }
    auto select = database.prepare("SELECT x, typeof(x) FROM t");
    ASSERT_TRUE(select.step());
    EXPECT_EQ(select.columnText(0), "");
    EXPECT_EQ(select.columnText(1), "text");
    EXPECT_FALSE(select.step());
}

TEST_F(SQLiteWrapperTest, PrepareFailureCarriesSQLiteMessage) {
    try {
        database.prepare("SELECT * FROM missing");
        FAIL() << "no failure";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.message(), "no such table: missing");
        EXPECT_EQ(error.code(), SQLITE_ERROR);
    }
}

TEST_F(SQLiteWrapperTest, TransactionRollsBackAFailedBodyAndAFailedCommit) {
    try {
        Transaction transaction(database);
        database.execute("INSERT INTO parent VALUES('p')");
        throw std::runtime_error("body failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(database.inTransaction());
    EXPECT_EQ(count("parent"), 0);

    {
        Transaction transaction(database);
        database.execute("INSERT INTO parent VALUES('p'); INSERT INTO child VALUES('orphan');");
        EXPECT_THROW(transaction.commit(), DatabaseError);
        EXPECT_TRUE(database.inTransaction());
    }
    EXPECT_FALSE(database.inTransaction());
    EXPECT_EQ(count("parent"), 0);

    {
        Transaction transaction(database);
        database.execute("INSERT INTO parent VALUES('p')");
        transaction.commit();
    }
    EXPECT_EQ(count("parent"), 1);
}

TEST_F(SQLiteWrapperTest, CloseWithAnOpenStatementFailsAndKeepsTheConnection) {
    std::optional<Statement> statement = database.prepare("SELECT 1");
    EXPECT_THROW(database.close(), DatabaseError);
    EXPECT_TRUE(database.isOpen());
    statement.reset();
    database.close();
    EXPECT_FALSE(database.isOpen());
    database.close();
}

} // namespace
} // namespace sorvalind::test
