#include "platform/qt_main_actor.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <chrono>

namespace sorvalind {

QtMainActor::QtMainActor() : context_(std::make_unique<QObject>()) {}

QtMainActor::~QtMainActor() = default;

void QtMainActor::post(Task task) {
    // Qt copies the functor it queues; the move-only task rides in a shared box.
    auto box = std::make_shared<Task>(std::move(task));
    QMetaObject::invokeMethod(
        context_.get(), [box] { (*box)(); }, Qt::QueuedConnection);
}

void QtMainActor::postAt(SteadyTime when, Task task) {
    auto box = std::make_shared<Task>(std::move(task));
    QObject* context = context_.get();
    // A timer belongs to the thread that starts it: start it on the GUI thread.
    post([box, context, when] {
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(when - systemSteadyClock().now());
        const auto delay = std::max<std::int64_t>(0, remaining.count());
        QTimer::singleShot(std::chrono::milliseconds(delay), Qt::PreciseTimer, context, [box] { (*box)(); });
    });
}

bool QtMainActor::isCurrent() const noexcept {
    return QThread::currentThread() == context_->thread();
}

} // namespace sorvalind
