#pragma once
// What the sign-in form decides from what it can see locally: whether the
// typed address asks for plain HTTP, whether that HTTP address is one the
// network policy refuses, and whether Connect may be pressed. Everything else
// (address syntax, reaching the server, credentials) is the coordinator's
// sign-in. Any thread; pure functions that throw only std::bad_alloc.

#include <string>
#include <string_view>

namespace sorvalind {

struct SignInAddress {
    SignInAddress() = delete;

    // The address without leading and trailing white space and newlines.
    static std::string trimmed(std::string_view address);
    // The trimmed address parses as a URL whose scheme is "http" (compared
    // in lower case). An address that does not parse or has no scheme is not
    // HTTP.
    static bool isHTTP(std::string_view address);
    // An HTTP address whose host the network policy refuses for plain HTTP;
    // consent cannot help.
    static bool isHTTPBlocked(std::string_view address);
};

// The form's fields as typed, for the Connect button's enabling.
struct SignInFields {
    std::string address;
    std::string username;
    std::string password;
    bool allowHTTP = false;
    bool working = false;
};

// Connect is disabled while working, while any field is empty (as typed, so
// an address of blanks passes), for HTTP without consent and for a refused
// HTTP host.
bool connectEnabled(const SignInFields& fields);

} // namespace sorvalind
