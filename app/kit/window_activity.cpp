#include "kit/window_activity.h"

#include <QGuiApplication>

namespace sorvalind {

WindowActivity::WindowActivity(QObject* parent) : QObject(parent) {
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &WindowActivity::observe);
}

void WindowActivity::observe(Qt::ApplicationState state) {
    const std::optional<Qt::ApplicationState> previous = last_;
    last_ = state;
    if (!previous || *previous == state) return;
    if (state == Qt::ApplicationActive) emit becameActive();
}

} // namespace sorvalind
