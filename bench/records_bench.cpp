// Decoding and re-encoding one library page of 500 fully populated songs, the
// unit the synchronisation ingests, against the floor of parsing and writing
// the same text as plain JSON with no record shape checked.
#include "library/search_page.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using namespace sorvalind;

std::string pageText(int count) {
    SearchPage page = SearchPage::make({}, {}, {});
    for (int i = 0; i < count; ++i) {
        std::string n = std::to_string(i);
        Song song = Song::make("song-" + n, "Title number " + n, "Artist " + n, "album-" + n);
        song.album = "Album " + n;
        song.artistId = "artist-" + n;
        song.artists =
            std::vector{Artist::make("artist-" + n, "Artist " + n), Artist::make("guest", "Guest")};
        song.albumArtists = std::vector{Artist::make("artist-" + n, "Artist " + n)};
        song.contributors =
            std::vector{Contributor::make("composer", "lyrics", Artist::make("c-" + n, "C " + n))};
        song.displayComposer = "C " + n;
        song.displayAlbumArtist = "Artist " + n;
        song.genres = std::vector{ItemGenre{"Rock"}, ItemGenre{"Live"}};
        song.genre = "Rock";
        song.coverArt = "mf-" + n;
        song.duration = 180.5 + i;
        song.track = i % 20 + 1;
        song.discNumber = 1;
        song.year = 1990 + i % 30;
        song.suffix = "flac";
        song.contentType = "audio/flac";
        song.size = 30'000'000 + i;
        song.bitRate = 880;
        song.samplingRate = 44100;
        song.bitDepth = 16;
        song.channelCount = 2;
        song.path = "Artist " + n + "/Album " + n + "/" + n + ".flac";
        song.comment = "a comment";
        song.bpm = 120;
        song.starred = "2023-03-27T09:45:27Z";
        song.userRating = i % 6;
        song.playCount = i;
        song.played = "2023-03-26T22:27:46Z";
        song.created = "2023-03-14T17:51:22.112827504Z";
        song.isVideo = false;
        page.song->push_back(std::move(song));
    }
    return toJSONText(page);
}

// Best of several rounds, in seconds per page.
template <class Work> double secondsPerPage(Work work) {
    double best = 1e9;
    for (int round = 0; round < 7; ++round) {
        constexpr int repeats = 10;
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < repeats; ++i)
            work();
        std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / repeats);
    }
    return best;
}

} // namespace

int main() {
    constexpr int songs = 500;
    const std::string text = pageText(songs);

    double records = secondsPerPage([&] {
        SearchPage page = fromJSONText<SearchPage>(text);
        std::string again = toJSONText(page);
        benchmark::DoNotOptimize(again.data());
    });
    double floor = secondsPerPage([&] {
        std::string again = nlohmann::json::parse(text).dump();
        benchmark::DoNotOptimize(again.data());
    });

    std::printf("page of %d songs, %zu bytes of JSON\n", songs, text.size());
    std::printf("records decode+encode: %.0f songs/s (%.3f ms per page)\n", songs / records, records * 1e3);
    std::printf("floor, plain JSON parse+dump: %.0f songs/s (%.3f ms per page)\n", songs / floor,
                floor * 1e3);
    std::printf("ratio records/floor: %.2f\n", records / floor);
    return 0;
}
