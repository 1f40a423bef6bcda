#pragma once
// One progress report of a synchronisation run: the items written so far
// under the run's generation and the line the application shows.
// A plain value: any thread.

#include <string>

namespace sorvalind {

struct SyncProgress {
    int artists = 0;
    int albums = 0;
    int songs = 0;
    std::string message;

    friend bool operator==(const SyncProgress&, const SyncProgress&) = default;
};

} // namespace sorvalind
