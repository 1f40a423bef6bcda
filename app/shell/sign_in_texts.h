#pragma once
// The sign-in form's own words. Any thread; constants.

#include <string_view>

namespace sorvalind {

struct SignInTexts {
    SignInTexts() = delete;

    static constexpr std::string_view section = "Server";
    static constexpr std::string_view introduction =
        "Sign in to Navidrome. Sorvalind keeps your library on this computer, so browsing and search stay "
        "available offline.";
    static constexpr std::string_view passwordMissing =
        "Your saved password could not be found. Enter it again to reconnect. Your library and downloads are "
        "still on this computer.";
    static constexpr std::string_view serverURL = "Server URL";
    static constexpr std::string_view username = "Username";
    static constexpr std::string_view password = "Password";
    // The grey example in the empty address field.
    static constexpr std::string_view addressPlaceholder = "https://music.example.com";
    static constexpr std::string_view passwordCaption = "Your password is saved securely on this device.";
    static constexpr std::string_view cancel = "Cancel";
    static constexpr std::string_view connect = "Connect";
    static constexpr std::string_view connecting = "Connecting…";
};

} // namespace sorvalind
