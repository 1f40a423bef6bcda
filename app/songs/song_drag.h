#pragma once
// The payload of a dragged song row: the song's identifier and the row's
// position in the list the table was given (not its display position), as a
// compact JSON object {"songID": ..., "row": ...}. A drag of several rows
// also carries all of them, in display order, as a JSON array under the
// song-drags type.
//
// Pure values and functions; any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

struct SongDrag {
    std::string songID;
    std::int64_t row = 0;

    // The media type of the several-rows form.
    static constexpr const char* listMimeType = "application/x-sorvalind-song-drags+json";

    std::string encode() const;
    // Both members required with their types, in either order; anything else
    // is none.
    static std::optional<SongDrag> decode(std::string_view json);

    static std::string encodeList(const std::vector<SongDrag>& drags);
    // An array of payloads; none when the text or any element does not decode.
    static std::optional<std::vector<SongDrag>> decodeList(std::string_view json);

    friend bool operator==(const SongDrag&, const SongDrag&) = default;
};

} // namespace sorvalind
