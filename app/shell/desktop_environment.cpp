#include "shell/desktop_environment.h"

#include "audio/null_output.h"
#include "audio/pulse_output.h"
#include "http/network_security.h"
#include "model/cached_artwork.h"
#include "model/controller_playback.h"
#include "platform/qt_image_decoder.h"
#include "platform/qt_path_monitor.h"
#include "platform/qt_preferences.h"
#include "platform/secret/memory_keychain.h"
#include "platform/secret/secret_service_keychain.h"
#include "runtime/clock.h"

#include <QLocale>

namespace sorvalind {

DesktopEnvironment::DesktopEnvironment(DesktopOptions options)
    : options_(std::move(options)), workers_(std::make_shared<WorkerPool>(workerThreads, "sorvalind-worker")),
      domains_(QtPreferences::defaultFolder()), keychain_(makeKeychain(options_.isolatedProfile)),
      helper_(std::make_unique<CredentialHelperClient>(helperGate())),
      store_(
          std::make_shared<CredentialStore>(*keychain_, CredentialStore::Build::application, helper_.get())) {
    if (options_.silent) ticks_ = std::make_shared<SerialQueue>("sorvalind-silent-output");
    mprisStarted_ = mpris_.start(options_.mprisServiceName.isEmpty() ? QString::fromLatin1(mprisServiceName)
                                                                     : options_.mprisServiceName);
}

DesktopEnvironment::~DesktopEnvironment() {
    // Work still queued may reach the keyring or the models' folders: let it
    // end before the objects it uses go.
    workers_->shutdown();
    if (ticks_) ticks_->shutdown();
}

Preferences& DesktopEnvironment::preferences() {
    return domains_.domain(std::string(ownApplicationIdentifier));
}

std::unique_ptr<Keychain> DesktopEnvironment::makeKeychain(bool isolatedProfile) {
    if (isolatedProfile) return std::make_unique<MemoryKeychain>();
    return std::make_unique<SecretServiceKeychain>();
}

CredentialHelperGate DesktopEnvironment::helperGate() {
    return {.applicationId = std::string(CredentialHelperClient::applicationId),
            .helperEnabled = SORVALIND_CREDENTIAL_HELPER_ENABLED != 0};
}

std::string DesktopEnvironment::regionCode() {
    const QLocale::Territory territory = QLocale::system().territory();
    const QString code = territory == QLocale::AnyTerritory ? QString() : QLocale::territoryToCode(territory);
    return code.size() == 2 ? code.toUpper().toStdString() : std::string("US");
}

AppEnvironment DesktopEnvironment::environment() {
    ControllerPlaybackSetup::OutputFactory output;
    if (ticks_)
        output = [ticks = ticks_] { return std::make_unique<NullOutput>(*ticks); };
    else
        output = [] { return std::make_unique<PulseOutput>(); };
    auto session = [] { return NetworkSecurity::session(); };
    auto store = store_;
    return AppEnvironment{
        .mainActor = mainActor_,
        .workers = *workers_,
        .wallClock = systemWallClock(),
        .makeSession = session,
        .credentialLoader = [store](const std::string& account,
                                    bool allowInteraction) { return store->load(account, allowInteraction); },
        .preferences = preferences(),
        .paths = paths_,
        .makePathMonitor = [] { return std::make_unique<QtPathMonitor>(); },
        .pasteboard = pasteboard_,
        .workspace = workspace_,
        .nowPlaying = &mpris_,
        .remoteCommands = &mpris_,
        .makePlayback = makeControllerPlaybackFactory({
            .mainActor = mainActor_,
            .workers = *workers_,
            .makeOutput = std::move(output),
            .makeSession = session,
            .nowPlaying = mpris_,
            .remoteCommands = mpris_,
        }),
        .makeArtwork = makeCachedArtworkFactory(mainActor_, *workers_, systemSteadyClock(),
                                                std::make_shared<QtImageDecoder>()),
        .regionCode = regionCode(),
    };
}

AppCoordinator::Credentials DesktopEnvironment::credentials() const {
    auto store = store_;
    return {.save = [store](const std::string& password,
                            const std::string& account) { store->save(password, account); },
            .removeAll = [store] { store->removeAll(); }};
}

AppResetStorage DesktopEnvironment::resetStorage() {
    return AppResetStorage::live(paths_, domains_, ownApplicationIdentifier);
}

std::shared_ptr<AppCoordinator> DesktopEnvironment::makeCoordinator() {
    return AppCoordinator::create(environment(), resetStorage(), credentials());
}

} // namespace sorvalind
