#pragma once
// One domain of the user's settings: typed values (Booleans, text, raw data)
// under string keys. The application backs it with one settings file per
// domain; tests use InMemoryPreferences. Reading a key that holds another
// type answers none, as a missing key does.
//
// Main actor only, unless a backend says more. Backends throw nothing but
// memory exhaustion; a value that cannot be written is lost, as the platform's
// own settings stores do. Observers of changes() are called on the thread
// that made the change, after it took effect.

#include "runtime/subject.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

using PreferenceData = std::vector<std::uint8_t>;

class Preferences {
public:
    virtual ~Preferences() = default;

    virtual std::optional<bool> boolValue(std::string_view key) const = 0;
    virtual std::optional<std::string> stringValue(std::string_view key) const = 0;
    virtual std::optional<PreferenceData> dataValue(std::string_view key) const = 0;

    virtual void setBool(std::string_view key, bool value) = 0;
    virtual void setString(std::string_view key, std::string_view value) = 0;
    virtual void setData(std::string_view key, const PreferenceData& value) = 0;

    // Whether the key holds a value of any type.
    virtual bool contains(std::string_view key) const = 0;
    virtual void remove(std::string_view key) = 0;
    // Removes every value of the domain (a reset of all settings).
    virtual void removeAll() = 0;

    // The key of every change: a set, a removal, and "" after removeAll().
    const Subject<std::string>& changes() const noexcept { return changes_; }

protected:
    void announce(std::string_view key) { changes_.send(std::string(key)); }

private:
    Subject<std::string> changes_;
};

} // namespace sorvalind
