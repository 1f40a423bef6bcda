#include "shell/demo_session.h"

#include "loopback/demo_library.h"

namespace sorvalind {

struct DemoSession::Shared {
    std::mutex mutex;
    std::unique_ptr<loopback::FakeSubsonicServer> server;
    bool stopped = false;
};

DemoSession::DemoSession(std::filesystem::path scratch, std::shared_ptr<AppCoordinator> coordinator,
                         Executor& mainActor)
    : shared_(std::make_shared<Shared>()) {
    std::weak_ptr<AppCoordinator> weak = coordinator;
    TaskHandle launched = coordinator->launch();
    maker_ = std::thread([shared = shared_, scratch = std::move(scratch), weak, launched, &mainActor] {
        std::unique_ptr<loopback::FakeSubsonicServer> server;
        std::string failure;
        try {
            server = loopback::startDemoServer(scratch);
        } catch (const std::exception& error) {
            failure = error.what();
        }
        std::string url;
        {
            std::lock_guard lock(shared->mutex);
            if (shared->stopped || !server) return;
            url = server->baseUrl();
            shared->server = std::move(server);
        }
        // Signs in once the launch has published its unconfigured model, as
        // a user would from the first-run page.
        launched.whenFinished(mainActor, [weak, url](const Outcome<void>&) {
            if (auto coordinator = weak.lock())
                coordinator->connect(url, loopback::DemoLogin::user, loopback::DemoLogin::password, true);
        });
    });
}

DemoSession::~DemoSession() {
    stop();
    if (maker_.joinable()) maker_.join();
}

void DemoSession::stop() {
    std::unique_ptr<loopback::FakeSubsonicServer> server;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopped = true;
        server = std::move(shared_->server);
    }
}

} // namespace sorvalind
