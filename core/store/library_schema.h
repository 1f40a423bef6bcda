#pragma once
// Opening the library file and bringing it to the current schema version.
// Internal to core/store; any thread (the caller's own).

#include "platform/sqlite/database.h"

#include <cstdint>
#include <string>

namespace sorvalind {

inline constexpr std::int32_t currentLibraryVersion = 6;

// Opens or creates the file at `path` read-write in WAL mode with foreign
// keys on, and migrates it to the current version. A file of an unknown
// (newer) version throws DatabaseError "This library needs a newer Sorvalind
// version" before anything could write to it; any other failure throws
// DatabaseError with SQLite's message, the failed script rolled back and the
// connection closed.
Database openLibraryDatabase(const std::string& path);

} // namespace sorvalind
