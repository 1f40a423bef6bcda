#include "support/widgets/gui_model_world.h"

#include "model/cached_artwork.h"
#include "platform/qt_image_decoder.h"
#include "runtime/clock.h"

#include "support/widgets/gui_wait.h"

#include "audio/null_output.h"
#include "errors/credential_error.h"
#include "http/network_security.h"
#include "loopback/audio/audio_fixtures.h"
#include "model/cached_artwork.h"
#include "model/controller_playback.h"
#include "platform/qt_image_decoder.h"

#include <fstream>

namespace sorvalind::test {

GuiModelWorld::GuiModelWorld(loopback::FakeLibrary::Shape library)
    : server_(std::make_unique<loopback::FakeSubsonicServer>(
          loopback::FakeSubsonicServer::Options{.library = library})) {
    const fixtures::Tone tone{48000, 2, 16, 48000};
    const auto file = fixtures::flac(fixtures::programFolder("gui-model-world"), "song", tone);
    std::ifstream in(file, std::ios::binary);
    const std::string flac{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const int songs = library.artists * library.albumsPerArtist * library.songsPerAlbum;
    for (int i = 1; i <= songs; ++i)
        server_->setMedia("so-" + std::to_string(i),
                          loopback::FakeMedia{.original = flac, .contentType = "audio/flac", .mp3 = {}});

    makeCoordinator();
}

void GuiModelWorld::makeCoordinator() {
    AppEnvironment environment{
        .mainActor = main_,
        .workers = workers_,
        .wallClock = systemWallClock(),
        .makeSession = [] { return NetworkSecurity::session(); },
        .credentialLoader = [this](const std::string& account,
                                   bool interactive) { return readKeyring(account, interactive); },
        .preferences = preferences_,
        .paths = paths_,
        .makePathMonitor = [this] { return network_.make(); },
        .pasteboard = pasteboard_,
        .workspace = workspace_,
        .nowPlaying = &nowPlaying_,
        .remoteCommands = &commands_,
        .makePlayback = makeControllerPlaybackFactory({
            .mainActor = main_,
            .workers = workers_,
            .makeOutput = [this] { return std::make_unique<NullOutput>(audio_); },
            .makeSession = [] { return NetworkSecurity::session(); },
            .nowPlaying = nowPlaying_,
            .remoteCommands = commands_,
        }),
        .makeArtwork = coverArt_ ? makeCachedArtworkFactory(main_, workers_, systemSteadyClock(),
                                                            std::make_shared<QtImageDecoder>())
                                 : AppEnvironment::ArtworkFactory(),
    };
    coordinator_ = AppCoordinator::create(
        environment, AppResetStorage::live(paths_, domains_, environment.applicationIdentifier),
        {
            .save = [this](const std::string& password,
                           const std::string& account) { credentialStore_.save(password, account); },
            .removeAll = [this] { credentialStore_.removeAll(); },
        });
}

void GuiModelWorld::enableCoverArt() {
    coverArt_ = true;
    coordinator_.reset();
    makeCoordinator();
}

void GuiModelWorld::restart() {
    if (auto model = current(); model && !model->isShuttingDown()) await(model->shutdown());
    coordinator_.reset();
    makeCoordinator();
}

void GuiModelWorld::blockDataFolder() {
    std::filesystem::create_directories(dir_.path());
    std::ofstream(dir_.path() / "data") << "not a folder";
}

GuiModelWorld::~GuiModelWorld() {
    keyringLocked_ = false;
    if (auto model = current(); model && !model->isShuttingDown()) await(model->shutdown());
    coordinator_.reset();
}

std::string GuiModelWorld::readKeyring(const std::string& account, bool interactive) {
    ++keyringReads_;
    lastReadInteractive_ = interactive;
    // What the desktop keyring answers while its collection is locked and
    // no prompt is allowed.
    if (keyringLocked_) throw CredentialError::status(-128);
    return credentialStore_.load(account, interactive);
}

bool GuiModelWorld::await(const TaskHandle& task) {
    return waitUntil([&] { return task.isFinished(); });
}

bool GuiModelWorld::launch() {
    if (!await(coordinator_->launch())) return false;
    return waitUntil([&] { return !current() || !current()->syncing().value(); });
}

bool GuiModelWorld::connect(const std::string& password) {
    const TaskHandle signIn = coordinator_->connect(server_->baseUrl(), "alice", password, true);
    bool failed = false;
    bool ended = false;
    signIn.whenFinished(main_, [&](const Outcome<void>& outcome) {
        failed = outcome.error() != nullptr;
        ended = true;
    });
    if (!waitUntil([&] { return ended; }) || failed) return false;
    return waitUntil([&] { return current() && !current()->syncing().value(); });
}

bool GuiModelWorld::reset() {
    if (!await(coordinator_->reset())) return false;
    return current() != nullptr;
}

Song GuiModelWorld::playableSong(const std::string& id) {
    Song song = Song::make(id, "Song " + id);
    song.duration = 1.0;
    song.suffix = "flac";
    return song;
}

} // namespace sorvalind::test
