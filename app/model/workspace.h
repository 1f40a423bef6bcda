#pragma once
// The desktop's file manager and browser. Main actor only; never throws: a
// desktop that cannot open the target answers false.

#include <filesystem>
#include <string>

namespace sorvalind {

class Workspace {
public:
    virtual ~Workspace() = default;
    // Shows the folder in the file manager.
    virtual bool openFolder(const std::filesystem::path& folder) = 0;
    // Opens a web address in the user's browser.
    virtual bool openURL(const std::string& url) = 0;
};

} // namespace sorvalind
