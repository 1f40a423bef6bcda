#include "platform/qt_path_monitor.h"

#include <QNetworkInformation>
#include <QObject>

namespace sorvalind {

namespace {

bool isAvailable(QNetworkInformation::Reachability reachability) {
    // "Unknown" is no reason to go offline: the client's answers will tell.
    return reachability != QNetworkInformation::Reachability::Disconnected;
}

} // namespace

QtPathMonitor::~QtPathMonitor() {
    QObject::disconnect(connection_);
}

void QtPathMonitor::start(Handler handler) {
    if (!QNetworkInformation::instance() &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    QNetworkInformation* information = QNetworkInformation::instance();
    if (!information) return;
    backend_ = true;
    connection_ = QObject::connect(
        information, &QNetworkInformation::reachabilityChanged,
        [handler](QNetworkInformation::Reachability reachability) { handler(isAvailable(reachability)); });
    handler(isAvailable(information->reachability()));
}

} // namespace sorvalind
