// Which URL error code each kind of libcurl failure becomes.
#include "errors/url_error.h"
#include "http/http_error_mapping.h"
#include "support/scripted_http_transport.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

#include <cerrno>

namespace sorvalind {
namespace {

TEST(HttpErrorMapping, CurlFailuresBecomeUrlErrorCodes) {
    struct Case {
        CURLcode curl;
        long osErrno;
        long certificate;
        int expected;
    };
    const Case cases[] = {
        {CURLE_COULDNT_RESOLVE_HOST, 0, 0, URLError::cannotFindHost},
        {CURLE_COULDNT_RESOLVE_PROXY, 0, 0, URLError::dnsLookupFailed},
        {CURLE_COULDNT_CONNECT, ECONNREFUSED, 0, URLError::cannotConnectToHost},
        {CURLE_COULDNT_CONNECT, ENETUNREACH, 0, URLError::notConnectedToInternet},
        {CURLE_OPERATION_TIMEDOUT, 0, 0, URLError::timedOut},
        {CURLE_PARTIAL_FILE, 0, 0, URLError::networkConnectionLost},
        {CURLE_RECV_ERROR, ECONNRESET, 0, URLError::networkConnectionLost},
        {CURLE_GOT_NOTHING, 0, 0, URLError::networkConnectionLost},
        {CURLE_WEIRD_SERVER_REPLY, 0, 0, URLError::badServerResponse},
        {CURLE_BAD_CONTENT_ENCODING, 0, 0, URLError::cannotDecodeRawData},
        {CURLE_UNSUPPORTED_PROTOCOL, 0, 0, URLError::unsupportedURL},
        {CURLE_URL_MALFORMAT, 0, 0, URLError::badURL},
        {CURLE_ABORTED_BY_CALLBACK, 0, 0, URLError::cancelled},
        {CURLE_SSL_CONNECT_ERROR, 0, 0, URLError::secureConnectionFailed},
        {CURLE_PEER_FAILED_VERIFICATION, 0, X509_V_ERR_CERT_HAS_EXPIRED,
         URLError::serverCertificateHasBadDate},
        {CURLE_PEER_FAILED_VERIFICATION, 0, X509_V_ERR_CERT_NOT_YET_VALID,
         URLError::serverCertificateNotYetValid},
        {CURLE_PEER_FAILED_VERIFICATION, 0, X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY,
         URLError::serverCertificateHasUnknownRoot},
        {CURLE_PEER_FAILED_VERIFICATION, 0, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT,
         URLError::serverCertificateUntrusted},
        {CURLE_PEER_FAILED_VERIFICATION, 0, X509_V_ERR_HOSTNAME_MISMATCH,
         URLError::serverCertificateUntrusted},
        {CURLE_OUT_OF_MEMORY, 0, 0, URLError::unknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(urlErrorCode(c.curl, c.osErrno, c.certificate), c.expected) << curl_easy_strerror(c.curl);
}

TEST(HttpErrorMapping, ScriptedTransportReplaysAnswersAndFailures) {
    test::ScriptedHttpTransport transport;
    transport.fail(URLError::timedOut);
    transport.answer(200, std::string(20, 'x'));
    HttpRequest request(Url::parse("https://music.example/rest/ping.view"));
    try {
        transport.perform(request);
        FAIL();
    } catch (const URLError& error) {
        EXPECT_EQ(error.code(), URLError::timedOut);
    }
    request.maxBodyBytes = 10;
    EXPECT_THROW(transport.perform(request), ResponseTooLargeError) << "the cap holds for every transport";
    EXPECT_EQ(transport.requests().size(), 2u);
}

} // namespace
} // namespace sorvalind
