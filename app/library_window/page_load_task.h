#pragma once
// The window's one page load, keyed by the search text, the route and the
// song sort: each new key stops the load under way (its wait, or the load
// itself through its stop token) and starts another. With a search text the
// load waits 0.1 seconds first, so typing restarts the wait on each key and
// only a pause loads; with none it loads at once. The same key again
// changes nothing.
//
// Use it on the executor its timers run on (the GUI thread's). The load
// function is asked on that executor too; destroying the task stops the
// load it started.

#include "library/song_sort.h"
#include "runtime/debouncer.h"
#include "runtime/executor.h"

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

namespace sorvalind {

struct BrowseRequest {
    std::string query;
    std::optional<std::string> route;
    SongSort sort = SongSort::title;
    friend bool operator==(const BrowseRequest&, const BrowseRequest&) = default;
};

class PageLoadTask {
public:
    static constexpr std::chrono::milliseconds searchDelay{100};

    using Load = std::function<void(std::stop_token)>;

    PageLoadTask(Executor& timers, Load load);
    ~PageLoadTask();
    PageLoadTask(const PageLoadTask&) = delete;
    PageLoadTask& operator=(const PageLoadTask&) = delete;

    // Starts the load for `request` unless it is the current key.
    void update(const BrowseRequest& request);
    // Stops the wait and the running load; the key is forgotten.
    void cancel();

    bool isWaiting() const noexcept { return wait_.isPending(); }
    const std::optional<BrowseRequest>& key() const noexcept { return key_; }

private:
    void start();

    Load load_;
    Debouncer wait_;
    std::stop_source stop_;
    std::optional<BrowseRequest> key_;
};

} // namespace sorvalind
