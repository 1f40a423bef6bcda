#include "app_reset_storage.h"

#include <system_error>

namespace sorvalind {

namespace {

std::filesystem::path inside(const std::filesystem::path& base, std::string_view name) {
    // An unknown base must not turn into a folder relative to the working directory.
    if (base.empty() || base.is_relative()) return {};
    return base / std::string(name);
}

} // namespace

AppResetStorage AppResetStorage::live(const AppPaths& paths, PreferenceDomains& preferences,
                                      std::string_view applicationIdentifier) {
    const std::string identifier =
        applicationIdentifier.empty() ? "Sorvalind" : std::string(applicationIdentifier);
    AppResetStorage storage;
    storage.directories = {
        inside(paths.applicationSupport(), "Sorvalind"),
        inside(paths.caches(), "Sorvalind"),
        inside(paths.caches(), identifier),
        inside(paths.temporary(), "Sorvalind"),
        inside(paths.caches(), legacyApplicationIdentifier),
    };
    storage.preferences = &preferences;
    storage.preferenceDomains = {identifier, std::string(legacyApplicationIdentifier)};
    return storage;
}

void AppResetStorage::clear() const {
    clearFolders();
    removeDomains();
}

void AppResetStorage::checkFolders() const {
    for (const auto& directory : directories)
        if (directory.empty() || directory.is_relative())
            throw std::filesystem::filesystem_error(
                "The application's folders are unknown; nothing was deleted", directory,
                std::make_error_code(std::errc::no_such_file_or_directory));
}

void AppResetStorage::clearFolders() const {
    checkFolders();
    for (const auto& directory : directories) {
        // A link is removed itself, never what it points to.
        if (std::filesystem::symlink_status(directory).type() == std::filesystem::file_type::not_found)
            continue;
        std::filesystem::remove_all(directory);
    }
}

void AppResetStorage::removeDomains() const {
    if (!preferences) return;
    for (const auto& name : preferenceDomains)
        preferences->removePersistentDomain(name);
}

} // namespace sorvalind
