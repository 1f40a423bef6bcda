#pragma once
// The main actor on the GUI thread's event loop: posted tasks run as queued
// calls in posting order, timed tasks on precise single-shot timers. Every
// model, the playback controller and the download manager run on it.
//
// post/postAt from any thread. Tasks still queued when the actor is destroyed
// (or the event loop ends) are dropped unrun. Tasks must not throw.

#include "runtime/executor.h"

#include <QObject>

#include <memory>
#include <mutex>

class QThread;

namespace sorvalind {

class QtMainActor final : public Executor {
public:
    // Runs on the thread that owns `context` (the GUI thread: create it there).
    QtMainActor();
    ~QtMainActor() override;
    QtMainActor(const QtMainActor&) = delete;
    QtMainActor& operator=(const QtMainActor&) = delete;

    void post(Task task) override;
    void postAt(SteadyTime when, Task task) override;
    const SteadyClock& clock() const noexcept override { return systemSteadyClock(); }
    bool isCurrent() const noexcept override;

private:
    mutable std::mutex mutex_;
    // Queued calls and timers die with it, unrun.
    std::unique_ptr<QObject> context_;
    QThread* const thread_;
};

} // namespace sorvalind
