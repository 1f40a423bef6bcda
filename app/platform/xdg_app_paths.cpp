#include "platform/xdg_app_paths.h"

#include <QStandardPaths>

namespace sorvalind {

namespace {

std::filesystem::path absoluteOrNone(QStandardPaths::StandardLocation location) {
    const std::filesystem::path path = QStandardPaths::writableLocation(location).toStdString();
    return path.is_absolute() ? path : std::filesystem::path();
}

} // namespace

std::filesystem::path XdgAppPaths::applicationSupport() const {
    return absoluteOrNone(QStandardPaths::GenericDataLocation);
}

std::filesystem::path XdgAppPaths::caches() const {
    return absoluteOrNone(QStandardPaths::GenericCacheLocation);
}

} // namespace sorvalind
