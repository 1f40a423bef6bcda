// The catalogue lookup behind share links: the pure rules that decide whether
// a catalogue result is the library song (normalisation, artist agreement,
// track-page recognition, scoring), then the search request and the cache.

#include "server/apple_music_links.h"

#include "http/network_security.h"
#include "platform/text/text.h"
#include "platform/text/text_regex.h"
#include "runtime/cancellation.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

namespace sorvalind {

namespace {

// Splits at every character that is not a letter, mark or number and joins the
// non-empty pieces with single spaces.
std::string joinAlphanumericRuns(std::string_view folded) {
    std::string out;
    for (const std::string& piece : text::alphanumericRuns(folded)) {
        if (!out.empty()) out += ' ';
        out += piece;
    }
    return out;
}

std::vector<std::string> splitAtAny(std::string_view text, std::string_view separators) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || separators.find(text[i]) != std::string_view::npos) {
            pieces.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return pieces;
}

std::vector<std::string> pathComponents(const Url& url) {
    std::vector<std::string> components;
    for (const std::string& piece : splitAtAny(url.path(), "/")) {
        if (!piece.empty()) components.push_back(percentDecoded(piece));
    }
    return components;
}

bool contains(const std::vector<std::string>& list, std::string_view item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool isNumberText(std::string_view value) {
    if (value.empty()) return false;
    for (const char32_t c : text::codePoints(value)) {
        if (!text::isNumber(c)) return false;
    }
    return true;
}

bool isAsciiDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

} // namespace

AppleMusicLinkError::AppleMusicLinkError(Kind kind)
    : std::runtime_error(std::string(description(kind))), kind_(kind) {}

std::string_view AppleMusicLinkError::description(Kind kind) noexcept {
    switch (kind) {
    case Kind::missingMetadata:
        return "A song title and artist are needed to find an Apple Music link.";
    case Kind::noMatch:
        return "No matching song was found on Apple Music.";
    case Kind::unavailable:
        break;
    }
    return "Apple Music links are unavailable right now. Please try again later.";
}

std::size_t AppleMusicLinkResolver::LookupHash::operator()(const Lookup& lookup) const noexcept {
    std::size_t seed = std::hash<std::string>{}(lookup.title);
    auto mix = [&seed](std::size_t value) {
        seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    };
    for (const std::string& artist : lookup.artists)
        mix(std::hash<std::string>{}(artist));
    mix(lookup.artists.size());
    mix(lookup.album ? std::hash<std::string>{}(*lookup.album) : 0x51ed);
    mix(lookup.duration ? std::hash<double>{}(*lookup.duration) : 0xd0e5);
    return seed;
}

std::string AppleMusicLinkResolver::countryCode(std::string_view country) {
    const std::u32string characters = text::codePoints(country);
    if (characters.size() == 2 && text::isLetter(characters[0]) && text::isLetter(characters[1])) {
        return text::toUpper(country);
    }
    return "US";
}

AppleMusicLinkResolver::Lookup AppleMusicLinkResolver::lookup(const Song& song) {
    return Lookup{song.title, artistNames(song), song.album, song.duration};
}

bool AppleMusicLinkResolver::hasMetadata(const Song& song) {
    return !normalized(song.title).empty() && !artistNames(song).empty();
}

bool AppleMusicLinkResolver::isTrackURL(std::string_view text) {
    const std::optional<Url> url = Url::tryParse(text);
    if (!url || url->scheme() != "https" || text::toLower(url->host()) != trackHost) return false;
    // A bare "#" is an empty fragment, still a fragment; "#" stands nowhere
    // else in a URL.
    if (url->user() || url->password() || url->port() || url->fragment() ||
        text.find('#') != std::string_view::npos)
        return false;
    const std::vector<std::string> components = pathComponents(*url);
    if (contains(components, "album")) {
        for (const QueryItem& item : url->queryItems()) {
            if (item.name == "i" && item.value && isNumberText(*item.value)) return true;
        }
    }
    return contains(components, "song");
}

std::optional<std::string> AppleMusicLinkResolver::songlinkURL(std::string_view appleMusicURL) {
    if (!isTrackURL(appleMusicURL)) return std::nullopt;
    const Url url = Url::parse(appleMusicURL);

    std::vector<QueryItem> items;
    for (QueryItem& item : url.queryItems()) {
        if (item.name == "i") items.push_back(std::move(item));
    }
    std::optional<std::string> identifier;
    if (items.size() == 1) {
        identifier = items[0].value;
    } else if (items.empty()) {
        const std::vector<std::string> components = pathComponents(url);
        if (contains(components, "song")) identifier = components.back();
    }
    if (!identifier || identifier->empty()) return std::nullopt;
    if (!std::all_of(identifier->begin(), identifier->end(), isAsciiDigit)) return std::nullopt;
    if (identifier->find_first_not_of('0') == std::string::npos) return std::nullopt;
    return std::string(songlinkBase) + "/i/" + *identifier;
}

std::string AppleMusicLinkResolver::normalized(const std::optional<std::string>& text) {
    if (!text) return {};
    return joinAlphanumericRuns(text::foldCaseAndDiacritics(*text));
}

std::vector<std::string> AppleMusicLinkResolver::artistNames(const Song& song) {
    std::vector<std::string> candidates;
    if (song.artists && !song.artists->empty()) {
        for (const Artist& artist : *song.artists)
            candidates.push_back(artist.name);
    } else {
        candidates.push_back(song.artist.value_or(""));
    }
    std::vector<std::string> usable;
    for (std::string& name : candidates) {
        const std::string key = normalized(name);
        if (!key.empty() && key != "unknown artist") usable.push_back(std::move(name));
    }
    return usable;
}

bool AppleMusicLinkResolver::matchesArtist(std::string_view resultArtist,
                                           const std::vector<std::string>& artists) {
    const std::string resultKey = normalized(std::string(resultArtist));
    std::string joined;
    for (const std::string& name : artists) {
        if (!joined.empty()) joined += ' ';
        joined += name;
    }
    if (resultKey == normalized(joined)) return true;

    static const text::Regex featuring(R"((?i)\s+(?:feat\.?|featuring|with)\s+)");
    std::string separated;
    try {
        separated = featuring.replaceAll(resultArtist, ",");
    } catch (const text::RegexError&) {
        return false; // an artist line too long to split cannot be vouched for
    }
    std::vector<std::string> pieces;
    for (const std::string& piece : splitAtAny(separated, ",&;"))
        pieces.push_back(normalized(piece));

    for (const std::string& name : artists) {
        const std::string key = normalized(name);
        bool found = false;
        for (const std::string& piece : pieces) {
            if (piece == key) {
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return true;
}

std::optional<double> AppleMusicLinkResolver::score(const Result& result, const Song& song) {
    if (result.kind != "song") return std::nullopt;
    if (normalized(result.trackName) != normalized(song.title)) return std::nullopt;
    if (!result.artistName || !matchesArtist(*result.artistName, artistNames(song))) return std::nullopt;
    if (!result.trackViewUrl || !isTrackURL(*result.trackViewUrl)) return std::nullopt;

    double points = 0;
    const std::optional<double>& duration = song.duration;
    if (duration && *duration > 0 && std::isfinite(*duration) && result.trackTimeMillis) {
        const double distance = std::fabs(*duration - *result.trackTimeMillis / 1000);
        // A NaN distance fails this test too: such a result cannot be placed.
        if (!(distance <= 5)) return std::nullopt;
        points = 5 - distance;
    }
    if (song.album) {
        const std::string album = normalized(song.album);
        if (!album.empty() && album == normalized(result.collectionName)) points += 10;
    }
    return points;
}

std::optional<std::string> AppleMusicLinkResolver::bestMatch(const std::vector<Result>& results,
                                                             const Song& song) {
    std::optional<std::string> best;
    double bestScore = 0;
    for (const Result& result : results) {
        const std::optional<double> points = score(result, song);
        if (!points) continue;
        if (!best || *points > bestScore) {
            best = *result.trackViewUrl;
            bestScore = *points;
        }
    }
    return best;
}

AppleMusicLinkResolver::SearchResponse AppleMusicLinkResolver::decodeSearchResponse(std::string_view body) {
    const nlohmann::json document = nlohmann::json::parse(body);
    const nlohmann::json& list = document.at("results");
    if (!list.is_array()) throw std::runtime_error("results is not a list");

    auto text = [](const nlohmann::json& object, const char* key) -> std::optional<std::string> {
        const auto it = object.find(key);
        if (it == object.end() || it->is_null()) return std::nullopt;
        return it->get<std::string>();
    };
    SearchResponse response;
    for (const nlohmann::json& item : list) {
        if (!item.is_object()) throw std::runtime_error("a result is not an object");
        Result result;
        result.kind = text(item, "kind");
        result.trackName = text(item, "trackName");
        result.artistName = text(item, "artistName");
        result.collectionName = text(item, "collectionName");
        if (const auto it = item.find("trackTimeMillis"); it != item.end() && !it->is_null()) {
            if (!it->is_number()) throw std::runtime_error("trackTimeMillis is not a number");
            result.trackTimeMillis = it->get<double>();
        }
        result.trackViewUrl = text(item, "trackViewUrl");
        response.results.push_back(std::move(result));
    }
    return response;
}

AppleMusicLinkResolver::AppleMusicLinkResolver(std::string_view country, std::string searchBase,
                                               std::shared_ptr<HttpTransport> transport)
    : country_(countryCode(country)), searchBase_(std::move(searchBase)), transport_(std::move(transport)) {
    if (!transport_) transport_ = NetworkSecurity::session();
}

AppleMusicLinkResolver::~AppleMusicLinkResolver() {
    transport_->invalidate();
}

std::size_t AppleMusicLinkResolver::cacheSize() const {
    std::lock_guard lock(mutex_);
    return cache_.size();
}

std::string AppleMusicLinkResolver::link(const Song& song, std::stop_token stop) {
    if (normalized(song.title).empty() || artistNames(song).empty()) {
        throw AppleMusicLinkError(AppleMusicLinkError::Kind::missingMetadata);
    }
    Lookup key = lookup(song);
    {
        std::lock_guard lock(mutex_);
        if (const auto it = cache_.find(key); it != cache_.end()) return it->second;
    }

    // The lock is not held here: other lookups go on while this one waits.
    std::string url = search(song, stop);

    std::lock_guard lock(mutex_);
    // Cleared whole rather than evicted: a share link is cheap to look up again.
    if (cache_.size() >= cacheLimit) cache_.clear();
    cache_.insert_or_assign(std::move(key), url);
    return url;
}

std::string AppleMusicLinkResolver::songlink(const Song& song, std::stop_token stop) {
    const std::optional<std::string> url = songlinkURL(link(song, stop));
    if (!url) throw AppleMusicLinkError(AppleMusicLinkError::Kind::noMatch);
    return *url;
}

std::string AppleMusicLinkResolver::search(const Song& song, std::stop_token stop) {
    using Kind = AppleMusicLinkError::Kind;
    std::string term = song.title;
    for (const std::string& artist : artistNames(song))
        term += ' ' + artist;

    HttpResponse response;
    try {
        const Url url = Url::parse(searchBase_)
                            .appendingPathComponent("search")
                            .withQueryItems({{"term", term},
                                             {"country", country_},
                                             {"media", "music"},
                                             {"entity", "song"},
                                             {"limit", "25"}});
        HttpRequest request(url);
        request.idleTimeout = std::chrono::seconds(15);
        response = transport_->perform(NetworkSecurity::prepare(std::move(request)), stop);
    } catch (const CancellationError&) {
        throw CancellationError();
    } catch (const URLError& error) {
        if (error.code() == URLError::cancelled && stop.stop_requested()) throw CancellationError();
        throw AppleMusicLinkError(Kind::unavailable);
    } catch (const std::exception&) {
        throw AppleMusicLinkError(Kind::unavailable);
    }
    if (response.status() != 200) throw AppleMusicLinkError(Kind::unavailable);

    SearchResponse decoded;
    try {
        decoded = decodeSearchResponse(response.body);
    } catch (const std::exception&) {
        throw AppleMusicLinkError(Kind::unavailable);
    }
    std::optional<std::string> best = bestMatch(decoded.results, song);
    if (!best) throw AppleMusicLinkError(Kind::noMatch);
    return std::move(*best);
}

} // namespace sorvalind
