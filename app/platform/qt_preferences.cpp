#include "platform/qt_preferences.h"

#include <QStandardPaths>

#include <array>

namespace sorvalind {

namespace {

constexpr std::array<std::string_view, 3> sections = {"bool", "string", "data"};

QString qKey(std::string_view section, std::string_view key) {
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + '/' +
           QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

} // namespace

std::filesystem::path QtPreferences::defaultFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const std::filesystem::path folder = base.toStdString();
    if (base.isEmpty() || folder.is_relative()) return {};
    return folder / "sorvalind";
}

QtPreferences::QtPreferences(const std::filesystem::path& folder, const std::string& domain)
    : file_(folder / (domain + ".ini")),
      settings_(std::make_unique<QSettings>(QString::fromStdString(file_.string()), QSettings::IniFormat)) {}

std::optional<QVariant> QtPreferences::read(std::string_view section, std::string_view key) const {
    const QVariant value = settings_->value(qKey(section, key));
    if (!value.isValid()) return std::nullopt;
    return value;
}

void QtPreferences::write(std::string_view section, std::string_view key, const QVariant& value) {
    // A key holds one value: writing it in one type drops it from the others.
    for (std::string_view other : sections)
        if (other != section) settings_->remove(qKey(other, key));
    settings_->setValue(qKey(section, key), value);
    settings_->sync();
    announce(key);
}

std::optional<bool> QtPreferences::boolValue(std::string_view key) const {
    const auto value = read("bool", key);
    if (!value) return std::nullopt;
    // The file holds "true" or "false"; anything else is no Boolean.
    const QString text = value->toString();
    if (text == "true") return true;
    if (text == "false") return false;
    return std::nullopt;
}

std::optional<std::string> QtPreferences::stringValue(std::string_view key) const {
    const auto value = read("string", key);
    if (!value) return std::nullopt;
    return value->toString().toStdString();
}

std::optional<PreferenceData> QtPreferences::dataValue(std::string_view key) const {
    const auto value = read("data", key);
    if (!value) return std::nullopt;
    const QByteArray bytes = value->toByteArray();
    return PreferenceData(bytes.begin(), bytes.end());
}

void QtPreferences::setBool(std::string_view key, bool value) {
    write("bool", key, QString(value ? "true" : "false"));
}

void QtPreferences::setString(std::string_view key, std::string_view value) {
    write("string", key, QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

void QtPreferences::setData(std::string_view key, const PreferenceData& value) {
    write("data", key,
          QByteArray(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size())));
}

bool QtPreferences::contains(std::string_view key) const {
    for (std::string_view section : sections)
        if (settings_->contains(qKey(section, key))) return true;
    return false;
}

void QtPreferences::remove(std::string_view key) {
    for (std::string_view section : sections)
        settings_->remove(qKey(section, key));
    settings_->sync();
    announce(key);
}

void QtPreferences::removeAll() {
    settings_->clear();
    settings_->sync();
    // Removing a domain removes its file.
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
    announce("");
}

} // namespace sorvalind
