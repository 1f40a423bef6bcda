#pragma once
// What the store tests share: a repository over a real file in a fresh
// temporary folder, called from the test thread while a separate serial
// queue stands in for the main actor; and a plain SQLite connection to look
// inside (or damage) the same file.

#include "platform/sqlite/database.h"
#include "runtime/thread_executor.h"
#include "store/library_repository.h"
#include "support/paths.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind::test {

// A wall clock that stays where the test puts it.
class FixedWallClock final : public WallClock {
public:
    WallTime now() const noexcept override { return time; }
    WallTime time = WallTime(std::chrono::seconds(1'714'566'896)); // 2024-05-01T12:34:56Z
};

class StoreTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return folder.path() / "Library.sqlite"; }

    LibraryRepository& open() {
        repository = std::make_unique<LibraryRepository>(file().string(), mainActor, wallClock);
        return *repository;
    }

    // A second connection to the same file, for looking and damaging.
    Database raw() const {
        Database database(file().string(), SQLITE_OPEN_READWRITE);
        database.setBusyTimeout(5000);
        return database;
    }

    // Column 0 of every row of `sql` as text ("NULL" for NULL).
    std::vector<std::string> column(const std::string& sql) const {
        auto database = raw();
        auto statement = database.prepare(sql);
        std::vector<std::string> values;
        while (statement.step())
            values.emplace_back(statement.columnText(0).value_or("NULL"));
        return values;
    }
    std::string value(const std::string& sql) const {
        auto values = column(sql);
        return values.empty() ? "<no row>" : values.front();
    }

    TempDir folder;
    SerialQueue mainActor{"test-main"};
    FixedWallClock wallClock;
    std::unique_ptr<LibraryRepository> repository;
};

} // namespace sorvalind::test
