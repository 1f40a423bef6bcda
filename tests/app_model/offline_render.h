#pragma once
// Plays a model wired to the real playback controller on the offline output:
// renders the engine by hand between runs of the main actor.

#include "audio/offline_output.h"
#include "http/network_security.h"
#include "model/app_model.h"
#include "model/controller_playback.h"
#include "runtime/manual_executor.h"

#include <chrono>
#include <functional>

namespace sorvalind::test {

// Real playback controllers on the offline output, streaming over fresh sessions.
inline AppEnvironment::PlaybackFactory offlinePlaybackFactory(Executor& main, Executor& workers,
                                                              NowPlayingCenter& nowPlaying,
                                                              RemoteCommandCenter& commands) {
    return makeControllerPlaybackFactory({
        .mainActor = main,
        .workers = workers,
        .makeOutput = [] { return std::make_unique<OfflineOutput>(); },
        .makeSession = [] { return NetworkSecurity::session(); },
        .nowPlaying = nowPlaying,
        .remoteCommands = commands,
    });
}

// Renders until `done`; false when it does not hold within the bound (a hang
// guard, not a timing check).
inline bool renderUntil(ManualExecutor& main, AppModel& model, const std::function<bool()>& done) {
    AudioEngine& engine = dynamic_cast<ControllerPlayback&>(model.playback()).engine();
    for (int round = 0; round < 6000 && !done(); ++round) {
        main.runUntilIdle();
        if (engine.isRunning()) {
            engine.renderOffline(4800);
            engine.waitForNotifications();
        }
        main.runUntil(done, std::chrono::milliseconds(2));
    }
    return done();
}

} // namespace sorvalind::test
