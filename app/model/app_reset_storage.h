#pragma once
// What resetting the application deletes: its folders, in order, and its
// settings domains. live() names the desktop's folders: the data folder's
// "Sorvalind" (every server's library, downloads and cover art), the cache
// folder's "Sorvalind", the cache folders named by the application's
// identifier and by its former identifier, and the temporary folder's
// "Sorvalind"; and the settings domains of both identifiers.
//
// clear() refuses a list with an entry that is not an absolute path (a
// desktop that names no data or cache folder) before deleting anything, so
// nothing is ever removed relative to the working directory.

#include "app_identifiers.h"
#include "app_paths.h"

#include "services/preference_domains.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

struct AppResetStorage {
    // Deleted by clear(), in this order.
    std::vector<std::filesystem::path> directories;
    // The store whose domains are removed; none removes no settings.
    PreferenceDomains* preferences = nullptr;
    std::vector<std::string> preferenceDomains;

    // The desktop's list for the application running as `applicationIdentifier`
    // ("Sorvalind" when empty). A folder the desktop cannot name is listed as
    // an empty path, which clear() refuses. Never throws but for memory.
    static AppResetStorage live(const AppPaths& paths, PreferenceDomains& preferences,
                                std::string_view applicationIdentifier);

    // Throws std::filesystem::filesystem_error when an entry is not an
    // absolute path. Any thread.
    void checkFolders() const;
    // clearFolders(), then removeDomains(). Main actor only (the settings).
    void clear() const;
    // checkFolders(), then removes each folder that exists, in order; the
    // first failure is thrown at once (std::filesystem::filesystem_error)
    // and leaves the rest, and the settings, untouched. Any thread: it
    // touches only the file system.
    void clearFolders() const;
    // Removes each settings domain named. Main actor only; never fails.
    void removeDomains() const;
};

} // namespace sorvalind
