#pragma once
// A real HTTP Subsonic/OpenSubsonic server on 127.0.0.1 (ephemeral port) for
// tests and demos: form-POST (or GET query) REST at "/rest/<method>.view"
// with salted-token checking, JSON answers in the "subsonic-response"
// envelope, a generated library, fault injection and a request log.
//
// Thread safety: every member may be called from any thread while the server
// runs; handlers run on the server's own threads. The constructor throws
// std::runtime_error when the server cannot start; the destructor stops it,
// releasing stalled answers first.

#include "platform/curl/query_item.h"
#include "support/fake_library.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sorvalind::test {

// One request as the server received it.
struct FakeRequest {
    std::string httpMethod;        // "GET" or "POST"
    std::string path;              // "/rest/ping.view"
    std::string restMethod;        // "ping"; empty for other paths
    std::vector<QueryItem> params; // query items, then form-body items, decoded in order
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body; // raw body as sent

    std::optional<std::string> param(std::string_view name) const;
    std::vector<std::string> paramValues(std::string_view name) const;
    std::optional<std::string> header(std::string_view name) const;
};

// A deliberate misbehaviour for the next matching answers.
struct FakeFault {
    enum class Kind {
        httpStatus,    // answer `code` as the HTTP status with a short text body
        subsonicError, // HTTP 200 with "status":"failed" and error `code`
        truncatedBody, // the normal answer cut in half under its full Content-Length
        stalledBody,   // the normal answer's first half, then nothing until releaseStalled() or stop
        redirect,      // 302 to `location`
    };
    Kind kind;
    int code = 0;
    std::string location;

    static FakeFault status(int httpStatus) { return {Kind::httpStatus, httpStatus, {}}; }
    static FakeFault subsonicError(int code) { return {Kind::subsonicError, code, {}}; }
    static FakeFault truncated() { return {Kind::truncatedBody, 0, {}}; }
    static FakeFault stalled() { return {Kind::stalledBody, 0, {}}; }
    static FakeFault redirectTo(std::string location) { return {Kind::redirect, 302, std::move(location)}; }
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
    // Lets every stalled answer finish its body.
    void releaseStalled();

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
    void applyBodyFault(const FakeFault& fault, httplib::Response& res);
    void addStandardMethods();

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
};

// Answers `bytes` the way a real server answers a raw stream: without a
// "Range" header 200 with the whole body; with "bytes=a-b", "bytes=a-" or
// "bytes=-n" 206 with exactly that slice and "Content-Range"; 416 with
// "bytes */<size>" when the range cannot be satisfied. "Accept-Ranges: bytes".
void serveBytes(const FakeRequest& request, httplib::Response& res, const std::string& bytes,
                const std::string& contentType);

} // namespace sorvalind::test
