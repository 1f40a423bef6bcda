#pragma once
// The fixture of the real program's tests: one desktop session (X server and
// bus) per test program, shared by its tests, and a fresh profile per test
// pointed at it. Waits poll with generous bounds, so a loaded machine makes
// the tests slower, never wrong.

#include "real_display/desktop_session.h"
#include "support/child_process.h"
#include "support/program_profile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sorvalind::test {

class RealDisplay : public ::testing::Test {
public:
    static constexpr const char* mainTitle = "Sorvalind";
    static constexpr const char* helpTitle = "Sorvalind Help";
    // How long any wait for the program may take on a loaded machine.
    static constexpr std::chrono::seconds patience{60};

    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;

    static std::filesystem::path programPath();
    // The quit's own bound, plus the time a loaded machine takes to deliver
    // the request and reap the process.
    static std::chrono::milliseconds quitBound();
    static DesktopSession& session() { return *session_; }
    static XDisplay& display() { return session_->display(); }

    // Polls `condition` every `interval` until it holds or `bound` passes.
    // A condition that asks the bus runs a process each time: poll it less
    // often (busPolling), so the polls do not load a small machine.
    static constexpr std::chrono::milliseconds busPolling{200};
    static bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound = patience,
                          std::chrono::milliseconds interval = std::chrono::milliseconds(20));
    // Waits until the window titled `title` is shown; false when the program
    // ends first.
    bool waitForWindow(ChildProcess& program, const std::string& title);
    // Opens the help window with its key in the main window, as a user does.
    bool openHelp(ChildProcess& program);
    // The program's media controls on the bus.
    std::optional<std::string> playerName();
    // Sends `number` and returns the exit status once the program ended
    // within quitBound(); none when it did not.
    std::optional<int> quitBySignal(ChildProcess& program, int number);

    std::optional<ProgramProfile> profile;

private:
    static std::unique_ptr<DesktopSession> session_;
    static std::string setUpFailure_;
};

} // namespace sorvalind::test
