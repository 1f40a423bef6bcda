#include "platform/qt_workspace.h"

#include <QDesktopServices>

namespace sorvalind {

QtWorkspace::QtWorkspace(std::function<bool(const QUrl&)> open) : open_(std::move(open)) {
    if (!open_) open_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

bool QtWorkspace::openFolder(const std::filesystem::path& folder) {
    // Only an existing absolute folder: never a path the desktop would guess at.
    std::error_code error;
    if (!folder.is_absolute() || !std::filesystem::is_directory(folder, error)) return false;
    return open_(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
}

bool QtWorkspace::openURL(const std::string& text) {
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    // Web addresses only: a link must not open local files or programs.
    if (!url.isValid() || (url.scheme() != "https" && url.scheme() != "http") || url.host().isEmpty())
        return false;
    return open_(url);
}

} // namespace sorvalind
