#pragma once
// PulseAudio's threaded main loop: one thread of its own on which every
// context and stream callback runs, with the loop's lock held.
//
// Threads: lock()/unlock() (BasicLockable, so std::unique_lock works) from
// any thread but the loop's own, where the lock is already held; wait() and
// signal() with the lock held. stop() and the destructor must not run on the
// loop thread; the destructor stops the loop first, so nothing it frees is
// touched by a callback afterwards. Move-only. The constructor and start()
// throw PulseError.

#include <pulse/thread-mainloop.h>

#include <memory>

namespace sorvalind {

class ThreadedMainLoop {
public:
    ThreadedMainLoop();
    ThreadedMainLoop(ThreadedMainLoop&&) noexcept = default;
    ThreadedMainLoop& operator=(ThreadedMainLoop&&) noexcept = default;
    ~ThreadedMainLoop();

    void start();
    // Joins the loop thread; idempotent.
    void stop() noexcept;

    void lock() noexcept { pa_threaded_mainloop_lock(loop_.get()); }
    void unlock() noexcept { pa_threaded_mainloop_unlock(loop_.get()); }
    // Releases the lock until signal() is called, then takes it again.
    void wait() noexcept { pa_threaded_mainloop_wait(loop_.get()); }
    void signal() noexcept { pa_threaded_mainloop_signal(loop_.get(), 0); }
    bool inLoopThread() const noexcept { return pa_threaded_mainloop_in_thread(loop_.get()) != 0; }

    pa_mainloop_api* api() const noexcept { return pa_threaded_mainloop_get_api(loop_.get()); }

private:
    struct Free {
        void operator()(pa_threaded_mainloop* loop) const noexcept;
    };
    std::unique_ptr<pa_threaded_mainloop, Free> loop_;
    bool running_ = false;
};

} // namespace sorvalind
