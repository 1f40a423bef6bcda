#include "library/song_details.h"

#include "library/clock_text.h"
#include "platform/text/byte_count.h"
#include "platform/text/locale_number.h"
#include "platform/text/text.h"
#include "runtime/decimal_text.h"

#include <algorithm>

namespace sorvalind {
namespace {

bool hasText(const std::optional<std::string>& value) {
    return value && !value->empty();
}
bool hasVisibleText(const std::optional<std::string>& value) {
    return value && !text::isBlank(*value);
}

// A row for a count that means nothing below 1 (a year, a track, a tempo).
void addNumberRow(std::vector<SongDetailField>& fields, const char* label,
                  const std::optional<std::int64_t>& value, const char* unit = "") {
    if (value && *value >= 1) fields.push_back({label, decimalText(*value) + unit, std::nullopt});
}

// One row per distinct named artist, linked when the artist has an identifier.
void addPeopleRows(std::vector<SongDetailField>& fields, const std::string& label,
                   const std::vector<Artist>& people) {
    std::vector<const Artist*> shown;
    for (const Artist& artist : people) {
        if (artist.name.empty()) continue;
        bool repeated = false;
        for (const Artist* earlier : shown)
            repeated = repeated || *earlier == artist;
        if (repeated) continue;
        shown.push_back(&artist);
        std::optional<SongDetailDestination> destination;
        if (!artist.id.empty()) destination = SongDetailDestination::artist(artist);
        fields.push_back({label, artist.name, std::move(destination)});
    }
}

std::vector<SongDetailField> songRows(const Song& song) {
    std::vector<SongDetailField> fields;
    if (hasText(song.album)) {
        std::optional<SongDetailDestination> destination;
        if (hasText(song.albumId)) destination = SongDetailDestination::album(*song.albumId, *song.album);
        fields.push_back({"Album", *song.album, std::move(destination)});
    }
    if (song.duration && *song.duration > 0)
        fields.push_back({"Duration", clockText(*song.duration), std::nullopt});
    addNumberRow(fields, "Year", song.year);
    addNumberRow(fields, "Track", song.track);
    addNumberRow(fields, "Disc", song.discNumber);
    addNumberRow(fields, "Tempo", song.bpm, " BPM");

    std::vector<std::string> genres;
    if (song.genres && !song.genres->empty()) {
        for (const ItemGenre& genre : *song.genres)
            genres.push_back(genre.name);
    } else if (song.genre) {
        genres.push_back(*song.genre);
    }
    std::vector<std::string> shownGenres;
    for (const std::string& genre : genres) {
        if (genre.empty() || std::find(shownGenres.begin(), shownGenres.end(), genre) != shownGenres.end())
            continue;
        shownGenres.push_back(genre);
        fields.push_back({"Genre", genre, SongDetailDestination::genre(genre)});
    }

    if (song.playCount) fields.push_back({"Play count", decimalText(*song.playCount), std::nullopt});
    if (hasVisibleText(song.comment)) fields.push_back({"Comment", *song.comment, std::nullopt});
    return fields;
}

std::string contributorLabel(const Contributor& contributor) {
    std::string label;
    if (!contributor.role.empty()) label = text::capitalize(contributor.role);
    if (hasText(contributor.subRole)) label += (label.empty() ? "" : " \u00B7 ") + *contributor.subRole;
    return label.empty() ? "Contributor" : label;
}

std::vector<SongDetailField> creditRows(const Song& song) {
    std::vector<SongDetailField> fields;
    if (song.artists && !song.artists->empty())
        addPeopleRows(fields, "Artist", *song.artists);
    else if (song.artist)
        addPeopleRows(fields, "Artist", {Artist::make(song.artistId.value_or(""), *song.artist)});

    if (song.albumArtists) addPeopleRows(fields, "Album artist", *song.albumArtists);
    if ((!song.albumArtists || song.albumArtists->empty()) && hasVisibleText(song.displayAlbumArtist))
        fields.push_back({"Album artist", *song.displayAlbumArtist, std::nullopt});

    bool creditsComposer = false;
    if (song.contributors) {
        std::vector<const Contributor*> shown;
        for (const Contributor& contributor : *song.contributors) {
            creditsComposer = creditsComposer || text::toLower(contributor.role) == "composer";
            bool repeated = false;
            for (const Contributor* earlier : shown)
                repeated = repeated || *earlier == contributor;
            if (repeated) continue;
            shown.push_back(&contributor);
            addPeopleRows(fields, contributorLabel(contributor), {contributor.artist});
        }
    }
    if (!creditsComposer && hasVisibleText(song.displayComposer))
        fields.push_back({"Composer", *song.displayComposer, std::nullopt});
    return fields;
}

std::vector<SongDetailField> sourceAudioRows(const Song& song, std::string_view localeId) {
    std::vector<SongDetailField> fields;
    if (song.suffix) {
        std::string format = text::toUpper(*song.suffix);
        if (!text::isBlank(format)) fields.push_back({"Format", std::move(format), std::nullopt});
    }
    if (hasVisibleText(song.contentType)) fields.push_back({"Content type", *song.contentType, std::nullopt});
    addNumberRow(fields, "Bit depth", song.bitDepth, "-bit");
    if (song.samplingRate && *song.samplingRate >= 1) {
        const double kilohertz = static_cast<double>(*song.samplingRate) / 1000.0;
        fields.push_back(
            {"Sample rate", text::decimalText(kilohertz, 0, 3, localeId) + " kHz", std::nullopt});
    }
    addNumberRow(fields, "Bitrate", song.bitRate, " kbps");
    addNumberRow(fields, "Channels", song.channelCount);
    if (song.size && *song.size >= 1)
        fields.push_back({"File size", fileByteCountText(*song.size, localeId), std::nullopt});
    if (hasVisibleText(song.path)) fields.push_back({"File path", *song.path, std::nullopt});
    return fields;
}

template <typename T> void fillAbsent(std::optional<T>& merged, const std::optional<T>& stored) {
    if (!merged) merged = stored;
}

} // namespace

std::vector<SongDetailSection> detailSections(const Song& song) {
    return detailSections(song, text::userLocaleId());
}

std::vector<SongDetailSection> detailSections(const Song& song, std::string_view localeId) {
    std::vector<SongDetailSection> sections;
    const auto addSection = [&](const char* title, std::vector<SongDetailField> fields) {
        if (!fields.empty()) sections.push_back({title, std::move(fields)});
    };
    addSection("Song", songRows(song));
    addSection("Credits", creditRows(song));
    addSection("Source audio", sourceAudioRows(song, localeId));
    return sections;
}

PendingLocalEdits pendingLocalEdits(const Song& song) noexcept {
    return {.favorite = song.starred == std::optional<std::string>("pending"), .rating = false};
}

Song mergingDetails(const Song& self, const Song& from) {
    return mergingDetails(self, from, pendingLocalEdits(self));
}

Song mergingDetails(const Song& self, const Song& from, PendingLocalEdits pending) {
    if (self.id != from.id) return self;
    // The fetched song's identity, favourite state, rating, play times and
    // video flag stand as they are, absent values included; but the server
    // does not know a local edit yet, and would undo it on screen and in the
    // store until the edit reaches it.
    Song merged = from;
    if (pending.favorite) merged.starred = self.starred;
    if (pending.rating) merged.userRating = self.userRating;

    fillAbsent(merged.artist, self.artist);
    fillAbsent(merged.album, self.album);
    fillAbsent(merged.artistId, self.artistId);
    fillAbsent(merged.albumId, self.albumId);
    fillAbsent(merged.artists, self.artists);
    fillAbsent(merged.albumArtists, self.albumArtists);
    fillAbsent(merged.contributors, self.contributors);
    fillAbsent(merged.displayComposer, self.displayComposer);
    fillAbsent(merged.displayAlbumArtist, self.displayAlbumArtist);
    fillAbsent(merged.genres, self.genres);
    fillAbsent(merged.genre, self.genre);
    fillAbsent(merged.coverArt, self.coverArt);
    fillAbsent(merged.duration, self.duration);
    fillAbsent(merged.track, self.track);
    fillAbsent(merged.discNumber, self.discNumber);
    fillAbsent(merged.year, self.year);
    fillAbsent(merged.suffix, self.suffix);
    fillAbsent(merged.contentType, self.contentType);
    fillAbsent(merged.size, self.size);
    fillAbsent(merged.bitRate, self.bitRate);
    fillAbsent(merged.samplingRate, self.samplingRate);
    fillAbsent(merged.bitDepth, self.bitDepth);
    fillAbsent(merged.channelCount, self.channelCount);
    fillAbsent(merged.path, self.path);
    fillAbsent(merged.comment, self.comment);
    fillAbsent(merged.bpm, self.bpm);
    fillAbsent(merged.playCount, self.playCount);
    return merged;
}

} // namespace sorvalind

std::size_t std::hash<sorvalind::SongDetailDestination>::operator()(
    const sorvalind::SongDetailDestination& destination) const noexcept {
    using Destination = sorvalind::SongDetailDestination;
    const std::size_t payload = std::visit(
        [](const auto& target) -> std::size_t {
            using T = std::decay_t<decltype(target)>;
            if constexpr (std::is_same_v<T, Destination::GenreTarget>)
                return std::hash<std::string>{}(target.name);
            else
                return std::hash<T>{}(target);
        },
        destination.target);
    return payload * 4 + destination.target.index();
}
