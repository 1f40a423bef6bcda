#include "shell/help_topics.h"

namespace sorvalind {

namespace {

constexpr HelpSection gettingStarted[] = {
    {"Connect to your server",
     "1. On first launch, Sorvalind opens the connection screen. Sign in before browsing your library.\n\n"
     "2. Enter the full server URL, including https:// and any installation subpath, followed by your "
     "username and password.\n\n"
     "3. Click Connect. After a successful sign-in, your library opens and begins synchronizing "
     "automatically; you can browse music as it appears."},
    {"Your saved connection",
     "Your password is stored in your desktop’s keyring. To change the address or account, choose File → "
     "Edit Connection Settings… or open Settings in the sidebar. File → Settings… (Ctrl+,) opens the same "
     "page in the main window. Use Back to return to your library. Library information and downloads are "
     "stored on this computer."},
    {"Connecting over HTTP",
     "Use HTTPS whenever possible. HTTP requires your explicit consent and is available only for localhost "
     "and supported private network IP addresses, including Tailscale IPs. For a local HTTP server, enter "
     "its private IP address rather than a hostname. Public servers require HTTPS."},
};

constexpr HelpSection browsing[] = {
    {"Find your music",
     "Use the sidebar to browse Home, Albums, Artists, Songs, Genres, Favorites and your server playlists. "
     "Search looks through the library synchronized to this computer. Choose the song, album or artist "
     "scope to see the matching results."},
    {"Search and refresh",
     "Search matches the beginnings of words and ignores accents. If a track is missing, try the beginning "
     "of its title or artist name. Press Ctrl+R to refresh the library. Sorvalind also refreshes "
     "automatically every 15 minutes while running."},
    {"Select and explore",
     "Double-click a song to play it. Use Ctrl-click to select individual rows or Shift-click to select a "
     "range. Click a column heading to sort. Use the toolbar’s Back and Forward buttons to retrace library "
     "pages. Click the album artwork or artist name in the bottom player to explore that music."},
    {"Favorites, ratings and playlists",
     "Right-click songs for favorites, ratings and Add to Playlist. Favorite artists and albums with the "
     "heart on their pages or from their context menus. Rate them from their context menus or the stars on "
     "their pages; use Clear Rating to remove a rating. Create a playlist with New Playlist in the sidebar; "
     "right-click a playlist to rename or delete it. Playlist editing requires a server connection. "
     "Favorite and rating changes made offline wait to be sent when you reconnect."},
    {"Song details and sharing",
     "Right-click a song and choose Song Details… to inspect its information. Open Share → Navidrome Link "
     "to copy a public listening link when your server allows sharing. Anyone with that link can listen "
     "without a server account. Share → Apple Music Link finds and copies a matching Apple Music song link "
     "without exposing your server or audio files. Share → Songlink uses the same match to copy a link to a "
     "page with streaming-service choices and artwork and title metadata for chat previews. Apple Music and "
     "Songlink sharing need internet access and a song title and artist, but no API key or account setup."},
};

constexpr HelpSection playback[] = {
    {"Control playback",
     "Use the player at the bottom of the main window to play or pause, change tracks, seek, adjust volume, "
     "shuffle or cycle repeat modes. Next is unavailable when there is no next playable track. The Playback "
     "menu also provides play/pause, track controls and Stop. Stop returns the current song to the start "
     "and keeps your queue."},
    {"Choose what plays next",
     "Right-click a song and choose Play Next or Add to Queue. Tracks you add manually take priority over "
     "the music you started playing. Click the queue button at the right of the player to open or close the "
     "queue. Drag entries to reorder them, or right-click to remove them."},
    {"Streaming quality",
     "Open File → Settings… to choose streaming quality. Original preserves the source format. MP3 uses "
     "less bandwidth and requires transcoding support on your server. Sorvalind prefers a downloaded copy "
     "when one is available."},
    {"Seeking and buffering",
     "Click or drag the timeline to seek. A spinner means audio is loading. Seeking streamed MP3 audio "
     "requires the server’s time-offset support; if it is unavailable, download the original and play the "
     "local copy. Editing the queue can briefly rebuffer playback."},
    {"Listening activity",
     "Send Listening Activity to Server is off by default. Enable it in Settings to report now-playing and "
     "completed listens to Navidrome. Turning it off discards pending listening reports; music playback "
     "continues normally."},
};

constexpr HelpSection downloads[] = {
    {"Download music",
     "Right-click a song, album or sidebar playlist, then choose Download and a quality. Original keeps the "
     "source format; MP3 requires server transcoding. You can keep both versions. To download several "
     "albums, Ctrl-click their tiles and use Download Selection."},
    {"Manage transfers",
     "Open Downloads in the sidebar to see transfer progress and files available offline. Pause stops an "
     "active transfer. Retry starts a paused or failed transfer again. Cancel All Transfers clears the "
     "queue and stops active transfers, keeping completed downloads. Interrupted transfers remain listed "
     "after relaunching. Files appear under Available offline after verification finishes."},
    {"Listen without a connection",
     "Downloaded audio and synchronized library information remain available offline. Playback normally "
     "prefers a local copy. To choose a particular downloaded version, use the play button beside it in "
     "Downloads. Browsing a synchronized library alone does not download its audio."},
    {"Storage and removal",
     "Settings shows download storage usage and offers Show Download Folder. In Downloads, right-click a "
     "file and choose Remove Local Download, or use Remove All to clear downloaded files. Removing local "
     "downloads leaves the music on your server."},
    {"Automatic favorites",
     "Enable Automatically Download Favorites in Settings to download existing and new favorite songs on "
     "this computer, including favorites synced from your server. Favorites quality has its own default. "
     "Changing it queues missing copies in that quality. Turning this off or removing a favorite keeps "
     "downloaded copies and queued transfers. Offline favorites wait until you reconnect."},
};

constexpr HelpSection shortcuts[] = {
    {"Selecting music",
     "Ctrl-click adds or removes individual song rows from your selection. Shift-click selects a range of "
     "rows. Ctrl-click album tiles to select several albums for downloading."},
    {"Key names", "Ctrl, Shift, Alt"},
};

constexpr HelpSection troubleshooting[] = {
    {"I can’t connect",
     "Check the full server URL and installation subpath, username and password in connection settings "
     "(Ctrl+Shift+K). Make sure this computer can reach the server, including through your VPN if needed. "
     "Use HTTPS for public servers. For HTTP on a private network, use a private IP address and accept the "
     "connection warning."},
    {"My saved login needs attention",
     "If Sorvalind shows Unlock Saved Login, use it to unlock your keyring and allow access to the saved "
     "password. If it shows Sign In Again…, enter your password to reconnect. Your local library and "
     "downloads remain on this computer."},
    {"Music is missing from the library",
     "Clear search text and filters, then press Ctrl+R while connected. The first synchronization can take "
     "time on a large library. Search only includes music already synchronized to this computer and matches "
     "word beginnings rather than arbitrary parts of a word."},
    {"A track won’t play or seek",
     "Check the player’s volume and your computer’s sound output. If streaming fails, check your "
     "connection and try Original streaming quality in Settings. MP3 streaming needs server transcoding; "
     "seeking a remote MP3 also needs server time-offset support. Downloading the original and playing it "
     "from Downloads can help when remote seeking is unavailable."},
    {"A download failed",
     "Read the message beside the transfer in Downloads. Check your connection, available disk space and "
     "server transcoding support for MP3, then click Retry. Retry restarts the transfer. Try Original if "
     "your server cannot produce an MP3 copy."},
    {"What works offline?",
     "You can browse and search synchronized library information and play downloaded music. Streaming, new "
     "downloads and playlist edits need a connection. Favorites and ratings wait to synchronize when you "
     "reconnect."},
};

struct TopicEntry {
    HelpTopic topic;
    std::string_view raw;
    std::string_view title;
    std::string_view symbol;
};

constexpr TopicEntry entries[] = {
    {HelpTopic::connecting, "connecting", "Getting Started", "music.note.house"},
    {HelpTopic::library, "library", "Browsing Your Library", "square.stack"},
    {HelpTopic::playback, "playback", "Playback & Queue", "play.circle"},
    {HelpTopic::downloads, "downloads", "Downloads & Offline Use", "arrow.down.circle"},
    {HelpTopic::shortcuts, "shortcuts", "Keyboard Shortcuts", "keyboard"},
    {HelpTopic::troubleshooting, "troubleshooting", "Troubleshooting", "questionmark.circle"},
};

const TopicEntry& entry(HelpTopic topic) noexcept {
    return entries[static_cast<std::size_t>(topic)];
}

} // namespace

const std::array<HelpTopic, 6>& HelpTopics::all() noexcept {
    static constexpr std::array<HelpTopic, 6> topics = {HelpTopic::connecting, HelpTopic::library,
                                                        HelpTopic::playback,   HelpTopic::downloads,
                                                        HelpTopic::shortcuts,  HelpTopic::troubleshooting};
    return topics;
}

std::string_view HelpTopics::rawValue(HelpTopic topic) noexcept {
    return entry(topic).raw;
}

std::optional<HelpTopic> HelpTopics::fromRaw(std::string_view raw) noexcept {
    for (const TopicEntry& e : entries)
        if (e.raw == raw) return e.topic;
    return std::nullopt;
}

std::string_view HelpTopics::title(HelpTopic topic) noexcept {
    return entry(topic).title;
}

std::string_view HelpTopics::symbol(HelpTopic topic) noexcept {
    return entry(topic).symbol;
}

HelpPage HelpTopics::page(HelpTopic topic) noexcept {
    switch (topic) {
    case HelpTopic::connecting:
        return {
            "Sorvalind connects to your Navidrome server so you can browse, stream and download your music "
            "on this computer. You’ll need a server address and a Navidrome account.",
            false, gettingStarted};
    case HelpTopic::library:
        return {{}, false, browsing};
    case HelpTopic::playback:
        return {{}, false, playback};
    case HelpTopic::downloads:
        return {{}, false, downloads};
    case HelpTopic::shortcuts:
        return {
            "Use these shortcuts in the main library window. When you’re typing in a text field, ordinary "
            "typing keys such as Space edit the text.",
            true, shortcuts};
    case HelpTopic::troubleshooting:
        return {{}, false, troubleshooting};
    }
    return {};
}

} // namespace sorvalind
