// Writes the fuzz targets' seed inputs: small files of every format each
// target reads, made by the tests' audio generator, and one small answer of
// each kind the server gives or the store keeps.
#include "loopback/audio/audio_fixtures.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    using sorvalind::fixtures::Tone;
    namespace fx = sorvalind::fixtures;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    av_log_set_level(AV_LOG_QUIET);
    const fs::path root = argv[1];
    const fs::path scratch = fx::temporaryFolder("sorvalind-fuzz-seeds");
    auto keep = [&](const fs::path& made, const std::string& target, const std::string& name) {
        fs::create_directories(root / target);
        fs::copy_file(made, root / target / name, fs::copy_options::overwrite_existing);
    };
    keep(fx::flac(scratch, "a", Tone{48000, 2, 16, 4800}), "flac", "stereo16.flac");
    keep(fx::flac(scratch, "b", Tone{44100, 1, 24, 3000}), "flac", "mono24.flac");
    keep(fx::flac(scratch, "c", Tone{96000, 6, 16, 2000}), "flac", "six16.flac");
    // The stream target reads a first byte as its chunk size.
    for (auto [name, tone, kilobits] : {std::tuple{"stereo.mp3", Tone{48000, 2, 16, 6000}, 128},
                                        std::tuple{"mono.mp3", Tone{22050, 1, 16, 3000}, 32}}) {
        fs::path made = fx::mp3(scratch, "d", tone, kilobits);
        fs::create_directories(root / "mp3_stream");
        std::ifstream in(made, std::ios::binary);
        std::ofstream out(root / "mp3_stream" / name, std::ios::binary);
        out.put(static_cast<char>(7));
        out << in.rdbuf();
        keep(made, "audio_file", name);
    }
    keep(fx::wav(scratch, "e", Tone{48000, 2, 24, 2000}), "audio_file", "stereo24.wav");
    keep(fx::wav(scratch, "f", Tone{8000, 3, 16, 800}), "audio_file", "three16.wav");
    keep(fx::m4a(scratch, "g", Tone{44100, 2, 16, 5000}), "audio_file", "aac.m4a");
    keep(fx::mp2(scratch, "h", Tone{48000, 2, 16, 5000}), "audio_file", "layer2.mp2");
    fs::remove_all(scratch);

    const std::string song = R"({"id":"s1","parent":"al1","isDir":false,"title":"Song","album":"Album",)"
                             R"("artist":"Artist","track":1,"discNumber":1,"year":2020,"genre":"Rock",)"
                             R"("coverArt":"al-1","size":1000,"contentType":"audio/flac","suffix":"flac",)"
                             R"("duration":180,"bitRate":900,"samplingRate":44100,"bitDepth":16,)"
                             R"("path":"Artist/Album/01.flac","albumId":"al1","artistId":"ar1",)"
                             R"("starred":"2024-01-02T03:04:05Z","userRating":3,"playCount":2,)"
                             R"("genres":[{"name":"Rock"}],"artists":[{"id":"ar1","name":"Artist"}],)"
                             R"("replayGain":{"trackGain":-6.5}})";
    const std::string album = R"({"id":"al1","name":"Album","artist":"Artist","artistId":"ar1",)"
                              R"("coverArt":"al-1","songCount":1,"duration":180,"year":2020,)"
                              R"("genre":"Rock","created":"2024-01-02T03:04:05.123Z"})";
    const std::string artist =
        R"({"id":"ar1","name":"Artist","albumCount":1,"coverArt":"ar-1","starred":"2024-01-02T03:04:05Z"})";
    auto envelope = [](const std::string& key, const std::string& value) {
        return R"({"subsonic-response":{"status":"ok","version":"1.16.1","type":"navidrome",)"
               R"("openSubsonic":true,")" +
               key + "\":" + value + "}}";
    };
    const std::pair<const char*, std::string> answers[] = {
        {"ping.json", R"({"subsonic-response":{"status":"ok","version":"1.16.1"}})"},
        {"failed.json", R"({"subsonic-response":{"status":"failed","error":{"code":70,"message":"x"}}})"},
        {"extensions.json", envelope("openSubsonicExtensions",
                                     R"([{"name":"formPost","versions":[1]},{"name":"x","versions":[]}])")},
        {"search.json", envelope("searchResult3", R"({"artist":[)" + artist + R"(],"album":[)" + album +
                                                      R"(],"song":[)" + song + "]}")},
        {"playlists.json", envelope("playlists", R"({"playlist":[{"id":"p1","name":"List","songCount":1,)"
                                                 R"("duration":180,"owner":"fuzz","public":false,)"
                                                 R"("changed":"2024-01-02T03:04:05Z"}]})")},
        {"playlist.json",
         envelope("playlist", R"({"id":"p1","name":"List","songCount":1,"entry":[)" + song + "]}")},
        {"song.json", envelope("song", song)},
        {"artistinfo.json", envelope("artistInfo2", R"({"biography":"<p>About &amp; more</p>",)"
                                                    R"("lastFmUrl":"https://example.org/a",)"
                                                    R"("musicBrainzId":"0","similarArtist":[)" +
                                                        artist + "]}")},
        {"user.json", envelope("user", R"({"username":"fuzz","shareRole":true})")},
        {"share.json", envelope("shares", R"({"share":[{"id":"sh1","url":"https://example.org/share/sh1",)"
                                          R"("entry":[)" +
                                              song + "]}]}")},
        {"queue.json", R"({"current":{"id":"E1","song":)" + song +
                           R"(},"manual":[],"context":[{"id":"E2","song":)" + song +
                           R"(}],"history":[],"originalOrder":["E2"],"repeatMode":"all","shuffle":false})"},
        {"jobs.json", R"([{"song":)" + song +
                          R"(,"quality":"original","progress":0.5,"status":"Paused","receivedBytes":500,)"
                          R"("expectedBytes":1000,"resumeAutomatically":true}])"},
    };
    fs::create_directories(root / "server_answer");
    for (const auto& [name, text] : answers)
        std::ofstream(root / "server_answer" / name, std::ios::binary) << text;
    return 0;
}
