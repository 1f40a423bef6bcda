// The program as a process: one instance per user and profile, and quitting
// by signal within the bound with status 0. Each test runs the program on a
// profile and runtime folder of its own, on Qt's offscreen platform.

#include "shell/single_instance.h"
#include "support/program_profile.h"

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

// The program ends within its 3 s quit bound; the rest is slack for a loaded
// machine starting the process and reaping it.
constexpr auto quitBound = 5s;
// How long a second launch may take to hand over and end: starting a
// sanitized build on a busy machine alone can take seconds. Only a hang
// comes near it.
constexpr auto secondLaunchBound = 30s;

#ifdef SORVALIND_PROGRAM
constexpr const char* program = SORVALIND_PROGRAM;
#else
constexpr const char* program = nullptr;
#endif

struct ProgramProcess : ::testing::Test {
    std::optional<ProgramProfile> profile;

    void SetUp() override {
        if (!program) GTEST_SKIP() << "built without the application";
        profile.emplace(program);
    }
};

TEST_F(ProgramProcess, ASecondLaunchRaisesTheFirstAndEndsWithZero) {
    auto first = profile->start();
    ASSERT_TRUE(profile->waitUntilServing(*first)) << first->err();
    auto second = profile->start();
    EXPECT_EQ(second->wait(secondLaunchBound), 0) << second->err();
    EXPECT_EQ(second->err(), "");
    EXPECT_TRUE(first->running());

    // Another profile is another instance.
    profile->set("XDG_CONFIG_HOME", (profile->root() / "other-config").string());
    auto other = profile->start();
    // Serving its own socket: started, not sent away.
    for (int i = 0; i < 3000 && profile->servingInstances() < 2 && other->running(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(profile->servingInstances(), 2) << other->err();
    first->signal(SIGTERM);
    other->signal(SIGTERM);
    EXPECT_EQ(first->wait(quitBound), 0);
    EXPECT_EQ(other->wait(quitBound), 0);
}

TEST_F(ProgramProcess, AFirstInstanceThatDoesNotAnswerIsReportedAfterTwoSeconds) {
    // The lock held by a process that never serves the socket: this one,
    // with the program's profile for the moment it names the file.
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const auto& [name, value] : profile->environment()) {
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
    auto second = profile->start();
    EXPECT_EQ(second->wait(secondLaunchBound), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - started, SingleInstance::answerTimeout);
    EXPECT_EQ(second->err(), std::string(SingleInstance::alreadyRunningLine) + "\n");
    ::close(lock);
}

TEST_F(ProgramProcess, EachQuitSignalEndsTheProgramWithZeroWithinTheBound) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        // The earlier run's socket is gone, so serving means this run's.
        ASSERT_EQ(profile->servingInstances(), 0);
        auto child = profile->start();
        ASSERT_TRUE(profile->waitUntilServing(*child)) << child->err();
        child->signal(number);
        EXPECT_EQ(child->wait(quitBound), 0);
    }
}

} // namespace
} // namespace sorvalind::test
