// Time from `play` (and from a seek) to the first buffer of the song played
// out of the offline output, through the whole controller: the queue save,
// the download records read, source building, the pipeline's resolve, ranged
// reads or the stream, decoding and scheduling, and the event back on the
// main actor. Three kinds of song: a downloaded FLAC, the FLAC original read
// by byte ranges from the loopback server, and a transcoded MP3 stream.
//
// Beside each, the bare sequence of the same I/O: the queue save and the
// download-records read in the store, then opening the song (the header
// block and, for a seek, the target block of the ranged file; the first
// chunk of the MP3 stream) and decoding its first 8192 frames. Medians over
// 20 runs; the goal is at most 1.5 times the bare sequence.
//
// Every run starts from a quiet player, as a user's press does: the saves
// of the run before have ended and its decoding has gone as far ahead as it
// goes before it is timed. The first runs of each kind are not counted (they
// open files, connections and the store's pages). The offline output is
// pulled 8192 frames at a time, one decoder read, as a device asks for a
// period at a time; a smaller pull would time this program's own round
// trips to the engine's notification thread. Between pulls this program
// sleeps until something is posted to the main actor, as the program's
// main loop does: spinning would take a core from the threads it times.
// Figures vary with the machine's load: run it pinned to idle cores.

#include "audio/audio_engine.h"
#include "audio/offline_output.h"
#include "audio/pcm_decoder.h"
#include "audio/range_reader.h"
#include "audio/streaming_body.h"
#include "http/network_security.h"
#include "library/json_coding.h"
#include "loopback/audio/audio_fixtures.h"
#include "loopback/fake_subsonic_server.h"
#include "playback/audio_pipeline.h"
#include "playback/playback_controller.h"
#include "runtime/async_call.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "server/server_configuration.h"
#include "services/in_memory_preferences.h"
#include "store_bench/bench_timing.h"
#include "support/recording_now_playing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace sorvalind;

namespace {

constexpr int runs = 20;
constexpr int warmUpRuns = 3;
constexpr double seekTarget = 10;
// One pull of the offline output.
constexpr std::size_t pullFrames = AudioPipeline::readFrames;
// Time for the run before to decode as far ahead as it goes (15 s of audio).
constexpr auto quiet = std::chrono::milliseconds(60);

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string first;
    in >> first;
    return first.empty() ? "unknown" : first;
}

bool audible(const PCMBuffer& pcm) {
    const auto& left = pcm.channels[0];
    return std::any_of(left.begin(), left.end(), [](float sample) { return sample != 0.0f; });
}

double secondsOf(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Rig {
    loopback::FakeSubsonicServer server;
    std::filesystem::path folder = fixtures::temporaryFolder("playback-start-bench");
    VirtualClock clock;
    ManualExecutor main{clock};
    WorkerPool workers{2, "bench"};
    SerialQueue transfers{"bench-stream"};
    std::unique_ptr<LibraryRepository> repository;
    InMemoryPreferences preferences;
    RecordingNowPlayingCenter nowPlaying;
    RecordingRemoteCommandCenter commands;
    std::shared_ptr<APIClient> api;
    std::shared_ptr<AudioEngine> engine;
    std::shared_ptr<PlaybackController> controller;
    std::filesystem::path flacFile;

    Rig() {
        const fixtures::Tone tone{48000, 2, 16, 48000 * 30};
        flacFile = fixtures::flac(folder, "song", tone);
        const std::string mp3 = fileText(fixtures::mp3(folder, "song", tone, 320));
        for (const char* id : {"local", "ranged", "stream"})
            server.setMedia(id, {fileText(flacFile), "audio/flac", {{320, mp3}}});
        repository = std::make_unique<LibraryRepository>((folder / "Library.sqlite").string(), main);
        api = std::make_shared<APIClient>(ServerConfiguration(server.baseUrl(), "alice", true), "sesame",
                                          main, NetworkSecurity::session());
        engine = std::make_shared<AudioEngine>(std::make_unique<OfflineOutput>());
        controller = PlaybackController::make({main, workers, *repository, preferences, nowPlaying, commands},
                                              AudioPipeline::make(engine, api->session()));
        controller->configure(api);
        controller->setSupportsTranscodeOffset(true);
        DownloadRecord record;
        record.song = song("local");
        record.path = flacFile.string();
        callSync(workers, [&] { repository->saveDownload(record); });
    }

    ~Rig() {
        TaskHandle done = controller->shutdown();
        main.runUntil([&] { return done.isFinished(); });
        controller.reset();
        main.runUntilIdle();
        workers.shutdown();
        main.runUntilIdle();
        std::filesystem::remove_all(folder);
    }

    static Song song(const std::string& id) {
        Song song = Song::make(id, "Song " + id, "Artist");
        song.duration = 30;
        song.suffix = "flac";
        return song;
    }

    // Renders until the song's first buffer of the new run has played.
    void playOut(double after) {
        auto heard = [&] {
            return !controller->buffering().value() && controller->position().value() > after;
        };
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!heard() && std::chrono::steady_clock::now() < bound) {
            main.runUntilIdle();
            if (heard()) break;
            // Only a pull that played something has completions to wait for.
            if (engine->isRunning() && audible(engine->renderOffline(pullFrames)))
                engine->waitForNotifications();
            // As the program's main loop does, sleep until something is
            // posted (the pipeline's report that it scheduled audio), then
            // pull again.
            main.runPosted(std::chrono::milliseconds(1));
        }
        if (!heard()) throw std::runtime_error("the song never played");
    }

    // The saves and the reload have ended and the decoder has run ahead.
    void settle() {
        main.runUntil(
            [&] { return controller->loading().isFinished() && controller->persistence().isFinished(); });
        std::this_thread::sleep_for(quiet);
        main.runUntilIdle();
    }

    double timePlay(const Song& target) {
        settle();
        return secondsOf([&] {
            controller->play({target}, std::nullopt, 0, std::nullopt);
            playOut(0);
        });
    }

    double timeSeek(const Song& target) {
        controller->play({target}, std::nullopt, 0, std::nullopt);
        playOut(0);
        settle();
        return secondsOf([&] {
            controller->seek(seekTarget);
            playOut(seekTarget);
        });
    }

    // The same I/O without the controller and the pipeline.
    double timeBare(const std::string& id, double seconds) {
        QueueState queue;
        queue.replace({song(id)}, std::nullopt, 0);
        const std::string queueText = toJSONText(queue);
        settle();
        return secondsOf([&] {
            callSync(workers, [&] {
                repository->savePlayback(queueText, seconds);
                return repository->downloads();
            });
            std::optional<PCMDecoder> decoder;
            if (id == "local") {
                decoder.emplace(flacFile, 48000);
            } else if (id == "ranged") {
                auto reader = std::make_shared<RangeReader>(api->streamRequest(id, DownloadQuality::original),
                                                            api->session(), workers);
                decoder.emplace(reader, 48000);
            } else {
                auto request = api->offsetStreamRequest(id, seconds, DownloadQuality::mp3_320, std::nullopt);
                auto body = std::make_shared<StreamingBody>(request, api->session(), transfers);
                decoder.emplace(body, nullptr, 48000);
            }
            if (seconds > 0 && id != "stream") decoder->seek(seconds);
            if (!decoder->read(8192)) throw std::runtime_error("no audio");
        });
    }
};

void report(const char* name, const bench::Samples& full, const bench::Samples& bare) {
    const double f = full.median(), b = bare.median();
    std::printf("%-28s %6.2f ms (%.2f-%.2f)   bare %6.2f ms (%.2f-%.2f)   ratio %.2f\n", name, f * 1e3,
                full.quantile(0.25) * 1e3, full.quantile(0.75) * 1e3, b * 1e3, bare.quantile(0.25) * 1e3,
                bare.quantile(0.75) * 1e3, f / b);
}

} // namespace

int main() {
    try {
        Rig rig;
        struct Kind {
            const char* play;
            const char* seek;
            const char* id;
            DownloadQuality quality;
        };
        const std::vector<Kind> kinds = {
            {"play, downloaded FLAC", "seek, downloaded FLAC", "local", DownloadQuality::original},
            {"play, ranged FLAC original", "seek, ranged FLAC original", "ranged", DownloadQuality::original},
            {"play, MP3 stream", "seek, MP3 stream", "stream", DownloadQuality::mp3_320},
        };
        std::printf("time to the first played buffer, median (quartiles) of %d runs after %d warm-up runs\n"
                    "load average %s: for steady figures run on idle cores, e.g. taskset -c 4-7\n",
                    runs, warmUpRuns, loadAverage().c_str());
        for (const Kind& kind : kinds) {
            rig.controller->setStreamingQuality(kind.quality);
            const Song target = Rig::song(kind.id);
            bench::Samples play, seek, barePlay, bareSeek;
            for (int run = 0; run < warmUpRuns; ++run) {
                rig.timePlay(target);
                rig.timeBare(kind.id, 0);
                rig.timeSeek(target);
                rig.timeBare(kind.id, seekTarget);
            }
            for (int run = 0; run < runs; ++run) {
                play.add(rig.timePlay(target));
                barePlay.add(rig.timeBare(kind.id, 0));
                seek.add(rig.timeSeek(target));
                bareSeek.add(rig.timeBare(kind.id, seekTarget));
            }
            report(kind.play, play, barePlay);
            report(kind.seek, seek, bareSeek);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "playback_start_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
