#pragma once
// Finds a library song in the public music catalogue and turns the catalogue's
// track page into a share link (the catalogue's own page, or a Songlink page).
//
// AppleMusicLinkResolver is an actor: its cache is guarded by one mutex that is
// never held across the network request, so any thread may call it, and two
// lookups may run at once. link() and songlink() block on the request; call them
// off the main actor. They throw AppleMusicLinkError, or CancellationError when
// the given stop token is triggered. The static helpers are pure and may run on
// any thread.

#include "http/http_transport.h"
#include "library/song.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sorvalind {

// The three ways a share link can fail; what() is the sentence the user sees.
class AppleMusicLinkError : public std::runtime_error {
public:
    enum class Kind { missingMetadata, noMatch, unavailable };

    explicit AppleMusicLinkError(Kind kind);
    Kind kind() const noexcept { return kind_; }
    static std::string_view description(Kind kind) noexcept;

    friend bool operator==(const AppleMusicLinkError& a, const AppleMusicLinkError& b) noexcept {
        return a.kind_ == b.kind_;
    }

private:
    Kind kind_;
};

class AppleMusicLinkResolver {
public:
    // What identifies one lookup in the cache: the song's fields as stored.
    struct Lookup {
        std::string title;
        std::vector<std::string> artists;
        std::optional<std::string> album;
        std::optional<double> duration;

        bool operator==(const Lookup&) const = default;
    };
    struct LookupHash {
        std::size_t operator()(const Lookup& lookup) const noexcept;
    };

    // One entry of the catalogue's answer; every key is optional.
    struct Result {
        std::optional<std::string> kind;
        std::optional<std::string> trackName;
        std::optional<std::string> artistName;
        std::optional<std::string> collectionName;
        std::optional<double> trackTimeMillis;
        std::optional<std::string> trackViewUrl;
    };
    struct SearchResponse {
        std::vector<Result> results;
    };

    // Where the resolver sends its catalogue search; tests point it at a
    // loopback server.
    static constexpr std::string_view defaultSearchBase = "https://itunes.apple.com";
    // The only host whose pages count as catalogue track pages.
    static constexpr std::string_view trackHost = "music.apple.com";
    static constexpr std::string_view songlinkBase = "https://song.link";
    static constexpr std::size_t cacheLimit = 100;

    // A country of exactly two letters is kept upper-cased; anything else means
    // "US". `transport` replaces the network transport (tests only); without it
    // the resolver makes its own session.
    explicit AppleMusicLinkResolver(std::string_view country,
                                    std::string searchBase = std::string(defaultSearchBase),
                                    std::shared_ptr<HttpTransport> transport = nullptr);
    ~AppleMusicLinkResolver();
    AppleMusicLinkResolver(const AppleMusicLinkResolver&) = delete;
    AppleMusicLinkResolver& operator=(const AppleMusicLinkResolver&) = delete;

    const std::string& country() const noexcept { return country_; }

    // The song's catalogue track URL. Blocks until the catalogue answers (up
    // to its 15-second idle timeout): any thread except the main actor.
    std::string link(const Song& song, std::stop_token stop = {});
    // The song's Songlink URL; noMatch when the track URL carries no usable
    // id. Blocks like link(): any thread except the main actor.
    std::string songlink(const Song& song, std::stop_token stop = {});

    // Whether the song has enough metadata to look it up at all.
    static bool hasMetadata(const Song& song);
    static std::optional<std::string> songlinkURL(std::string_view appleMusicURL);

    // Pure matching rules, public so that they can be checked one by one.
    static std::string normalized(const std::optional<std::string>& text);
    static std::vector<std::string> artistNames(const Song& song);
    static bool matchesArtist(std::string_view resultArtist, const std::vector<std::string>& artists);
    static bool isTrackURL(std::string_view url);
    static std::string countryCode(std::string_view country);
    static Lookup lookup(const Song& song);
    // The score of one result for the song, or none when the result is no match.
    static std::optional<double> score(const Result& result, const Song& song);
    // The track URL of the best-scoring result; on a tie the earliest wins.
    static std::optional<std::string> bestMatch(const std::vector<Result>& results, const Song& song);
    // Throws std::exception (a decoding error) when the body is no search answer.
    static SearchResponse decodeSearchResponse(std::string_view body);

    std::size_t cacheSize() const;

private:
    std::string search(const Song& song, std::stop_token stop);

    std::string country_;
    std::string searchBase_;
    std::shared_ptr<HttpTransport> transport_;
    mutable std::mutex mutex_;
    std::unordered_map<Lookup, std::string, LookupHash> cache_;
};

} // namespace sorvalind
