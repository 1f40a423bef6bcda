#pragma once
// The user's settings as named domains, each a Preferences of its own (one
// settings file per domain on the desktop): the application's own domain and
// the one an earlier build wrote under its former identifier. The reset
// removes domains by name; the launch reads the former domain once.
//
// Main actor only, like Preferences. Throws nothing but memory exhaustion.

#include "services/preferences.h"

#include <string>

namespace sorvalind {

class PreferenceDomains {
public:
    virtual ~PreferenceDomains() = default;

    // Whether the domain holds stored settings.
    virtual bool hasPersistentDomain(const std::string& name) const = 0;
    // The domain, opened on first use; the same object on every later call,
    // valid as long as this object, also after the domain was removed.
    virtual Preferences& domain(const std::string& name) = 0;
    // Deletes every value of the domain and its storage (an open domain reads
    // empty afterwards); a domain that does not exist is fine.
    virtual void removePersistentDomain(const std::string& name) = 0;
};

} // namespace sorvalind
