#include "credentials/credential_helper_process.h"
#include "credentials/credential_helper_protocol.h"
#include "errors/credential_error.h"

#include <gtest/gtest.h>

#include <csignal>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;

class HelperProcess : public ::testing::Test {
protected:
    void SetUp() override {
        shell = ::open("/bin/sh", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(shell, 0);
    }
    void TearDown() override {
        ::close(shell);
        // Every child was reaped.
        EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    }
    HelperProcessResult run(const std::string& script, std::string_view input = {},
                            HelperProcessLimits limits = {1000, 20s}) {
        return runHelperProcess(shell, {"sh", "-c", script}, {"PATH=/usr/bin:/bin"}, input, limits);
    }
    bool refused(const std::string& script, std::string_view input, HelperProcessLimits limits) {
        try {
            run(script, input, limits);
        } catch (const CredentialError& error) {
            return error.isVerification();
        }
        return false;
    }
    int shell = -1;
};

TEST_F(HelperProcess, PassesInputAndEnvironmentAndKeepsStandardErrorOut) {
    HelperProcessResult result =
        run("echo noise >&2; printf '%s|' \"$PATH\" \"${HOME-unset}\"; cat", "request");
    EXPECT_EQ(result.output, "/usr/bin:/bin|unset|request");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(run("exit 3").exitStatus, 3);
    EXPECT_EQ(run("kill -9 $$").exitStatus, -1);
}

TEST_F(HelperProcess, AChildThatExitsWithoutReadingIsStillHeard) {
    // Far more input than a pipe holds, to a child that never reads it: the
    // write fails with EPIPE instead of killing this process with SIGPIPE.
    std::string input(4 << 20, 'x');
    HelperProcessResult result = run("printf '{\"status\":-25293}'", input);
    EXPECT_EQ(result.output, R"({"status":-25293})");
    sigset_t pending;
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

TEST_F(HelperProcess, OutputIsReadUpToTheLimitOnly) {
    const HelperProcessLimits limits{credentialHelperMessageLimit, 20s};
    EXPECT_EQ(run("head -c 1048576 /dev/zero", {}, limits).output.size(), credentialHelperMessageLimit);
    EXPECT_TRUE(refused("head -c 1048577 /dev/zero", {}, limits));
    // An endless writer is stopped after one byte past the limit.
    EXPECT_TRUE(refused("while :; do printf xxxxxxxxxx; done", {}, {1000, 20s}));
}

TEST_F(HelperProcess, AStalledChildIsKilledAtTheDeadline) {
    EXPECT_TRUE(refused("exec sleep 60", {}, {1000, 50ms}));
    EXPECT_TRUE(refused("exec sleep 60", std::string(1 << 20, 'x'), {1000, 50ms}));
    // Closed output but no exit is a stall too.
    EXPECT_TRUE(refused("exec >&-; exec sleep 60", {}, {1000, 50ms}));
}

} // namespace
} // namespace sorvalind
