#pragma once
// Preferences on QSettings: one INI file per domain ("<folder>/<domain>.ini",
// the folder being the user's XDG configuration folder + "sorvalind"). Each
// value keeps its type across restarts: the file holds one section per type
// ("bool", "string", "data"), so a key written as a Boolean never reads back
// as text. removeAll() deletes the domain's file.
//
// Main actor only, like the interface. Writes reach the file at once
// (QSettings::sync); a file that cannot be written loses the value, as the
// interface allows.

#include "services/preferences.h"

#include <QSettings>

#include <filesystem>
#include <memory>

namespace sorvalind {

class QtPreferences final : public Preferences {
public:
    // The user's own settings folder, or an empty path when the desktop names none.
    static std::filesystem::path defaultFolder();

    QtPreferences(const std::filesystem::path& folder, const std::string& domain);

    const std::filesystem::path& file() const noexcept { return file_; }

    std::optional<bool> boolValue(std::string_view key) const override;
    std::optional<std::string> stringValue(std::string_view key) const override;
    std::optional<PreferenceData> dataValue(std::string_view key) const override;
    void setBool(std::string_view key, bool value) override;
    void setString(std::string_view key, std::string_view value) override;
    void setData(std::string_view key, const PreferenceData& value) override;
    bool contains(std::string_view key) const override;
    void remove(std::string_view key) override;
    void removeAll() override;

private:
    void write(std::string_view section, std::string_view key, const QVariant& value);
    std::optional<QVariant> read(std::string_view section, std::string_view key) const;

    std::filesystem::path file_;
    std::unique_ptr<QSettings> settings_;
};

} // namespace sorvalind
