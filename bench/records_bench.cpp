// Decoding and re-encoding one library page of 500 fully populated songs, the
// unit the synchronisation ingests, against the floor of parsing and writing
// the same text as plain JSON with no record shape checked.
#include "library/search_page.h"
#include "support/full_song.h"

#include "best_time.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using namespace sorvalind;

std::string pageText(int count) {
    SearchPage page = SearchPage::make({}, {}, {});
    for (int i = 0; i < count; ++i)
        page.song->push_back(test::fullSong(i));
    return toJSONText(page);
}

template <class Work> double secondsPerPage(Work work) {
    return bench::bestSecondsPerCall(7, 10, work);
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
