#pragma once
// The song table's eight columns: key (also the sort key a header click
// asks for), header title, widths and the order a first click sorts in.
// Pure values; any thread.

#include <array>
#include <optional>
#include <string_view>

namespace sorvalind {

enum class SongColumn { title, artist, album, genre, duration, quality, rating, liked };

struct SongColumnSpec {
    SongColumn column;
    std::string_view key;
    std::string_view header;
    int width;
    int minimum;
    std::optional<int> maximum;
    bool firstAscending;
};

inline constexpr std::array<SongColumnSpec, 8> songColumns = {{
    {SongColumn::title, "title", "Title", 270, 160, std::nullopt, true},
    {SongColumn::artist, "artist", "Artist", 165, 95, std::nullopt, true},
    {SongColumn::album, "album", "Album", 170, 100, std::nullopt, true},
    {SongColumn::genre, "genre", "Genre", 120, 80, std::nullopt, true},
    {SongColumn::duration, "duration", "Time", 55, 50, 75, true},
    {SongColumn::quality, "quality", "Quality", 65, 60, 85, true},
    {SongColumn::rating, "rating", "Rating", 65, 52, 85, true},
    {SongColumn::liked, "liked", "Liked", 55, 45, 75, false},
}};

inline const SongColumnSpec& columnSpec(SongColumn column) {
    return songColumns[static_cast<std::size_t>(column)];
}

} // namespace sorvalind
