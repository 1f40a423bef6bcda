#pragma once
// The words of the start-up failure page and of the reset button with its
// confirmation. Any thread; constants.

#include <string_view>

namespace sorvalind {

struct ResetTexts {
    ResetTexts() = delete;

    static constexpr std::string_view openFailedTitle = "Unable to open your library";
    static constexpr std::string_view resetFailedTitle = "Unable to reset Sorvalind";
    static constexpr std::string_view retryReset = "Retry Reset";

    static constexpr std::string_view resetButton = "Reset Sorvalind…";
    static constexpr std::string_view confirmTitle = "Reset Sorvalind?";
    static constexpr std::string_view confirmMessage = "This deletes all data on this device: downloaded "
                                                       "music, the local library, caches, thumbnails, saved "
                                                       "passwords and settings. You’ll return to sign-in as "
                                                       "a new user. This cannot be undone. Your music and "
                                                       "account on the server will not be deleted.";
    static constexpr std::string_view deleteEverything = "Delete Everything";
    static constexpr std::string_view cancel = "Cancel";
};

} // namespace sorvalind
