#pragma once
// One page request of a synchronisation run made ahead of time: request()
// starts it on the fetch queue, take() waits for it and returns the page or
// rethrows its failure. At most one request is outstanding. Destroying the
// object stops an outstanding request (through its own stop token, which the
// run's `stop` also trips) and waits until it has ended; its page is dropped.
// The run's thread only: request(), take() and the destructor are called by
// the thread that runs the pass, never the main actor.

#include "runtime/executor.h"
#include "server/library_api.h"

#include <future>
#include <optional>
#include <stop_token>

namespace sorvalind {

class PageAhead {
public:
    PageAhead(Executor& fetchQueue, LibraryAPI& api, std::stop_token stop);
    ~PageAhead();
    PageAhead(const PageAhead&) = delete;
    PageAhead& operator=(const PageAhead&) = delete;

    // Starts the request for the page at these offsets; the previous one
    // must have been taken.
    void request(int artists, int albums, int songs, int count);
    // The requested page, once it has arrived; its failure rethrown (a
    // CancellationError when the queue shut down before it ran).
    SearchPage take();

private:
    Executor& fetchQueue_;
    LibraryAPI& api_;
    std::stop_source stop_;
    std::optional<std::stop_callback<std::function<void()>>> link_;
    std::future<SearchPage> pending_;
};

} // namespace sorvalind
