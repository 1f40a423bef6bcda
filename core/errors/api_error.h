#pragma once
// The typed failure of server access: the REST client, the server
// configuration, the network policy and the REST operations raise it; sync,
// streaming and playback raise some of its cases. what() is the sentence the
// user sees. Immutable value; any thread. Construction never throws apart
// from allocation.

#include "errors/feature_failure.h"

#include <stdexcept>
#include <string>

namespace sorvalind {

class APIError : public std::runtime_error {
public:
    enum class Case {
        server,
        http,
        unavailable,
        configuration,
        response,
        pagination,
        httpConsentRequired,
        localHTTPRequired,
        unsafeRequest,
        formPostRequired,
    };

    // The server answered with a status other than "ok"; `code` is its error
    // code, or 0 when it gave none. The text never reaches the user.
    static APIError server(int code, std::string text);
    // An HTTP answer whose status is not 200.
    static APIError http(int status);
    static APIError unavailable(FeatureFailure failure);
    static APIError configuration();
    static APIError response();
    static APIError pagination();
    static APIError httpConsentRequired();
    static APIError localHTTPRequired();
    static APIError unsafeRequest();
    static APIError formPostRequired();

    Case kind() const noexcept { return kind_; }
    // The server's error code for `server`, the HTTP status for `http`, else 0.
    int code() const noexcept { return code_; }
    // The text payload of `server`; empty for the other cases.
    const std::string& serverText() const noexcept { return serverText_; }
    // The payload of `unavailable`.
    FeatureFailure feature() const noexcept { return feature_; }

    std::string errorDescription() const { return what(); }

    // Equal by case and payload.
    friend bool operator==(const APIError& a, const APIError& b) noexcept {
        return a.kind_ == b.kind_ && a.code_ == b.code_ && a.serverText_ == b.serverText_ &&
               a.feature_ == b.feature_;
    }

private:
    APIError(Case kind, int code, std::string serverText, FeatureFailure feature);

    Case kind_;
    int code_;
    std::string serverText_;
    FeatureFailure feature_;
};

} // namespace sorvalind
