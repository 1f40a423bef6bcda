#include "real_display/real_display_fixture.h"

#include "shell/quit_controller.h"

#include <thread>

namespace sorvalind::test {

namespace {

#ifdef SORVALIND_PROGRAM
constexpr const char* program = SORVALIND_PROGRAM;
#else
constexpr const char* program = nullptr;
#endif

// What a loaded machine may add to the quit's own bound.
constexpr std::chrono::seconds schedulingGrace{2};

} // namespace

std::unique_ptr<DesktopSession> RealDisplay::session_;
std::string RealDisplay::setUpFailure_;

void RealDisplay::SetUpTestSuite() {
    if (!program) return;
    try {
        session_ = std::make_unique<DesktopSession>();
    } catch (const std::exception& error) {
        setUpFailure_ = error.what();
    }
}

void RealDisplay::TearDownTestSuite() {
    session_.reset();
}

std::filesystem::path RealDisplay::programPath() {
    return program ? program : "";
}

std::chrono::milliseconds RealDisplay::quitBound() {
    return QuitController::shutdownBound + schedulingGrace;
}

void RealDisplay::SetUp() {
    if (!program) GTEST_SKIP() << "built without the application";
    ASSERT_TRUE(session_) << setUpFailure_;
    profile.emplace(program);
    session_->enter(*profile);
}

bool RealDisplay::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound,
                            std::chrono::milliseconds interval) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

bool RealDisplay::waitForWindow(ChildProcess& program, const std::string& title) {
    return waitUntil([&] { return display().shownWindow(title).has_value() || !program.running(); }) &&
           program.running();
}

bool RealDisplay::openHelp(ChildProcess& program) {
    // The key may reach the program before it has taken the focus: press
    // again until the window shows.
    return waitUntil([&] {
               if (display().shownWindow(helpTitle) || !program.running()) return true;
               if (const auto main = display().shownWindow(mainTitle))
                   display().pressFunctionKey(main->id, 1);
               return waitUntil([&] { return display().shownWindow(helpTitle).has_value(); },
                                std::chrono::seconds(2));
           }) &&
           program.running();
}

std::optional<std::string> RealDisplay::playerName() {
    std::optional<std::string> name;
    waitUntil(
        [&] {
            const auto names = session().busNames("org.mpris.MediaPlayer2.sorvalind");
            if (!names.empty()) name = names.front();
            return name.has_value();
        },
        patience, busPolling);
    return name;
}

std::optional<int> RealDisplay::quitBySignal(ChildProcess& program, int number) {
    program.signal(number);
    return program.wait(quitBound());
}

} // namespace sorvalind::test
