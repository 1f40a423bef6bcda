#pragma once
// Collects the D-Bus signals a client connection receives, for the MPRIS
// tests. Main thread only.

#include <QDBusMessage>
#include <QList>
#include <QObject>

namespace sorvalind {

class SignalRecorder : public QObject {
    Q_OBJECT

public:
    QList<QDBusMessage> received;

public slots:
    void record(const QDBusMessage& message);
};

} // namespace sorvalind
