#include "signal_recorder.h"

namespace sorvalind {

void SignalRecorder::record(const QDBusMessage& message) {
    received.append(message);
}

} // namespace sorvalind
