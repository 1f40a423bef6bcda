#include "services/in_memory_preference_domains.h"

namespace sorvalind {

bool InMemoryPreferenceDomains::hasPersistentDomain(const std::string& name) const {
    auto found = domains_.find(name);
    return found != domains_.end() && !found->second->empty();
}

Preferences& InMemoryPreferenceDomains::domain(const std::string& name) {
    auto& slot = domains_[name];
    if (!slot) slot = std::make_unique<InMemoryPreferences>();
    return *slot;
}

void InMemoryPreferenceDomains::removePersistentDomain(const std::string& name) {
    // The object stays: whoever holds the domain keeps a valid, empty one.
    if (auto found = domains_.find(name); found != domains_.end()) found->second->removeAll();
}

} // namespace sorvalind
