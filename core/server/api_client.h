#pragma once
// The system's only client of the music server's REST API (Subsonic 1.16.1
// with OpenSubsonic extensions, JSON answers). One client per signed-in
// server; its configuration and password are fixed for its life.
//
// Every request is a form POST to "rest/<method>.view" carrying the user
// name, a fresh salt and the salted MD5 token in its body, never in a URL.
// Read methods are retried after 0.5, 1 and 2 s (on the main actor's clock)
// when the connection fails transiently. The client never logs or shows its
// password or tokens; description() is redacted.
//
// Threads: request() and the operations that send block the calling thread
// and must run on a worker, never on the main actor: their retry waits run
// on the main actor's clock. Called on the main actor they send nothing and
// throw OwnExecutorWaitError at once (after the checks of
// authenticatedRequest()) rather than hang it. A worker never waits for the
// main actor: the callbacks are posted to it in order and looked up when
// they run, so a callback removed meanwhile, or one of a client already
// destroyed, is skipped. A retry wait ends at once when `stop` is requested
// or network access is switched off. Builders, the switch and the getters
// may be called from any thread; the callbacks are set and run on the main
// actor. Keep the client, and the main actor, alive while calls on it run.
//
// Failures: APIError (see each call), URLError (transport failures;
// notConnectedToInternet while network access is off, cancelled when the
// switch or the session ended a transfer), DecodingError for an answer that
// is not the expected JSON, CancellationError when `stop` is requested or the
// main actor dropped a retry timer, OwnExecutorWaitError for a send on the
// main actor.

#include "http/http_request.h"
#include "http/http_transport.h"
#include "library/api_extension.h"
#include "library/download_quality.h"
#include "library/library_item_kind.h"
#include "library/playlist.h"
#include "library/search_page.h"
#include "library/song.h"
#include "platform/curl/query_item.h"
#include "platform/curl/url.h"
#include "runtime/clock.h"
#include "runtime/executor.h"
#include "runtime/timer_wait.h"
#include "server/api_envelope.h"
#include "server/artist_info.h"
#include "server/library_api.h"
#include "server/server_configuration.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

class APIClient final : public LibraryAPI {
public:
    using Parameters = std::vector<QueryItem>;

    // `mainActor` runs the callbacks and the retry timers. Without a session
    // the client makes its own (NetworkSecurity::session(), which may throw
    // CurlError); `wallClock` gives the scrobble times.
    APIClient(ServerConfiguration configuration, std::string password, Executor& mainActor,
              std::shared_ptr<HttpTransport> session = nullptr,
              const WallClock& wallClock = systemWallClock());
    APIClient(const APIClient&) = delete;
    APIClient& operator=(const APIClient&) = delete;

    const ServerConfiguration& configuration() const noexcept { return configuration_; }
    // Readable so that the owner can invalidate it at shutdown.
    const std::shared_ptr<HttpTransport>& session() const noexcept { return session_; }

    // Main actor only. Run on the main actor after every valid answer, and
    // after every transient connection failure; each takes nothing and
    // returns promptly. The request goes on without waiting for them.
    void setOnValidResponse(std::function<void()> callback) {
        callbacks_->onValidResponse = std::move(callback);
    }
    void setOnConnectionFailure(std::function<void()> callback) {
        callbacks_->onConnectionFailure = std::move(callback);
    }
    const std::function<void()>& onValidResponse() const noexcept { return callbacks_->onValidResponse; }
    const std::function<void()>& onConnectionFailure() const noexcept {
        return callbacks_->onConnectionFailure;
    }

    // The network-access switch. Off: every new request fails at once with
    // URLError(notConnectedToInternet) and the transfers in flight end with
    // URLError(cancelled). Any thread.
    void setNetworkAccessEnabled(bool enabled) noexcept;
    bool isNetworkAccessEnabled() const noexcept;

    // Builds, without sending, the authenticated form POST for one method.
    // Throws URLError(notConnectedToInternet) while the switch is off,
    // APIError localHTTPRequired / httpConsentRequired for a configuration
    // the policy refuses, unsafeRequest for a method name that is not all
    // letters and numbers or a credential-like parameter name.
    HttpRequest authenticatedRequest(std::string_view method, const Parameters& parameters) const;

    // Sends one method and returns its answer, parsed once and checked,
    // once its HTTP status and envelope are "ok": 405/415/501 throw
    // formPostRequired, any other status but 200 http(status), an answer that
    // is not an envelope DecodingError, an envelope status other than "ok"
    // server(code, "Request failed"), an answer over the size cap response.
    // A plain Subsonic server answers "getOpenSubsonicExtensions", which it
    // does not know, with 404 and a failed envelope of code 0 or 70: for that
    // method that answer gives server(code) as it would at 200; any other
    // 404 stays http(404).
    APIEnvelope request(std::string_view method, const Parameters& parameters, std::stop_token stop = {});

    // "APIClient(authentication: redacted)".
    std::string description() const { return "APIClient(authentication: redacted)"; }
    friend std::ostream& operator<<(std::ostream& out, const APIClient& client) {
        return out << client.description();
    }

    // Operations -------------------------------------------------------------

    // "ping", then the OpenSubsonic extensions; a plain Subsonic server
    // (error 70 or 0 for the extensions) gives an empty list.
    std::vector<APIExtension> validate(std::stop_token stop = {});
    SearchPage page(int artists, int albums, int songs, int count, std::stop_token stop) override;
    std::vector<Playlist> playlists(std::stop_token stop) override;
    Playlist playlist(const std::string& id, std::stop_token stop) override;
    // Throws APIError::response when the answer is another song.
    Song song(const std::string& id, std::stop_token stop = {});
    ArtistInfo artistInfo(const std::string& id, std::stop_token stop = {});
    bool sharingEnabled(std::stop_token stop = {});
    // The share link of the songs. Throws APIError::configuration for no or
    // an empty identifier (nothing is sent), response for an answer without
    // a well-formed http(s) link, unsafeRequest for a link carrying
    // credential-like query items.
    Url createShare(const std::vector<std::string>& songIDs, std::stop_token stop = {});

    void scrobble(const std::string& id, bool submission, std::stop_token stop = {});
    // Creates a playlist, or replaces the songs of an existing one and then
    // renames it to `name`.
    void savePlaylist(const std::optional<std::string>& id, const std::string& name,
                      const std::vector<std::string>& songIDs, std::stop_token stop = {});
    void renamePlaylist(const std::string& id, const std::string& name, std::stop_token stop = {});
    // Appends the songs, in order and duplicates kept, to the playlist as the
    // server holds it now, so entries added elsewhere since the last fetch
    // stay. An empty list sends nothing.
    void appendToPlaylist(const std::string& id, const std::vector<std::string>& songIDs,
                          std::stop_token stop = {});
    void deletePlaylist(const std::string& id, std::stop_token stop = {});
    void annotate(const std::string& id, bool favorite, LibraryItemKind target, std::stop_token stop = {});
    // The rating is limited to 0...5.
    void rate(const std::string& id, int rating, std::stop_token stop = {});

    // Request builders: they send nothing and throw what
    // authenticatedRequest() throws.
    HttpRequest streamRequest(const std::string& id, DownloadQuality quality) const;
    // A transcoded MP3 stream from `seconds` (truncated to whole seconds).
    // Throws APIError::configuration for a position that is not finite or
    // does not fit 64 bits.
    HttpRequest offsetStreamRequest(const std::string& id, double seconds, DownloadQuality quality,
                                    std::optional<std::int64_t> sourceMP3BitRate) const;
    HttpRequest downloadRequest(const std::string& id, DownloadQuality quality) const;

private:
    // Main actor only, like the callbacks they hold. Posted callbacks hold
    // them weakly, so they outlive neither the client nor a removal.
    struct Callbacks {
        std::function<void()> onValidResponse;
        std::function<void()> onConnectionFailure;
    };

    HttpResponse dataWithRetries(const HttpRequest& request, std::string_view endpoint, std::stop_token stop);
    void waitBeforeRetry(SteadyDuration delay, std::stop_token stop);
    void postToMainActor(std::function<void()> Callbacks::*callback);

    ServerConfiguration configuration_;
    std::string password_;
    Executor& mainActor_;
    std::shared_ptr<HttpTransport> session_;
    const WallClock& wallClock_;
    std::shared_ptr<Callbacks> callbacks_ = std::make_shared<Callbacks>();
    mutable std::mutex accessLock_;
    bool networkAccessEnabled_ = true;
    // Requested when the switch turns off, replaced when it turns on: ends
    // the retry waits under way. Guarded by accessLock_.
    std::stop_source offline_;
};

} // namespace sorvalind
