#pragma once
// The settings page's words and its one layout measure. Any thread;
// constants and a pure function.

#include <algorithm>
#include <string_view>

namespace sorvalind {

struct SettingsTexts {
    SettingsTexts() = delete;

    static constexpr std::string_view serverSection = "Server";
    static constexpr std::string_view address = "Address";
    static constexpr std::string_view account = "Account";
    static constexpr std::string_view editConnection = "Edit Connection Settings…";
    static constexpr std::string_view unlock = "Unlock Saved Login";
    static constexpr std::string_view unlocking = "Unlocking…";

    static constexpr std::string_view playbackSection = "Playback";
    static constexpr std::string_view sendListening = "Send Listening Activity to Server";
    static constexpr std::string_view sendListeningHelp =
        "Send now-playing and completed-listen reports to your Navidrome server.";
    static constexpr std::string_view streamingQuality = "Streaming quality";
    static constexpr std::string_view playbackCaption =
        "Original quality preserves your music. MP3 saves bandwidth and requires server transcoding. Seeking "
        "an "
        "original remote MP3 uses the server's time-offset extension when available.";

    static constexpr std::string_view offlineSection = "Offline listening";
    static constexpr std::string_view offlineMode = "Offline Mode";
    static constexpr std::string_view offlineCaption =
        "Play only downloaded music and pause network activity. When this is off, Sorvalind switches offline "
        "after 10 seconds without a connection.";

    static constexpr std::string_view downloadsSection = "Downloads";
    static constexpr std::string_view defaultQuality = "Default quality";
    static constexpr std::string_view automaticFavorites = "Automatically Download Favorites";
    static constexpr std::string_view favoritesQuality = "Favorites quality";
    static constexpr std::string_view favoritesCaption =
        "Download existing and new favorite songs on this device, including favorites synced from your "
        "server. "
        "Changing favorites quality downloads missing copies in that quality. Turning this off or removing a "
        "favorite keeps existing downloads and queued transfers.";
    static constexpr std::string_view storage = "Storage";
    static constexpr std::string_view showFolder = "Show Download Folder";
    static constexpr std::string_view folderNotOpened =
        "Could not open the download folder in the file manager.";
    static constexpr std::string_view syncCaption =
        "Your metadata library synchronizes automatically every 15 minutes.";

    static constexpr std::string_view aboutSection = "About";
    static constexpr std::string_view privacyPolicy = "Privacy Policy";

    static constexpr std::string_view resetSection = "Reset";
    static constexpr std::string_view resetCaption =
        "Delete all local data and settings, then return to first-time sign-in. Your server is unchanged.";

    // The settings column's widest extent; a wider page centres it.
    static constexpr int columnWidth = 720;
    // The extra side margin on each side of a page `width` wide.
    static constexpr int sideMargin(int width) noexcept { return std::max(0, (width - columnWidth) / 2); }
};

} // namespace sorvalind
