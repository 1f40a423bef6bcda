#pragma once
// When the application comes to the front again. The first state it learns
// is where the application starts (it is not a return); every later change
// into the active state emits becameActive() once. Changes to inactive,
// hidden or suspended do nothing.
//
// GUI thread only.

#include <QObject>

#include <optional>

namespace sorvalind {

class WindowActivity : public QObject {
    Q_OBJECT
public:
    // Follows the application's state from now on.
    explicit WindowActivity(QObject* parent = nullptr);

    // One state of the application (the application's own signal lands here).
    void observe(Qt::ApplicationState state);

signals:
    void becameActive();

private:
    std::optional<Qt::ApplicationState> last_;
};

} // namespace sorvalind
