#include "library/listening_statistics.h"

#include "platform/text/text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace sorvalind {
namespace {

// Play counts come from the server unchecked; a sum past the 64-bit range
// stays at the largest value rather than wrapping to a negative total.
void addSaturating(std::int64_t& sum, std::int64_t value) noexcept {
    constexpr auto maximum = std::numeric_limits<std::int64_t>::max();
    sum = value > maximum - sum ? maximum : sum + value;
}

// Most plays first (an absent count differs from every present one and
// counts as 0), then title, then identifier.
bool songComesFirst(const Song& a, const Song& b) {
    if (a.playCount != b.playCount) return a.playCount.value_or(0) > b.playCount.value_or(0);
    const auto byTitle = text::compareCanonical(a.title, b.title);
    if (byTitle != 0) return byTitle < 0;
    return text::canonicalLess(a.id, b.id);
}

bool rankingComesFirst(const ListeningStatistics::Ranking& a, const ListeningStatistics::Ranking& b) {
    if (a.plays != b.plays) return a.plays > b.plays;
    const auto byName = text::compareCanonical(a.name, b.name);
    if (byName != 0) return byName < 0;
    return text::canonicalLess(a.id, b.id);
}

std::vector<ListeningStatistics::Ranking>
best(const std::unordered_map<std::string, ListeningStatistics::Ranking>& rankings, std::size_t limit) {
    std::vector<ListeningStatistics::Ranking> sorted;
    sorted.reserve(rankings.size());
    for (const auto& [key, ranking] : rankings)
        sorted.push_back(ranking);
    std::sort(sorted.begin(), sorted.end(), rankingComesFirst);
    if (sorted.size() > limit) sorted.resize(limit);
    return sorted;
}

// The credited artists, or one made from the artist text.
std::vector<Artist> creditedArtists(const Song& song) {
    if (song.artists && !song.artists->empty()) return *song.artists;
    if (song.artist) return {Artist::make(song.artistId.value_or(""), *song.artist)};
    return {};
}

std::string albumSubtitle(const Song& song) {
    if (song.displayAlbumArtist && !song.displayAlbumArtist->empty()) return *song.displayAlbumArtist;
    if (song.albumArtists && !song.albumArtists->empty()) {
        std::string joined;
        for (std::size_t i = 0; i < song.albumArtists->size(); ++i) {
            if (i > 0) joined += ", ";
            joined += (*song.albumArtists)[i].name;
        }
        return joined;
    }
    return song.artistNames();
}

} // namespace

ListeningStatistics::Ranking::Ranking(std::string id, std::string name, std::optional<std::string> subtitle,
                                      std::optional<std::string> coverArt, std::int64_t plays, Action action)
    : id(std::move(id)), name(std::move(name)), subtitle(std::move(subtitle)), coverArt(std::move(coverArt)),
      plays(plays), action(std::move(action)) {}

ListeningStatistics::Ranking::Ranking(const Song& song)
    : id(song.id), name(song.title), subtitle(song.artistNames()), coverArt(song.coverArt),
      plays(std::max<std::int64_t>(song.playCount.value_or(0), 0)), action(Action::song(song)) {}

void ListeningStatistics::Accumulator::add(const Song& song) {
    if (song.isVideo.value_or(false)) return;
    result_.librarySongs += 1;
    if (!song.playCount) return;
    result_.songsWithPlayCounts += 1;
    const std::int64_t plays = *song.playCount;
    if (plays < 1) return;

    addSaturating(result_.totalPlays, plays);
    result_.uniqueSongs += 1;
    if (song.duration && std::isfinite(*song.duration) && *song.duration > 0) {
        // A huge count times a long duration can leave the double range; the
        // estimate then stays at the largest finite value, like the counts.
        result_.estimatedSeconds =
            std::min(result_.estimatedSeconds + static_cast<double>(plays) * *song.duration,
                     std::numeric_limits<double>::max());
        addSaturating(result_.playsWithDuration, plays);
    }

    result_.topSongs.push_back(song);
    std::stable_sort(result_.topSongs.begin(), result_.topSongs.end(), songComesFirst);
    if (result_.topSongs.size() > limit) result_.topSongs.pop_back();

    addArtists(song, plays);
    addAlbum(song, plays);
}

void ListeningStatistics::Accumulator::addArtists(const Song& song, std::int64_t plays) {
    std::unordered_set<std::string> seen;
    for (const Artist& artist : creditedArtists(song)) {
        if (text::isBlank(artist.name)) continue;
        std::string key = artist.id.empty() ? "name:" + text::toLower(artist.name) : "id:" + artist.id;
        if (!seen.insert(key).second) continue;
        if (auto existing = artists_.find(key); existing != artists_.end()) {
            addSaturating(existing->second.plays, plays);
            continue;
        }
        Action action = artist.id.empty() ? Action::search(artist.name) : Action::artist(artist);
        artists_.emplace(key, Ranking(key, artist.name, std::nullopt,
                                      artist.coverArt ? artist.coverArt : song.coverArt, plays,
                                      std::move(action)));
    }
}

void ListeningStatistics::Accumulator::addAlbum(const Song& song, std::int64_t plays) {
    if (!song.album || text::isBlank(*song.album)) return;
    const std::string& album = *song.album;
    const bool hasId = song.albumId && !song.albumId->empty();
    std::string subtitle = albumSubtitle(song);
    std::string key =
        hasId ? "id:" + *song.albumId : "name:" + text::toLower(album) + "|" + text::toLower(subtitle);
    if (auto existing = albums_.find(key); existing != albums_.end()) {
        addSaturating(existing->second.plays, plays);
        return;
    }
    Action action = hasId ? Action::album(*song.albumId, album) : Action::search(album);
    albums_.emplace(key, Ranking(key, album, std::move(subtitle), song.coverArt, plays, std::move(action)));
}

ListeningStatistics ListeningStatistics::Accumulator::finish() const {
    ListeningStatistics finished = result_;
    finished.topArtists = best(artists_, limit);
    finished.topAlbums = best(albums_, limit);
    return finished;
}

} // namespace sorvalind

std::size_t std::hash<sorvalind::ListeningStatistics::Action>::operator()(
    const sorvalind::ListeningStatistics::Action& action) const noexcept {
    using Action = sorvalind::ListeningStatistics::Action;
    const std::size_t payload = std::visit(
        [](const auto& target) -> std::size_t {
            using T = std::decay_t<decltype(target)>;
            if constexpr (std::is_same_v<T, Action::SongTarget>)
                return std::hash<sorvalind::Song>{}(target.song);
            else if constexpr (std::is_same_v<T, Action::SearchTarget>)
                return std::hash<std::string>{}(target.text);
            else
                return std::hash<T>{}(target);
        },
        action.target);
    return payload * 4 + action.target.index();
}
