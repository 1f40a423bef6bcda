#pragma once
// A failure of URL loading, identified by its numeric code (the codes below
// are the ones the rest of the system tells apart). what() is the sentence
// the user sees for the code. Immutable value; any thread.

#include <stdexcept>

namespace sorvalind {

class URLError : public std::runtime_error {
public:
    static constexpr int unknown = -1;
    static constexpr int cancelled = -999;
    static constexpr int badURL = -1000;
    static constexpr int timedOut = -1001;
    static constexpr int unsupportedURL = -1002;
    static constexpr int cannotFindHost = -1003;
    static constexpr int cannotConnectToHost = -1004;
    static constexpr int networkConnectionLost = -1005;
    static constexpr int dnsLookupFailed = -1006;
    static constexpr int httpTooManyRedirects = -1007;
    static constexpr int notConnectedToInternet = -1009;
    static constexpr int badServerResponse = -1011;
    static constexpr int zeroByteResource = -1014;
    static constexpr int cannotDecodeRawData = -1015;
    // A body larger than the cap its request allows.
    static constexpr int dataLengthExceedsMaximum = -1103;
    static constexpr int secureConnectionFailed = -1200;
    static constexpr int serverCertificateHasBadDate = -1201;
    static constexpr int serverCertificateUntrusted = -1202;
    static constexpr int serverCertificateHasUnknownRoot = -1203;
    static constexpr int serverCertificateNotYetValid = -1204;
    static constexpr int clientCertificateRejected = -1205;

    explicit URLError(int code);

    int code() const noexcept { return code_; }

    friend bool operator==(const URLError& a, const URLError& b) noexcept { return a.code_ == b.code_; }

private:
    int code_;
};

// The user-facing text for a URL loading failure with this code.
const char* urlErrorMessage(int code) noexcept;

} // namespace sorvalind
