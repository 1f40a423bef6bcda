#include "services/in_memory_preferences.h"
#include "support/recording_now_playing.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

TEST(InMemoryPreferences, KeepsTypedValuesAndAnnouncesEveryChange) {
    InMemoryPreferences preferences;
    std::vector<std::string> changed;
    auto subscription =
        preferences.changes().subscribe([&](const std::string& key) { changed.push_back(key); });

    EXPECT_FALSE(preferences.contains("streamingQuality"));
    EXPECT_EQ(preferences.stringValue("streamingQuality"), std::nullopt);
    preferences.setString("streamingQuality", "mp3_320");
    preferences.setBool("sendListeningEvents", false);
    preferences.setData("server", PreferenceData{0, 255, 7});

    EXPECT_EQ(preferences.stringValue("streamingQuality"), "mp3_320");
    EXPECT_EQ(preferences.boolValue("sendListeningEvents"), false);
    EXPECT_EQ(preferences.dataValue("server"), (PreferenceData{0, 255, 7}));
    // A key of another type reads as missing, but it is there.
    EXPECT_EQ(preferences.boolValue("streamingQuality"), std::nullopt);
    EXPECT_EQ(preferences.stringValue("server"), std::nullopt);
    EXPECT_TRUE(preferences.contains("sendListeningEvents"));

    preferences.setBool("streamingQuality", true); // a new type replaces the old value
    EXPECT_EQ(preferences.boolValue("streamingQuality"), true);
    EXPECT_EQ(preferences.stringValue("streamingQuality"), std::nullopt);

    preferences.remove("server");
    preferences.remove("server"); // nothing left: no announcement
    EXPECT_FALSE(preferences.contains("server"));
    preferences.removeAll();
    EXPECT_FALSE(preferences.contains("sendListeningEvents"));
    EXPECT_FALSE(preferences.contains("streamingQuality"));
    EXPECT_EQ(changed, (std::vector<std::string>{"streamingQuality", "sendListeningEvents", "server",
                                                 "streamingQuality", "server", ""}));
}

TEST(RemoteCommandTargets, DispatchesToEnabledRegisteredHandlersOnly) {
    RecordingRemoteCommandCenter center;
    std::vector<std::string> calls;
    auto record = [&](std::string name, RemoteCommandStatus answer) {
        return [&calls, name, answer](const RemoteCommandEvent& event) {
            calls.push_back(name +
                            (event.positionTime ? "@" + std::to_string(int(*event.positionTime)) : ""));
            return answer;
        };
    };
    EXPECT_EQ(center.send(RemoteCommand::play), RemoteCommandStatus::commandFailed); // nobody listens

    auto first =
        center.addTarget(RemoteCommand::nextTrack, record("next-a", RemoteCommandStatus::commandFailed));
    auto second = center.addTarget(RemoteCommand::nextTrack, record("next-b", RemoteCommandStatus::success));
    center.addTarget(RemoteCommand::changePlaybackPosition, record("seek", RemoteCommandStatus::success));
    EXPECT_NE(first, second);

    EXPECT_EQ(center.send(RemoteCommand::nextTrack), RemoteCommandStatus::success);
    EXPECT_EQ(center.send(RemoteCommand::changePlaybackPosition, 42.0), RemoteCommandStatus::success);
    center.setEnabled(RemoteCommand::nextTrack, false);
    EXPECT_FALSE(center.isEnabled(RemoteCommand::nextTrack));
    EXPECT_EQ(center.send(RemoteCommand::nextTrack), RemoteCommandStatus::commandFailed);
    center.setEnabled(RemoteCommand::nextTrack, true);
    center.removeTarget(second);
    center.removeTarget(second); // twice: ignored
    EXPECT_EQ(center.send(RemoteCommand::nextTrack), RemoteCommandStatus::commandFailed);
    EXPECT_EQ(calls, (std::vector<std::string>{"next-a", "next-b", "seek@42", "next-a"}));
    EXPECT_EQ(center.targetCount(), 2u);
}

TEST(RemoteCommandTargets, AHandlerMayRemoveItselfWhileItRuns) {
    RecordingRemoteCommandCenter center;
    int calls = 0;
    RemoteCommandToken token = 0;
    token = center.addTarget(RemoteCommand::pause, [&](const RemoteCommandEvent&) {
        ++calls;
        center.removeTarget(token);
        return RemoteCommandStatus::success;
    });
    EXPECT_EQ(center.send(RemoteCommand::pause), RemoteCommandStatus::success);
    EXPECT_EQ(center.send(RemoteCommand::pause), RemoteCommandStatus::commandFailed);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(center.hasTarget(RemoteCommand::pause));
}

} // namespace
} // namespace sorvalind
