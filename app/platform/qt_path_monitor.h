#pragma once
// Network reachability from QNetworkInformation: a path counts as available
// unless the backend reports the network disconnected. Where no backend
// loads (no NetworkManager, a container), the network counts as always
// available and the model moves only with the client's own answers.
//
// Main actor (GUI thread) only; the handler runs there too.

#include "model/path_monitor.h"

#include <QMetaObject>

namespace sorvalind {

class QtPathMonitor final : public PathMonitor {
public:
    ~QtPathMonitor() override;
    void start(Handler handler) override;
    // Whether a reachability backend answered; false means "always available".
    bool hasBackend() const noexcept { return backend_; }

private:
    QMetaObject::Connection connection_;
    bool backend_ = false;
};

} // namespace sorvalind
