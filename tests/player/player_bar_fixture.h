#pragma once
// A player bar over a real model whose shown state the tests set directly,
// with every control's call recorded instead of reaching the controller.

#include "songs/player_bar.h"

#include "support/widgets/gui_model_world.h"

#include "model/app_model.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace sorvalind::test {

struct RecordedCalls {
    std::vector<std::string> calls;
    std::vector<double> seeks;
    std::vector<double> volumes;
    std::vector<std::string> albums;
    std::vector<bool> queue;
};

inline PlayerBarActions recordingActions(RecordedCalls& calls) {
    PlayerBarActions actions;
    auto named = [&calls](std::string name) { return [&calls, name] { calls.calls.push_back(name); }; };
    actions.toggleShuffle = named("toggleShuffle");
    actions.previous = named("previous");
    actions.toggle = named("toggle");
    actions.next = named("next");
    actions.cycleRepeat = named("cycleRepeat");
    actions.seek = [&calls](double seconds) { calls.seeks.push_back(seconds); };
    actions.setVolume = [&calls](double volume) { calls.volumes.push_back(volume); };
    actions.showAlbum = [&calls](const Song& song) { calls.albums.push_back(song.id); };
    actions.favorite = [&calls](const Song& song) { calls.calls.push_back("favorite " + song.id); };
    actions.showDetails = [&calls](const Song& song) { calls.calls.push_back("details " + song.id); };
    actions.setQueuePresented = [&calls](bool presented) { calls.queue.push_back(presented); };
    return actions;
}

// A song playing one minute into five.
inline PlayerBarState playingState(std::optional<std::string> albumId = std::string("al-1")) {
    PlayerBarState state;
    Song song = Song::make("s-1", "Northern Lights", std::string("Aurora Trio"), albumId);
    song.duration = 300;
    state.current = song;
    state.artists = {Artist::make("ar-1", "Aurora Trio")};
    state.isPlaying = true;
    state.position = 60;
    state.duration = 300;
    state.canGoNext = true;
    state.volume = 0.5;
    return state;
}

class PlayerBarTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        world_ = new GuiModelWorld;
        ASSERT_TRUE(world_->launch());
        ASSERT_TRUE(world_->connect());
    }
    static void TearDownTestSuite() {
        delete world_;
        world_ = nullptr;
    }

    std::unique_ptr<PlayerBar> makeBar(int width = 1000) {
        auto bar = std::make_unique<PlayerBar>(world_->current(), recordingActions(calls_));
        bar->resize(width, bar->sizeHint().height());
        bar->show();
        return bar;
    }

    static GuiModelWorld* world_;
    RecordedCalls calls_;
};

inline GuiModelWorld* PlayerBarTest::world_ = nullptr;

} // namespace sorvalind::test
