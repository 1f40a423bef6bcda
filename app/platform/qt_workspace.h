#pragma once
// The desktop's file manager and browser through QDesktopServices (the
// desktop's own handlers, xdg-open). GUI thread only.

#include "model/workspace.h"

#include <QUrl>

#include <functional>

namespace sorvalind {

class QtWorkspace final : public Workspace {
public:
    // `open` stands in for QDesktopServices::openUrl (tests).
    explicit QtWorkspace(std::function<bool(const QUrl&)> open = {});
    bool openFolder(const std::filesystem::path& folder) override;
    bool openURL(const std::string& url) override;

private:
    std::function<bool(const QUrl&)> open_;
};

} // namespace sorvalind
