#pragma once
// The biography the server returns for an artist, and its plain-text form
// for the artist page. A plain value; any thread.

#include "library/json_coding.h"

#include <optional>
#include <string>

namespace sorvalind {

struct ArtistInfo {
    std::optional<std::string> biography;

    // Reads "biography" (missing or null means none); other keys are ignored.
    // Throws DecodingError when the value is not an object or "biography" is
    // not text.
    static ArtistInfo decode(const JSONElement& json);

    // The biography's HTML fragment as plain text, or none when there is no
    // biography or nothing readable is left. Linear in the biography's
    // length. Throws only std::bad_alloc.
    std::optional<std::string> biographyText() const;
};

} // namespace sorvalind
