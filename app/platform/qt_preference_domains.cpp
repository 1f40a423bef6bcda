#include "platform/qt_preference_domains.h"

#include "services/in_memory_preferences.h"

#include <system_error>

namespace sorvalind {

QtPreferenceDomains::QtPreferenceDomains(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path QtPreferenceDomains::file(const std::string& name) const {
    return folder_ / (name + ".ini");
}

bool QtPreferenceDomains::hasPersistentDomain(const std::string& name) const {
    if (folder_.empty()) return false;
    std::error_code unreadable;
    return std::filesystem::is_regular_file(file(name), unreadable);
}

Preferences& QtPreferenceDomains::domain(const std::string& name) {
    auto& slot = open_[name];
    if (slot) return *slot;
    if (folder_.empty()) {
        slot = std::make_unique<InMemoryPreferences>();
    } else {
        slot = std::make_unique<QtPreferences>(folder_, name);
    }
    return *slot;
}

void QtPreferenceDomains::removePersistentDomain(const std::string& name) {
    // An open domain's settings object would write its cached values back.
    if (auto found = open_.find(name); found != open_.end()) {
        found->second->removeAll();
        return;
    }
    if (folder_.empty()) return;
    std::error_code missing;
    std::filesystem::remove(file(name), missing);
}

} // namespace sorvalind
