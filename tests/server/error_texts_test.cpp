#include "errors/api_error.h"
#include "errors/credential_error.h"
#include "errors/database_error.h"
#include "errors/safe_error.h"
#include "errors/url_error.h"
#include "library/json_coding.h"
#include "platform/curl/curl_error.h"
#include "runtime/cancellation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace sorvalind {
namespace {

struct TextCase {
    APIError error;
    std::string text;
};

TEST(APIErrorText, EveryCaseHasItsSentence) {
    const std::string redirect =
        "The server redirected the request. Enter its final server URL; authenticated redirects are blocked.";
    const std::vector<TextCase> cases = {
        {APIError::server(40, "anything"),
         "Navidrome rejected the credentials. Check your username and password."},
        {APIError::server(40, ""), "Navidrome rejected the credentials. Check your username and password."},
        {APIError::server(41, "x"), "The server does not accept this authentication method (41)."},
        {APIError::server(44, "x"), "The server does not accept this authentication method (44)."},
        {APIError::server(50, "x"), "This account does not have permission to perform that operation."},
        {APIError::server(70, "Request failed"), "Navidrome could not complete the request (70)."},
        {APIError::server(0, "Request failed"), "Navidrome could not complete the request (0)."},
        {APIError::server(45, "x"), "Navidrome could not complete the request (45)."},
        {APIError::server(-3, "x"), "Navidrome could not complete the request (-3)."},
        {APIError::http(300), redirect},
        {APIError::http(301), redirect},
        {APIError::http(399), redirect},
        {APIError::http(400), "The server returned HTTP 400."},
        {APIError::http(404), "The server returned HTTP 404."},
        {APIError::http(299), "The server returned HTTP 299."},
        {APIError::unavailable(FeatureFailure::offlineTrack),
         "This song is not downloaded. Connect to your server to stream it."},
        {APIError::configuration(), "Enter a valid server URL and username."},
        {APIError::response(), "The server returned an unexpected response."},
        {APIError::pagination(),
         "The server repeated a library page. Refresh stopped safely to protect your local library."},
        {APIError::httpConsentRequired(),
         "HTTPS is recommended. To use HTTP, explicitly allow the unencrypted "
         "connection in the connection dialog."},
        {APIError::localHTTPRequired(),
         "HTTP is only allowed for localhost or a private network IP address, including Tailscale IPs. Use "
         "HTTPS "
         "for public servers and hostnames, or enter the server\xE2\x80\x99s private IP."},
        {APIError::unsafeRequest(),
         "An unsafe request was blocked. Authentication cannot be placed in a URL or "
         "forwarded through a redirect."},
        {APIError::formPostRequired(), "This server must support OpenSubsonic form POST to keep credentials "
                                       "out of request URLs. Update the "
                                       "server or check its proxy configuration."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.what(), c.text);
        EXPECT_EQ(c.error.errorDescription(), c.text);
        EXPECT_EQ(SafeError::message(std::make_exception_ptr(c.error)), c.text);
    }
}

TEST(FeatureFailureText, RawValuesRoundTripExactlyAndCaseSensitively) {
    const std::vector<std::pair<FeatureFailure, std::string>> cases = {
        {FeatureFailure::mp3Unavailable,
         "The server did not return MP3 audio. Enable MP3 transcoding in Navidrome."},
        {FeatureFailure::originalCodecChanged,
         "The server returned a different codec for an original-quality download."},
        {FeatureFailure::incompleteDownload,
         "The downloaded audio is incomplete or has an unexpected duration."},
        {FeatureFailure::bitrateExceeded,
         "The server exceeded the requested MP3 bitrate. Check its transcoding configuration."},
        {FeatureFailure::missingLocalFile,
         "The local audio file is missing. Download it again when connected."},
        {FeatureFailure::offlineTrack, "This song is not downloaded. Connect to your server to stream it."},
        {FeatureFailure::offlineMode, "Turn off Offline Mode in Settings to connect to your server."},
        {FeatureFailure::transcodeSeek,
         "Your server cannot seek transcoded audio. Select Original quality or download this song."},
        {FeatureFailure::originalSeek,
         "This server cannot efficiently seek this remote format. Download the original for accurate local "
         "seeking, or use a server advertising transcodeOffset."},
    };
    for (const auto& [failure, text] : cases) {
        EXPECT_EQ(rawValue(failure), text);
        EXPECT_EQ(featureFailureFromRawValue(text), failure);
        EXPECT_EQ(APIError::unavailable(failure).what(), text);
        std::string lower = text;
        lower[0] = static_cast<char>(lower[0] + ('a' - 'A'));
        EXPECT_EQ(featureFailureFromRawValue(lower), std::nullopt);
    }
    EXPECT_EQ(featureFailureFromRawValue(""), std::nullopt);
}

TEST(CredentialErrorText, StatusCodesAndVerification) {
    const std::string generic = "Sorvalind could not access password storage. Please try again.";
    const std::vector<std::pair<CredentialError, std::string>> cases = {
        {CredentialError::verification(),
         "Sorvalind could not verify secure password storage. Please try again."},
        {CredentialError::status(-25300), "No saved password was found for this connection. Sign in again to "
                                          "reconnect. Your local library and downloads are still available."},
        {CredentialError::status(-34018),
         "This version of Sorvalind cannot securely save or access passwords. "
         "Reinstall the app or contact support."},
        {CredentialError::status(-50), generic},
        {CredentialError::status(-25293), generic},
        {CredentialError::status(0), generic},
    };
    for (const auto& [error, text] : cases) {
        EXPECT_EQ(error.what(), text);
        EXPECT_EQ(SafeError::message(std::make_exception_ptr(error)), text);
    }
    EXPECT_TRUE(CredentialError::verification().isVerification());
    EXPECT_EQ(CredentialError::status(-25300).code(), -25300);
    EXPECT_FALSE(CredentialError::status(0).isVerification());
}

TEST(SafeErrorMessage, URLErrorsByCode) {
    const std::string tls =
        "The secure connection could not be verified. Check the server's HTTPS certificate.";
    const std::string offline =
        "The network connection is unavailable. Your local library is still available.";
    const std::string unreachable = "Cannot connect to the server. Check its address and your network.";
    const std::string other = "The network request failed. Please try again.";
    const std::vector<std::pair<int, std::string>> cases = {
        {-1200, tls},
        {-1202, tls},
        {-1205, tls},
        {-1206, other},
        {-1199, other},
        {-1009, offline},
        {-1005, offline},
        {-1006, unreachable},
        {-1004, unreachable},
        {-1003, unreachable},
        {-1001, "The server did not respond in time. Please try again."},
        {-999, "The request was cancelled."},
        {-1002, other},
        {-1, other},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(SafeError::message(std::make_exception_ptr(URLError(code))), text) << code;
        EXPECT_EQ(URLError(code).what(), text);
    }
}

TEST(SafeErrorMessage, OtherFailuresNeverShowTheirOwnDescription) {
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(
                  std::system_error(std::error_code(50, std::generic_category()), "secret /home/u/path"))),
              "A system operation failed (50).");
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(std::filesystem::filesystem_error(
                  "x", "/home/user/Music", std::make_error_code(std::errc::no_space_on_device)))),
              "The file operation failed. Check storage space and file permissions.");
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(std::runtime_error("https://u:p@host/"))),
              "The operation failed. Please try again.");
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(42)), "The operation failed. Please try again.");
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(
                  std::system_error(std::error_code(-50, std::system_category()), "x"))),
              "A system operation failed (-50).");
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(std::ios_base::failure("cannot write /home/u/x"))),
              "The file operation failed. Check storage space and file permissions.");
    // Decoding failures and failures of libcurl itself carry paths and keys
    // in their descriptions; the user gets the general text.
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(DecodingError("song.title", "expected a string"))),
              "The operation failed. Please try again.");
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(CurlError(2, "init failed for https://host"))),
              "The operation failed. Please try again.");
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(std::bad_alloc())),
              "The operation failed. Please try again.");
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(CancellationError())),
              "The operation was cancelled.");
    EXPECT_EQ(SafeError::message(std::make_exception_ptr(URLError(-999))), "The request was cancelled.");
    EXPECT_EQ(SafeError::message(std::exception_ptr()), "The operation failed. Please try again.");
}

// The store's message names tables, SQL and SQLite's wording, and its own
// description starts "Local library: "; neither reaches the user.
TEST(SafeErrorMessage, StoreFailuresGiveOneFixedSentence) {
    for (const auto& error : {DatabaseError("no such table: songs", 1),
                              DatabaseError("The library is closed"), DatabaseError("")}) {
        EXPECT_EQ(SafeError::message(std::make_exception_ptr(error)),
                  "The local library operation failed. Please try again.");
    }
    EXPECT_EQ(DatabaseError("disk I/O error", 10).errorDescription(), "Local library: disk I/O error");
    // A store failure wrapped with context keeps its sentence.
    std::exception_ptr wrapped;
    try {
        try {
            throw DatabaseError("database is locked", 5);
        } catch (...) {
            std::throw_with_nested(std::runtime_error("while saving the queue"));
        }
    } catch (...) {
        wrapped = std::current_exception();
    }
    EXPECT_EQ(SafeError::message(wrapped), "The local library operation failed. Please try again.");
}

TEST(SafeErrorMessage, ContextWrappersKeepTheTextOfWhatTheyWrap) {
    std::exception_ptr wrapped;
    try {
        try {
            throw APIError::http(404);
        } catch (...) {
            std::throw_with_nested(std::runtime_error("while loading song 42 from https://host"));
        }
    } catch (...) {
        wrapped = std::current_exception();
    }
    EXPECT_EQ(SafeError::message(wrapped), "The server returned HTTP 404.");
}

} // namespace
} // namespace sorvalind
