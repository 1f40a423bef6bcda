#pragma once
// The application's folders on the XDG base folders: the data folder
// ($XDG_DATA_HOME, else ~/.local/share) and the cache folder ($XDG_CACHE_HOME,
// else ~/.cache). A base that is missing or relative answers an empty path,
// which the model refuses, so nothing is ever written relative to the
// working directory. Any thread.

#include "model/app_paths.h"

namespace sorvalind {

class XdgAppPaths final : public AppPaths {
public:
    std::filesystem::path applicationSupport() const override;
    std::filesystem::path caches() const override;
};

} // namespace sorvalind
