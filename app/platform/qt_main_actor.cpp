#include "platform/qt_main_actor.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <chrono>

namespace sorvalind {

QtMainActor::QtMainActor() : context_(std::make_unique<QObject>()), thread_(context_->thread()) {}

QtMainActor::~QtMainActor() {
    // Qt drops the queued calls of a QObject it destroys, but not one queued
    // from another thread while the destructor runs: that call would reach a
    // freed receiver. So a post either completes before the context leaves
    // or sees it gone. The context dies outside the lock: the tasks it drops
    // may post again as they are destroyed.
    std::unique_ptr<QObject> context;
    {
        std::lock_guard lock(mutex_);
        context = std::move(context_);
    }
}

void QtMainActor::post(Task task) {
    // Qt copies the functor it queues; the move-only task rides in a shared box.
    auto box = std::make_shared<Task>(std::move(task));
    std::lock_guard lock(mutex_);
    if (!context_) return;
    QMetaObject::invokeMethod(
        context_.get(), [box] { (*box)(); }, Qt::QueuedConnection);
}

void QtMainActor::postAt(SteadyTime when, Task task) {
    auto box = std::make_shared<Task>(std::move(task));
    // A timer belongs to the thread that starts it: start it on the GUI
    // thread, with the context it runs in then.
    post([this, box, when] {
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(when - systemSteadyClock().now());
        const auto delay = std::max<std::int64_t>(0, remaining.count());
        QTimer::singleShot(std::chrono::milliseconds(delay), Qt::PreciseTimer, context_.get(),
                           [box] { (*box)(); });
    });
}

bool QtMainActor::isCurrent() const noexcept {
    return QThread::currentThread() == thread_;
}

} // namespace sorvalind
