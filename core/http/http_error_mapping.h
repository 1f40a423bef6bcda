#pragma once
// Which URLError code a failed libcurl transfer stands for. Pure; any thread.

namespace sorvalind {

// `curlCode` is the transfer's CURLcode, `osErrno` its CURLINFO_OS_ERRNO and
// `certificateCheck` its CURLINFO_SSL_VERIFYRESULT (an OpenSSL X509_V_ERR_*
// value). Codes without a closer match give URLError::unknown (-1).
// Proxy name lookups give dnsLookupFailed (-1006); a host name that does not
// resolve gives cannotFindHost (-1003). Too-many-redirects, zero-byte and
// client-certificate codes are never produced: redirects are not followed.
int urlErrorCode(int curlCode, long osErrno, long certificateCheck) noexcept;

} // namespace sorvalind
