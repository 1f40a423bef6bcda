#pragma once
// Settings domains on QtPreferences: each domain is the settings file
// "<folder>/<domain>.ini" (the folder being QtPreferences::defaultFolder() in
// the application), and exists while that file does. Opened domains are kept,
// so the application's own domain is one object for the whole run, and
// removing an open domain clears the object as well as deleting its file.
//
// Main actor only, like the interface.

#include "platform/qt_preferences.h"
#include "services/preference_domains.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace sorvalind {

class QtPreferenceDomains final : public PreferenceDomains {
public:
    // An empty folder names no file: every domain is missing and lives in
    // memory only, never in the working directory.
    explicit QtPreferenceDomains(std::filesystem::path folder);

    bool hasPersistentDomain(const std::string& name) const override;
    Preferences& domain(const std::string& name) override;
    void removePersistentDomain(const std::string& name) override;

private:
    std::filesystem::path file(const std::string& name) const;

    std::filesystem::path folder_;
    std::map<std::string, std::unique_ptr<Preferences>, std::less<>> open_;
};

} // namespace sorvalind
