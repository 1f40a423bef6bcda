#include "platform/pulse/threaded_main_loop.h"

#include "platform/pulse/pulse_error.h"

#include <pulse/def.h>
#include <pulse/error.h>

namespace sorvalind {

void ThreadedMainLoop::Free::operator()(pa_threaded_mainloop* loop) const noexcept {
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}

ThreadedMainLoop::ThreadedMainLoop() : loop_(pa_threaded_mainloop_new()) {
    if (!loop_) throw PulseError(PA_ERR_INTERNAL, "make its main loop");
}

ThreadedMainLoop::~ThreadedMainLoop() {
    stop();
}

void ThreadedMainLoop::start() {
    if (running_) return;
    if (pa_threaded_mainloop_start(loop_.get()) < 0) throw PulseError(PA_ERR_INTERNAL, "start its main loop");
    running_ = true;
}

void ThreadedMainLoop::stop() noexcept {
    if (!loop_ || !running_) return;
    pa_threaded_mainloop_stop(loop_.get());
    running_ = false;
}

} // namespace sorvalind
