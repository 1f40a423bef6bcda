#include "support/widgets/gui_wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace sorvalind::test {

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > bound.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

void processEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace sorvalind::test
