#include "controller_fixture.h"

#include "playback_test_support.h"

#include <map>
#include <mutex>

namespace sorvalind::testing {

namespace {

struct ServedAudio {
    std::string flac;
    std::string mp3;
};

// Generated once per length for the whole program.
const ServedAudio& servedAudio(double seconds) {
    static std::mutex mutex;
    static std::map<double, ServedAudio> made;
    std::lock_guard lock(mutex);
    auto found = made.find(seconds);
    if (found != made.end()) return found->second;
    const fixtures::Tone tone{48000, 2, 16, static_cast<std::int64_t>(seconds * 48000)};
    const std::string name = "served" + std::to_string(static_cast<long long>(seconds * 1000));
    ServedAudio audio{fileText(fixtures::flac(audioFolder(), name, tone)),
                      fileText(fixtures::mp3(audioFolder(), name, tone, 128))};
    return made.emplace(seconds, std::move(audio)).first->second;
}

} // namespace

ControllerTest::ControllerTest() {
    repository = std::make_unique<LibraryRepository>((dir.path() / "Library.sqlite").string(), main);
    api = std::make_shared<APIClient>(ServerConfiguration(server.baseUrl(), "alice", true), "sesame", main,
                                      NetworkSecurity::session());
    auto offline = std::make_unique<OfflineOutput>();
    output = offline.get();
    engine = std::make_shared<AudioEngine>(std::move(offline));
    pipeline = AudioPipeline::make(engine, api->session());
    controller = makeController();
    controller->configure(api);
}

ControllerTest::~ControllerTest() {
    if (controller) shutDown(controller);
    controller.reset();
    pipeline.reset();
    main.runUntilIdle();
    workers.shutdown();
    main.runUntilIdle();
}

std::shared_ptr<PlaybackController> ControllerTest::makeController() {
    // A fixed shuffle: always the first candidate, so orders are known.
    return PlaybackController::make({main, workers, *repository, preferences, nowPlaying, commands,
                                     [](std::size_t) { return std::size_t{0}; }},
                                    pipeline);
}

void ControllerTest::shutDown(const std::shared_ptr<PlaybackController>& target) {
    TaskHandle done = target->shutdown();
    test::driveUntil(main, [&] { return done.isFinished(); });
}

void ControllerTest::settle() {
    test::driveUntil(
        main, [&] { return controller->loading().isFinished() && controller->persistence().isFinished(); });
}

void ControllerTest::playUntil(const std::function<bool()>& done) {
    // A bound against a hang only: about ten minutes of audio.
    for (int round = 0; round < 6000; ++round) {
        main.runUntilIdle();
        if (done()) return;
        if (engine->isRunning()) {
            engine->renderOffline(4800);
            engine->waitForNotifications();
        }
        main.runUntil(done, std::chrono::milliseconds(2));
        if (done()) return;
    }
    FAIL() << "playUntil: the awaited state never came";
}

Song ControllerTest::servedSong(const std::string& id, double seconds, std::string suffix) {
    const ServedAudio& audio = servedAudio(seconds);
    server.setMedia(id, loopback::FakeMedia{audio.flac, "audio/flac", {{128, audio.mp3}}});
    Song song = Song::make(id, "Song " + id, "Artist");
    song.duration = seconds;
    song.suffix = std::move(suffix);
    song.bitRate = 128;
    return song;
}

Song ControllerTest::plainSong(const std::string& id, std::optional<double> duration) {
    Song song = Song::make(id, "Song " + id, "Artist");
    song.duration = duration;
    return song;
}

void ControllerTest::record(const Song& song, DownloadQuality quality, const std::filesystem::path& path) {
    DownloadRecord record;
    record.song = song;
    record.quality = quality;
    record.path = path.string();
    onStore([&] { repository->saveDownload(record); });
}

std::vector<std::string> ControllerTest::songIDs(const std::vector<QueueEntry>& entries) const {
    std::vector<std::string> ids;
    for (const auto& entry : entries)
        ids.push_back(entry.song.id);
    return ids;
}

std::string ControllerTest::currentID() const {
    const auto& current = controller->queue().value().current;
    return current ? current->song.id : std::string();
}

} // namespace sorvalind::testing
