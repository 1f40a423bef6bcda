#pragma once
// Failures of libcurl itself (a handle that cannot be made, an option it
// refuses), carrying libcurl's own code. Transfer failures are URLError
// instead. Immutable value; any thread.

#include <stdexcept>
#include <string>

namespace sorvalind {

class CurlError : public std::runtime_error {
public:
    CurlError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const noexcept { return code_; }

private:
    int code_;
};

// Runs libcurl's global initialisation once per process; later calls return
// at once. Any thread; throws CurlError when the library cannot start.
void ensureCurlInitialised();

} // namespace sorvalind
