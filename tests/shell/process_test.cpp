// The program as a process: one instance per user and profile, and quitting
// by signal within the bound with status 0. Each test runs the program on a
// profile and runtime folder of its own, on Qt's offscreen platform.

#include "shell/single_instance.h"
#include "support/child_process.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

#ifdef SORVALIND_PROGRAM
constexpr const char* program = SORVALIND_PROGRAM;
#else
constexpr const char* program = nullptr;
#endif

struct ProgramProcess : ::testing::Test {
    TempDir scratch;
    std::vector<std::pair<std::string, std::string>> environment;

    void SetUp() override {
        if (!program) GTEST_SKIP() << "built without the application";
        for (const char* folder : {"config", "data", "cache", "tmp", "run"})
            std::filesystem::create_directories(scratch.path() / folder);
        std::filesystem::permissions(scratch.path() / "run", std::filesystem::perms::owner_all);
        environment = {
            {"XDG_CONFIG_HOME", (scratch.path() / "config").string()},
            {"XDG_DATA_HOME", (scratch.path() / "data").string()},
            {"XDG_CACHE_HOME", (scratch.path() / "cache").string()},
            {"TMPDIR", (scratch.path() / "tmp").string()},
            {"XDG_RUNTIME_DIR", (scratch.path() / "run").string()},
            {"QT_QPA_PLATFORM", "offscreen"},
            // No desktop session: the player has no bus and no sound server.
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"},
            {"PULSE_SERVER", "unix:/nonexistent"},
        };
    }

    std::unique_ptr<ChildProcess> start(const std::vector<std::string>& arguments = {}) {
        return std::make_unique<ChildProcess>(program, arguments, environment, scratch.path());
    }
    // The first instance is serving once its socket exists.
    bool serving() const {
        return std::filesystem::exists(scratch.path() / "run") &&
               !std::filesystem::is_empty(scratch.path() / "run") && [&] {
                   for (const auto& entry : std::filesystem::directory_iterator(scratch.path() / "run"))
                       if (entry.path().extension() == ".socket") return true;
                   return false;
               }();
    }
    bool waitUntilServing(ChildProcess& child) {
        for (int i = 0; i < 1000 && !serving(); ++i) {
            if (!child.running()) return false;
            std::this_thread::sleep_for(10ms);
        }
        return serving();
    }
};

TEST_F(ProgramProcess, ASecondLaunchRaisesTheFirstAndEndsWithZero) {
    auto first = start();
    ASSERT_TRUE(waitUntilServing(*first)) << first->err();
    auto second = start();
    EXPECT_EQ(second->wait(10s), 0) << second->err();
    EXPECT_EQ(second->err(), "");
    EXPECT_TRUE(first->running());

    // Another profile is another instance.
    environment[0].second = (scratch.path() / "other-config").string();
    auto other = start();
    EXPECT_FALSE(other->wait(1500ms)) << other->err();
    first->signal(SIGTERM);
    other->signal(SIGTERM);
    EXPECT_EQ(first->wait(3s), 0);
    EXPECT_EQ(other->wait(3s), 0);
}

TEST_F(ProgramProcess, AFirstInstanceThatDoesNotAnswerIsReportedAfterTwoSeconds) {
    // The lock held by a process that never serves the socket: this one,
    // with the program's profile for the moment it names the file.
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const auto& [name, value] : environment) {
        const char* old = std::getenv(name.c_str());
        saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    const std::filesystem::path lockFile = SingleInstance::lockFile();
    for (const auto& [name, old] : saved)
        old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str());
    const int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    const auto started = std::chrono::steady_clock::now();
    auto second = start();
    EXPECT_EQ(second->wait(10s), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - started, SingleInstance::answerTimeout);
    EXPECT_EQ(second->err(), std::string(SingleInstance::alreadyRunningLine) + "\n");
    ::close(lock);
}

TEST_F(ProgramProcess, EachQuitSignalEndsTheProgramWithZeroWithinTheBound) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        // The earlier run's socket is gone, so serving means this run's.
        ASSERT_FALSE(serving());
        auto child = start();
        ASSERT_TRUE(waitUntilServing(*child)) << child->err();
        child->signal(number);
        EXPECT_EQ(child->wait(3s), 0);
    }
}

} // namespace
} // namespace sorvalind::test
