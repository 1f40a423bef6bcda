#include "sync/page_ahead.h"

#include "runtime/cancellation.h"

#include <exception>
#include <functional>
#include <memory>
#include <utility>

namespace sorvalind {

PageAhead::PageAhead(Executor& fetchQueue, LibraryAPI& api, std::stop_token stop)
    : fetchQueue_(fetchQueue), api_(api) {
    link_.emplace(std::move(stop), std::function<void()>([this] { stop_.request_stop(); }));
}

PageAhead::~PageAhead() {
    link_.reset();
    if (!pending_.valid()) return;
    stop_.request_stop();
    pending_.wait();
}

void PageAhead::request(int artists, int albums, int songs, int count) {
    // Delivers exactly once: with the page or failure when run, with a
    // cancellation when the queue drops the request unrun.
    struct Delivery {
        std::promise<SearchPage> promise;
        bool delivered = false;
        ~Delivery() {
            if (!delivered) promise.set_exception(std::make_exception_ptr(CancellationError()));
        }
    };
    auto delivery = std::make_unique<Delivery>();
    pending_ = delivery->promise.get_future();
    fetchQueue_.post([delivery = std::move(delivery), &api = api_, token = stop_.get_token(), artists, albums,
                      songs, count]() mutable {
        try {
            delivery->promise.set_value(api.page(artists, albums, songs, count, token));
        } catch (...) {
            delivery->promise.set_exception(std::current_exception());
        }
        delivery->delivered = true;
    });
}

SearchPage PageAhead::take() {
    auto pending = std::move(pending_);
    return pending.get();
}

} // namespace sorvalind
