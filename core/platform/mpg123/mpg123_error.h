#pragma once
// Failures of libmpg123 itself (a handle that cannot be made or set up),
// carrying libmpg123's own code and text. Decoding failures of a stream are
// AudioFailure instead. Immutable value; any thread.

#include <stdexcept>

namespace sorvalind {

class Mpg123Error : public std::runtime_error {
public:
    explicit Mpg123Error(int code);
    int code() const noexcept { return code_; }

private:
    int code_;
};

} // namespace sorvalind
