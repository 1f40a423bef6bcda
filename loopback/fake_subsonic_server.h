#pragma once
// A real HTTP Subsonic/OpenSubsonic server on 127.0.0.1 (ephemeral port) for
// tests and demos: form-POST (or GET query) REST at "/rest/<method>.view"
// with salted-token checking, JSON answers in the "subsonic-response"
// envelope, a generated library, the media methods, fault injection (by
// status, by byte offset and by rate) and a request log. Answers are never
// compressed, whatever the client accepts.
//
// Thread safety: every member may be called from any thread while the server
// runs; handlers run on the server's own threads. The constructor throws
// std::runtime_error when the server cannot start; the destructor stops it,
// releasing stalled answers first.

#include "loopback/fake_library.h"
#include "platform/curl/query_item.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sorvalind::loopback {

// One request as the server received it.
struct FakeRequest {
    std::string httpMethod;        // "GET" or "POST"
    std::string path;              // "/rest/ping.view"
    std::string restMethod;        // "ping"; empty for other paths
    std::vector<QueryItem> params; // query items, then form-body items, decoded in order
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;   // raw body as sent
    int remotePort = 0; // the client's end of the connection: equal ports, one connection

    std::optional<std::string> param(std::string_view name) const;
    std::vector<std::string> paramValues(std::string_view name) const;
    std::optional<std::string> header(std::string_view name) const;
};

// A deliberate misbehaviour for the next matching answers.
struct FakeFault {
    enum class Kind {
        httpStatus,        // answer `code` as the HTTP status with a short text body
        subsonicError,     // HTTP 200 with "status":"failed" and error `code`
        truncatedBody,     // the normal answer cut in half under its full Content-Length
        stalledBody,       // the normal answer's first half, then nothing until releaseStalled() or stop
        redirect,          // 302 to `location`
        dropAtByte,        // the first `bytes` body bytes, then the connection closes
        stallAtByte,       // the first `bytes` body bytes, then nothing until releaseStalled() or stop
        throttled,         // the whole body at `bytesPerSecond`
        delayedHeaders,    // nothing at all for `delay`, then the normal answer
        ignoredRange,      // a "Range" header is ignored: 200 with the whole body
        wrongContentRange, // a 206 answer's "Content-Range" names a range one byte later
    };
    Kind kind = Kind::httpStatus;
    int code = 0;
    std::string location;
    std::size_t bytes = 0;
    std::size_t bytesPerSecond = 0; // 0: as fast as the connection goes
    std::chrono::milliseconds delay{0};

    static FakeFault of(Kind kind) {
        FakeFault fault;
        fault.kind = kind;
        return fault;
    }
    static FakeFault status(int httpStatus) {
        return of(Kind::httpStatus).with(&FakeFault::code, httpStatus);
    }
    static FakeFault subsonicError(int code) { return of(Kind::subsonicError).with(&FakeFault::code, code); }
    static FakeFault truncated() { return of(Kind::truncatedBody); }
    static FakeFault stalled() { return of(Kind::stalledBody); }
    static FakeFault redirectTo(std::string location) {
        return of(Kind::redirect).with(&FakeFault::code, 302).with(&FakeFault::location, std::move(location));
    }
    static FakeFault dropAt(std::size_t byte) { return of(Kind::dropAtByte).with(&FakeFault::bytes, byte); }
    static FakeFault stallAt(std::size_t byte) { return of(Kind::stallAtByte).with(&FakeFault::bytes, byte); }
    static FakeFault throttle(std::size_t rate) {
        return of(Kind::throttled).with(&FakeFault::bytesPerSecond, rate);
    }
    static FakeFault delayHeaders(std::chrono::milliseconds span) {
        return of(Kind::delayedHeaders).with(&FakeFault::delay, span);
    }
    static FakeFault ignoreRange() { return of(Kind::ignoredRange); }
    static FakeFault shiftContentRange() { return of(Kind::wrongContentRange); }

private:
    template <class Field, class Value> FakeFault with(Field FakeFault::*field, Value value) && {
        this->*field = std::move(value);
        return std::move(*this);
    }
};

// What the media methods serve for one song.
struct FakeMedia {
    // The file as stored: "stream" with format "raw" and "download", with
    // byte ranges.
    std::string original;
    std::string contentType = "audio/flac";
    // Prepared MP3 files by bit rate (kbit/s): "stream" with format "mp3"
    // serves the highest one within "maxBitRate" (0: the highest of all; the
    // lowest when none fits), cut at the whole seconds of "timeOffset", as
    // one 200 body without ranges.
    std::map<int, std::string> mp3;
};

class FakeSubsonicServer {
public:
    struct Options {
        std::string user = "alice";
        std::string password = "sesame";
        FakeLibrary::Shape library;
        bool openSubsonic = true;
        // With openSubsonic off: answer "getOpenSubsonicExtensions" as some
        // plain Subsonic servers do, with HTTP 404 and a failed envelope
        // (code 0, "Unknown method"), instead of error 70 in HTTP 200.
        bool unknownMethodIs404 = false;
        bool shareRole = true;
        // name → versions, as getOpenSubsonicExtensions lists them.
        std::vector<std::pair<std::string, std::vector<int>>> extensions = {
            {"formPost", {1}}, {"transcodeOffset", {1}}, {"songLyrics", {1}}};
    };

    // Called for a REST method once authentication has passed. Fill `res`
    // (use okResponse()/failedResponse() for JSON answers).
    using RestHandler = std::function<void(const FakeRequest& request, httplib::Response& res)>;
    // Called for any other path.
    using RouteHandler = std::function<void(const FakeRequest& request, httplib::Response& res)>;

    FakeSubsonicServer();
    explicit FakeSubsonicServer(Options options);
    ~FakeSubsonicServer();
    FakeSubsonicServer(const FakeSubsonicServer&) = delete;
    FakeSubsonicServer& operator=(const FakeSubsonicServer&) = delete;

    int port() const noexcept { return port_; }
    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;
    const Options& options() const noexcept { return options_; }

    // u, t, s (a fresh salt), v, c and f items that authenticate a request.
    std::vector<QueryItem> authItems() const;

    // Adds or replaces a REST method ("stream", "download", "getCoverArt", ...).
    void setMethod(const std::string& name, RestHandler handler);
    // The handler of a REST method (empty when there is none), so that a
    // test can wrap the standard one.
    RestHandler method(const std::string& name) const;
    // Serves `path` exactly (any HTTP method), outside "/rest/".
    void setRoute(const std::string& path, RouteHandler handler);

    // The next `count` requests for `restMethod` (any request when empty) get the fault.
    void injectFault(FakeFault fault, int count = 1, const std::string& restMethod = {});
    // Drops every fault not yet used.
    void clearFaults();
    // Lets every stalled answer finish its body.
    void releaseStalled();

    // Media of "stream", "download" and "getCoverArt" by identifier.
    void setMedia(const std::string& id, FakeMedia media);
    void setCoverArt(const std::string& id, std::string bytes, std::string contentType = "image/jpeg");

    std::vector<FakeRequest> requests() const;
    std::size_t requestCount(const std::string& restMethod) const;
    void clearRequests();

    // Runs `work` with the library under the server's lock.
    template <typename Work> auto withLibrary(Work&& work) {
        std::lock_guard lock(mutex_);
        return work(library_);
    }

    // JSON answers in the envelope.
    void okResponse(httplib::Response& res, const nlohmann::json& payload = nlohmann::json::object()) const;
    void failedResponse(httplib::Response& res, int code, const std::string& message) const;

private:
    struct PendingFault {
        FakeFault fault;
        int remaining;
        std::string restMethod;
    };

    void dispatch(const httplib::Request& req, httplib::Response& res);
    void handleRest(const FakeRequest& request, httplib::Response& res);
    bool authenticate(const FakeRequest& request, httplib::Response& res) const;
    // `generation`: the release generation when the request arrived.
    void applyBodyFault(const FakeFault& fault, httplib::Response& res, std::uint64_t generation);
    // Waits for `span` or until the server stops; false when it stops.
    bool pause(std::chrono::milliseconds span);
    void addStandardMethods();
    void addMediaMethods();

    Options options_;
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable stallChanged_;
    bool stopping_ = false;
    std::uint64_t releaseGeneration_ = 0;
    FakeLibrary library_;
    std::vector<FakeRequest> log_;
    std::vector<PendingFault> faults_;
    std::map<std::string, RestHandler> methods_;
    std::map<std::string, RouteHandler> routes_;
    // Shared so that an answer in flight keeps its bytes without a copy.
    std::map<std::string, std::shared_ptr<const FakeMedia>> media_;
    std::map<std::string, std::shared_ptr<const std::pair<std::string, std::string>>> coverArt_;
};

// Answers `bytes` the way a real server answers a raw stream: without a
// "Range" header 200 with the whole body; with "bytes=a-b", "bytes=a-" or
// "bytes=-n" 206 with exactly that slice and "Content-Range"; 416 with
// "bytes */<size>" when the range cannot be satisfied. "Accept-Ranges: bytes".
void serveBytes(const FakeRequest& request, httplib::Response& res, const std::string& bytes,
                const std::string& contentType);

// An MP3 file from its first audio frame at or after `seconds`, without the
// tags and the encoder's information frame before it; the whole file for 0.
std::string mp3From(const std::string& file, int seconds);

} // namespace sorvalind::loopback
