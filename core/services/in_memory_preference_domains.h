#pragma once
// Preference domains held in memory, for tests and programs that must not
// touch the user's settings. A domain exists while it holds a value. Main
// actor only, like the interface.

#include "services/in_memory_preferences.h"
#include "services/preference_domains.h"

#include <map>
#include <memory>

namespace sorvalind {

class InMemoryPreferenceDomains final : public PreferenceDomains {
public:
    bool hasPersistentDomain(const std::string& name) const override;
    Preferences& domain(const std::string& name) override;
    void removePersistentDomain(const std::string& name) override;

private:
    std::map<std::string, std::unique_ptr<InMemoryPreferences>, std::less<>> domains_;
};

} // namespace sorvalind
