#include "http/http_error_mapping.h"

#include "errors/url_error.h"

#include <curl/curl.h>
#include <openssl/x509_vfy.h>

#include <cerrno>

namespace sorvalind {

namespace {

int certificateFailure(long check) noexcept {
    switch (check) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CRL_HAS_EXPIRED:
        return URLError::serverCertificateHasBadDate;
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CRL_NOT_YET_VALID:
        return URLError::serverCertificateNotYetValid;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return URLError::serverCertificateHasUnknownRoot;
    default:
        // Self-signed certificates, name mismatches and every other refusal.
        return URLError::serverCertificateUntrusted;
    }
}

int connectFailure(long osErrno) noexcept {
    switch (osErrno) {
    case ENETUNREACH:
    case ENETDOWN:
        return URLError::notConnectedToInternet;
    case ETIMEDOUT:
        return URLError::timedOut;
    default:
        return URLError::cannotConnectToHost;
    }
}

} // namespace

int urlErrorCode(int curlCode, long osErrno, long certificateCheck) noexcept {
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return URLError::unsupportedURL;
    case CURLE_URL_MALFORMAT:
        return URLError::badURL;
    case CURLE_COULDNT_RESOLVE_HOST:
        return URLError::cannotFindHost;
    case CURLE_COULDNT_RESOLVE_PROXY:
        return URLError::dnsLookupFailed;
    case CURLE_COULDNT_CONNECT:
        return connectFailure(osErrno);
    case CURLE_OPERATION_TIMEDOUT:
        return URLError::timedOut;
    case CURLE_ABORTED_BY_CALLBACK:
        return URLError::cancelled;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
        return URLError::networkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
    case CURLE_RANGE_ERROR:
        return URLError::badServerResponse;
    case CURLE_BAD_CONTENT_ENCODING:
        return URLError::cannotDecodeRawData;
    case CURLE_TOO_MANY_REDIRECTS:
        return URLError::httpTooManyRedirects;
    case CURLE_FILESIZE_EXCEEDED:
        return URLError::dataLengthExceedsMaximum;
    case CURLE_PEER_FAILED_VERIFICATION:
        return certificateFailure(certificateCheck);
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return URLError::serverCertificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
        return URLError::secureConnectionFailed;
    default:
        return URLError::unknown;
    }
}

} // namespace sorvalind
