#pragma once
// Everything a model takes from the world, handed over once to
// AppModel::make. The references must outlive every model made with them.
//
// The playback and artwork factories are where the playback controller and
// the cover-art cache are wired in; each model calls each factory once, in
// its initialiser. Without a factory the model runs with a part that does
// nothing (no playback, no cover art): the headless tools need neither.

#include "app_identifiers.h"
#include "app_paths.h"
#include "artwork_source.h"
#include "pasteboard.h"
#include "path_monitor.h"
#include "playback_control.h"
#include "workspace.h"

#include "http/http_transport.h"
#include "runtime/clock.h"
#include "runtime/executor.h"
#include "server/apple_music_links.h"
#include "services/now_playing_center.h"
#include "services/preferences.h"
#include "services/remote_command_center.h"
#include "store/library_repository.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace sorvalind {

struct AppEnvironment {
    using CredentialLoader = std::function<std::string(const std::string& account, bool allowInteraction)>;
    using PlaybackFactory = std::function<std::unique_ptr<PlaybackControl>(LibraryRepository&, Preferences&)>;
    using ArtworkFactory = std::function<std::unique_ptr<ArtworkSource>(const std::filesystem::path& root)>;
    using PathMonitorFactory = std::function<std::unique_ptr<PathMonitor>()>;
    using SessionFactory = std::function<std::shared_ptr<HttpTransport>()>;

    // The main actor: the model, the playback controller and the download
    // manager all run on it.
    Executor& mainActor;
    // Blocking work of the model: folder creation, opening the store, the
    // keyring, the server's answers, the song index.
    Executor& workers;
    const WallClock& wallClock;
    // A fresh HTTP session for each client the model builds.
    SessionFactory makeSession;
    // Reads the saved password (the keyring through the credential store);
    // blocking, called on `workers`.
    CredentialLoader credentialLoader;
    Preferences& preferences;
    const AppPaths& paths;
    PathMonitorFactory makePathMonitor;
    Pasteboard& pasteboard;
    Workspace& workspace;
    NowPlayingCenter* nowPlaying = nullptr;
    RemoteCommandCenter* remoteCommands = nullptr;
    PlaybackFactory makePlayback;
    ArtworkFactory makeArtwork;
    // The user's region for catalogue look-ups ("US" when the locale has none).
    std::string regionCode = "US";
    // Where share links are looked up in the public music catalogue; tests
    // point it at a loopback stand-in.
    std::string catalogueSearchBase = std::string(AppleMusicLinkResolver::defaultSearchBase);
    // The application's own identifier: the legacy settings migration runs
    // only under it.
    std::string applicationIdentifier{ownApplicationIdentifier};
};

} // namespace sorvalind
