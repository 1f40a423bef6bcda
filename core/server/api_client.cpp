#include "server/api_client.h"

#include "errors/api_error.h"
#include "errors/url_error.h"
#include "http/network_security.h"
#include "platform/crypto/digest.h"
#include "platform/text/text.h"
#include "runtime/cancellation.h"
#include "runtime/timer_wait.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;

constexpr std::array<std::string_view, 8> retriedMethods = {"ping",        "getOpenSubsonicExtensions",
                                                            "search3",     "getPlaylists",
                                                            "getPlaylist", "getSong",
                                                            "getUser",     "getArtistInfo2"};
constexpr std::array<SteadyDuration, 3> retryDelays = {500ms, 1000ms, 2000ms};

bool isRetried(std::string_view method) {
    return std::find(retriedMethods.begin(), retriedMethods.end(), method) != retriedMethods.end();
}

bool isSafeMethodName(std::string_view method) {
    if (method.empty()) return false;
    for (char32_t c : text::codePoints(method))
        if (!(text::isLetter(c) || text::isNumber(c))) return false;
    return true;
}

// Parameter names the client itself sets, or that would carry credentials.
bool isReservedParameterName(std::string_view name) {
    static constexpr std::array<std::string_view, 8> reserved = {
        "u", "p", "t", "s", "apikey", "password", "token", "authorization"};
    std::string lower = text::toLower(name);
    return std::find(reserved.begin(), reserved.end(), lower) != reserved.end();
}

std::string freshSalt() {
    std::string salt = randomUUID();
    std::erase(salt, '-');
    return salt;
}

} // namespace

APIClient::APIClient(ServerConfiguration configuration, std::string password, Executor& mainActor,
                     std::shared_ptr<HttpTransport> session, const WallClock& wallClock)
    : configuration_(std::move(configuration)), password_(std::move(password)), mainActor_(mainActor),
      session_(session ? std::move(session) : NetworkSecurity::session()), wallClock_(wallClock) {}

void APIClient::setNetworkAccessEnabled(bool enabled) noexcept {
    std::stop_source offline;
    {
        std::lock_guard lock(accessLock_);
        if (networkAccessEnabled_ != enabled && enabled) offline_ = std::stop_source();
        networkAccessEnabled_ = enabled;
        offline = offline_;
    }
    if (enabled) return;
    // Outside the lock: stopping wakes the waiters through their callbacks.
    offline.request_stop();
    // Re-read: a switch turned on again meanwhile leaves the transfers running.
    if (!isNetworkAccessEnabled()) session_->cancelAll();
}

bool APIClient::isNetworkAccessEnabled() const noexcept {
    std::lock_guard lock(accessLock_);
    return networkAccessEnabled_;
}

HttpRequest APIClient::authenticatedRequest(std::string_view method, const Parameters& parameters) const {
    if (!isNetworkAccessEnabled()) throw URLError(URLError::notConnectedToInternet);
    // A URL handle serves one thread at a time (libcurl even fills in a
    // missing path while reading it), and requests come from any thread:
    // each works on its own copy, which copies only the text.
    const ServerConfiguration configuration = configuration_;
    NetworkSecurity::validateTransport(configuration.url());
    if (configuration.requiresHTTPConsent()) throw APIError::httpConsentRequired();
    if (!isSafeMethodName(method)) throw APIError::unsafeRequest();
    for (const QueryItem& parameter : parameters)
        if (isReservedParameterName(parameter.name)) throw APIError::unsafeRequest();

    std::string salt = freshSalt();
    Parameters items = {
        {"u", configuration.username()},
        {"t", md5Hex(password_ + salt)},
        {"s", salt},
        {"v", "1.16.1"},
        {"c", "Sorvalind"},
        {"f", "json"},
    };
    items.insert(items.end(), parameters.begin(), parameters.end());

    Url url = configuration.url().appendingPathComponent("rest").appendingPathComponent(std::string(method) +
                                                                                        ".view");
    HttpRequest request(std::move(url));
    // Every byte outside the unreserved set is escaped, so "+" travels as
    // "%2B" and no form decoder reads it as a space.
    request.setFormBody(items);
    request.idleTimeout = 60s;
    return NetworkSecurity::prepare(request);
}

APIEnvelope APIClient::request(std::string_view method, const Parameters& parameters, std::stop_token stop) {
    HttpRequest built = authenticatedRequest(method, parameters);
    // The retry waits need the main actor's clock to run while this call
    // blocks; on the main actor itself they would hang it.
    if (mainActor_.isCurrent()) throw OwnExecutorWaitError();
    HttpResponse answer;
    try {
        answer = dataWithRetries(built, method, stop);
    } catch (const ResponseTooLargeError&) {
        throw APIError::response();
    }
    int status = answer.status();
    if (status == 405 || status == 415 || status == 501) throw APIError::formPostRequired();
    if (status == 404 && method == "getOpenSubsonicExtensions") {
        // A plain Subsonic server refuses the method it does not know with
        // 404 and its own failed envelope; that is its answer, not a
        // missing endpoint.
        auto code = failedEnvelopeCode(answer.body);
        if (code && (*code == 0 || *code == 70)) throw APIError::server(*code, "Request failed");
    }
    if (status != 200) throw APIError::http(status);
    APIEnvelope envelope(std::move(answer.body));
    throwIfCancelled(stop);
    postToMainActor(&Callbacks::onValidResponse);
    return envelope;
}

HttpResponse APIClient::dataWithRetries(const HttpRequest& request, std::string_view endpoint,
                                        std::stop_token stop) {
    const bool retried = isRetried(endpoint);
    for (std::size_t attempt = 0;; ++attempt) {
        throwIfCancelled(stop);
        if (!isNetworkAccessEnabled()) throw URLError(URLError::notConnectedToInternet);
        std::exception_ptr failure;
        try {
            return session_->perform(request, stop);
        } catch (...) {
            failure = std::current_exception();
        }
        if (stop.stop_requested()) throw CancellationError();
        bool transient = NetworkSecurity::isTransientConnectionError(failure);
        if (transient) postToMainActor(&Callbacks::onConnectionFailure);
        if (!(retried && transient && attempt < retryDelays.size())) std::rethrow_exception(failure);
        waitBeforeRetry(retryDelays[attempt], stop);
    }
}

void APIClient::waitBeforeRetry(SteadyDuration delay, std::stop_token stop) {
    std::stop_token offline;
    {
        std::lock_guard lock(accessLock_);
        if (!networkAccessEnabled_) return; // the next attempt fails as offline
        offline = offline_.get_token();
    }
    // One wait, ended by whichever comes first: the caller's stop or the switch.
    std::stop_source either;
    std::stop_callback onStop(stop, [&either] { either.request_stop(); });
    std::stop_callback onOffline(offline, [&either] { either.request_stop(); });
    try {
        waitOnClockOf(mainActor_, delay, either.get_token());
    } catch (const CancellationError&) {
        // Switched off: the next attempt fails as offline at once. Otherwise
        // the caller stopped, or the main actor dropped the timer while
        // shutting down.
        if (stop.stop_requested() || !offline.stop_requested()) throw;
    }
}

void APIClient::postToMainActor(std::function<void()> Callbacks::*callback) {
    mainActor_.post([weak = std::weak_ptr<Callbacks>(callbacks_), callback] {
        const std::shared_ptr<Callbacks> callbacks = weak.lock();
        if (!callbacks) return;
        // A copy: the callback may remove itself (the owner dropping this client).
        if (std::function<void()> function = (*callbacks).*callback) function();
    });
}

} // namespace sorvalind
