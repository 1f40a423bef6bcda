#include "songs/song_table_row.h"

namespace sorvalind {

std::string SongTableRow::genre() const {
    if (song->genres && !song->genres->empty()) {
        std::string joined;
        for (const ItemGenre& genre : *song->genres) {
            if (!joined.empty()) joined += ", ";
            joined += genre.name;
        }
        return joined;
    }
    return song->genre.value_or("");
}

} // namespace sorvalind
