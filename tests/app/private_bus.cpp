#include "private_bus.h"

namespace sorvalind {

PrivateBus::PrivateBus() {
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                          QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    daemon_.start();
    if (!daemon_.waitForStarted()) return;
    // The daemon prints its address once it listens; a bound on the wait
    // keeps a broken daemon from hanging the test.
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(20000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(10000)) daemon_.kill();
        daemon_.waitForFinished();
    }
}

QDBusConnection PrivateBus::connect(const QString& name) const {
    return QDBusConnection::connectToBus(address_, name);
}

} // namespace sorvalind
