#pragma once
// A D-Bus daemon of the test's own, so that a test never shows a player on
// (or takes a name from) the desktop session of whoever runs it, and needs no
// session bus at all. The daemon is stopped when the object goes.

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace sorvalind {

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !address_.isEmpty(); }
    const QString& address() const { return address_; }
    // A new connection of its own under `name` (each name is one connection).
    QDBusConnection connect(const QString& name) const;

private:
    QProcess daemon_;
    QString address_;
};

} // namespace sorvalind
