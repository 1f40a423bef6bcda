#pragma once
// Favourite or rating changes that the server kept refusing and that were
// therefore dropped from the queue of edits to send. Names the items, in the
// order they were dropped, and the server's error code of the last refusal.
// what() is the sentence the user sees. Immutable value; any thread.

#include <stdexcept>
#include <string>
#include <vector>

namespace sorvalind {

class RefusedEditError : public std::runtime_error {
public:
    // `items` holds at least one name.
    RefusedEditError(std::vector<std::string> items, int code);

    const std::vector<std::string>& items() const noexcept { return items_; }
    int code() const noexcept { return code_; }

private:
    std::vector<std::string> items_;
    int code_;
};

} // namespace sorvalind
