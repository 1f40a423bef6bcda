#include "library/search_page.h"

#include "library/json_fields.h"

namespace sorvalind {
namespace {

using json_fields::field;

constexpr auto kSearchPageFields =
    std::make_tuple(field("artist", &SearchPage::artist), field("album", &SearchPage::album),
                    field("song", &SearchPage::song));

template <class T> bool emptyList(const std::optional<std::vector<T>>& list) noexcept {
    return !list || list->empty();
}

} // namespace

SearchPage SearchPage::make(std::vector<Artist> artist, std::vector<Album> album, std::vector<Song> song) {
    return SearchPage{std::move(artist), std::move(album), std::move(song)};
}

bool SearchPage::isEmpty() const noexcept {
    return emptyList(artist) && emptyList(album) && emptyList(song);
}

SearchPage SearchPage::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kSearchPageFields);
}

nlohmann::json SearchPage::encode() const {
    return json_fields::encodeObject(*this, kSearchPageFields);
}

} // namespace sorvalind
