#pragma once
// What happens each time the application comes back to the front: a saved
// login the keyring kept locked gets one silent unlock (no keyring prompt),
// then the playlists of the model current at that moment are fetched again
// (the unlock may have been overtaken by a sign-in or a reset). A model that
// is shutting down is not unlocked; only the refresh is tried.
//
// GUI thread only (the coordinator's main actor is the GUI thread).

#include <QObject>

#include <memory>

namespace sorvalind {

class AppCoordinator;
class Executor;

class AppActivation : public QObject {
    Q_OBJECT
public:
    AppActivation(std::shared_ptr<AppCoordinator> coordinator, Executor& mainActor,
                  QObject* parent = nullptr);

    // One return to the front.
    void activated();

private:
    std::weak_ptr<AppCoordinator> coordinator_;
    Executor& mainActor_;
};

} // namespace sorvalind
