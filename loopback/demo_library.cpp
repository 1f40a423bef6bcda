#include "loopback/demo_library.h"

#include "loopback/audio/audio_fixtures.h"
#include "loopback/png_image.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <sstream>
#include <vector>

namespace sorvalind::loopback {

namespace {

constexpr std::uint32_t seed = 20260101;
constexpr int sampleRate = 44100;

struct ArtistText {
    const char* name;
    bool cover;
};
constexpr std::array<ArtistText, 3> artistTexts{{
    {"Ada & the Lanterns", true},
    {"<b>Bold</b> Harbour", false},
    {"Mira Sol", true},
}};

struct AlbumText {
    const char* name;
    // A cover at all, and a very light one (the banner's contrast case).
    bool cover;
    bool light;
    std::array<const char*, 3> songs;
};
constexpr std::array<AlbumText, 6> albumTexts{{
    {"Lights & Shadows", true, false, {"Lanterns On", "Salt & Cedar", "Small Hours"}},
    {"Paper Boats", true, false, {"Fold", "Drift", "Harbour Lights"}},
    {"<b>Loud</b> Quiet", true, false, {"<i>Whisper</i>", "Echo & Sway", "Low Tide"}},
    {"Tide Tables", false, false, {"High Water", "Slack", "Ebb"}},
    {"Whitewash", true, true, {"Chalk", "Paper Snow", "Linen"}},
    {"Night Trains", true, false, {"Platform 4", "Sleepers", "Terminus"}},
}};

// Plucked notes of a pentatonic scale, each decaying, as 16-bit stereo PCM.
std::string pluckedPcm(std::mt19937& random, int seconds) {
    constexpr std::array<double, 6> scale{0, 2, 4, 7, 9, 12};
    std::uniform_int_distribution<int> pickNote(0, 5);
    std::uniform_int_distribution<int> pickOctave(0, 1);
    std::uniform_int_distribution<int> pickLength(2, 4);
    const double root = 196.0 * std::pow(2.0, std::uniform_int_distribution<int>(0, 7)(random) / 12.0);
    const std::size_t frames = static_cast<std::size_t>(seconds) * sampleRate;
    std::vector<double> mix(frames * 2, 0.0);
    std::size_t start = 0;
    while (start < frames) {
        const double frequency =
            root *
            std::pow(2.0,
                     (scale[static_cast<std::size_t>(pickNote(random))] + 12.0 * pickOctave(random)) / 12.0);
        const std::size_t length = static_cast<std::size_t>(pickLength(random)) * sampleRate / 8;
        const double pan = 0.3 + 0.4 * std::uniform_real_distribution<double>(0, 1)(random);
        for (std::size_t i = 0; i < length * 3 && start + i < frames; ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            const double tone = std::sin(2 * std::numbers::pi * frequency * t) +
                                0.3 * std::sin(4 * std::numbers::pi * frequency * t);
            const double value = 0.25 * tone * std::exp(-3.0 * t);
            mix[(start + i) * 2] += value * (1 - pan);
            mix[(start + i) * 2 + 1] += value * pan;
        }
        start += length;
    }
    std::string pcm;
    pcm.reserve(mix.size() * 2);
    for (std::size_t i = 0; i < mix.size(); ++i) {
        // A short fade at both ends so that no song starts or ends with a click.
        const std::size_t frame = i / 2;
        const double fade =
            std::min({1.0, static_cast<double>(frame) / 441.0, static_cast<double>(frames - frame) / 4410.0});
        const auto sample = static_cast<std::int16_t>(std::clamp(mix[i] * fade, -1.0, 1.0) * 32000);
        pcm.push_back(static_cast<char>(sample & 0xFF));
        pcm.push_back(static_cast<char>((sample >> 8) & 0xFF));
    }
    return pcm;
}

void littleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void writeWav(const std::filesystem::path& file, const std::string& pcm) {
    std::string header = "RIFF";
    littleEndian(header, static_cast<std::uint32_t>(36 + pcm.size()), 4);
    header += "WAVEfmt ";
    littleEndian(header, 16, 4);
    littleEndian(header, 1, 2); // PCM
    littleEndian(header, 2, 2);
    littleEndian(header, sampleRate, 4);
    littleEndian(header, sampleRate * 4, 4);
    littleEndian(header, 4, 2);
    littleEndian(header, 16, 2);
    header += "data";
    littleEndian(header, static_cast<std::uint32_t>(pcm.size()), 4);
    std::ofstream out(file, std::ios::binary);
    out << header << pcm;
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return bytes.str();
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

Rgb randomColour(std::mt19937& random, int low, int high) {
    std::uniform_int_distribution<int> channel(low, high);
    return {static_cast<std::uint8_t>(channel(random)), static_cast<std::uint8_t>(channel(random)),
            static_cast<std::uint8_t>(channel(random))};
}

} // namespace

std::unique_ptr<FakeSubsonicServer> startDemoServer(const std::filesystem::path& scratch) {
    FakeSubsonicServer::Options options;
    options.user = DemoLogin::user;
    options.password = DemoLogin::password;
    options.library = {.artists = static_cast<int>(artistTexts.size()),
                       .albumsPerArtist = 2,
                       .songsPerAlbum = 3,
                       .playlists = 1,
                       .songsPerPlaylist = 4};
    auto server = std::make_unique<FakeSubsonicServer>(options);
    std::mt19937 random(seed);

    struct Made {
        std::string id;
        FakeMedia media;
        int seconds;
    };
    std::vector<Made> made;
    std::vector<std::pair<std::string, std::string>> covers;
    server->withLibrary([&](FakeLibrary& library) {
        for (std::size_t a = 0; a < library.artists.size(); ++a) {
            nlohmann::json& artist = library.artists[a];
            artist["name"] = artistTexts[a].name;
            if (artistTexts[a].cover)
                covers.emplace_back(artist["coverArt"], blendedPng(240, randomColour(random, 40, 200),
                                                                   randomColour(random, 20, 120)));
            else
                artist.erase("coverArt");
        }
        for (std::size_t b = 0; b < library.albums.size(); ++b) {
            nlohmann::json& album = library.albums[b];
            const AlbumText& text = albumTexts[b];
            const std::string albumId = album["id"];
            const std::string artistName = artistTexts[b / 2].name;
            album["name"] = text.name;
            album["artist"] = artistName;
            if (!text.cover)
                album.erase("coverArt");
            else if (text.light)
                covers.emplace_back(albumId, blendedPng(300, {250, 250, 246}, {238, 240, 236}));
            else
                covers.emplace_back(
                    albumId, blendedPng(300, randomColour(random, 60, 230), randomColour(random, 10, 110)));
            int albumSeconds = 0;
            int track = 0;
            for (nlohmann::json& song : library.songs) {
                if (song["albumId"] != albumId) continue;
                const int seconds = std::uniform_int_distribution<int>(7, 14)(random);
                albumSeconds += seconds;
                const std::string id = song["id"];
                const auto wav = scratch / (id + ".wav");
                writeWav(wav, pluckedPcm(random, seconds));
                const auto flac = scratch / (id + ".flac");
                const auto mp3 = scratch / (id + ".mp3");
                fixtures::run("flac -s -f -o " + quoted(flac) + " " + quoted(wav));
                fixtures::run("lame --quiet -b 192 " + quoted(wav) + " " + quoted(mp3));
                std::filesystem::remove(wav);
                FakeMedia media;
                media.original = readFile(flac);
                media.mp3[192] = readFile(mp3);
                song["title"] = text.songs[static_cast<std::size_t>(track++)];
                song["album"] = text.name;
                song["artist"] = artistName;
                song["duration"] = seconds;
                song["size"] = media.original.size();
                song["bitRate"] = static_cast<int>(media.original.size() * 8 / 1000 / seconds);
                song["path"] = artistName + "/" + std::string(text.name) + "/" + id + ".flac";
                if (!text.cover) song.erase("coverArt");
                made.push_back({id, std::move(media), seconds});
            }
            album["duration"] = albumSeconds;
        }
        // Playlists hold copies of their songs: make them again from the new records.
        for (auto& [id, playlist] : library.playlists) {
            std::vector<std::string> songIds;
            for (const auto& entry : playlist["entry"])
                songIds.push_back(entry["id"]);
            library.createPlaylist(id, "Evening & Morning", songIds);
        }
    });
    for (auto& song : made)
        server->setMedia(song.id, std::move(song.media));
    for (auto& [id, bytes] : covers)
        server->setCoverArt(id, std::move(bytes), "image/png");
    return server;
}

} // namespace sorvalind::loopback
