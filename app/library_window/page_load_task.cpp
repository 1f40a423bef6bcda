#include "library_window/page_load_task.h"

namespace sorvalind {

PageLoadTask::PageLoadTask(Executor& timers, Load load)
    : load_(std::move(load)), wait_(timers, searchDelay) {}

PageLoadTask::~PageLoadTask() {
    cancel();
}

void PageLoadTask::update(const BrowseRequest& request) {
    if (key_ == request) return;
    wait_.cancel();
    stop_.request_stop();
    stop_ = std::stop_source();
    key_ = request;
    if (request.query.empty()) {
        start();
    } else {
        wait_.schedule([this] { start(); });
    }
}

void PageLoadTask::cancel() {
    wait_.cancel();
    stop_.request_stop();
    key_.reset();
}

void PageLoadTask::start() {
    if (stop_.stop_requested()) return;
    load_(stop_.get_token());
}

} // namespace sorvalind
