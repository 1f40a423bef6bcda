#include "services/in_memory_preferences.h"

namespace sorvalind {

template <class T> std::optional<T> InMemoryPreferences::typed(std::string_view key) const {
    auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    if (const T* value = std::get_if<T>(&found->second)) return *value;
    return std::nullopt;
}

std::optional<bool> InMemoryPreferences::boolValue(std::string_view key) const {
    return typed<bool>(key);
}

std::optional<std::string> InMemoryPreferences::stringValue(std::string_view key) const {
    return typed<std::string>(key);
}

std::optional<PreferenceData> InMemoryPreferences::dataValue(std::string_view key) const {
    return typed<PreferenceData>(key);
}

void InMemoryPreferences::put(std::string_view key, Value value) {
    auto found = values_.find(key);
    if (found == values_.end()) {
        values_.emplace(std::string(key), std::move(value));
    } else {
        found->second = std::move(value);
    }
    announce(key);
}

void InMemoryPreferences::setBool(std::string_view key, bool value) {
    put(key, value);
}

void InMemoryPreferences::setString(std::string_view key, std::string_view value) {
    put(key, std::string(value));
}

void InMemoryPreferences::setData(std::string_view key, const PreferenceData& value) {
    put(key, value);
}

bool InMemoryPreferences::contains(std::string_view key) const {
    return values_.find(key) != values_.end();
}

void InMemoryPreferences::remove(std::string_view key) {
    auto found = values_.find(key);
    if (found == values_.end()) return;
    values_.erase(found);
    announce(key);
}

void InMemoryPreferences::removeAll() {
    values_.clear();
    announce("");
}

} // namespace sorvalind
