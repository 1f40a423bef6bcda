#pragma once
// Preferences held in memory: for tests, and for programs that must not touch
// the user's settings. Main actor only, like the interface.

#include "services/preferences.h"

#include <map>
#include <variant>

namespace sorvalind {

class InMemoryPreferences final : public Preferences {
public:
    std::optional<bool> boolValue(std::string_view key) const override;
    std::optional<std::string> stringValue(std::string_view key) const override;
    std::optional<PreferenceData> dataValue(std::string_view key) const override;

    void setBool(std::string_view key, bool value) override;
    void setString(std::string_view key, std::string_view value) override;
    void setData(std::string_view key, const PreferenceData& value) override;

    bool contains(std::string_view key) const override;
    void remove(std::string_view key) override;
    void removeAll() override;

    // Whether no key holds a value.
    bool empty() const noexcept { return values_.empty(); }

private:
    using Value = std::variant<bool, std::string, PreferenceData>;
    template <class T> std::optional<T> typed(std::string_view key) const;
    void put(std::string_view key, Value value);

    std::map<std::string, Value, std::less<>> values_;
};

} // namespace sorvalind
