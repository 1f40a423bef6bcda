#pragma once
// The fetch floor of the synchronisation benchmark: the library's page
// requests sent one after the other on one reused libcurl handle, the
// answers only collected, never decoded. Benchmark thread only; throws
// std::runtime_error when a transfer fails.

#include "server/api_client.h"

#include <cstddef>

namespace sorvalind::bench {

struct BareFetch {
    double seconds = 0;
    std::size_t bytes = 0;
    int requests = 0;
};

// `pages` requests of `count` items of each kind, offsets advancing as the
// engine's would over the library (the request itself comes from `client`,
// so its authentication and form are the engine's own).
BareFetch bareFetch(const APIClient& client, int pages, int count);

} // namespace sorvalind::bench
