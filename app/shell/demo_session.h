#pragma once
// `sorvalind --demo`: the loopback server with the demo library on
// 127.0.0.1, and a real sign-in to it once the coordinator has launched. The
// library's audio is made on a thread of its own, so the window shows at
// once; the server stops when the session goes or the process quits.
//
// GUI thread only (the sign-in runs on the main actor).

#include "model/app_coordinator.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

namespace sorvalind {

namespace loopback {
class FakeSubsonicServer;
}

class DemoSession {
public:
    // `scratch`: a folder of the demo's profile for the library's files.
    DemoSession(std::filesystem::path scratch, std::shared_ptr<AppCoordinator> coordinator,
                Executor& mainActor);
    ~DemoSession();
    DemoSession(const DemoSession&) = delete;
    DemoSession& operator=(const DemoSession&) = delete;

    // Stops the server (from the quit path, before the process ends).
    void stop();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread maker_;
};

} // namespace sorvalind
