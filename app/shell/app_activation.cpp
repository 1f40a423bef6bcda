#include "shell/app_activation.h"

#include "model/app_coordinator.h"
#include "model/app_model.h"

namespace sorvalind {

namespace {

void refreshCurrentPlaylists(const std::weak_ptr<AppCoordinator>& weak) {
    const auto coordinator = weak.lock();
    if (!coordinator) return;
    if (const auto& model = coordinator->model().value()) model->refreshPlaylists();
}

} // namespace

AppActivation::AppActivation(std::shared_ptr<AppCoordinator> coordinator, Executor& mainActor,
                             QObject* parent)
    : QObject(parent), coordinator_(coordinator), mainActor_(mainActor) {}

void AppActivation::activated() {
    const auto coordinator = coordinator_.lock();
    if (!coordinator) return;
    const auto& model = coordinator->model().value();
    if (model && !model->isShuttingDown() && model->credentialsLocked().value()) {
        const TaskHandle unlock = model->unlockSavedLogin(false);
        unlock.whenFinished(mainActor_,
                            [weak = coordinator_](const Outcome<void>&) { refreshCurrentPlaylists(weak); });
        return;
    }
    refreshCurrentPlaylists(coordinator_);
}

} // namespace sorvalind
