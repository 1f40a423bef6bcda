#pragma once
// The desktop's services assembled once per process: the main actor on Qt's
// event loop, the workers, settings files, XDG folders, reachability,
// clipboard, file manager and browser, MPRIS, the sound server, cover art
// decoding and the keyring. It hands the coordinator its environment, its
// credentials and what a reset deletes, and outlives every model made with
// them.
//
// Main actor (the GUI thread) only; build it after the QApplication. The
// constructor throws only when no worker thread can be started.

#include "credentials/credential_helper_client.h"
#include "credentials/credential_store.h"
#include "model/app_coordinator.h"
#include "model/app_environment.h"
#include "model/app_reset_storage.h"
#include "platform/mpris_service.h"
#include "platform/qt_main_actor.h"
#include "platform/qt_pasteboard.h"
#include "platform/qt_preference_domains.h"
#include "platform/qt_workspace.h"
#include "platform/secret/keychain.h"
#include "platform/xdg_app_paths.h"
#include "runtime/thread_executor.h"

#include <QString>

#include <memory>
#include <string>

namespace sorvalind {

struct DesktopOptions {
    // A run on a profile of its own (tests and the demo): the keyring lives
    // in memory, so nothing reaches the user's own.
    bool isolatedProfile = false;
    // Without sound the player plays on a clock and outputs nothing (tests).
    bool silent = false;
    // The bus name of the desktop controls; empty for the usual one.
    QString mprisServiceName;
};

class DesktopEnvironment {
public:
    // More than the four cover-art downloads the artwork cache may run at once.
    static constexpr std::size_t workerThreads = 6;
    static constexpr const char* mprisServiceName = "org.mpris.MediaPlayer2.sorvalind";

    explicit DesktopEnvironment(DesktopOptions options = {});
    ~DesktopEnvironment();
    DesktopEnvironment(const DesktopEnvironment&) = delete;
    DesktopEnvironment& operator=(const DesktopEnvironment&) = delete;

    AppEnvironment environment();
    AppCoordinator::Credentials credentials() const;
    AppResetStorage resetStorage();
    // The coordinator over all three; it must go before this environment.
    std::shared_ptr<AppCoordinator> makeCoordinator();

    Executor& mainActor() noexcept { return mainActor_; }
    MprisService& mpris() noexcept { return mpris_; }
    Preferences& preferences();
    // Whether the desktop controls took their bus name.
    bool hasDesktopControls() const noexcept { return mprisStarted_; }

    // The user's region for catalogue look-ups: the locale's territory, "US"
    // when it names none.
    static std::string regionCode();
    // The keyring the application uses: the desktop's Secret Service, or one
    // in memory for an isolated profile.
    static std::unique_ptr<Keychain> makeKeychain(bool isolatedProfile);
    // The credential helper as this build was configured: in use only when
    // the build switched it on, never by a file of the user's.
    static CredentialHelperGate helperGate();

private:
    DesktopOptions options_;
    QtMainActor mainActor_;
    std::shared_ptr<WorkerPool> workers_;
    // The silent output's clock ticks.
    std::shared_ptr<SerialQueue> ticks_;
    QtPreferenceDomains domains_;
    XdgAppPaths paths_;
    QtPasteboard pasteboard_;
    QtWorkspace workspace_;
    MprisService mpris_;
    bool mprisStarted_ = false;
    std::unique_ptr<Keychain> keychain_;
    std::unique_ptr<CredentialHelperClient> helper_;
    std::shared_ptr<CredentialStore> store_;
};

} // namespace sorvalind
